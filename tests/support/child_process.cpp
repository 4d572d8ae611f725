//===- tests/support/child_process.cpp - Run a program, keep its output ===//

#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace vexmor::test {
namespace {

void Check(bool Ok, const char *What) {
  if (!Ok)
    throw std::runtime_error(std::string(What) + " failed, errno " +
                             std::to_string(errno));
}

class Control : public ChildControl {
public:
  Control(pid_t Child, int ChildStdin, std::string &Collected)
      : Pid(Child), StdinFd(ChildStdin), Out(Collected) {}
  const std::string &Output() const override { return Out; }
  void Feed(const std::string &Bytes) override {
    if (StdinFd >= 0)
      Check(write(StdinFd, Bytes.data(), Bytes.size()) ==
                static_cast<ssize_t>(Bytes.size()),
            "write to stdin");
  }
  void SendSignal(int Signal) override { kill(Pid, Signal); }

private:
  pid_t Pid;
  int StdinFd;
  std::string &Out;
};

/// Runs in the child between fork and exec.
[[noreturn]] void StartChild(const ChildOptions &Options, int OutFd, int ErrFd,
                             int InFd, const std::string &FilePath,
                             std::vector<char *> &Argv) {
  if (InFd >= 0)
    dup2(InFd, 0);
  switch (Options.Stdout) {
  case OutputTarget::Pipe:
  case OutputTarget::ReaderGone:
    dup2(OutFd, 1);
    break;
  case OutputTarget::Terminal:
    break; // forkpty made the terminal standard output
  case OutputTarget::File:
    dup2(open(FilePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    break;
  case OutputTarget::Closed:
    close(1);
    break;
  case OutputTarget::DevFull:
    dup2(open("/dev/full", O_WRONLY), 1);
    break;
  }
  dup2(Options.StderrToStdout ? OutFd : ErrFd, 2);
  sigset_t Blocked;
  sigemptyset(&Blocked);
  for (const int Signal : Options.BlockedSignals)
    sigaddset(&Blocked, Signal);
  sigprocmask(SIG_BLOCK, &Blocked, nullptr);
  for (const int Signal : Options.IgnoredSignals)
    signal(Signal, SIG_IGN);
  for (const auto &[Name, Value] : Options.Environment)
    setenv(Name.c_str(), Value.c_str(), 1);
  // The dynamic loader reads the counter too, so it is barred only once the
  // program is loaded, by a preloaded library.
  if (Options.DisableTimeStampCounter)
    setenv("LD_PRELOAD", VEXMOR_DISABLE_TSC_PRELOAD, 1);
  if (Options.AllocationsAfterOutput >= 0) {
    setenv("LD_PRELOAD", VEXMOR_EXHAUSTED_MEMORY_PRELOAD, 1);
    setenv("VEXMOR_ALLOCATIONS_LEFT",
           std::to_string(Options.AllocationsAfterOutput).c_str(), 1);
  }
  execv(Argv[0], Argv.data());
  _exit(127);
}

} // namespace

ChildResult RunChild(const ChildOptions &Options) {
  int OutPipe[2] = {-1, -1}, ErrPipe[2], InPipe[2] = {-1, -1};
  const bool ReadsPipe = Options.Stdout == OutputTarget::Pipe ||
                         Options.Stdout == OutputTarget::ReaderGone;
  if (ReadsPipe)
    Check(pipe2(OutPipe, O_CLOEXEC) == 0, "pipe2");
  Check(pipe2(ErrPipe, O_CLOEXEC) == 0, "pipe2");
  if (Options.HoldStdin)
    Check(pipe2(InPipe, O_CLOEXEC) == 0, "pipe2");
  else
    InPipe[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (Options.Stdout == OutputTarget::ReaderGone) {
    close(OutPipe[0]);
    OutPipe[0] = -1;
  }
  char FileTemplate[] = "/tmp/vexmor-out-XXXXXX";
  std::string FilePath;
  if (Options.Stdout == OutputTarget::File) {
    const int Fd = mkstemp(FileTemplate);
    Check(Fd >= 0, "mkstemp");
    close(Fd);
    FilePath = FileTemplate;
  }

  std::vector<char *> Argv;
  for (const std::string &Arg : Options.Args)
    Argv.push_back(const_cast<char *>(Arg.c_str()));
  Argv.push_back(nullptr);

  int Master = -1;
  pid_t Pid;
  if (Options.Stdout == OutputTarget::Terminal) {
    termios Raw = {};
    cfmakeraw(&Raw);
    Pid = forkpty(&Master, nullptr, &Raw, nullptr);
  } else {
    Pid = fork();
  }
  Check(Pid >= 0, "fork");
  if (Pid == 0)
    StartChild(Options, OutPipe[1], ErrPipe[1], InPipe[0], FilePath, Argv);
  if (OutPipe[1] >= 0)
    close(OutPipe[1]);
  close(ErrPipe[1]);
  close(InPipe[0]);

  ChildResult Result;
  Control Controls(Pid, Options.HoldStdin ? InPipe[1] : -1, Result.Stdout);
  const int OutFd = ReadsPipe ? OutPipe[0] : Master;
  const auto Deadline = std::chrono::steady_clock::now() + Options.Deadline;
  pollfd Fds[2] = {{OutFd, POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
  std::string *Sinks[2] = {&Result.Stdout, &Result.Stderr};
  bool Killed = false;
  while (Fds[0].fd >= 0 || Fds[1].fd >= 0) {
    if (!Killed && std::chrono::steady_clock::now() >= Deadline) {
      kill(Pid, SIGKILL);
      Killed = true;
      Result.TimedOut = true;
      ADD_FAILURE() << Options.Args[0] << " killed after "
                    << Options.Deadline.count() << " ms waiting for "
                    << Options.Awaiting << "; " << Result.Stdout.size()
                    << " bytes on standard output by then:\n"
                    << Result.Stdout;
    }
    const int Ready = poll(Fds, 2, 10);
    if (Ready < 0 && errno == EINTR)
      continue;
    Check(Ready >= 0, "poll");
    bool Grew = false;
    for (int I = 0; I < 2; ++I) {
      if (Fds[I].fd < 0 || Fds[I].revents == 0)
        continue;
      char Chunk[4096];
      const ssize_t Got = read(Fds[I].fd, Chunk, sizeof Chunk);
      if (Got > 0) {
        Sinks[I]->append(Chunk, static_cast<std::size_t>(Got));
        Grew |= I == 0;
      } else if (Got == 0 || errno != EINTR) {
        // End of file; a terminal says EIO once its last holder has gone.
        close(Fds[I].fd);
        Fds[I].fd = -1;
      }
    }
    if (Options.Stdout == OutputTarget::File) {
      std::string Now = ReadWholeFile(FilePath);
      Grew = Now.size() != Result.Stdout.size();
      Result.Stdout = std::move(Now);
    }
    if (Grew && Options.Watch)
      Options.Watch(Controls);
  }
  if (Options.HoldStdin)
    close(InPipe[1]);

  int Status = 0;
  while (waitpid(Pid, &Status, 0) < 0)
    Check(errno == EINTR, "waitpid");
  if (WIFEXITED(Status))
    Result.ExitCode = WEXITSTATUS(Status);
  if (WIFSIGNALED(Status))
    Result.Signal = WTERMSIG(Status);
  if (Options.Stdout == OutputTarget::File) {
    Result.Stdout = ReadWholeFile(FilePath);
    unlink(FilePath.c_str());
  }
  return Result;
}

std::string ReadWholeFile(const std::string &Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

ChildResult RunChild(std::vector<std::string> Args) {
  ChildOptions Options;
  Options.Args = std::move(Args);
  return RunChild(Options);
}

std::string CommandOutput(const std::string &Command) {
  std::unique_ptr<FILE, int (*)(FILE *)> Pipe(popen(Command.c_str(), "r"),
                                              pclose);
  std::string Output;
  if (!Pipe)
    return Output;
  char Chunk[4096];
  std::size_t Got;
  while ((Got = std::fread(Chunk, 1, sizeof Chunk, Pipe.get())) > 0)
    Output.append(Chunk, Got);
  return Output;
}

std::function<void(ChildControl &)> SignalAfterOutput(std::size_t Bytes,
                                                      int Signal) {
  auto Sent = std::make_shared<bool>(false);
  return [=](ChildControl &Child) {
    if (!*Sent && Child.Output().size() >= Bytes) {
      Child.SendSignal(Signal);
      *Sent = true;
    }
  };
}

} // namespace vexmor::test

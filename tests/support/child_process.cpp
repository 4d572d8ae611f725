//===- tests/support/child_process.cpp - Run a program, keep its output ===//

#include "child_process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmor::test {
namespace {

void Check(bool Ok, const char *What) {
  if (!Ok)
    throw std::runtime_error(std::string(What) + " failed, errno " +
                             std::to_string(errno));
}

} // namespace

ChildResult RunChild(const ChildOptions &Options) {
  int OutPipe[2], ErrPipe[2];
  Check(pipe2(OutPipe, O_CLOEXEC) == 0, "pipe2");
  Check(pipe2(ErrPipe, O_CLOEXEC) == 0, "pipe2");

  std::vector<char *> Argv;
  for (const std::string &Arg : Options.Args)
    Argv.push_back(const_cast<char *>(Arg.c_str()));
  Argv.push_back(nullptr);

  const pid_t Pid = fork();
  Check(Pid >= 0, "fork");
  if (Pid == 0) {
    dup2(OutPipe[1], 1);
    dup2(ErrPipe[1], 2);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  close(OutPipe[1]);
  close(ErrPipe[1]);

  ChildResult Result;
  const auto Deadline = std::chrono::steady_clock::now() + Options.Deadline;
  pollfd Fds[2] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
  std::string *Sinks[2] = {&Result.Stdout, &Result.Stderr};
  int Open = 2;
  bool Killed = false;
  while (Open > 0) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
        Deadline - std::chrono::steady_clock::now());
    if (Left.count() <= 0 && !Killed) {
      kill(Pid, SIGKILL);
      Killed = true;
    }
    const int Ready = poll(Fds, 2, Killed ? 1000 : static_cast<int>(Left.count()));
    if (Ready < 0 && errno == EINTR)
      continue;
    Check(Ready >= 0, "poll");
    for (int I = 0; I < 2; ++I) {
      if (Fds[I].fd < 0 || Fds[I].revents == 0)
        continue;
      char Chunk[4096];
      const ssize_t Got = read(Fds[I].fd, Chunk, sizeof Chunk);
      if (Got > 0) {
        Sinks[I]->append(Chunk, static_cast<std::size_t>(Got));
      } else if (Got == 0 || errno != EINTR) {
        close(Fds[I].fd);
        Fds[I].fd = -1;
        --Open;
      }
    }
  }

  int Status = 0;
  while (waitpid(Pid, &Status, 0) < 0)
    Check(errno == EINTR, "waitpid");
  if (WIFEXITED(Status))
    Result.ExitCode = WEXITSTATUS(Status);
  if (WIFSIGNALED(Status))
    Result.Signal = WTERMSIG(Status);
  return Result;
}

ChildResult RunChild(std::vector<std::string> Args) {
  ChildOptions Options;
  Options.Args = std::move(Args);
  return RunChild(Options);
}

} // namespace vexmor::test

//===- platform/posix/console_output.cpp - Standard handles on POSIX -===//

#include "platform/console_output.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmor {
namespace {

OutputHandle OpenDescriptorOrInvalid(int Fd) {
  return fcntl(Fd, F_GETFD) == -1 ? InvalidOutputHandle : OutputHandle{Fd};
}

int Descriptor(OutputHandle Handle) { return static_cast<int>(Handle); }

// write(2) may take only part of a block (a pipe with little room, a signal),
// where the Windows call this stands for writes all or fails; so go on with
// the rest until all is written or an error comes.
std::int32_t WriteAll(int Fd, const char *Bytes, std::uint32_t Count) {
  std::uint32_t Done = 0;
  while (Done < Count) {
    const ssize_t Written = write(Fd, Bytes + Done, Count - Done);
    if (Written < 0 && errno == EINTR)
      continue;
    if (Written < 0)
      return errno;
    if (Written == 0) // no progress and no error: do not spin
      return EIO;
    Done += static_cast<std::uint32_t>(Written);
  }
  return 0;
}

} // namespace

OutputHandle StandardOutputHandle() {
  return OpenDescriptorOrInvalid(STDOUT_FILENO);
}

OutputHandle StandardErrorHandle() {
  return OpenDescriptorOrInvalid(STDERR_FILENO);
}

HandleKind QueryHandleKind(OutputHandle Handle) {
  struct stat Info;
  if (fstat(Descriptor(Handle), &Info) != 0)
    return HandleKind::Unknown;
  if (S_ISCHR(Info.st_mode))
    return HandleKind::Char;
  if (S_ISFIFO(Info.st_mode) || S_ISSOCK(Info.st_mode))
    return HandleKind::Pipe;
  return HandleKind::Disk;
}

// A write to a pipe whose reader has gone raises SIGPIPE, whose default
// action ends the process; the program wants the write's EPIPE instead.
// Ignoring SIGPIPE would also ignore one sent from outside, which is to stop
// the program like any other signal; so SIGPIPE is blocked only while
// writing, and the one a failed write raised is taken before it is
// unblocked. One sent from outside meanwhile stays pending and ends the
// process once unblocked (unless the write failed with EPIPE too: then the
// two are one).
std::int32_t WriteToHandle(OutputHandle Handle, const char *Bytes,
                           std::uint32_t Count) {
  sigset_t BrokenPipe;
  sigemptyset(&BrokenPipe);
  sigaddset(&BrokenPipe, SIGPIPE);
  sigset_t Previous;
  pthread_sigmask(SIG_BLOCK, &BrokenPipe, &Previous);
  const std::int32_t Error = WriteAll(Descriptor(Handle), Bytes, Count);
  if (Error == EPIPE) {
    const timespec NoWait{};
    while (sigtimedwait(&BrokenPipe, nullptr, &NoWait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
  return Error;
}

void CloseOutputHandle(OutputHandle Handle) { close(Descriptor(Handle)); }

// A POSIX terminal takes the same bytes as everything else.
void ConvertToConsoleCodePage(char *, std::uint32_t) {}

} // namespace vexmor

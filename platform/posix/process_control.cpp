//===- platform/posix/process_control.cpp - Ending the process ------===//

#include "platform/process_control.h"

#include <csignal>
#include <unistd.h>

namespace vexmor {

void EndProcess(std::uint32_t ExitCode) { _exit(static_cast<int>(ExitCode)); }

void KeepProcessOnBrokenPipe() {
  struct sigaction Ignore = {};
  Ignore.sa_handler = SIG_IGN;
  sigemptyset(&Ignore.sa_mask);
  sigaction(SIGPIPE, &Ignore, nullptr);
}

} // namespace vexmor

//===- platform/posix/process_control.cpp - Ending the process ------===//

#include "platform/process_control.h"

#include <unistd.h>

namespace vexmor {

void EndProcess(std::uint32_t ExitCode) { _exit(static_cast<int>(ExitCode)); }

// Nothing to set for the whole process: WriteToHandle holds back the SIGPIPE
// of its own write only, so that one sent from outside still ends the
// program.
void KeepProcessOnBrokenPipe() {}

} // namespace vexmor

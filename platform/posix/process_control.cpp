//===- platform/posix/process_control.cpp - Ending the process ------===//

#include "platform/process_control.h"

#include <unistd.h>

namespace vexmor {

void EndProcess(std::uint32_t ExitCode) { _exit(static_cast<int>(ExitCode)); }

} // namespace vexmor

//===- platform/win32/process_control.cpp - Ending the process -----------===//

#include "platform/process_control.h"

#include <windows.h>

namespace vexmor {

void EndProcess(std::uint32_t ExitCode) { ExitProcess(ExitCode); }

} // namespace vexmor

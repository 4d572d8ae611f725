//===- platform/process_control.h - Ending the process ----------*- C++ -*-===//

#ifndef VEXMOR_PLATFORM_PROCESS_CONTROL_H
#define VEXMOR_PLATFORM_PROCESS_CONTROL_H

#include <cstdint>

namespace vexmor {

/// Ends the process at once with ExitCode; no exit routine of the language
/// runtime or of any library runs.
[[noreturn]] void EndProcess(std::uint32_t ExitCode);

} // namespace vexmor

#endif // VEXMOR_PLATFORM_PROCESS_CONTROL_H

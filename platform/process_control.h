//===- platform/process_control.h - Ending the process ----------*- C++ -*-===//

#ifndef VEXMOR_PLATFORM_PROCESS_CONTROL_H
#define VEXMOR_PLATFORM_PROCESS_CONTROL_H

#include <cstdint>

namespace vexmor {

/// Ends the process at once with ExitCode; no exit routine of the language
/// runtime or of any library runs.
[[noreturn]] void EndProcess(std::uint32_t ExitCode);

/// Makes a write to a pipe whose reader has gone fail with an error code
/// instead of ending the process, where the system would end it. The same
/// signal sent from outside still ends the process.
void KeepProcessOnBrokenPipe();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_PROCESS_CONTROL_H

//===- frame/process_frame.h - Start-up and end of the process --*- C++ -*-===//
//
// The frame around the program's own work. Start-up runs eight steps in a
// fixed order, each with an initialisation and a finalisation; the last one
// that does any work is the timer's calibration, so nothing is written
// before it ends. Then the main block runs until a failure leaves it:
// TopLevelHandler reports the failure, FinalCleanup finalises the steps in
// reverse order and ends the process. Nothing else ends it, short of a
// signal from outside, which the program leaves to the system.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_FRAME_PROCESS_FRAME_H
#define VEXMOR_FRAME_PROCESS_FRAME_H

#include "platform/processor_fault.h"
#include "shared/exceptions.h"

#include <cstdint>
#include <exception>

namespace vexmor {

/// The exit code held until the process ends: 1 after a failure report, the
/// runtime error number after a runtime error; never 0 in practice, since
/// the main block does not end.
extern std::int32_t ExitStatus;

/// Runs the start-up steps in their fixed order, then the main block.
[[noreturn]] void RunProcess();

/// Handles a failure that left the main block (or start-up): offers it to
/// the platform's last-chance filter, which may take it over, then reports
/// it and ends the process. A failure raised while doing so is handled in
/// its place.
[[noreturn]] void TopLevelHandler(std::exception_ptr Failure);

/// Writes the runtime error line if one is recorded, finalises the steps
/// begun in reverse order and ends the process with ExitStatus.
[[noreturn]] void FinalCleanup();

/// What the frame's steps need to know of one failure. The pointers point
/// into the exception object, which the failure's exception_ptr keeps.
struct ClassifiedFailure {
  /// The program's failure; null for any other object.
  const Exception *Known = nullptr;
  /// The platform's record of the fault it was made from, if any.
  const ProcessorFault *Fault = nullptr;
  /// Where it happened; 0 when it is not one of the program's failures.
  std::uintptr_t Address = 0;
  /// The runtime error number it ends the process with when no failure
  /// report is installed.
  std::uint32_t RuntimeErrorNumber = 217;
};

/// Rethrows Failure once and finds all the frame needs of it.
ClassifiedFailure ClassifyFailure(const std::exception_ptr &Failure);

} // namespace vexmor

#endif // VEXMOR_FRAME_PROCESS_FRAME_H

//===- frame/failure_report.h - Reporting the failure that ends the process
//===//
//
// A failure that leaves the main block is reported once, on standard error:
//
//   Exception <class> in module <file> at <offset>.CR LF
//   <message>.CR LF
//   CR LF
//
// where <offset> is the failure address less the load address of the module
// holding it, as exactly 8 upper-case hexadecimal digits. When the failure
// report is not installed (start-up has not got that far, or the end has
// begun), the failure becomes a runtime error instead, reported by one line
// on standard output.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_FRAME_FAILURE_REPORT_H
#define VEXMOR_FRAME_FAILURE_REPORT_H

#include "shared/exceptions.h"

#include <cstddef>
#include <cstdint>

namespace vexmor {

/// Size of the buffer the report is composed in; longer text is cut.
inline constexpr std::size_t FailureReportSize = 1024;

/// Where a failure lies: the file name of the module holding the address and
/// the address's offset in it.
struct FailureLocation {
  const char *ModuleName;
  std::uint32_t Offset;
};

/// The module holding Address; when there is none, the program's own file
/// and the address less 4096 (an address of 0 stays 0).
FailureLocation LocateFailure(std::uintptr_t Address, const char *ModuleName,
                              std::uintptr_t LoadAddress, bool InModule);

/// Fills the report template into Out (FailureReportSize bytes); returns the
/// text's length.
std::size_t ComposeFailureReport(char *Out, const char *ClassName,
                                 const FailureLocation &Where,
                                 const std::string &Message);

/// Hands held output over (raising EInOutError if that fails), then writes
/// the report of Failure to standard error.
void FailureReport(const Exception &Failure);

/// The fallback line: "Runtime error NNN at AAAAAAAA", the number ending in
/// the 17th character, the address in upper-case hexadecimal, at least 8
/// digits (a wider address makes the line longer), then a zero byte.
/// Returns the count of bytes including that zero byte.
std::size_t ComposeRuntimeErrorLine(char (&Out)[48], std::uint32_t Number,
                                    std::uintptr_t Address);

/// Hands held output over, then writes the runtime error line and CR LF to
/// standard output, each in one write, past the stream.
void WriteRuntimeErrorLine(std::uint32_t Number, std::uintptr_t Address);

} // namespace vexmor

#endif // VEXMOR_FRAME_FAILURE_REPORT_H

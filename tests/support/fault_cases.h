//===- tests/support/fault_cases.h - The faults the seam brings about ----===//
//
// The processor faults that the test seam raises in a pass, and the report
// each must end with: one table for the Linux and the Windows build. The
// platforms differ only in the width of an address in a message and in the
// function a stack overflow is caught in.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SUPPORT_FAULT_CASES_H
#define VEXMOR_TESTS_SUPPORT_FAULT_CASES_H

#include <string>
#include <vector>

namespace vexmor::test {

struct FaultCase {
  /// The seam's pass that brings the fault about.
  const char *Pass;
  const char *ClassName;
  /// The report's message, as a regular expression.
  std::string MessagePattern;
  /// The function the report's address lies in (as nm names it).
  std::string Function;
};

/// The status line of the pass of 200000000 ticks that runs before each
/// fault.
inline const std::string PassBeforeTheFault = "200000000";
inline const std::string StatusLineBeforeTheFault =
    "Current: 3 Inst_takt: 3cycl 6   \r";

/// The cases for a seam whose file name is Module, whose messages write an
/// address as AddressPattern, and whose stack overflow is caught in
/// StackFunction.
inline std::vector<FaultCase> FaultCases(const std::string &Module,
                                         const std::string &AddressPattern,
                                         const std::string &StackFunction) {
  const std::string Fault = "vexmor::seam::(anonymous namespace)::RunFault(";
  const auto AccessViolation = [&](const char *Access) {
    return "Access violation at address " + AddressPattern + " in module '" +
           Module + "'\\. " + Access + " of address 00000010\\.";
  };
  return {
      {"segv-read", "EAccessViolation", AccessViolation("Read"), Fault},
      {"segv-write", "EAccessViolation", AccessViolation("Write"), Fault},
      {"int-div", "EDivByZero", "Division by zero\\.", Fault},
      {"privileged", "EPrivilege", "Privileged instruction\\.", Fault},
      {"stack", "EStackOverflow", "Stack overflow\\.", StackFunction},
      {"oom:200000001", "EOutOfMemory", "Out of memory\\.", "operator new("},
  };
}

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_FAULT_CASES_H

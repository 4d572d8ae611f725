//===- tests/support/child_process.h - Run a program, keep its output -===//
//
// Black-box tests run the built programs as child processes and look at
// every byte they write and at how they end.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H
#define VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H

#include <chrono>
#include <string>
#include <vector>

namespace vexmor::test {

struct ChildResult {
  std::string Stdout;
  std::string Stderr;
  /// Exit code when the child exited, else -1.
  int ExitCode = -1;
  /// Signal that ended the child, else 0.
  int Signal = 0;
};

struct ChildOptions {
  std::vector<std::string> Args; ///< Args[0] is the program's path.
  /// A child still running after this long is killed (SIGKILL); a safety
  /// net against a hung test, not a measurement.
  std::chrono::milliseconds Deadline{60000};
};

/// Runs the program with standard output and standard error on pipes and
/// returns once it has ended.
ChildResult RunChild(const ChildOptions &Options);

/// Convenience: the program and its arguments.
ChildResult RunChild(std::vector<std::string> Args);

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H

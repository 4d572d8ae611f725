//===- tests/support/child_process.h - Run a program, keep its output -===//
//
// Black-box tests run the built programs as child processes and look at
// every byte they write and at how they end.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H
#define VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vexmor::test {

struct ChildResult {
  /// What reached standard output (the file's content for a file).
  std::string Stdout;
  std::string Stderr;
  /// Exit code when the child exited, else -1.
  int ExitCode = -1;
  /// Signal that ended the child, else 0.
  int Signal = 0;
  /// The child was killed at its deadline.
  bool TimedOut = false;
};

/// Where the child's standard output goes.
enum class OutputTarget {
  Pipe,       ///< a pipe the test reads
  Terminal,   ///< a pseudo-terminal in raw mode (no line-end translation)
  File,       ///< a new regular file, read back at the end
  Closed,     ///< descriptor 1 is not open
  DevFull,    ///< /dev/full: every write fails with ENOSPC
  ReaderGone, ///< a pipe whose read end is already closed
};

/// What a watcher may do while the child runs.
class ChildControl {
public:
  virtual ~ChildControl() = default;
  /// Standard output so far.
  virtual const std::string &Output() const = 0;
  /// Writes bytes to the child's standard input (see HoldStdin).
  virtual void Feed(const std::string &Bytes) = 0;
  virtual void SendSignal(int Signal) = 0;
};

struct ChildOptions {
  std::vector<std::string> Args; ///< Args[0] is the program's path.
  OutputTarget Stdout = OutputTarget::Pipe;
  /// Standard error goes where standard output goes (a pipe only), so the
  /// order of the two shows in Stdout.
  bool StderrToStdout = false;
  /// Standard input is a pipe the watcher feeds; else /dev/null.
  bool HoldStdin = false;
  /// Once loaded, the child may not read the time-stamp counter (RDTSC
  /// faults).
  bool DisableTimeStampCounter = false;
  /// Once the child has first written to standard output, this many more
  /// allocations succeed and then every malloc fails (negative: never).
  long AllocationsAfterOutput = -1;
  /// Signals the child starts with blocked, and with their disposition
  /// SIG_IGN: both are inherited across exec, as from a wrapper that set
  /// them.
  std::vector<int> BlockedSignals;
  std::vector<int> IgnoredSignals;
  /// Variables set in the child's environment, over those it inherits.
  std::vector<std::pair<std::string, std::string>> Environment;
  /// Called whenever standard output has grown (for a file, polled).
  std::function<void(ChildControl &)> Watch;
  /// A child still running after Deadline is killed (SIGKILL) and the test
  /// fails, saying that it gave up waiting for Awaiting. Every run this
  /// waits for takes well under a second here, so a few seconds tell a
  /// program that will never get there from a slow one; not a measurement.
  std::chrono::milliseconds Deadline{10000};
  std::string Awaiting = "the program to end";
};

/// Runs the program and returns once it has ended.
ChildResult RunChild(const ChildOptions &Options);

/// Convenience: the program and its arguments, output on pipes.
ChildResult RunChild(std::vector<std::string> Args);

/// Every byte of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string &Path);

/// What a shell command writes to its standard output (for the tools that
/// read built programs: nm, objdump, windres).
std::string CommandOutput(const std::string &Command);

/// A watcher that sends Signal once standard output holds at least Bytes.
std::function<void(ChildControl &)> SignalAfterOutput(std::size_t Bytes,
                                                      int Signal);

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_CHILD_PROCESS_H

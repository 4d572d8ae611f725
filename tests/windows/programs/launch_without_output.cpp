//===- tests/windows/programs/launch_without_output.cpp - No stdout ------===//
//
//   vexmor-launch-without-output PROGRAM [ARGUMENT...]
//
// Runs the command line that follows its own name with no standard output
// handle (a null handle), standard input and error passed on, waits for it
// and ends with its exit code; 127 when it cannot be started.
//
//===----------------------------------------------------------------------===//

#include <windows.h>

#include <string>

namespace {

/// The command line without its first word, the launcher's own name
/// (quoted or not), and the blanks after it.
std::string CommandLineAfterOwnName() {
  const char *Line = GetCommandLineA();
  if (*Line == '"') {
    ++Line;
    while (*Line && *Line != '"')
      ++Line;
    if (*Line)
      ++Line;
  } else {
    while (*Line && *Line != ' ' && *Line != '\t')
      ++Line;
  }
  while (*Line == ' ' || *Line == '\t')
    ++Line;
  return Line;
}

} // namespace

int main() {
  std::string Command = CommandLineAfterOwnName();
  STARTUPINFOA Start{};
  Start.cb = sizeof Start;
  Start.dwFlags = STARTF_USESTDHANDLES;
  Start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  Start.hStdOutput = nullptr;
  Start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION Process{};
  if (!CreateProcessA(nullptr, Command.data(), nullptr, nullptr, TRUE, 0,
                      nullptr, nullptr, &Start, &Process))
    return 127;
  WaitForSingleObject(Process.hProcess, INFINITE);
  DWORD ExitCode = 127;
  GetExitCodeProcess(Process.hProcess, &ExitCode);
  ExitProcess(ExitCode);
}

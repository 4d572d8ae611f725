//===- tests/support/report_checks.h - Checking the program's output ----===//

#ifndef VEXMOR_TESTS_SUPPORT_REPORT_CHECKS_H
#define VEXMOR_TESTS_SUPPORT_REPORT_CHECKS_H

#include "report_patterns.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace vexmor::test {

/// Checks output made of the start-up lines and whole status lines; the
/// last status line may be cut off where the output stopped.
inline void ExpectWellFormed(const std::string &Bytes, bool LastMayBePartial) {
  const auto Start = StartUpLinesEnd(Bytes);
  ASSERT_NE(Start, std::string::npos) << Bytes;
  const auto Lines = SplitStatusLines(Bytes.substr(Start));
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    const bool Last = I + 1 == Lines.size();
    if (Last && LastMayBePartial && Lines[I].back() != '\r')
      continue;
    EXPECT_TRUE(std::regex_match(Lines[I], StatusLinePattern))
        << "line " << I << ": " << Lines[I];
  }
}

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_REPORT_CHECKS_H

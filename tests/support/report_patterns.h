//===- tests/support/report_patterns.h - What the program's output looks like
//=//

#ifndef VEXMOR_TESTS_SUPPORT_REPORT_PATTERNS_H
#define VEXMOR_TESTS_SUPPORT_REPORT_PATTERNS_H

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace vexmor::test {

/// The banner statement's bytes.
inline const std::string BannerBytes = "Vexmor v1.0\n\rIPC per tick\n\r\r\n";

/// A figure's text with a full stop as the decimal mark.
inline const std::string FigurePattern =
    R"(-?(INF|NAN|[0-9](\.[0-9]*[1-9])?E-?[0-9]+|[0-9]+(\.[0-9]*[1-9])?))";

/// One whole status line with its trailer.
inline const std::regex StatusLinePattern("Current: " + FigurePattern +
                                          " Inst_takt: " + FigurePattern +
                                          "cycl 6   \r");

inline const std::regex
    CorrectionLinePattern("Correction: (0|-?[1-9][0-9]*)\r\n");

/// Splits output after the banner and correction line into status lines,
/// each ending in CR; the last piece may be a partial line.
inline std::vector<std::string> SplitStatusLines(const std::string &Bytes) {
  std::vector<std::string> Lines;
  std::string::size_type From = 0;
  for (auto Cr = Bytes.find('\r', From); Cr != std::string::npos;
       Cr = Bytes.find('\r', From)) {
    Lines.push_back(Bytes.substr(From, Cr + 1 - From));
    From = Cr + 1;
  }
  if (From < Bytes.size())
    Lines.push_back(Bytes.substr(From));
  return Lines;
}

/// Index just past the correction line, or npos when the output does not
/// begin with the banner and a well-formed correction line.
inline std::string::size_type StartUpLinesEnd(const std::string &Bytes) {
  if (Bytes.compare(0, BannerBytes.size(), BannerBytes) != 0)
    return std::string::npos;
  const auto LineEnd = Bytes.find("\r\n", BannerBytes.size());
  if (LineEnd == std::string::npos)
    return std::string::npos;
  const std::string Line =
      Bytes.substr(BannerBytes.size(), LineEnd + 2 - BannerBytes.size());
  return std::regex_match(Line, CorrectionLinePattern) ? LineEnd + 2
                                                       : std::string::npos;
}

/// The fields of one failure report.
struct Report {
  std::string ClassName;
  std::string Module;
  std::uint64_t Offset = 0;
  std::string Message;
};

/// Parses standard error holding exactly one failure report.
inline std::optional<Report> ParseReport(const std::string &Stderr) {
  static const std::regex Pattern(
      "Exception ([A-Za-z]+) in module ([^ ]+) at ([0-9A-F]{8})\\.\r\n"
      "([^\r\n]*)\r\n\r\n");
  std::smatch Match;
  if (!std::regex_match(Stderr, Match, Pattern))
    return std::nullopt;
  return Report{Match[1], Match[2], std::stoull(Match[3], nullptr, 16),
                Match[4]};
}

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_REPORT_PATTERNS_H

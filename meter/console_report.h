//===- meter/console_report.h - The program's three statements --*- C++ -*-===//
//
// All the program writes in normal operation: a banner and the timer's
// correction once, then a status line after every pass, written over the
// previous one on the same console line. Each statement ends with IoCheck.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_CONSOLE_REPORT_H
#define VEXMOR_METER_CONSOLE_REPORT_H

#include "timer/amd_rdtsc.h"

#include <string>
#include <string_view>

namespace vexmor {

/// The title, then a notice line of 12 bytes, each followed by LF and CR in
/// that order; the statement adds CR LF.
inline constexpr std::string_view Banner = "Vexmor v1.0\n\r"
                                           "IPC per tick\n\r";
inline constexpr std::string_view CorrectionLabel = "Correction: ";
inline constexpr std::string_view CurrentLabel = "Current: ";
inline constexpr std::string_view AverageLabel = " Inst_takt: ";
inline constexpr std::string_view StatusTail = "cycl 6";
/// Three blanks erase what a longer previous line leaves; the CR returns to
/// the start of the line, so the next status line overwrites this one.
inline constexpr std::string_view LineTrailer = "   \r";

void WriteBanner();
void WriteCorrectionLine(CycleCount Value);

/// Makes the status line from the two figure texts, reusing Line's storage.
void ComposeStatusLine(std::string &Line, std::string_view CurrentText,
                       std::string_view AverageText);

/// Writes a status line and its trailer; no line end.
void WriteStatusLine(std::string_view Line);

} // namespace vexmor

#endif // VEXMOR_METER_CONSOLE_REPORT_H

//===- meter/console_report.cpp - The program's three statements -===//

#include "meter/console_report.h"

#include "meter/number_text.h"
#include "meter/output_stream.h"

namespace vexmor {
namespace {

/// IoCheck raises with the address just after its call. Keeping the call a
/// call (the compiler would make a closing call a jump) keeps that address
/// inside the statement, so each statement has its own.
[[gnu::always_inline]] inline void EndStatement() {
  IoCheck();
  __asm__ volatile("");
}

} // namespace

void WriteBanner() {
  OutputWrite(Banner);
  OutputWriteLn();
  EndStatement();
}

void WriteCorrectionLine(CycleCount Value) {
  OutputWrite(CorrectionLabel);
  OutputWrite(Int64ToText(Value));
  OutputWriteLn();
  EndStatement();
}

void ComposeStatusLine(std::string &Line, std::string_view CurrentText,
                       std::string_view AverageText) {
  Line.assign(CurrentLabel);
  Line += CurrentText;
  Line += AverageLabel;
  Line += AverageText;
  Line += StatusTail;
}

void WriteStatusLine(std::string_view Line) {
  OutputWrite(Line);
  OutputWrite(LineTrailer);
  OutputFlush();
  EndStatement();
}

} // namespace vexmor

//===- meter/console_report.cpp - The program's three statements -===//

#include "meter/console_report.h"

#include "meter/number_text.h"
#include "meter/output_stream.h"

namespace vexmor {

void WriteBanner() {
  OutputWrite(Banner);
  OutputWriteLn();
  IoCheck();
}

void WriteCorrectionLine(CycleCount Value) {
  OutputWrite(CorrectionLabel);
  OutputWrite(Int64ToText(Value));
  OutputWriteLn();
  IoCheck();
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
  IoCheck();
}

} // namespace vexmor

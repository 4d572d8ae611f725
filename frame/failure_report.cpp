//===- frame/failure_report.cpp - Reporting the failure that ends the process
//=//

#include "frame/failure_report.h"

#include "meter/output_stream.h"
#include "platform/console_output.h"
#include "platform/module_info.h"
#include "shared/digits.h"
#include "shared/message_format.h"
#include "shared/message_texts.h"

#include <cstring>

namespace vexmor {

FailureLocation LocateFailure(std::uintptr_t Address, const char *ModuleName,
                              std::uintptr_t LoadAddress, bool InModule) {
  if (!InModule)
    LoadAddress = Address == 0 ? 0 : 4096;
  // Exactly 8 digits: an offset inside a module never needs more.
  return {ModuleName, static_cast<std::uint32_t>(Address - LoadAddress)};
}

std::size_t ComposeFailureReport(char *Out, const char *ClassName,
                                 const FailureLocation &Where,
                                 const std::string &Message) {
  const bool AddStop = !Message.empty() && Message.back() != '.';
  return FormatMessageInto(Out, FailureReportSize,
                           MessageText(MessageId::ReportTemplate),
                           {ClassName, Where.ModuleName, Where.Offset,
                            std::string_view(Message), AddStop ? "." : ""});
}

void FailureReport(const Exception &Failure) {
  char Text[FailureReportSize];
  const std::uintptr_t Address = Failure.Address();
  const auto Module = FindModule(Address);
  const ModuleInfo Own = Module ? *Module : ExecutableModule();
  const std::size_t Length = ComposeFailureReport(
      Text, Failure.ClassName(),
      LocateFailure(Address, Own.FileName, Own.LoadAddress, Module.has_value()),
      Failure.Message());

  // Output written before the failure goes out before the report.
  if (const std::int32_t Code = OutputWriteOut())
    PendingIoError = Code;
  IoCheck();

  const auto Count = static_cast<std::uint32_t>(Length);
  ConvertToConsoleCodePage(Text, Count);
  const OutputHandle Error = StandardErrorHandle();
  if (Error == InvalidOutputHandle)
    return;
  WriteToHandle(Error, Text, Count);
  WriteToHandle(Error, "\r\n", 2);
}

std::size_t ComposeRuntimeErrorLine(char (&Out)[48], std::uint32_t Number,
                                    std::uintptr_t Address) {
  constexpr std::string_view Template = "Runtime error     at ";
  constexpr std::size_t NumberEnd = 17; // just past the number's last digit
  std::memcpy(Out, Template.data(), Template.size());
  // The number's field holds three digits: a wider number keeps its last
  // three, zeros included.
  const std::size_t Width = Number >= 1000 ? 3 : 1;
  WriteDigitsBefore(Out + NumberEnd, Number % 1000, Radix::Decimal, Width);
  DigitBuffer Buffer;
  const std::string_view At = AddressText(Buffer, Address);
  std::memcpy(Out + Template.size(), At.data(), At.size());
  std::size_t Length = Template.size() + At.size();
  Out[Length++] = '\0';
  return Length;
}

void WriteRuntimeErrorLine(std::uint32_t Number, std::uintptr_t Address) {
  OutputWriteOut(); // its error is not reported: the line says enough
  char Line[48];
  const std::size_t Length = ComposeRuntimeErrorLine(Line, Number, Address);
  const OutputHandle Output = StandardOutputHandle();
  if (Output == InvalidOutputHandle)
    return;
  WriteToHandle(Output, Line, static_cast<std::uint32_t>(Length));
  WriteToHandle(Output, "\r\n", 2);
}

} // namespace vexmor

//===- frame/fault_mapping.cpp - Processor faults to exceptions -*- C++ -*-===//

#include "frame/fault_mapping.h"

#include "platform/module_info.h"
#include "shared/exceptions.h"
#include "shared/message_format.h"
#include "shared/message_texts.h"

namespace vexmor {
namespace {

std::string AccessViolationMessage(const ProcessorFault &Fault) {
  const char *Access =
      MessageText(Fault.Access == AccessKind::Write ? MessageId::WriteAccess
                                                    : MessageId::ReadAccess);
  const std::uint64_t At = Fault.InstructionAddress;
  const std::uint64_t Of = Fault.DataAddress;
  if (const auto Module = FindModule(Fault.InstructionAddress))
    return FormatMessage(MessageText(MessageId::AccessViolationInModule),
                         {At, Module->FileName, Access, Of});
  return FormatMessage(MessageText(MessageId::AccessViolation),
                       {At, Access, Of});
}

/// The message of a fault whose row names the text Id.
std::string FaultMessage(const ProcessorFault &Fault, MessageId Id) {
  if (Fault.Kind == FaultKind::AccessViolation)
    return AccessViolationMessage(Fault);
  if (Id == MessageId::ExternalException)
    return FormatMessage(MessageText(Id), {Fault.Code});
  return MessageText(Id);
}

} // namespace

const FaultKindRow *FindFaultKindRow(FaultKind Kind) {
  for (const FaultKindRow &Row : FaultKindTable)
    if (Row.Kind == Kind)
      return &Row;
  return nullptr;
}

std::uint32_t FaultRuntimeErrorNumber(FaultKind Kind) {
  const FaultKindRow *Row = FindFaultKindRow(Kind);
  return Row ? Row->RuntimeErrorNumber : 255;
}

void RaiseFault(const ProcessorFault &Fault) {
  // The table's rows as the cases of one switch, so that each throws its
  // own class.
  // NOLINTBEGIN(bugprone-macro-parentheses)
  switch (Fault.Kind) {
#define VEXMOR_FAULT_KIND(Kind, Class, Text, RuntimeError)                     \
  case FaultKind::Kind:                                                        \
    throw Class(FaultMessage(Fault, MessageId::Text), Fault);
#include "frame/fault_kinds.def"
#undef VEXMOR_FAULT_KIND
  }
  // NOLINTEND(bugprone-macro-parentheses)
  // A value outside the enumeration.
  throw EExternalException(FaultMessage(Fault, MessageId::ExternalException),
                           Fault);
}

} // namespace vexmor

//===- frame/fault_mapping.cpp - Processor faults to exceptions -*- C++ -*-===//

#include "frame/fault_mapping.h"

#include "frame/exceptions.h"
#include "frame/message_format.h"
#include "frame/message_texts.h"
#include "platform/module_info.h"

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

std::string Text(MessageId Id) { return MessageText(Id); }

} // namespace

void RaiseFault(const ProcessorFault &Fault) {
  switch (Fault.Kind) {
  case FaultKind::FloatDivideByZero:
    throw EZeroDivide(Text(MessageId::ZeroDivide), Fault);
  case FaultKind::FloatInvalidOperation:
  case FaultKind::FloatInexactResult:
    throw EInvalidOp(Text(MessageId::InvalidOp), Fault);
  case FaultKind::FloatOverflow:
    throw EOverflow(Text(MessageId::Overflow), Fault);
  case FaultKind::FloatUnderflow:
  case FaultKind::FloatDenormalOperand:
    throw EUnderflow(Text(MessageId::Underflow), Fault);
  case FaultKind::AccessViolation:
    throw EAccessViolation(AccessViolationMessage(Fault), Fault);
  case FaultKind::ArrayBoundsExceeded:
    throw ERangeError(Text(MessageId::RangeError), Fault);
  case FaultKind::IntDivideByZero:
    throw EDivByZero(Text(MessageId::DivByZero), Fault);
  case FaultKind::IntOverflow:
    throw EIntOverflow(Text(MessageId::IntOverflow), Fault);
  case FaultKind::PrivilegedInstruction:
    throw EPrivilege(Text(MessageId::Privilege), Fault);
  case FaultKind::StackOverflow:
    throw EStackOverflow(Text(MessageId::StackOverflow), Fault);
  case FaultKind::ControlC:
    throw EControlC(Text(MessageId::ControlC), Fault);
  case FaultKind::Other:
    break;
  }
  throw EExternalException(
      FormatMessage(MessageText(MessageId::ExternalException), {Fault.Code}),
      Fault);
}

} // namespace vexmor

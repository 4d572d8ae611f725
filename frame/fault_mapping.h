//===- frame/fault_mapping.h - Processor faults to exceptions ---*- C++ -*-===//
//
// What a processor fault becomes: the class and message of the exception it
// raises, and the runtime error number it ends the process with when no
// failure report is installed. Both come from the one table of
// frame/fault_kinds.def.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_FRAME_FAULT_MAPPING_H
#define VEXMOR_FRAME_FAULT_MAPPING_H

#include "platform/processor_fault.h"
#include "shared/message_texts.h"

#include <cstdint>

namespace vexmor {

/// One row of the table: a fault kind and what it becomes.
struct FaultKindRow {
  FaultKind Kind;
  const char *ClassName;
  MessageId Text;
  std::uint32_t RuntimeErrorNumber;
};

// The rows' names are spliced in as they stand.
// NOLINTBEGIN(bugprone-macro-parentheses)
inline constexpr FaultKindRow FaultKindTable[] = {
#define VEXMOR_FAULT_KIND(Kind, Class, Text, RuntimeError)                     \
  {FaultKind::Kind, #Class, MessageId::Text, RuntimeError},
#include "frame/fault_kinds.def"
#undef VEXMOR_FAULT_KIND
};
// NOLINTEND(bugprone-macro-parentheses)

/// The table's row for Kind; null for a kind without one.
const FaultKindRow *FindFaultKindRow(FaultKind Kind);

/// The runtime error number of a fault of Kind; 255 for a kind without a
/// row.
std::uint32_t FaultRuntimeErrorNumber(FaultKind Kind);

/// Raises the exception of the class and message the fault's kind selects;
/// the object keeps the fault's record. Installed as the platform's fault
/// handler while the formatting set-up is in place.
[[noreturn]] void RaiseFault(const ProcessorFault &Fault);

} // namespace vexmor

#endif // VEXMOR_FRAME_FAULT_MAPPING_H

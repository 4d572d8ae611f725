//===- frame/fault_mapping.h - Processor faults to exceptions ---*- C++ -*-===//

#ifndef VEXMOR_FRAME_FAULT_MAPPING_H
#define VEXMOR_FRAME_FAULT_MAPPING_H

#include "platform/processor_fault.h"

namespace vexmor {

/// Raises the exception of the class and message the fault's kind selects;
/// the object keeps the fault's record. Installed as the platform's fault
/// handler while the formatting set-up is in place.
[[noreturn]] void RaiseFault(const ProcessorFault &Fault);

} // namespace vexmor

#endif // VEXMOR_FRAME_FAULT_MAPPING_H

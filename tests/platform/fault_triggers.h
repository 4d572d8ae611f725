//===- tests/platform/fault_triggers.h - Routines that fault on purpose --===//
//
// Each trigger is a few instructions of assembly ending in the one that
// faults; the symbol <Trigger>Site marks that instruction, so a fault's
// record can be checked to the byte. The x87 triggers reset the unit, load
// the control word their argument points to, and fault at the waiting
// instruction after the operation, where the x87 unit reports it.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_PLATFORM_FAULT_TRIGGERS_H
#define VEXMOR_TESTS_PLATFORM_FAULT_TRIGGERS_H

#include <cstdint>

extern "C" {

/// Every trigger takes one argument: an address, a divisor or a pointer to
/// an x87 control word.
using Trigger = void (*)(std::uintptr_t Argument);

#define VEXMOR_DECLARE_TRIGGER(Name)                                           \
  void Name(std::uintptr_t Argument);                                          \
  extern const char Name##Site[];

VEXMOR_DECLARE_TRIGGER(TriggerLoad)   // reads 32 bits at the address
VEXMOR_DECLARE_TRIGGER(TriggerStore)  // writes 32 bits at the address
VEXMOR_DECLARE_TRIGGER(TriggerDivide) // divides 1 by the divisor, unsigned
VEXMOR_DECLARE_TRIGGER(TriggerHlt)
VEXMOR_DECLARE_TRIGGER(TriggerCli)
VEXMOR_DECLARE_TRIGGER(TriggerRdtsc)
VEXMOR_DECLARE_TRIGGER(TriggerUd2)
VEXMOR_DECLARE_TRIGGER(TriggerX87DivideByZero)   // 1 / 0
VEXMOR_DECLARE_TRIGGER(TriggerX87Invalid)        // 0 / 0
VEXMOR_DECLARE_TRIGGER(TriggerX87StackOverflow)  // nine loads
VEXMOR_DECLARE_TRIGGER(TriggerX87StackUnderflow) // an add on an empty stack
VEXMOR_DECLARE_TRIGGER(TriggerX87Overflow)       // 1e300 squared, as double
VEXMOR_DECLARE_TRIGGER(TriggerX87Underflow)      // 1e-300 squared, as double
VEXMOR_DECLARE_TRIGGER(TriggerX87Denormal)       // loads a denormal double
VEXMOR_DECLARE_TRIGGER(TriggerX87Inexact)        // 1 / 3

#undef VEXMOR_DECLARE_TRIGGER

} // extern "C"

inline std::uintptr_t SiteAddress(const char *Site) {
  return reinterpret_cast<std::uintptr_t>(Site);
}

#endif // VEXMOR_TESTS_PLATFORM_FAULT_TRIGGERS_H

//===- tests/platform/fault_triggers.cpp - Routines that fault on purpose ===//
//
// Written in assembly so that no compiler can move, merge or drop the
// faulting instruction; the call frame information lets an exception unwind
// out of them.
//
//===----------------------------------------------------------------------===//

#include "fault_triggers.h"

#if !defined(__x86_64__)
#error "the fault triggers are written for x86-64"
#endif

// A leaf routine: Setup, then the faulting instruction at <Name>Site.
// clang-format off
#define VEXMOR_TRIGGER(Name, Setup, Faulting)                                  \
  ".pushsection .text\n"                                                       \
  ".globl " #Name "\n"                                                         \
  ".type " #Name ", @function\n"                                               \
  ".globl " #Name "Site\n"                                                     \
  #Name ":\n"                                                                  \
  ".cfi_startproc\n"                                                           \
  Setup "\n"                                                                   \
  #Name "Site:\n"                                                              \
  Faulting "\n"                                                                \
  "ret\n"                                                                      \
  ".cfi_endproc\n"                                                             \
  ".size " #Name ", . - " #Name "\n"                                           \
  ".popsection\n"
// clang-format on

// Loads the control word the argument points to into a reset x87 unit, runs
// Operation and faults at the waiting instruction after it.
#define VEXMOR_X87_TRIGGER(Name, Operation)                                    \
  VEXMOR_TRIGGER(Name, "fninit\nfldcw (%rdi)\n" Operation, "fwait")

asm(".pushsection .rodata\n"
    ".balign 8\n"
    ".LTriggerZero: .double 0.0\n"
    ".LTriggerThree: .double 3.0\n"
    ".LTriggerHuge: .double 1e300\n"
    ".LTriggerTiny: .double 1e-300\n"
    ".LTriggerDenormal: .quad 1\n"
    ".popsection\n");

asm(VEXMOR_TRIGGER(TriggerLoad, "", "movl (%rdi), %eax"));
asm(VEXMOR_TRIGGER(TriggerStore, "", "movl $0, (%rdi)"));
asm(VEXMOR_TRIGGER(TriggerDivide, "xorl %edx, %edx\nmovl $1, %eax",
                   "divl %edi"));
asm(VEXMOR_TRIGGER(TriggerHlt, "", "hlt"));
asm(VEXMOR_TRIGGER(TriggerCli, "", "cli"));
asm(VEXMOR_TRIGGER(TriggerRdtsc, "", "rdtsc"));
asm(VEXMOR_TRIGGER(TriggerUd2, "", "ud2"));
asm(VEXMOR_X87_TRIGGER(TriggerX87DivideByZero,
                       "fld1\nfdivl .LTriggerZero(%rip)"));
asm(VEXMOR_X87_TRIGGER(TriggerX87Invalid, "fldz\nfdivl .LTriggerZero(%rip)"));
asm(VEXMOR_X87_TRIGGER(TriggerX87StackOverflow,
                       "fld1\nfld1\nfld1\nfld1\nfld1\nfld1\nfld1\nfld1\nfld1"));
asm(VEXMOR_X87_TRIGGER(TriggerX87StackUnderflow, "faddp"));
asm(VEXMOR_X87_TRIGGER(TriggerX87Overflow,
                       "fldl .LTriggerHuge(%rip)\nfmull .LTriggerHuge(%rip)\n"
                       "fstpl -8(%rsp)"));
asm(VEXMOR_X87_TRIGGER(TriggerX87Underflow,
                       "fldl .LTriggerTiny(%rip)\nfmull .LTriggerTiny(%rip)\n"
                       "fstpl -8(%rsp)"));
asm(VEXMOR_X87_TRIGGER(TriggerX87Denormal, "fldl .LTriggerDenormal(%rip)"));
asm(VEXMOR_X87_TRIGGER(TriggerX87Inexact, "fld1\nfdivl .LTriggerThree(%rip)"));

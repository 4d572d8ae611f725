//===- tests/frame/fault_mapping_test.cpp - Faults to failure classes ----===//

#include "frame/fault_mapping.h"

#include "frame/out_of_memory.h"
#include "frame/process_frame.h"
#include "shared/exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <regex>
#include <string>

namespace vexmor {
namespace {

std::exception_ptr Raised(const ProcessorFault &Fault) {
  try {
    RaiseFault(Fault);
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

TEST(FaultMappingTest, EachKindBecomesItsClassWithItsMessage) {
  const struct {
    FaultKind Kind;
    const char *ClassName;
    const char *Message;
    std::uint32_t RuntimeError;
  } Cases[] = {
      {FaultKind::FloatDivideByZero, "EZeroDivide",
       "Floating point division by zero", 200},
      {FaultKind::FloatInvalidOperation, "EInvalidOp",
       "Invalid floating point operation", 207},
      {FaultKind::FloatInexactResult, "EInvalidOp",
       "Invalid floating point operation", 207},
      {FaultKind::FloatOverflow, "EOverflow", "Floating point overflow", 205},
      {FaultKind::FloatUnderflow, "EUnderflow", "Floating point underflow",
       206},
      {FaultKind::FloatDenormalOperand, "EUnderflow",
       "Floating point underflow", 206},
      {FaultKind::ArrayBoundsExceeded, "ERangeError", "Range check error", 201},
      {FaultKind::IntDivideByZero, "EDivByZero", "Division by zero", 200},
      {FaultKind::IntOverflow, "EIntOverflow", "Integer overflow", 215},
      {FaultKind::PrivilegedInstruction, "EPrivilege", "Privileged instruction",
       218},
      {FaultKind::StackOverflow, "EStackOverflow", "Stack overflow", 202},
      {FaultKind::ControlC, "EControlC", "Control-C hit", 217},
      {FaultKind::Other, "EExternalException", "External exception C000001D",
       255},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.ClassName);
    ProcessorFault Fault;
    Fault.Kind = Case.Kind;
    Fault.InstructionAddress = 0x1234;
    Fault.Code = 0xC000001D;
    const std::exception_ptr Failure = Raised(Fault);
    try {
      std::rethrow_exception(Failure);
    } catch (const EExternal &External) {
      EXPECT_STREQ(External.ClassName(), Case.ClassName);
      EXPECT_EQ(External.Message(), Case.Message);
      EXPECT_EQ(External.Address(), 0x1234u);
      EXPECT_EQ(External.Record.Kind, Case.Kind);
      EXPECT_EQ(External.Record.Code, 0xC000001Du);
    } catch (...) {
      ADD_FAILURE() << "not an EExternal";
    }
    EXPECT_EQ(ClassifyFailure(Failure).RuntimeErrorNumber, Case.RuntimeError);
  }
}

TEST(FaultMappingTest, TheMathAndIntegerClassesSitUnderTheirBases) {
  ProcessorFault Fault;
  Fault.Kind = FaultKind::FloatOverflow;
  EXPECT_THROW(RaiseFault(Fault), EMathError);
  Fault.Kind = FaultKind::IntOverflow;
  EXPECT_THROW(RaiseFault(Fault), EIntError);
}

[[gnu::noinline]] void SomeCodeOfThisProgram() { __asm__ volatile(""); }

TEST(FaultMappingTest, AnAccessViolationNamesTheModuleWhenThereIsOne) {
  ProcessorFault Fault;
  Fault.Kind = FaultKind::AccessViolation;
  Fault.InstructionAddress =
      reinterpret_cast<std::uintptr_t>(&SomeCodeOfThisProgram);
  Fault.DataAddress = 0x10;
  Fault.Access = AccessKind::Write;
  try {
    RaiseFault(Fault);
  } catch (const EAccessViolation &Violation) {
    EXPECT_TRUE(std::regex_match(
        Violation.Message(),
        std::regex("Access violation at address [0-9A-F]{8,16} in module "
                   "'frame_test'\\. Write of address 00000010")))
        << Violation.Message();
  }
  Fault.InstructionAddress = 0;
  Fault.Access = AccessKind::Read;
  Fault.DataAddress = 0;
  try {
    RaiseFault(Fault);
  } catch (const EAccessViolation &Violation) {
    EXPECT_EQ(Violation.Message(),
              "Access violation at address 00000000. Read of address 00000000");
  }
}

TEST(OutOfMemoryTest, TheObjectMadeInAdvanceIsRaisedEveryTime) {
  PrepareOutOfMemory();
  const EOutOfMemory *Prepared = PreparedOutOfMemory();
  ASSERT_NE(Prepared, nullptr);
  const std::size_t TooMuch = std::numeric_limits<std::size_t>::max() / 2;
  for (int Attempt = 0; Attempt < 2; ++Attempt) {
    try {
      static_cast<void>(::operator new(TooMuch));
      ADD_FAILURE() << "the allocation succeeded";
    } catch (const EOutOfMemory &Raised) {
      EXPECT_EQ(&Raised, Prepared);
      EXPECT_EQ(Raised.Message(), "Out of memory");
      EXPECT_NE(Raised.Address(), 0u);
    }
  }
  ReleaseOutOfMemory();
  EXPECT_EQ(PreparedOutOfMemory(), nullptr);
  try {
    static_cast<void>(::operator new(TooMuch));
  } catch (const EOutOfMemory &) {
    ADD_FAILURE() << "raised after its release";
  } catch (const std::bad_alloc &) {
  }
}

TEST(FaultMappingTest, EveryKindHasOneRowAndRaisesItsClass) {
  // FaultKind's enumerators run from 0 to Other, which stays last.
  for (int Value = 0; Value <= static_cast<int>(FaultKind::Other); ++Value) {
    const auto Kind = static_cast<FaultKind>(Value);
    SCOPED_TRACE(Value);
    int Rows = 0;
    for (const FaultKindRow &Row : FaultKindTable)
      Rows += Row.Kind == Kind ? 1 : 0;
    EXPECT_EQ(Rows, 1);
    const FaultKindRow *Row = FindFaultKindRow(Kind);
    ASSERT_NE(Row, nullptr);
    ProcessorFault Fault;
    Fault.Kind = Kind;
    const std::exception_ptr Failure = Raised(Fault);
    const ClassifiedFailure Classified = ClassifyFailure(Failure);
    ASSERT_NE(Classified.Known, nullptr);
    EXPECT_STREQ(Classified.Known->ClassName(), Row->ClassName);
    EXPECT_EQ(Classified.RuntimeErrorNumber, Row->RuntimeErrorNumber);
  }
}

TEST(ClassifyFailureTest, FindsWhatTheFrameNeedsOfEachKindOfObject) {
  ProcessorFault Fault;
  Fault.Kind = FaultKind::IntDivideByZero;
  Fault.InstructionAddress = 0x4321;
  const std::exception_ptr External = Raised(Fault);
  const ClassifiedFailure OfFault = ClassifyFailure(External);
  ASSERT_NE(OfFault.Fault, nullptr);
  EXPECT_EQ(OfFault.Fault->Kind, FaultKind::IntDivideByZero);
  EXPECT_EQ(OfFault.Address, 0x4321u);
  EXPECT_EQ(OfFault.RuntimeErrorNumber, 200u);

  // The exception_ptrs stay alive: what is found points into their objects.
  const std::exception_ptr IoError =
      std::make_exception_ptr(EInOutError(105, "I/O error 105", 0x99));
  const ClassifiedFailure OfIoError = ClassifyFailure(IoError);
  ASSERT_NE(OfIoError.Known, nullptr);
  EXPECT_STREQ(OfIoError.Known->ClassName(), "EInOutError");
  EXPECT_EQ(OfIoError.Known->Message(), "I/O error 105");
  EXPECT_EQ(OfIoError.Fault, nullptr);
  EXPECT_EQ(OfIoError.Address, 0x99u);
  EXPECT_EQ(OfIoError.RuntimeErrorNumber, 217u);

  const std::exception_ptr OutOfMemory =
      std::make_exception_ptr(EOutOfMemory("Out of memory", 0x77));
  const ClassifiedFailure OfOutOfMemory = ClassifyFailure(OutOfMemory);
  ASSERT_NE(OfOutOfMemory.Known, nullptr);
  EXPECT_STREQ(OfOutOfMemory.Known->ClassName(), "EOutOfMemory");
  EXPECT_EQ(OfOutOfMemory.Address, 0x77u);
  EXPECT_EQ(OfOutOfMemory.RuntimeErrorNumber, 203u);

  const ClassifiedFailure OfBadAlloc =
      ClassifyFailure(std::make_exception_ptr(std::bad_alloc()));
  EXPECT_EQ(OfBadAlloc.Known, nullptr);
  EXPECT_EQ(OfBadAlloc.Address, 0u);
  EXPECT_EQ(OfBadAlloc.RuntimeErrorNumber, 203u);

  const ClassifiedFailure OfOther = ClassifyFailure(std::make_exception_ptr(7));
  EXPECT_EQ(OfOther.Known, nullptr);
  EXPECT_EQ(OfOther.Fault, nullptr);
  EXPECT_EQ(OfOther.Address, 0u);
  EXPECT_EQ(OfOther.RuntimeErrorNumber, 217u);
}

} // namespace
} // namespace vexmor

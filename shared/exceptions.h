//===- shared/exceptions.h - The program's failure classes ------*- C++ -*-===//
//
// Every failure is an exception object with a class and a message. The
// program's own code catches none: any exception that leaves the main block
// ends the process through the failure report. Each object also carries the
// failure's address: where it was raised, or the faulting instruction.
//
//   Exception
//     EInOutError                  (IoErrorCode)
//     EHeapException
//       EOutOfMemory
//     EExternal                    (the platform's record of the fault)
//       EMathError
//         EZeroDivide, EInvalidOp, EOverflow, EUnderflow
//       EIntError
//         EDivByZero, ERangeError, EIntOverflow
//       EAccessViolation, EPrivilege, EStackOverflow, EControlC,
//       EExternalException
//
// The report prints the class's name as declared here.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_SHARED_EXCEPTIONS_H
#define VEXMOR_SHARED_EXCEPTIONS_H

#include "platform/processor_fault.h"

#include <cstdint>
#include <new>
#include <string>

namespace vexmor {

class Exception {
public:
  Exception(std::string Message, std::uintptr_t Address)
      : Text(std::move(Message)), Where(Address) {}
  Exception(const Exception &) = default;
  Exception &operator=(const Exception &) = default;
  virtual ~Exception() = default;

  /// The class's name as declared.
  virtual const char *ClassName() const { return "Exception"; }
  const std::string &Message() const { return Text; }
  /// Where the failure happened.
  std::uintptr_t Address() const { return Where; }
  /// For an object made in advance: where it is being raised.
  void SetAddress(std::uintptr_t Address) { Where = Address; }

private:
  std::string Text;
  std::uintptr_t Where;
};

// Name and Base are a class's names, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define VEXMOR_EXCEPTION_CLASS(Name, Base)                                     \
  class Name : public Base {                                                   \
  public:                                                                      \
    using Base::Base;                                                          \
    const char *ClassName() const override { return #Name; }                   \
  }
// NOLINTEND(bugprone-macro-parentheses)

class EInOutError : public Exception {
public:
  EInOutError(std::int32_t Code, std::string Message, std::uintptr_t Address)
      : Exception(std::move(Message), Address), IoErrorCode(Code) {}
  const char *ClassName() const override { return "EInOutError"; }
  /// The error code the failed output operation recorded.
  std::int32_t IoErrorCode;
};

VEXMOR_EXCEPTION_CLASS(EHeapException, Exception);

/// Also a std::bad_alloc, so that operator new may raise it.
class EOutOfMemory : public EHeapException, public std::bad_alloc {
public:
  using EHeapException::EHeapException;
  const char *ClassName() const override { return "EOutOfMemory"; }
  const char *what() const noexcept override { return "Out of memory"; }
};

class EExternal : public Exception {
public:
  EExternal(std::string Message, const ProcessorFault &Fault)
      : Exception(std::move(Message), Fault.InstructionAddress), Record(Fault) {
  }
  const char *ClassName() const override { return "EExternal"; }
  /// The platform's record of the fault this exception was made from.
  ProcessorFault Record;
};

VEXMOR_EXCEPTION_CLASS(EMathError, EExternal);
VEXMOR_EXCEPTION_CLASS(EZeroDivide, EMathError);
VEXMOR_EXCEPTION_CLASS(EInvalidOp, EMathError);
VEXMOR_EXCEPTION_CLASS(EOverflow, EMathError);
VEXMOR_EXCEPTION_CLASS(EUnderflow, EMathError);
VEXMOR_EXCEPTION_CLASS(EIntError, EExternal);
VEXMOR_EXCEPTION_CLASS(EDivByZero, EIntError);
VEXMOR_EXCEPTION_CLASS(ERangeError, EIntError);
VEXMOR_EXCEPTION_CLASS(EIntOverflow, EIntError);
VEXMOR_EXCEPTION_CLASS(EAccessViolation, EExternal);
VEXMOR_EXCEPTION_CLASS(EPrivilege, EExternal);
VEXMOR_EXCEPTION_CLASS(EStackOverflow, EExternal);
VEXMOR_EXCEPTION_CLASS(EControlC, EExternal);
VEXMOR_EXCEPTION_CLASS(EExternalException, EExternal);

#undef VEXMOR_EXCEPTION_CLASS

} // namespace vexmor

#endif // VEXMOR_SHARED_EXCEPTIONS_H

//===- frame/out_of_memory.cpp - Running out of memory ----------*- C++ -*-===//

#include "frame/out_of_memory.h"

#include "shared/message_texts.h"

#include <exception>
#include <new>

namespace vexmor {
namespace {

std::exception_ptr OutOfMemoryObject;
EOutOfMemory *OutOfMemoryInstance = nullptr;

/// Called by operator new when an allocation cannot be met. Rethrowing the
/// exception_ptr raises the very object made in advance, not a copy.
[[noreturn, gnu::noinline]] void RaiseOutOfMemory() {
  OutOfMemoryInstance->SetAddress(
      reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  std::rethrow_exception(OutOfMemoryObject);
}

} // namespace

void PrepareOutOfMemory() {
  OutOfMemoryObject = std::make_exception_ptr(
      EOutOfMemory(MessageText(MessageId::OutOfMemory), 0));
  try {
    std::rethrow_exception(OutOfMemoryObject);
  } catch (EOutOfMemory &Made) {
    OutOfMemoryInstance = &Made; // lives as long as OutOfMemoryObject
  }
  std::set_new_handler(RaiseOutOfMemory);
}

void ReleaseOutOfMemory() {
  std::set_new_handler(nullptr);
  OutOfMemoryInstance = nullptr;
  OutOfMemoryObject = nullptr;
}

const EOutOfMemory *PreparedOutOfMemory() { return OutOfMemoryInstance; }

} // namespace vexmor

//===- tests/support/exhausted_memory_preload.cpp - Memory that runs out -===//
//
// Preloaded into a program under test: malloc is the C library's own until
// the program has first written to standard output and then made
// VEXMOR_ALLOCATIONS_LEFT more allocations (0 when unset); after that every
// malloc fails, as when memory is exhausted. The program's own operator new
// meets a real allocation failure that way, with nothing of it replaced.
//
//===----------------------------------------------------------------------===//

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" void *__libc_malloc(std::size_t Size);

namespace {

bool Written = false;
long AllocationsLeft = 0;

[[gnu::constructor]] void ReadAllocationsLeft() {
  if (const char *Text = std::getenv("VEXMOR_ALLOCATIONS_LEFT"))
    AllocationsLeft = std::strtol(Text, nullptr, 10);
}

} // namespace

extern "C" {

void *malloc(std::size_t Size) {
  if (Written && AllocationsLeft-- <= 0) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_malloc(Size);
}

ssize_t write(int Fd, const void *Bytes, std::size_t Count) {
  if (Fd == STDOUT_FILENO)
    Written = true;
  return syscall(SYS_write, Fd, Bytes, Count);
}

} // extern "C"

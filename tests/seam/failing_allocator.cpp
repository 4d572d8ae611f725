//===- tests/seam/failing_allocator.cpp - An allocator that can run out -===//
//
// The seam's operator new: the ordinary allocator until an oom pass sets
// AllocationsFail, then one that has no memory left. Like any operator new
// it calls the installed new-handler before it gives up.
//
//===----------------------------------------------------------------------===//

#include "pass_script.h"

#include <cstdlib>
#include <new>

void *operator new(std::size_t Size) {
  for (;;) {
    if (!vexmor::seam::AllocationsFail)
      if (void *Block = std::malloc(Size == 0 ? 1 : Size))
        return Block;
    std::new_handler Handler = std::get_new_handler();
    if (!Handler)
      throw std::bad_alloc();
    Handler();
  }
}

void *operator new[](std::size_t Size) { return ::operator new(Size); }
void operator delete(void *Block) noexcept { std::free(Block); }
void operator delete[](void *Block) noexcept { std::free(Block); }
void operator delete(void *Block, std::size_t) noexcept { std::free(Block); }
void operator delete[](void *Block, std::size_t) noexcept { std::free(Block); }

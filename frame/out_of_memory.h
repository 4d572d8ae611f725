//===- frame/out_of_memory.h - Running out of memory ------------*- C++ -*-===//
//
// When memory runs out there may be none left to make a failure of, so the
// EOutOfMemory object is made in advance, at start-up, and raised by the
// allocator's new-handler whenever an allocation cannot be met.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_FRAME_OUT_OF_MEMORY_H
#define VEXMOR_FRAME_OUT_OF_MEMORY_H

#include "shared/exceptions.h"

namespace vexmor {

/// Makes the EOutOfMemory object and installs the new-handler that raises it.
void PrepareOutOfMemory();

/// Removes the new-handler and frees the object made in advance.
void ReleaseOutOfMemory();

/// The object made in advance, or null when there is none.
const EOutOfMemory *PreparedOutOfMemory();

} // namespace vexmor

#endif // VEXMOR_FRAME_OUT_OF_MEMORY_H

//===- frame/process_frame.h - Start-up and end of the process --*- C++ -*-===//

#ifndef VEXMOR_FRAME_PROCESS_FRAME_H
#define VEXMOR_FRAME_PROCESS_FRAME_H

namespace vexmor {

/// Runs the start-up steps in their fixed order, then the main block.
[[noreturn]] void RunProcess();

} // namespace vexmor

#endif // VEXMOR_FRAME_PROCESS_FRAME_H

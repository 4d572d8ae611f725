//===- meter/ipc_figures.cpp - Instructions-per-tick arithmetic -*- C++ -*-===//

#include "meter/ipc_figures.h"

namespace vexmor {

double AverageFigure(CycleCount Total, std::int64_t Runs) {
  const long double MeanCycles =
      static_cast<long double>(Total) / static_cast<long double>(Runs);
  return static_cast<double>(static_cast<long double>(KernelInstructions) /
                             MeanCycles);
}

double CurrentFigure(CycleCount Cycles) {
  return static_cast<double>(static_cast<long double>(KernelInstructions) /
                             static_cast<long double>(Cycles));
}

} // namespace vexmor

//===- tests/seam/seam_main.cpp - Entry of the test seam --------*- C++ -*-===//
//
// The real program, start-up and main block unchanged, over a scripted
// counter read (see pass_script.h).
//
//===----------------------------------------------------------------------===//

#include "frame/process_frame.h"
#include "pass_script.h"

#include <cstdio>
#include <string>
#include <utility>

int main(int Argc, char **Argv) {
  std::string Error;
  auto Script = vexmor::seam::ParsePassScript(Argc, Argv, Error);
  if (!Script) {
    std::fprintf(stderr, "vexmor-seam: %s\n", Error.c_str());
    return 2;
  }
  vexmor::seam::InstallPassScript(std::move(*Script));
  vexmor::RunProcess();
}

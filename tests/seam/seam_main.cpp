//===- tests/seam/seam_main.cpp - Entry of the test seam --------*- C++ -*-===//
//
// The real program, start-up and main block unchanged, over a scripted
// counter read (see pass_script.h).
//
//===----------------------------------------------------------------------===//

#include "frame/process_frame.h"
#include "pass_script.h"

#if defined(_WIN32)
#include "platform/win32/keyboard_type.h"
#endif

#include <cstdio>
#include <string>
#include <utility>

namespace {

vexmor::seam::KeyboardType ScriptedKeyboard;

[[maybe_unused]] int ScriptedKeyboardType(int Which) {
  return Which == 0 ? ScriptedKeyboard.Type : ScriptedKeyboard.Subtype;
}

} // namespace

int main(int Argc, char **Argv) {
  std::string Error;
  auto Script = vexmor::seam::ParsePassScript(Argc, Argv, Error);
  if (!Script) {
    std::fprintf(stderr, "vexmor-seam: %s\n", Error.c_str());
    return 2;
  }
  if (Script->Keyboard) {
#if defined(_WIN32)
    ScriptedKeyboard = *Script->Keyboard;
    vexmor::UseKeyboardTypeQuery(ScriptedKeyboardType);
#else
    std::fprintf(stderr, "vexmor-seam: no keyboard type here\n");
    return 2;
#endif
  }
  vexmor::seam::InstallPassScript(std::move(*Script));
  vexmor::RunProcess();
}

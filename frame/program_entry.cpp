//===- frame/program_entry.cpp - Process entry ------------------*- C++ -*-===//
//
// The program takes no arguments: the command line is never read.
//
//===----------------------------------------------------------------------===//

#include "frame/process_frame.h"

int main() { vexmor::RunProcess(); }

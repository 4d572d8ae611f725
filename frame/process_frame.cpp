//===- frame/process_frame.cpp - Start-up and end of the process -*- C++ -*-=//

#include "frame/process_frame.h"

#include "frame/exceptions.h"
#include "frame/failure_report.h"
#include "frame/fault_mapping.h"
#include "frame/message_texts.h"
#include "frame/out_of_memory.h"
#include "meter/fpu_control.h"
#include "meter/main_block.h"
#include "meter/number_text.h"
#include "meter/output_stream.h"
#include "platform/fpu_mask_override.h"
#include "platform/last_chance_filter.h"
#include "platform/process_control.h"
#include "timer/amd_rdtsc.h"

#include <new>
#include <optional>

namespace vexmor {

std::int32_t ExitStatus = 0;

namespace {

/// Set from the formatting set-up until its finalisation.
bool FailureReportInstalled = false;

struct RuntimeError {
  bool Recorded = false;
  std::uint32_t Number = 0;
  std::uintptr_t Address = 0;
};
RuntimeError PendingRuntimeError;

void InitialiseRuntimeCore() {
  KeepProcessOnBrokenPipe();
  if (const std::optional<std::uint32_t> Masks = FpuMaskOverride())
    FpuControlWord = WithExceptionMasks(FpuControlWord, *Masks);
  ResetFpuAndLoadControlWord();
  OutputStream = OutputStreamState{};
}

void FinaliseRuntimeCore() { OutputClose(); }

void InitialiseFormatting() {
  LoadMessageTexts();
  PrepareOutOfMemory();
  InstallFaultHandler(RaiseFault);
  FailureReportInstalled = true;
  DecimalMark = ReadDecimalMark();
}

void FinaliseFormatting() {
  FailureReportInstalled = false;
  RemoveFaultHandler();
  ReleaseOutOfMemory();
}

struct StartUpStep {
  const char *What;
  void (*Initialise)();
  void (*Finalise)();
};

constexpr StartUpStep StartUpSteps[] = {
    {"start-up support", nullptr, nullptr},
    {"runtime core", InitialiseRuntimeCore, FinaliseRuntimeCore},
    {"declarations", nullptr, nullptr},
    {"declarations", nullptr, nullptr},
    {"declarations", nullptr, nullptr},
    {"formatting and locale set-up", InitialiseFormatting, FinaliseFormatting},
    {"cycle timer", CalibrateTimer, nullptr},
    {"the program's own unit", nullptr, nullptr},
};

/// Steps whose initialisation has begun and whose finalisation has not run.
int StepsBegun = 0;

/// Finalises the steps begun, last first. A failing finalisation does not
/// stop the ones after it; the first failure goes on once all have run.
void FinaliseBegunSteps() {
  std::exception_ptr FirstFailure;
  while (StepsBegun > 0) {
    const StartUpStep &Step = StartUpSteps[--StepsBegun];
    if (!Step.Finalise)
      continue;
    try {
      Step.Finalise();
    } catch (...) {
      if (!FirstFailure)
        FirstFailure = std::current_exception();
    }
  }
  if (FirstFailure)
    std::rethrow_exception(FirstFailure);
}

/// A failure in an initialisation finalises every step begun, the failing
/// one included, before it goes on: the failure report has been removed by
/// then, so a start-up failure never produces it.
void RunStartUp() {
  for (const StartUpStep &Step : StartUpSteps) {
    ++StepsBegun;
    if (!Step.Initialise)
      continue;
    try {
      Step.Initialise();
    } catch (...) {
      FinaliseBegunSteps();
      throw;
    }
  }
}

std::uint32_t FaultRuntimeErrorNumber(FaultKind Kind) {
  switch (Kind) {
  case FaultKind::IntDivideByZero:
  case FaultKind::FloatDivideByZero:
    return 200;
  case FaultKind::ArrayBoundsExceeded:
    return 201;
  case FaultKind::StackOverflow:
    return 202;
  case FaultKind::FloatOverflow:
    return 205;
  case FaultKind::FloatUnderflow:
  case FaultKind::FloatDenormalOperand:
    return 206;
  case FaultKind::FloatInvalidOperation:
  case FaultKind::FloatInexactResult:
    return 207;
  case FaultKind::IntOverflow:
    return 215;
  case FaultKind::AccessViolation:
    return 216;
  case FaultKind::ControlC:
    return 217;
  case FaultKind::PrivilegedInstruction:
    return 218;
  case FaultKind::Other:
    break;
  }
  return 255;
}

/// The failure's address, 0 when it is not one of the program's failures.
std::uintptr_t FailureAddress(const std::exception_ptr &Failure) {
  try {
    std::rethrow_exception(Failure);
  } catch (const Exception &Known) {
    return Known.Address();
  } catch (...) {
    return 0;
  }
}

/// The platform may take the failure over; then this does not return.
void OfferToPlatform(const std::exception_ptr &Failure) {
  try {
    std::rethrow_exception(Failure);
  } catch (const EExternal &Fault) {
    OfferToLastChanceFilter(&Fault.Record, Fault.Address());
  } catch (const Exception &Known) {
    OfferToLastChanceFilter(nullptr, Known.Address());
  } catch (...) {
    OfferToLastChanceFilter(nullptr, 0);
  }
}

void ReportOrRecord(const std::exception_ptr &Failure) {
  if (FailureReportInstalled) {
    try {
      std::rethrow_exception(Failure);
    } catch (const Exception &Known) {
      FailureReport(Known);
      ExitStatus = 1;
      return;
    } catch (...) {
      // Not one of the program's failures: the runtime error below.
    }
  }
  PendingRuntimeError = {true, RuntimeErrorNumber(Failure),
                         FailureAddress(Failure)};
  ExitStatus = static_cast<std::int32_t>(PendingRuntimeError.Number);
}

} // namespace

std::uint32_t RuntimeErrorNumber(const std::exception_ptr &Failure) {
  try {
    std::rethrow_exception(Failure);
  } catch (const EExternal &Fault) {
    return FaultRuntimeErrorNumber(Fault.Record.Kind);
  } catch (const std::bad_alloc &) {
    return 203; // memory exhausted with no EOutOfMemory to raise
  } catch (...) {
    return 217;
  }
}

void TopLevelHandler(std::exception_ptr Failure) {
  for (;;) {
    OfferToPlatform(Failure);
    ResetFpuAndLoadControlWord();
    try {
      ReportOrRecord(Failure);
      FinalCleanup();
    } catch (...) {
      // A failure while reporting replaces the one being reported.
      Failure = std::current_exception();
    }
  }
}

void FinalCleanup() {
  if (PendingRuntimeError.Recorded) {
    PendingRuntimeError.Recorded = false;
    WriteRuntimeErrorLine(PendingRuntimeError.Number,
                          PendingRuntimeError.Address);
  }
  FinaliseBegunSteps();
  ReleaseMessageTexts();
  EndProcess(static_cast<std::uint32_t>(ExitStatus));
}

void RunProcess() {
  try {
    RunStartUp();
    MainBlock();
  } catch (...) {
    TopLevelHandler(std::current_exception());
  }
}

} // namespace vexmor

//===- frame/process_frame.cpp - Start-up and end of the process -*- C++ -*-=//

#include "frame/process_frame.h"

#include "frame/failure_report.h"
#include "frame/fault_mapping.h"
#include "frame/out_of_memory.h"
#include "meter/main_block.h"
#include "meter/number_text.h"
#include "meter/output_stream.h"
#include "platform/fpu_mask_override.h"
#include "platform/last_chance_filter.h"
#include "platform/process_control.h"
#include "shared/exceptions.h"
#include "shared/message_texts.h"
#include "timer/amd_rdtsc.h"
#include "x87/fpu_control.h"

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

/// The platform may take the failure over; then this does not return.
void OfferToPlatform(const ClassifiedFailure &Failure) {
  OfferToLastChanceFilter(Failure.Fault, Failure.Address);
}

void ReportOrRecord(const ClassifiedFailure &Failure) {
  if (FailureReportInstalled && Failure.Known) {
    FailureReport(*Failure.Known);
    ExitStatus = 1;
    return;
  }
  // Not reported: the runtime error line at the end says what happened.
  PendingRuntimeError = {true, Failure.RuntimeErrorNumber, Failure.Address};
  ExitStatus = static_cast<std::int32_t>(PendingRuntimeError.Number);
}

} // namespace

ClassifiedFailure ClassifyFailure(const std::exception_ptr &Failure) {
  ClassifiedFailure Result;
  try {
    std::rethrow_exception(Failure);
  } catch (const EExternal &Fault) {
    Result.Known = &Fault;
    Result.Fault = &Fault.Record;
    Result.RuntimeErrorNumber = FaultRuntimeErrorNumber(Fault.Record.Kind);
  } catch (const EOutOfMemory &Exhausted) {
    Result.Known = &Exhausted;
    Result.RuntimeErrorNumber = 203;
  } catch (const Exception &Known) {
    Result.Known = &Known;
  } catch (const std::bad_alloc &) {
    Result.RuntimeErrorNumber = 203; // memory exhausted with no EOutOfMemory
  } catch (...) {
    // Not one of the program's failures: no address, the number 217.
  }
  if (Result.Known)
    Result.Address = Result.Known->Address();
  return Result;
}

void TopLevelHandler(std::exception_ptr Failure) {
  for (;;) {
    const ClassifiedFailure Classified = ClassifyFailure(Failure);
    OfferToPlatform(Classified);
    ResetFpuAndLoadControlWord();
    try {
      ReportOrRecord(Classified);
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

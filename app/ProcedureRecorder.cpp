#include "app/ProcedureRecorder.h"

#include "acquisition/ImagerSampler.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileDateTime.h"
#include "imagerdata/ImagerRecordingFile.h"

#include <cmath>
#include <ctime>

namespace kestrava {

namespace {

// Frame times are differences of date-times near 46000 days, which carry
// about a microsecond of rounding: a sample exactly a second after the last
// stored frame must not be pushed a whole sample late by it.
constexpr double StoreIntervalSlack = 1e-6;

TAcquisitionStep Stopped(TAcquisitionOutcome Outcome, const char* Message) {
  TAcquisitionStep Step;
  Step.Outcome = Outcome;
  Step.Stop = true;
  Step.Message = Message;
  return Step;
}

} // namespace

double LocalDateTimeNow() {
  const auto Now = std::chrono::system_clock::now();
  const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  const double Fraction =
      std::chrono::duration<double>(Now - std::chrono::system_clock::from_time_t(Seconds)).count();
  const std::optional<double> Day =
      EncodeDateTime(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, Local.tm_hour,
                     Local.tm_min, std::min(Local.tm_sec, 59));
  return Day.value_or(0) + Fraction / SecondsPerDay;
}

TSteadyRecordingClock::TSteadyRecordingClock()
    : Start_(LocalDateTimeNow()), SteadyStart_(std::chrono::steady_clock::now()) {}

double TSteadyRecordingClock::Now() {
  const double Elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - SteadyStart_).count();
  return Start_ + Elapsed / SecondsPerDay;
}

double TimeLineScaleForPain(double MaxPain) {
  return MaxPain == 0 ? 0 : 40 * (1 / MaxPain);
}

TProcedureRecorder::TProcedureRecorder(TImagerProcedure& Procedure, TImagerFrame& CurrentFrame)
    : Procedure_(Procedure), Frame_(CurrentFrame) {}

void TProcedureRecorder::Begin(const TRecordingDetails& Details, double StartTime,
                               const std::string& PainUnits, double PainFullScale) {
  Writer_.reset();
  Frame_.Clear();
  Procedure_.Clear();
  Procedure_.PatientName = Details.PatientName;
  Procedure_.ProcedureType = Details.ProcedureType;
  Procedure_.StartTime = StartTime;
  Procedure_.HasPainData = Details.UsePainSensor;
  Procedure_.PainUnits = PainUnits;
  MaxPain_ = PainFullScale;
  LastStoredElapsed_ = 0;
  StoredFrames_ = 0;
  CoilsNoticeShown_ = false;
}

TAcquisitionStep TProcedureRecorder::Step(const std::function<void(TImagerFrame&)>& Sample,
                                          IRecordingClock& Clock) {
  TAcquisitionStep Result;
  try {
    Sample(Frame_);
  } catch (const EImagerHardwareTimeout&) {
    return Stopped(TAcquisitionOutcome::HardwareTimeout, HardwareTimeoutMessage);
  } catch (const EPressureSensorTimeout&) {
    return Stopped(TAcquisitionOutcome::PressureSensorTimeout, PressureSensorTimeoutMessage);
  } catch (const EGenCoilsDisconnected&) {
    // The frame is half filled: nothing of it is stored until a good sample.
    CoilsNoticeShown_ = true;
    Result.Outcome = TAcquisitionOutcome::GenCoilsDisconnected;
    return Result;
  }
  CoilsNoticeShown_ = false;
  if (Frame_.Pain > MaxPain_) {
    MaxPain_ = Frame_.Pain;
    Result.MaxPainRaised = true;
  }
  Frame_.Time = Clock.Now() - Procedure_.StartTime;
  if ((Frame_.Time - LastStoredElapsed_) * SecondsPerDay >= 1.0 - StoreIntervalSlack) {
    StoreFrame(Result);
  }
  if (Writer_) {
    // Asked at every good step, not only when a frame is stored, so that
    // the operator hears of a failed disk as soon as the writer does.
    if (std::optional<std::string> Failure = Writer_->TakeFailure()) {
      Result.FileFailure = std::move(*Failure);
    }
  }
  return Result;
}

void TProcedureRecorder::StoreFrame(TAcquisitionStep& Result) {
  ++StoredFrames_;
  Procedure_.AddFrame().Assign(Frame_);
  LastStoredElapsed_ = Frame_.Time;
  Result.FrameStored = true;
  // The frame is kept in memory for the final save whatever the disk does.
  if (Writer_) {
    Writer_->Append(Frame_);
  }
}

std::string TProcedureRecorder::StartFile(const std::string& FileName) {
  Writer_.reset();
  auto File =
      std::make_unique<TImagerRecordingFile>(TImagerRecordingFile::Create(FileName, Procedure_));
  std::string Path = File->Path();
  StartFile(std::move(File));
  return Path;
}

void TProcedureRecorder::StartFile(std::unique_ptr<IEncodedFrameSink> Sink) {
  Writer_ = std::make_unique<TLiveFileWriter>(std::move(Sink));
}

void TProcedureRecorder::CloseFile() noexcept {
  if (Writer_) {
    Writer_->Finish();
  }
}

} // namespace kestrava

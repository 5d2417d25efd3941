#pragma once
// The data side of recording a procedure, shared by the main window and
// kestrava-tool simulate: starting the procedure, and per acquisition step
// the sample, the time stamp, the largest pain seen, the one-frame-per-second
// append and what the three acquisition faults mean for the recording. With
// a live file (StartFile) each stored frame also goes to the disk, on a
// writer thread of its own so that a slow disk never holds a step up; a
// crash or power loss loses only the frames the disk had not yet taken
// (normally none, or the last second). The caller does the polls, the
// messages, the display and the final save.
//
// Times: the procedure's StartTime and the clock's Now are date-times (days
// since 30 December 1899); frame times are days since StartTime.
//
// Thread: user-interface thread.

#include "imagerdata/EncodedFrameSink.h"
#include "imagerdata/ImagerProcedure.h"
#include "imagerdata/LiveFileWriter.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrava {

inline constexpr const char* HardwareTimeoutMessage =
    "Timeout waiting for the imager hardware to respond. Recording terminated.";
inline constexpr const char* PressureSensorTimeoutMessage =
    "Timeout waiting for pressure sensor to respond. Recording terminated.";
inline constexpr const char* GenCoilsDisconnectedNotice = "Generator coils are disconnected";

// The local date-time now.
double LocalDateTimeNow();

// Where a recording's time stamps come from.
class IRecordingClock {
public:
  virtual ~IRecordingClock() = default;
  // The date-time now. Never goes backwards.
  virtual double Now() = 0;
};

// The workstation's clock: the local date-time when it is made, carried on
// by a steady clock, so that a change of the computer's clock (summer time,
// a time server) neither stops the one-per-second storing nor opens a gap.
class TSteadyRecordingClock final : public IRecordingClock {
public:
  TSteadyRecordingClock();
  double Now() override;

private:
  double Start_;
  std::chrono::steady_clock::time_point SteadyStart_;
};

struct TRecordingDetails {
  std::string PatientName;
  std::int32_t ProcedureType = ProcedureColonoscopy;
  bool UsePainSensor = false;
};

enum class TAcquisitionOutcome {
  Sampled,               // a good sample; the frame may have been stored
  GenCoilsDisconnected,  // show the notice; the recording goes on
  HardwareTimeout,       // stop the recording with HardwareTimeoutMessage
  PressureSensorTimeout, // stop the recording with PressureSensorTimeoutMessage
};

struct TAcquisitionStep {
  TAcquisitionOutcome Outcome = TAcquisitionOutcome::Sampled;
  bool FrameStored = false;   // a copy of the frame was appended
  bool MaxPainRaised = false; // the time line's scale changes
  // The recording must stop (a timeout); Message says why.
  bool Stop = false;
  const char* Message = "";
  // Set at the first step after the live file's writing failed: the
  // failure (naming the file and the reason). The recording goes on in
  // memory only; the file keeps the frames written before.
  std::string FileFailure;
};

// The time line's vertical scale for the largest pain seen: 40 / MaxPain,
// or 0 when MaxPain is 0.
double TimeLineScaleForPain(double MaxPain);

class TProcedureRecorder {
public:
  // Procedure and CurrentFrame must outlive the recorder.
  TProcedureRecorder(TImagerProcedure& Procedure, TImagerFrame& CurrentFrame);

  // After the sampler's set-up succeeded: clears the current frame and the
  // procedure and gives the procedure its details (StartTime, PainUnits from
  // the sampler, HasPainData = the pain sensor choice). The largest pain
  // starts at PainFullScale. The caller then saves the still empty file.
  void Begin(const TRecordingDetails& Details, double StartTime, const std::string& PainUnits,
             double PainFullScale);

  // One acquisition step after the key and remote polls: Sample fills the
  // current frame and may raise EImagerHardwareTimeout,
  // EPressureSensorTimeout or EGenCoilsDisconnected; any other exception
  // passes through untouched. A good sample is stamped with Clock.Now() (read
  // after the sample) - StartTime and appended when at least a second of
  // procedure time has passed since the last frame stored (the first at the
  // first sample past one second). With a live file, a stored frame is
  // queued for it; Step never waits for the disk.
  TAcquisitionStep Step(const std::function<void(TImagerFrame&)>& Sample, IRecordingClock& Clock);

  // After Begin, in place of saving the empty file: creates the live file at
  // FileName (the extension becomes ".img", as with SaveToFile) holding the
  // procedure's details, and returns its path. Raises Exception naming the
  // file and the reason; there is then no live file.
  std::string StartFile(const std::string& FileName);
  // As StartFile, with the frames going to Sink (tests and benchmarks stand
  // in a slow or failing disk).
  void StartFile(std::unique_ptr<IEncodedFrameSink> Sink);
  // Writes the frames still queued and closes the live file, when there is
  // one. At Stop the whole procedure is then saved over it with SaveToFile
  // (which replaces the file at once, so a failing save still leaves the
  // live file's frames). A failing close cannot lose a frame already
  // flushed and must not keep the whole save from running, so it only sets
  // FileFailure.
  void CloseFile() noexcept;
  // The live file is open and its writing has not failed.
  bool FileRecording() const { return Writer_ != nullptr && Writer_->Healthy(); }
  // Why writing the live file failed; empty while it has not.
  std::string FileFailure() const { return Writer_ ? Writer_->Failure() : std::string(); }
  // Frames the live file holds on the disk.
  std::int32_t FramesOnDisk() const { return Writer_ ? Writer_->FramesWritten() : 0; }

  std::int32_t StoredFrames() const { return StoredFrames_; }
  // Time of the last frame stored (days since StartTime); 0 at the start.
  double LastStoredElapsed() const { return LastStoredElapsed_; }
  double MaxPain() const { return MaxPain_; }
  // The generator-coils notice is up: from a disconnected sample until the
  // next good one.
  bool CoilsNoticeShown() const { return CoilsNoticeShown_; }

private:
  void StoreFrame(TAcquisitionStep& Result);

  TImagerProcedure& Procedure_;
  TImagerFrame& Frame_;
  std::int32_t StoredFrames_ = 0;
  double LastStoredElapsed_ = 0;
  double MaxPain_ = 0;
  bool CoilsNoticeShown_ = false;
  std::unique_ptr<TLiveFileWriter> Writer_;
};

} // namespace kestrava

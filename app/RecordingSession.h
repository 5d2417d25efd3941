#pragma once
// One recording, the same for the workstation's window and kestrava-tool:
// the sampler's set-up, then at each acquisition step the remote's poll
// (marker buttons place markers at once), the sample, the frame stored once
// a second of procedure time, the live file written behind the step's back,
// the procedure timeline, the loop tracker and the stream to navigation
// software; and the stop.
// The caller shows what a step reports (messages, notices, the display),
// applies the remote's camera actions and saves the procedure at the end.
//
// A session lives as long as its caller's sampler and procedure and runs
// any number of recordings one after the other.
//
// Thread: the caller's (the user-interface thread in the window); only the
// live file's writer runs on a thread of its own.

#include "app/ProcedureRecorder.h"
#include "app/RemoteControl.h"
#include "looping/LoopClassifier.h"
#include "looping/LoopTracker.h"
#include "timeline/TimelineTracker.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestrava {

class IEncodedFrameSink;
class TIGTLinkServer;
class TImagerSampler;

// The calibration files a recording reads, as full paths.
struct TSamplerSetup {
  std::int32_t ProcedureType = ProcedureColonoscopy;
  std::string SamplerFile;
  std::string PainSensorFile;
  bool UsePainSensor = false;
  // Empty: no overtube.
  std::string OvertubeFile;
  std::string RemoteFile;
  std::string SensorFile;
  std::string GeneratorFile;
};

// The set-up the workstation uses: the fixed files in ProgramDirectory and
// the chosen files by their names there.
TSamplerSetup ProgramDirectorySetup(const std::string& ProgramDirectory, std::int32_t ProcedureType,
                                    const std::string& SensorFile, const std::string& OvertubeFile,
                                    const std::string& GeneratorFile, bool UsePainSensor);

// What a step does besides sampling, as the options stand at that step.
struct TSessionStepOptions {
  bool PhaseCorrection = false;
  // Classify each sample, track loops and stream the verdict.
  bool TrackLoops = false;
  // The streamed scope model ends at the cut-off plane.
  bool AutoCutoff = true;
};

struct TSessionStep {
  TAcquisitionStep Acquisition;
  // The remote's poll before the sample; its marker actions have been
  // carried out, the rest is the caller's.
  TRemotePoll Remote;
  // The sample's loop, when loops are tracked and the sample was good.
  std::optional<TLoopState> Loop;
  // Set at the frame whose storing ended a withdrawal shorter than the
  // guidelines' minimum: the alert to show.
  std::string TimelineAlert;
};

class TRecordingSession {
public:
  // Every argument must outlive the session. Frame is the live frame the
  // sampler fills; Procedure receives the recording.
  TRecordingSession(TImagerSampler& Sampler, TImagerProcedure& Procedure, TImagerFrame& Frame,
                    IRecordingClock& Clock);
  ~TRecordingSession();
  TRecordingSession(const TRecordingSession&) = delete;
  TRecordingSession& operator=(const TRecordingSession&) = delete;

  // Sets the sampler up for a recording: true when it is ready. Raises
  // Exception for a calibration file that does not load (the sampler's
  // message); the sampler may have shown its own messages.
  bool SetUp(const TSamplerSetup& Setup);

  // After SetUp: creates the live file at FileName (".img" forced) holding
  // the new procedure's details, then clears the procedure and the live
  // frame and starts recording into them. Returns the file's path. A file
  // that cannot be created raises Exception naming it and the reason; the
  // sampler is then stopped and the procedure is left as it was.
  std::string Start(const TRecordingDetails& Details, const std::string& FileName);
  // As Start, with the frames going to Sink instead of a file of ours
  // (tests and benchmarks stand in a slow or failing disk).
  void Start(const TRecordingDetails& Details, std::unique_ptr<IEncodedFrameSink> Sink);

  // One acquisition step. Never waits for the disk; the sample waits for
  // the hardware (its timeouts bound that).
  TSessionStep Step(const TSessionStepOptions& Options);

  // A key's marker action while recording: as the remote's marker buttons.
  void PlaceMarker(std::int32_t Index, bool Clear);

  // The operator's marks on the last frame stored: a lesion tag (its number
  // is returned) or "Caecum reached". Each is written at once to the
  // timeline's side file beside the live file (raises Exception naming it
  // when that fails; the mark is kept in memory). Nothing, and 0, before
  // the first frame is stored or when not recording.
  std::int32_t TagLesion();
  void ConfirmCaecum();

  // Where samples are streamed; null for nowhere. Must outlive its use.
  void SetStream(TIGTLinkServer* Server) { Stream_ = Server; }

  // Stops the sampler, ends the loop tracker's open episode and writes the
  // live file's last frames. The caller then saves the procedure.
  void Stop();

  bool Recording() const { return Recording_; }
  const TProcedureRecorder& Recorder() const { return Recorder_; }
  std::int32_t StoredFrames() const { return Recorder_.StoredFrames(); }
  double MaxPain() const { return Recorder_.MaxPain(); }
  std::int32_t RemoteMode() const { return RemoteMode_; }
  const TLoopTracker& Loops() const { return Loops_; }
  // The timeline of the frames stored so far.
  const TTimelineTracker& Timeline() const { return Timeline_; }
  bool LoopAnnounced() const { return Recording_ && Loops_.Announced(); }

private:
  void BeginRecording(const TRecordingDetails& Details, double StartTime);
  TRemotePoll PollRemote();
  void TrackAndStream(const TSessionStepOptions& Options, std::int32_t FrameNumber,
                      TSessionStep& Result);
  void FollowTimeline(TSessionStep& Result);
  void SaveMarks() const;

  TImagerSampler& Sampler_;
  TImagerProcedure& Procedure_;
  TImagerFrame& Frame_;
  IRecordingClock& Clock_;
  TProcedureRecorder Recorder_;
  TLoopTracker Loops_;
  TTimelineTracker Timeline_{ProcedureColonoscopy};
  bool WithdrawalEndSeen_ = false;
  // The live file's path, beside which the timeline's marks are kept.
  std::string FilePath_;
  TIGTLinkServer* Stream_ = nullptr;
  std::int32_t RemoteMode_ = RemoteModeMarkers;
  bool Recording_ = false;
};

} // namespace kestrava

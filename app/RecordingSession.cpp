#include "app/RecordingSession.h"

#include "acquisition/ImagerSampler.h"
#include "app/LoopTexts.h"
#include "imagerdata/ImagerRecordingFile.h"
#include "streaming/IGTLinkServer.h"
#include "streaming/StreamContext.h"
#include "timeline/TimelineSideFile.h"
#include "timeline/TimelineTexts.h"

#include <utility>

namespace kestrava {

namespace {

std::string InDirectory(const std::string& Directory, const std::string& Name) {
  return Directory + "/" + Name;
}

// The procedure as the live file starts it: the details and no frame yet.
void FillHeader(TImagerProcedure& Header, const TRecordingDetails& Details, double StartTime,
                const std::string& PainUnits) {
  Header.PatientName = Details.PatientName;
  Header.ProcedureType = Details.ProcedureType;
  Header.StartTime = StartTime;
  Header.HasPainData = Details.UsePainSensor;
  Header.PainUnits = PainUnits;
}

} // namespace

TSamplerSetup ProgramDirectorySetup(const std::string& ProgramDirectory, std::int32_t ProcedureType,
                                    const std::string& SensorFile, const std::string& OvertubeFile,
                                    const std::string& GeneratorFile, bool UsePainSensor) {
  TSamplerSetup Setup;
  Setup.ProcedureType = ProcedureType;
  Setup.SamplerFile = InDirectory(ProgramDirectory, "Sampler.dat");
  Setup.PainSensorFile = InDirectory(ProgramDirectory, "Pain Sensor.dat");
  Setup.UsePainSensor = UsePainSensor;
  if (!OvertubeFile.empty())
    Setup.OvertubeFile = InDirectory(ProgramDirectory, OvertubeFile);
  Setup.RemoteFile = InDirectory(ProgramDirectory, "Remote.dat");
  Setup.SensorFile = InDirectory(ProgramDirectory, SensorFile);
  Setup.GeneratorFile = InDirectory(ProgramDirectory, GeneratorFile);
  return Setup;
}

TRecordingSession::TRecordingSession(TImagerSampler& Sampler, TImagerProcedure& Procedure,
                                     TImagerFrame& Frame, IRecordingClock& Clock)
    : Sampler_(Sampler), Procedure_(Procedure), Frame_(Frame), Clock_(Clock),
      Recorder_(Procedure, Frame) {}

TRecordingSession::~TRecordingSession() {
  if (Recording_)
    Stop();
}

bool TRecordingSession::SetUp(const TSamplerSetup& Setup) {
  const bool UseOvertube = !Setup.OvertubeFile.empty();
  return Sampler_.Setup(Setup.ProcedureType, Setup.SamplerFile, Setup.PainSensorFile,
                        Setup.UsePainSensor, Setup.OvertubeFile, UseOvertube, Setup.RemoteFile,
                        Setup.SensorFile, Setup.GeneratorFile);
}

std::string TRecordingSession::Start(const TRecordingDetails& Details,
                                     const std::string& FileName) {
  const double StartTime = Clock_.Now();
  // The file comes first: should it fail, the procedure on show (a replay,
  // perhaps one not yet saved elsewhere) must still be there.
  std::unique_ptr<TImagerRecordingFile> File;
  try {
    TImagerProcedure Header;
    FillHeader(Header, Details, StartTime, Sampler_.PainUnits());
    File = std::make_unique<TImagerRecordingFile>(TImagerRecordingFile::Create(FileName, Header));
  } catch (...) {
    Sampler_.Stop();
    throw;
  }
  std::string Path = File->Path();
  BeginRecording(Details, StartTime);
  Recorder_.StartFile(std::move(File));
  FilePath_ = Path;
  return Path;
}

void TRecordingSession::Start(const TRecordingDetails& Details,
                              std::unique_ptr<IEncodedFrameSink> Sink) {
  BeginRecording(Details, Clock_.Now());
  FilePath_ = Sink->Path();
  Recorder_.StartFile(std::move(Sink));
}

void TRecordingSession::BeginRecording(const TRecordingDetails& Details, double StartTime) {
  Recorder_.Begin(Details, StartTime, Sampler_.PainUnits(), Sampler_.PainFullScale());
  Loops_ = TLoopTracker();
  Timeline_ = TTimelineTracker(Details.ProcedureType);
  WithdrawalEndSeen_ = false;
  RemoteMode_ = RemoteModeMarkers;
  Recording_ = true;
}

TSessionStep TRecordingSession::Step(const TSessionStepOptions& Options) {
  TSessionStep Result;
  if (!Recording_)
    return Result;
  Result.Remote = PollRemote();
  // The number the sample gets when it is stored (the next one otherwise).
  const std::int32_t FrameNumber = Recorder_.StoredFrames() + 1;
  Result.Acquisition = Recorder_.Step(
      [this, &Options](TImagerFrame& Target) { Sampler_.Sample(Target, Options.PhaseCorrection); },
      Clock_);
  if (Result.Acquisition.FrameStored)
    FollowTimeline(Result);
  if (Result.Acquisition.Outcome == TAcquisitionOutcome::Sampled)
    TrackAndStream(Options, FrameNumber, Result);
  return Result;
}

void TRecordingSession::FollowTimeline(TSessionStep& Result) {
  Timeline_.Add(Frame_);
  if (WithdrawalEndSeen_)
    return;
  const TTimelineSummary Summary = Timeline_.Summary();
  if (Summary.WithdrawalEnd) {
    WithdrawalEndSeen_ = true;
    Result.TimelineAlert = ShortWithdrawalAlertText(Summary);
  }
}

std::int32_t TRecordingSession::TagLesion() {
  if (!Recording_ || Timeline_.FrameCount() == 0)
    return 0;
  const std::int32_t Number = Timeline_.TagLesion(Timeline_.FrameCount() - 1);
  SaveMarks();
  return Number;
}

void TRecordingSession::ConfirmCaecum() {
  if (!Recording_ || Timeline_.FrameCount() == 0)
    return;
  Timeline_.ConfirmCaecum(Timeline_.FrameCount() - 1);
  SaveMarks();
}

void TRecordingSession::SaveMarks() const {
  SaveTimelineSideFile(FilePath_, Timeline_.Marks(), Timeline_.Lesions());
}

TRemotePoll TRecordingSession::PollRemote() {
  TRemotePoll Poll = kestrava::PollRemote(Sampler_.GetRemoteButtons(), RemoteMode_, true);
  if (Poll.NewRemoteMode && *Poll.NewRemoteMode != RemoteMode_) {
    RemoteMode_ = *Poll.NewRemoteMode;
    Sampler_.SetRemoteIndicators(RemoteIndicatorMask(RemoteMode_));
  }
  // Markers go into the live frame before the sample, which leaves them be.
  std::erase_if(Poll.Actions, [this](const TControlAction& Action) {
    if (Action.Kind != TControlActionKind::SetMarker)
      return false;
    PlaceMarker(Action.Value, Action.Clear);
    return true;
  });
  return Poll;
}

void TRecordingSession::PlaceMarker(std::int32_t Index, bool Clear) {
  Sampler_.SetMarker(Frame_, Index, Clear);
}

void TRecordingSession::TrackAndStream(const TSessionStepOptions& Options, std::int32_t FrameNumber,
                                       TSessionStep& Result) {
  if (Options.TrackLoops) {
    // The depth of the last frame stored (at most a second old) tells the
    // loops that neither cross nor close.
    std::optional<double> Depth;
    if (Timeline_.FrameCount() > 0)
      Depth = Timeline_.Frame(Timeline_.FrameCount() - 1).Depth;
    Result.Loop = ClassifyLoop(Frame_, Procedure_.ProcedureType, Depth);
    Loops_.Update(FrameNumber, Frame_.Time * SecondsPerDay, *Result.Loop);
  }
  if (Stream_ == nullptr)
    return;
  TStreamContext Context = StreamContextOf(Procedure_);
  Context.AutoCutoff = Options.AutoCutoff;
  if (Result.Loop)
    Context.LoopState = LoopStateText(*Result.Loop);
  Stream_->Publish(Frame_, Context);
}

void TRecordingSession::Stop() {
  if (!Recording_)
    return;
  Recording_ = false;
  Sampler_.Stop();
  Loops_.Finish();
  Recorder_.CloseFile();
}

} // namespace kestrava

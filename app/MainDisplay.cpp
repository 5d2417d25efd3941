#include "app/MainDisplay.h"

#include "app/KeyboardControl.h"
#include "app/LoopTexts.h"
#include "app/MarkerPlacementCheck.h"
#include "app/PainDisplay.h"
#include "app/RecordingSession.h"
#include "foundation/QelExceptions.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/ImagerFileErrors.h"
#include "looping/LoopSummary.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineSideFile.h"
#include "timeline/TimelineTexts.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

namespace kestrava {

std::string OpenFailureText(const std::string& FileName, const std::exception& Failure) {
  std::string Reason = Failure.what();
  const char* Heading = UnableToLoadMessage;
  if (const auto* Unrecognised = dynamic_cast<const EImagerFileNotRecognised*>(&Failure)) {
    Heading = FormatNotRecognisedMessage;
    Reason = Unrecognised->Detail();
  } else if (dynamic_cast<const E_Qel_UnrecognisedDataFormat*>(&Failure) != nullptr) {
    Heading = FormatNotRecognisedMessage;
    Reason.clear(); // the class name says nothing to the operator
  } else if (const auto* Access = dynamic_cast<const EImagerFileAccess*>(&Failure)) {
    Reason = Access->Reason();
  } else if (dynamic_cast<const std::bad_alloc*>(&Failure) != nullptr) {
    Reason = "not enough memory to load it";
  }
  std::string Text = std::string(Heading) + "\n" + FileName;
  if (!Reason.empty())
    Text += "\n" + Reason;
  return Text;
}

TMainDisplay::TMainDisplay(const TOptions& Options) : Options_(Options) {}

TDisplayShown TMainDisplay::Update(const TDisplaySurface& Surface) {
  TDisplayShown Shown;
  if (ProcedureShown_)
    CopyCurrentFrame(Shown);
  MakeShownFrame(Surface);
  if (Surface.CurvatureGraphShown)
    Shown.Curvature = CurvatureGraph_;
  Shown.GaugePercent = GaugePercent();
  DetectLoop();
  PassCurvatureSelection();
  AlignCameraWhenAsked();
  BuildModel();
  Shown.Info = InformationBox();
  const bool Loops = Options_.ViewLoops && Mode_ != ModeIdle;
  if (Loops)
    Shown.InfoToolTip = LoopDetailText(CurrentLoop_);
  Shown.FrameProblem = FrameProblemLine(FrameCheck_);
  if (Recording())
    Shown.MarkerAlert = MarkerPlacementAlert(ShownFrame_, Procedure_.ProcedureType);
  FitCameraWhenAsked(Surface);
  Shown.Camera = Camera_;
  Shown.Twin = Options_.ViewMode == ViewModeTwin;
  Shown.Status = StatusPanelTexts({Options_.ViewMode, Options_.AutoAlign, Options_.UseAutoCutoff,
                                   Procedure_.HasPainData, Options_.UsePhaseCorrection});
  Shown.LoopAlert = LoopAlert();
  Shown.NewFrame = (Changes_.Frame || Changes_.Procedure) && (ProcedureShown_ || Recording());
  Changes_ = {};
  return Shown;
}

void TMainDisplay::CopyCurrentFrame(TDisplayShown& Shown) {
  if (Procedure_.FrameCount() > 0)
    CurrentFrameData_.Assign(Procedure_.GetFrame(CurrentFrame_ - 1));
  else
    CurrentFrameData_.Clear();
  Shown.TimeLineCursor = CurrentFrame_ - 1;
}

// Made at every refresh, so that no view keeps a model (or a camera) of a
// frame no longer on show, whatever that frame holds.
void TMainDisplay::MakeShownFrame(const TDisplaySurface& Surface) {
  FrameCheck_ = MakeDrawableFrame(CurrentFrameData_, ShownFrame_);
  if (ProcedureShown_ && Surface.CurvatureGraphShown) {
    AnalyseEndoscopeCurvature(&ShownFrame_, CurvatureGraph_, CurvatureInfos_);
    // The analysis drops a selection beyond the new profile.
    if (SelectedCurvaturePoint_ >= CurvatureGraph_.PointCount())
      SelectedCurvaturePoint_ = -1;
  }
}

std::int32_t TMainDisplay::GaugePercent() {
  double Divisor = 0;
  if (Mode_ == ModeReplay)
    Divisor = Procedure_.GetReferencePain();
  else if (Mode_ == ModeRecording)
    Divisor = MaxPain_;
  return GaugeProgress(ShownFrame_.Pain, Divisor);
}

void TMainDisplay::PassCurvatureSelection() {
  const bool Selectable = Options_.ViewEndoscopeCurvature && !Recording() &&
                          SelectedCurvaturePoint_ >= 0 &&
                          SelectedCurvaturePoint_ < CurvatureInfos_.Count();
  ShapeModel_.ShowCurvaturePoint = false;
  if (!Selectable)
    return;
  const TEndoscopeCurvatureInfo& Info = CurvatureInfos_.At(SelectedCurvaturePoint_);
  ShapeModel_.ShowCurvaturePoint = Info.Valid;
  ShapeModel_.CurvaturePoint = Info.Point;
}

void TMainDisplay::AlignCameraWhenAsked() {
  const bool Lateral = Options_.ViewMode == ViewModeLateral;
  const bool NewFrame = Options_.AutoAlign && (Changes_.Procedure || Changes_.Frame);
  if (Changes_.ViewMode || Changes_.AlignmentRequested || (NewFrame && !Recording()))
    Camera_.AlignToPatient(ShownFrame_, Procedure_.ProcedureType, Lateral);
  else if (NewFrame)
    // Every sample is a new frame: aligning to the same markers at each one
    // would undo the operator's camera keys before they could be seen.
    Camera_.FollowPatient(ShownFrame_, Procedure_.ProcedureType, Lateral);
}

void TMainDisplay::FitCameraWhenAsked(const TDisplaySurface& Surface) {
  const bool NewPicture = Changes_.Procedure || Changes_.Frame || Changes_.ViewMode ||
                          Changes_.Layout || Changes_.ViewItems || Changes_.AutoCutoff ||
                          Changes_.AlignmentRequested || Changes_.AutoFit;
  if (!Changes_.FitRequested && !(Options_.AutoFitEndoscope && NewPicture))
    return;
  const std::vector<TFitPoint> Points = ModelPointsToShow(ShapeModel_, ShownFrame_);
  if (Changes_.FitRequested || PointsLeaveViews(Camera_, Points, Surface.Views))
    FitCamera(Camera_, Points, Surface.Views, Surface.LabelRoom);
}

void TMainDisplay::BuildModel() {
  ShapeModel_.ShowEndoscope = Options_.ViewEndoscope;
  ShapeModel_.ShowMarkers = Options_.ViewMarkers;
  ShapeModel_.ShowHand = Options_.ViewHand;
  ShapeModel_.ShowOvertube = Options_.ViewOvertube;
  const TFrameCheck Built =
      ShapeModel_.BuildFromFrame(ShownFrame_, Procedure_.ProcedureType, Options_.UseAutoCutoff);
  if (FrameCheck_.Sound())
    FrameCheck_ = Built;
}

// The design's lines, then ours, each kept short enough for the box: the
// frame's loop, the procedure timeline and what is wrong with the model.
TInformationBoxText TMainDisplay::InformationBox() {
  TInformationBoxState State;
  // After a failed open nothing is shown, not even empty details.
  const bool Shown = ProcedureShown_ || Recording();
  State.Mode = Shown ? Mode_ : ModeIdle;
  State.CurrentFileName = CurrentFileName_;
  State.CurrentFrame = CurrentFrame_;
  State.ScopeLength = TPolygonImagerData::ScopeLength(ShownFrame_, Procedure_.ProcedureType,
                                                      Options_.UseAutoCutoff);
  State.SelectedCurvaturePoint = SelectedCurvaturePoint_;
  if (SelectedCurvaturePoint_ >= 0 && SelectedCurvaturePoint_ < CurvatureGraph_.PointCount())
    // As the graph holds it, in single precision.
    State.Curvature = static_cast<float>(
        CurvatureGraph_.Points()[static_cast<std::size_t>(SelectedCurvaturePoint_)]);
  State.SensorFileName = Options_.SensorFilename;
  TInformationBoxText Text = InformationBoxLines(State, Procedure_, ShownFrame_);
  const auto Add = [&Text](const std::vector<std::string>& Lines) {
    Text.Lines.insert(Text.Lines.end(), Lines.begin(), Lines.end());
  };
  if (Options_.ViewLoops && Mode_ != ModeIdle)
    Add(LoopInformationLines(CurrentLoop_));
  if (Shown)
    Add(TimelineInformationLines(Timeline(), TimelineIndex()));
  if (!FrameCheck_.Sound())
    Text.Lines.push_back(ModelInformationLine(FrameCheck_));
  return Text;
}

// While recording, an announced loop stands out in the status bar.
std::string TMainDisplay::LoopAlert() const {
  if (!Recording() || Session_ == nullptr || !Session_->LoopAnnounced())
    return {};
  return LoopAlertText(Session_->Loops().AnnouncedClass());
}

void TMainDisplay::ClearProcedureState() {
  CurvatureInfos_.Clear();
  ProcedureShown_ = false;
  Procedure_.Clear();
  SelectedCurvaturePoint_ = -1;
}

bool TMainDisplay::OpenImagerFile(const std::string& FileName, IUserInteraction& User) {
  ProcedureShown_ = false;
  try {
    Procedure_.LoadFromFile(FileName);
  } catch (const std::exception& Failure) {
    ShowNotice(User, OpenFailureText(FileName, Failure));
    ShowNoProcedure();
    return false;
  }
  ShowProcedure(FileName);
  return true;
}

// Whatever the reader left behind, and the procedure shown before, must not
// be shown as the file that failed: no frames, no name, no date.
void TMainDisplay::ShowNoProcedure() {
  Procedure_.Clear();
  Procedure_.PatientName.clear();
  Procedure_.ProcedureType = ProcedureColonoscopy;
  Procedure_.StartTime = 0;
  Procedure_.HasPainData = false;
  Procedure_.PainUnits.clear();
  CurrentFrameData_.Clear();
  CurrentFileName_.clear();
  CurrentFrame_ = 0;
  SelectedCurvaturePoint_ = -1;
  ShownEpisodes_.clear();
  ShownTimeline_ = TTimelineTracker(ProcedureColonoscopy);
  TimelineProblem_.clear();
  Changes_.Procedure = true;
}

void TMainDisplay::ShowProcedure(const std::string& FileName) {
  CurrentFileName_ = FileName;
  Mode_ = ModeReplay;
  Changes_.Layout = true;
  CurrentFrame_ = Procedure_.FrameCount() == 0 ? 0 : 1;
  Changes_.Procedure = true;
  ShownEpisodes_ = AnalyseLoops(Procedure_, 0).Summary.Episodes;
  TrackShownTimeline(FileName);
  ProcedureShown_ = true;
  SelectedCurvaturePoint_ = -1;
}

TStepResult TMainDisplay::StepFrame(std::int32_t Delta) {
  if (Recording() || !ProcedureShown_)
    return TStepResult::Ignored;
  const TFrameStep Step = StepFrameWithin(CurrentFrame_, Delta, Procedure_.FrameCount());
  if (Step.Beep)
    return TStepResult::AtEnd;
  CurrentFrame_ = Step.Frame;
  Changes_.Frame = true;
  return TStepResult::Moved;
}

void TMainDisplay::BeginRecording(const std::string& FileName, double MaxPain) {
  CurrentFileName_ = FileName;
  MaxPain_ = MaxPain;
  CurrentFrame_ = 0;
  ShownEpisodes_.clear();
  CurrentLoop_ = {};
  LiveLoop_.reset();
  ProcedureShown_ = false;
  Mode_ = ModeRecording;
  // The curvature graph is hidden while recording.
  Changes_.Layout = true;
}

void TMainDisplay::ShowSample(const TLiveSample& Sample) {
  CurrentFrame_ = Sample.StoredFrames;
  MaxPain_ = Sample.MaxPain;
  LiveLoop_ = Sample.Loop;
  Changes_.Frame = true;
}

bool TMainDisplay::TimeLinePress(std::int32_t Index) {
  const bool Moved = TimeLineMove(Index);
  TimeLineDragging_ = true;
  return Moved;
}

bool TMainDisplay::TimeLineMove(std::int32_t Index) {
  if (Recording() || Index == -1)
    return false;
  CurrentFrame_ = Index + 1;
  Changes_.Frame = true;
  return true;
}

bool TMainDisplay::TimeLineRelease(std::int32_t Index, bool RightButton) {
  TimeLineIndex_ = Index;
  const bool OpenMenu = TimeLineDragging_ && RightButton;
  TimeLineDragging_ = false;
  return OpenMenu;
}

bool TMainDisplay::CurvaturePress(std::int32_t Index) {
  if (Recording())
    return false;
  CurvatureDragging_ = true;
  return SelectCurvaturePoint(Index);
}

bool TMainDisplay::CurvatureMove(std::int32_t Index) {
  return CurvatureDragging_ && !Recording() && SelectCurvaturePoint(Index);
}

bool TMainDisplay::SelectCurvaturePoint(std::int32_t Index) {
  SelectedCurvaturePoint_ = Index;
  CurvatureGraph_.SetSelectedIndex(Index);
  return true;
}

void TMainDisplay::DetectLoop() {
  if (!Options_.ViewLoops || Mode_ == ModeIdle) {
    CurrentLoop_ = {};
    LoopHighlight_.Clear();
    return;
  }
  if (Recording()) {
    // The session classified the sample; a refresh without a new sample
    // keeps the verdict on the frame still shown.
    if (LiveLoop_)
      CurrentLoop_ = *std::exchange(LiveLoop_, std::nullopt);
  } else {
    // With the tip's depth, as the procedure's loop episodes were found.
    std::optional<double> Depth;
    if (CurrentFrame_ >= 1 && CurrentFrame_ <= ShownTimeline_.FrameCount())
      Depth = ShownTimeline_.Frame(CurrentFrame_ - 1).Depth;
    CurrentLoop_ = ClassifyLoop(ShownFrame_, Procedure_.ProcedureType, Depth);
  }
  LoopHighlight_.Build(ShownFrame_, Procedure_.ProcedureType, CurrentLoop_);
}

const std::vector<TLoopEpisode>& TMainDisplay::LoopEpisodes() const {
  return Recording() && Session_ != nullptr ? Session_->Loops().Episodes() : ShownEpisodes_;
}

void TMainDisplay::TrackShownTimeline(const std::string& FileName) {
  TOperatorMarks Marks;
  TimelineProblem_.clear();
  try {
    Marks = LoadTimelineSideFile(FileName);
  } catch (const std::exception& Failure) {
    // The recording itself is sound: it is shown with the timeline's own
    // findings, and the operator hears why the marks are missing.
    TimelineProblem_ = Failure.what();
  }
  ShownTimeline_ = TrackTimeline(Procedure_, std::move(Marks));
}

const TTimelineTracker& TMainDisplay::Timeline() const {
  return Recording() && Session_ != nullptr ? Session_->Timeline() : ShownTimeline_;
}

std::int32_t TMainDisplay::TimelineIndex() const {
  if (Recording())
    return Session_ != nullptr ? Session_->Timeline().FrameCount() - 1 : -1;
  return ProcedureShown_ ? std::min(CurrentFrame_, ShownTimeline_.FrameCount()) - 1 : -1;
}

std::int32_t TMainDisplay::TagLesionOnShow() {
  const std::int32_t Index = TimelineIndex();
  if (Recording() || Index < 0)
    return 0;
  const std::int32_t Number = ShownTimeline_.TagLesion(Index);
  SaveShownMarks();
  return Number;
}

void TMainDisplay::ConfirmCaecumOnShow() {
  const std::int32_t Index = TimelineIndex();
  if (Recording() || Index < 0)
    return;
  ShownTimeline_.ConfirmCaecum(Index);
  SaveShownMarks();
}

void TMainDisplay::SaveShownMarks() const {
  SaveTimelineSideFile(CurrentFileName_, ShownTimeline_.Marks(), ShownTimeline_.Lesions());
}

} // namespace kestrava

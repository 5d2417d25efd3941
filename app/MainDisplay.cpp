#include "app/MainDisplay.h"

#include "app/InformationBoxLines.h"
#include "app/KeyboardControl.h"
#include "app/MarkerPlacementCheck.h"
#include "app/RecordingSession.h"
#include "foundation/QelExceptions.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/ImagerFileErrors.h"
#include "looping/LoopSummary.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineSideFile.h"

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

TMainDisplay::TMainDisplay(TOptions& Options) : Options_(Options) {}

void TMainDisplay::Update(IMainDisplaySurface& Surface) {
  if (!Ready)
    return;
  if (Changes.NeedLayout())
    Surface.LayOut();
  if (ProcedureShown)
    CopyCurrentFrame(Surface);
  MakeShownFrame(Surface);
  SetGauge(Surface);
  DetectLoop();
  PassCurvatureSelection();
  AlignCameraWhenAsked();
  Refresh(Surface);
  const bool NewFrame = (Changes.Frame || Changes.Procedure) && (ProcedureShown || Recording());
  Changes = {};
  if (NewFrame)
    Surface.FrameShown();
  Surface.RepaintNow();
}

void TMainDisplay::CopyCurrentFrame(IMainDisplaySurface& Surface) {
  if (Procedure_.FrameCount() > 0)
    CurrentFrameData_.Assign(Procedure_.GetFrame(CurrentFrame - 1));
  else
    CurrentFrameData_.Clear();
  Surface.ShowTimeLineCursor(CurrentFrame - 1);
}

// Made at every refresh, so that no view keeps a model (or a camera) of a
// frame no longer on show, whatever that frame holds.
void TMainDisplay::MakeShownFrame(IMainDisplaySurface& Surface) {
  FrameCheck_ = MakeDrawableFrame(CurrentFrameData_, ShownFrame_);
  if (ProcedureShown && Surface.CurvatureGraphVisible()) {
    ICurvatureGraph& Graph = Surface.CurvatureGraph();
    AnalyseEndoscopeCurvature(&ShownFrame_, Graph, CurvatureInfos_);
    // The analysis drops a selection beyond the new profile.
    if (SelectedCurvaturePoint >= Graph.PointCount())
      SelectedCurvaturePoint = -1;
  }
}

void TMainDisplay::SetGauge(IMainDisplaySurface& Surface) {
  double Divisor = 0;
  if (Mode == ModeReplay)
    Divisor = Procedure_.GetReferencePain();
  else if (Mode == ModeRecording)
    Divisor = MaxPain;
  Surface.SetGaugeProgress(GaugeProgress(ShownFrame_.Pain, Divisor));
}

void TMainDisplay::PassCurvatureSelection() {
  const bool Selectable = Options_.ViewEndoscopeCurvature && !Recording() &&
                          SelectedCurvaturePoint >= 0 &&
                          SelectedCurvaturePoint < CurvatureInfos_.Count();
  ShapeModel_.ShowCurvaturePoint = false;
  if (!Selectable)
    return;
  const TEndoscopeCurvatureInfo& Info = CurvatureInfos_.At(SelectedCurvaturePoint);
  ShapeModel_.ShowCurvaturePoint = Info.Valid;
  ShapeModel_.CurvaturePoint = Info.Point;
}

void TMainDisplay::AlignCameraWhenAsked() {
  const bool Lateral = Options_.ViewMode == ViewModeLateral;
  const bool NewFrame = Options_.AutoAlign && (Changes.Procedure || Changes.Frame);
  if (Changes.ViewMode || Changes.AlignmentRequested || (NewFrame && !Recording()))
    Camera_.AlignToPatient(ShownFrame_, Procedure_.ProcedureType, Lateral);
  else if (NewFrame)
    // Every sample is a new frame: aligning to the same markers at each one
    // would undo the operator's camera keys before they could be seen.
    Camera_.FollowPatient(ShownFrame_, Procedure_.ProcedureType, Lateral);
}

void TMainDisplay::FitCameraWhenAsked(IMainDisplaySurface& Surface) {
  const bool NewPicture = Changes.Procedure || Changes.Frame || Changes.ViewMode ||
                          Changes.Layout || Changes.ViewItems || Changes.AutoCutoff ||
                          Changes.AlignmentRequested || Changes.AutoFit;
  if (!Changes.FitRequested && !(Options_.AutoFitEndoscope && NewPicture))
    return;
  const std::vector<TFitPoint> Points = ModelPointsToShow(ShapeModel_, ShownFrame_);
  const TFitViews Views = Surface.ViewSizes();
  if (Changes.FitRequested || PointsLeaveViews(Camera_, Points, Views))
    FitCamera(Camera_, Points, Views, Surface.MarkerLabelRoom());
}

void TMainDisplay::Refresh(IMainDisplaySurface& Surface) {
  ShapeModel_.ShowEndoscope = Options_.ViewEndoscope;
  ShapeModel_.ShowMarkers = Options_.ViewMarkers;
  ShapeModel_.ShowHand = Options_.ViewHand;
  ShapeModel_.ShowOvertube = Options_.ViewOvertube;
  const TFrameCheck Built =
      ShapeModel_.BuildFromFrame(ShownFrame_, Procedure_.ProcedureType, Options_.UseAutoCutoff);
  if (FrameCheck_.Sound())
    FrameCheck_ = Built;
  Surface.FillInformationBox();
  Surface.ShowFrameProblem(FrameProblemLine(FrameCheck_));
  Surface.ShowMarkerAlert(Recording() ? MarkerPlacementAlert(ShownFrame_, Procedure_.ProcedureType)
                                      : std::string());
  FitCameraWhenAsked(Surface);
  Surface.ShowViews(Camera_, Options_.ViewMode == ViewModeTwin);
  Surface.SetStatusTexts(
      StatusPanelTexts({Options_.ViewMode, Options_.AutoAlign, Options_.UseAutoCutoff,
                        Procedure_.HasPainData, Options_.UsePhaseCorrection}));
}

void TMainDisplay::ClearProcedureState() {
  CurvatureInfos_.Clear();
  ProcedureShown = false;
  Procedure_.Clear();
  SelectedCurvaturePoint = -1;
}

bool TMainDisplay::OpenImagerFile(const std::string& FileName, IUserInteraction& User,
                                  IMainDisplaySurface& Surface) {
  ProcedureShown = false;
  try {
    Procedure_.LoadFromFile(FileName);
  } catch (const std::exception& Failure) {
    ShowNotice(User, OpenFailureText(FileName, Failure));
    ShowNoProcedure(Surface);
    return false;
  }
  ShowProcedure(FileName, Surface);
  return true;
}

// Whatever the reader left behind, and the procedure shown before, must not
// be shown as the file that failed: no frames, no name, no date.
void TMainDisplay::ShowNoProcedure(IMainDisplaySurface& Surface) {
  Procedure_.Clear();
  Procedure_.PatientName.clear();
  Procedure_.ProcedureType = ProcedureColonoscopy;
  Procedure_.StartTime = 0;
  Procedure_.HasPainData = false;
  Procedure_.PainUnits.clear();
  CurrentFrameData_.Clear();
  CurrentFileName.clear();
  CurrentFrame = 0;
  SelectedCurvaturePoint = -1;
  ShownEpisodes_.clear();
  ShownTimeline_ = TTimelineTracker(ProcedureColonoscopy);
  TimelineProblem_.clear();
  Surface.SetTimeLine(TimeLinePointsOf(Procedure_));
  Changes.Procedure = true;
  Update(Surface);
}

void TMainDisplay::ShowProcedure(const std::string& FileName, IMainDisplaySurface& Surface) {
  CurrentFileName = FileName;
  SetMode(ModeReplay, Surface);
  CurrentFrame = 1;
  Changes.Procedure = true;
  ShownEpisodes_ = AnalyseLoops(Procedure_, 0).Summary.Episodes;
  TrackShownTimeline(FileName);
  const TTimeLinePoints Line = TimeLinePointsOf(Procedure_);
  MaxPain = Line.MaxPain;
  Surface.SetTimeLine(Line);
  ProcedureShown = true;
  if (Procedure_.FrameCount() == 0)
    CurrentFrame = 0;
  SelectedCurvaturePoint = -1;
  Update(Surface);
}

TStepResult TMainDisplay::StepFrame(std::int32_t Delta) {
  if (Recording() || !ProcedureShown)
    return TStepResult::Ignored;
  const TFrameStep Step = StepFrameWithin(CurrentFrame, Delta, Procedure_.FrameCount());
  if (Step.Beep)
    return TStepResult::AtEnd;
  CurrentFrame = Step.Frame;
  Changes.Frame = true;
  return TStepResult::Moved;
}

void TMainDisplay::SetMode(std::int32_t NewMode, IMainDisplaySurface& Surface) {
  if (NewMode == ModeReplay)
    Mode = ModeReplay;
  else if (NewMode == ModeRecording) {
    Mode = ModeRecording;
    SetRemoteMode(0, Surface);
  }
  Changes.Layout = true;
}

void TMainDisplay::SetRemoteMode(std::int32_t NewMode, IMainDisplaySurface& Surface) {
  RemoteMode = NewMode;
  Surface.SetRemoteIndicators(NewMode == 0 ? 0u : 63u);
}

void TMainDisplay::TimeLinePress(std::int32_t Index, IMainDisplaySurface& Surface) {
  TimeLineMove(Index, Surface);
  TimeLineDragging = true;
}

void TMainDisplay::TimeLineMove(std::int32_t Index, IMainDisplaySurface& Surface) {
  if (Recording() || Index == -1)
    return;
  Surface.ShowTimeLineCursor(Index);
  CurrentFrame = Index + 1;
  Changes.Frame = true;
  Update(Surface);
}

bool TMainDisplay::TimeLineRelease(std::int32_t Index, bool RightButton) {
  TimeLineIndex = Index;
  const bool OpenMenu = TimeLineDragging && RightButton;
  TimeLineDragging = false;
  return OpenMenu;
}

void TMainDisplay::CurvaturePress(std::int32_t Index, IMainDisplaySurface& Surface) {
  if (Recording())
    return;
  SelectCurvaturePoint(Index, Surface);
  CurvatureDragging = true;
}

void TMainDisplay::CurvatureMove(std::int32_t Index, IMainDisplaySurface& Surface) {
  if (CurvatureDragging && !Recording())
    SelectCurvaturePoint(Index, Surface);
}

void TMainDisplay::SelectCurvaturePoint(std::int32_t Index, IMainDisplaySurface& Surface) {
  SelectedCurvaturePoint = Index;
  Surface.CurvatureGraph().SetSelectedIndex(Index);
  Update(Surface);
}

void TMainDisplay::DetectLoop() {
  if (!Options_.ViewLoops || Mode == ModeIdle) {
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
    if (CurrentFrame >= 1 && CurrentFrame <= ShownTimeline_.FrameCount())
      Depth = ShownTimeline_.Frame(CurrentFrame - 1).Depth;
    CurrentLoop_ = ClassifyLoop(ShownFrame_, Procedure_.ProcedureType, Depth);
  }
  LoopHighlight_.Build(ShownFrame_, Procedure_.ProcedureType, CurrentLoop_);
}

const std::vector<TLoopEpisode>& TMainDisplay::LoopEpisodes() const {
  return Recording() && Session_ != nullptr ? Session_->Loops().Episodes() : ShownEpisodes_;
}

bool TMainDisplay::LoopAnnounced() const {
  return Recording() && Session_ != nullptr && Session_->LoopAnnounced();
}

TLoopClass TMainDisplay::AnnouncedLoopClass() const {
  return Session_ != nullptr ? Session_->Loops().AnnouncedClass() : TLoopClass::None;
}

void TMainDisplay::ResetLoops() {
  ShownEpisodes_.clear();
  CurrentLoop_ = {};
  LiveLoop_.reset();
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
  return ProcedureShown ? std::min(CurrentFrame, ShownTimeline_.FrameCount()) - 1 : -1;
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
  SaveTimelineSideFile(CurrentFileName, ShownTimeline_.Marks(), ShownTimeline_.Lesions());
}

double TMainDisplay::CurrentScopeLength() const {
  return TPolygonImagerData::ScopeLength(ShownFrame_, Procedure_.ProcedureType,
                                         Options_.UseAutoCutoff);
}

} // namespace kestrava

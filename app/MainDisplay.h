#pragma once
// The main window's display engine without the widgets: the procedure shown,
// the copy of the current frame, the shape model, the camera, the curvature
// selection and the change flags. Its single refresh (Update) turns them into
// what the window shows for the frame on show, returned as a plain value for
// the window to draw; what only the window knows (the sizes of its views as
// laid out) comes in as an argument.
//
// Frames are numbered from 1 (0: none); lengths in metres.
// Thread: user-interface thread only.

#include "app/DisplayChanges.h"
#include "app/InformationBoxLines.h"
#include "app/Options.h"
#include "app/StatusPanelTexts.h"
#include "app/ViewCamera.h"
#include "app/ViewFit.h"
#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureInfo.h"
#include "imagerdata/ImagerFrame.h"
#include "imagerdata/ImagerProcedure.h"
#include "looping/LoopHighlight.h"
#include "looping/LoopTracker.h"
#include "scene/DrawableFrame.h"
#include "scene/PolygonImagerData.h"
#include "timeline/TimelineTracker.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

class IUserInteraction;
class TRecordingSession;

enum TOperatingMode : std::int32_t {
  ModeIdle = 0,
  ModeReplay = 1,
  ModeRecording = 2,
};

inline constexpr const char* FormatNotRecognisedMessage = "File format not recognised";
inline constexpr const char* UnableToLoadMessage = "Unable to load file";

// The message for a file that could not be opened: "File format not
// recognised" for a file no reader accepts, else "Unable to load file",
// then the file and what the reader met ("truncated in frame 150 of 300",
// "no such file").
std::string OpenFailureText(const std::string& FileName, const std::exception& Failure);

// The window as laid out, which a refresh needs to fit the camera and to
// analyse the curvature.
struct TDisplaySurface {
  // The sizes of the views and the room a marker's label takes beside its
  // marker. Nothing is fitted into views of no size.
  TFitViews Views;
  TLabelRoom LabelRoom;
  bool CurvatureGraphShown = false;
};

// What the window shows after a refresh.
struct TDisplayShown {
  // The information box ("\t" jumps to its tab stop; empty while idle) and
  // its tool tip, the details of the frame's loop.
  TInformationBoxText Info;
  std::string InfoToolTip;
  TStatusPanelTexts Status;
  // While recording, the loop announced ("Loop: alpha"); empty when none.
  std::string LoopAlert;
  std::int32_t GaugePercent = 0;
  // What is wrong with the frame's model, in a line for the status bar
  // ("Model incomplete: sensor 3 position: not a number"); empty when
  // nothing is.
  std::string FrameProblem;
  // While recording: why the body markers placed cannot be right (see
  // MarkerPlacementCheck.h); empty when nothing is wrong with them.
  std::string MarkerAlert;
  // The time line's cursor (-1 hides it); none: it stays where it is.
  std::optional<std::int32_t> TimeLineCursor;
  // While the curvature graph is shown: its points and selected point.
  std::optional<TCurvatureGraphPoints> Curvature;
  // The front view looks along the camera; in twin view the side view
  // from its side.
  TViewCamera Camera;
  bool Twin = false;
  // Another frame than at the refresh before is on show (another frame in
  // replay, a new sample while recording): for whoever passes frames on.
  bool NewFrame = false;
};

enum class TStepResult {
  Moved,   // the frame changed
  AtEnd,   // already at that end: the caller beeps
  Ignored, // recording, or nothing shown
};

// While recording, what a good acquisition step brought.
struct TLiveSample {
  std::int32_t StoredFrames = 0;
  // The largest pain so far, the gauge's full scale.
  double MaxPain = 0;
  // The recording session's verdict on the sample; none while loops are
  // not tracked.
  std::optional<TLoopState> Loop;
};

class TMainDisplay {
public:
  explicit TMainDisplay(const TOptions& Options);

  TImagerProcedure& Procedure() { return Procedure_; }
  const TImagerProcedure& Procedure() const { return Procedure_; }
  // The current frame as stored or sampled (the sampler fills it while
  // recording).
  TImagerFrame& CurrentFrameData() { return CurrentFrameData_; }
  const TImagerFrame& CurrentFrameData() const { return CurrentFrameData_; }
  // The current frame as shown: without what no model can be built from
  // (see DrawableFrame.h). Everything drawn, measured and streamed is
  // taken from it.
  const TImagerFrame& ShownFrame() const { return ShownFrame_; }
  const TPolygonImagerData& ShapeModel() const { return ShapeModel_; }
  TViewCamera& Camera() { return Camera_; }
  const TViewCamera& Camera() const { return Camera_; }

  TOperatingMode Mode() const { return Mode_; }
  bool Recording() const { return Mode_ == ModeRecording; }
  bool ProcedureShown() const { return ProcedureShown_; }
  const std::string& CurrentFileName() const { return CurrentFileName_; }
  std::int32_t CurrentFrame() const { return CurrentFrame_; }
  std::int32_t SelectedCurvaturePoint() const { return SelectedCurvaturePoint_; }

  // What changed since the last refresh; handlers add to it.
  const TDisplayChanges& Changes() const { return Changes_; }
  void Change(bool TDisplayChanges::*Flag) { Changes_.*Flag = true; }

  // The refresh: copies the current frame, runs the curvature analysis,
  // aligns the camera, builds the model, fits the camera to it when asked
  // or, with "AutoFitEndoscope", when a new picture would leave a view,
  // and clears the flags. The window lays itself out first when the
  // changes need it (Changes().NeedLayout()).
  TDisplayShown Update(const TDisplaySurface& Surface);

  // Empties the curvature list, shows no procedure, clears the procedure and
  // the curvature selection (the state of a fresh start).
  void ClearProcedureState();

  // Loads FileName for replay. A file that cannot be loaded is named with
  // the reason after "File format not recognised" or "Unable to load file"
  // (see OpenFailureText), and nothing is shown: neither the file nor the
  // procedure shown before. False then.
  bool OpenImagerFile(const std::string& FileName, IUserInteraction& User);

  // Shows the procedure already in memory for replay as FileName, from its
  // first frame (what opening a file does once the file is read).
  void ShowProcedure(const std::string& FileName);

  // Moves the current frame by Delta within 1 .. frame count.
  TStepResult StepFrame(std::int32_t Delta);

  // A recording into FileName starts: no frames stored yet, no loops; the
  // gauge's full scale is MaxPain.
  void BeginRecording(const std::string& FileName, double MaxPain);
  // While recording, after a good acquisition step: the sample is the
  // frame on show, the session's verdict its loop (shown instead of
  // classifying the frame a second time).
  void ShowSample(const TLiveSample& Sample);

  // The time line's mouse, with the point index under it (-1: none); true
  // when the frame on show changed (the window refreshes).
  bool TimeLinePress(std::int32_t Index);
  bool TimeLineMove(std::int32_t Index);
  bool TimeLineDragging() const { return TimeLineDragging_; }
  // True when the pop-up menu is to open (a right-button release that ends
  // a drag); its marker items are enabled when TimeLineIndex is not -1.
  bool TimeLineRelease(std::int32_t Index, bool RightButton);
  std::int32_t TimeLineIndex() const { return TimeLineIndex_; }

  // The curvature graph's mouse, with the point index under it; true when
  // the selection changed (the window refreshes).
  bool CurvaturePress(std::int32_t Index);
  bool CurvatureMove(std::int32_t Index);
  void CurvatureRelease() { CurvatureDragging_ = false; }

  // Loop detection, shown while "ViewLoops" is on: the current frame's own
  // loop and the warning tube over it, the loop episodes of the procedure
  // shown (or, while recording, of the recording so far).
  const TLoopState& CurrentLoop() const { return CurrentLoop_; }
  const TLoopHighlight& LoopHighlight() const { return LoopHighlight_; }
  const std::vector<TLoopEpisode>& LoopEpisodes() const;

  // The procedure timeline on show: the recording session's while
  // recording, else that of the procedure shown (with the operator's marks
  // from its side file), and the frame of it on show (from 0; -1: none).
  const TTimelineTracker& Timeline() const;
  std::int32_t TimelineIndex() const;
  // Why the side file of the procedure shown could not be read (its marks
  // are then left out); empty when it could.
  const std::string& TimelineProblem() const { return TimelineProblem_; }
  // In replay, the operator's marks on the frame on show, written at once
  // to the side file beside the recording: a lesion tag (its number is
  // returned; 0 and nothing done without a frame) or "Caecum reached".
  // Raises Exception naming the side file when it cannot be written; the
  // mark stays on show.
  std::int32_t TagLesionOnShow();
  void ConfirmCaecumOnShow();
  // The recording session whose loops and timeline are shown while
  // recording; it must outlive the display.
  void AttachRecordingSession(const TRecordingSession& Session) { Session_ = &Session; }

private:
  void CopyCurrentFrame(TDisplayShown& Shown);
  void ShowNoProcedure();
  void TrackShownTimeline(const std::string& FileName);
  void SaveShownMarks() const;
  void MakeShownFrame(const TDisplaySurface& Surface);
  std::int32_t GaugePercent();
  void PassCurvatureSelection();
  void AlignCameraWhenAsked();
  void FitCameraWhenAsked(const TDisplaySurface& Surface);
  void BuildModel();
  TInformationBoxText InformationBox();
  std::string LoopAlert() const;
  bool SelectCurvaturePoint(std::int32_t Index);
  void DetectLoop();

  const TOptions& Options_;
  TDisplayChanges Changes_;
  TOperatingMode Mode_ = ModeIdle;
  bool ProcedureShown_ = false;
  std::string CurrentFileName_;
  std::int32_t CurrentFrame_ = 0;
  std::int32_t TimeLineIndex_ = -1;
  bool TimeLineDragging_ = false;
  std::int32_t SelectedCurvaturePoint_ = -1;
  bool CurvatureDragging_ = false;
  // While recording, the gauge's full scale.
  double MaxPain_ = 0;
  TImagerProcedure Procedure_;
  TImagerFrame CurrentFrameData_;
  TImagerFrame ShownFrame_;
  TFrameCheck FrameCheck_;
  TPolygonImagerData ShapeModel_;
  TEndoscopeCurvatureInfos CurvatureInfos_;
  // The curvature profile as the graph shows it, with its selected point.
  TCurvatureGraphPoints CurvatureGraph_;
  TViewCamera Camera_;
  TLoopState CurrentLoop_;
  TLoopHighlight LoopHighlight_;
  std::vector<TLoopEpisode> ShownEpisodes_;
  const TRecordingSession* Session_ = nullptr;
  std::optional<TLoopState> LiveLoop_;
  TTimelineTracker ShownTimeline_{ProcedureColonoscopy};
  std::string TimelineProblem_;
};

} // namespace kestrava

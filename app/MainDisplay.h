#pragma once
// The main window's display engine without the widgets: the procedure shown,
// the copy of the current frame, the shape model, the camera, the curvature
// selection, the change flags, and the single refresh (Update) that turns
// them into what the window shows. The window implements IMainDisplaySurface
// for the parts only it can do (placing widgets, pointing views at their
// sizes, painting) and forwards its events here.
//
// Frames are numbered from 1 (0: none); lengths in metres.
// Thread: user-interface thread only.

#include "app/DisplayChanges.h"
#include "app/Options.h"
#include "app/PainDisplay.h"
#include "app/StatusPanelTexts.h"
#include "app/ViewCamera.h"
#include "app/ViewFit.h"
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

namespace kestrava {

class ICurvatureGraph;
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

class IMainDisplaySurface {
public:
  virtual ~IMainDisplaySurface() = default;
  // Places the controls for the current options and mode.
  virtual void LayOut() = 0;
  // Moves the time line's cursor (-1 hides it) and repaints the time line.
  virtual void ShowTimeLineCursor(std::int32_t Position) = 0;
  // Replaces the time line's points and scale and repaints it.
  virtual void SetTimeLine(const TTimeLinePoints& Line) = 0;
  virtual bool CurvatureGraphVisible() const = 0;
  // The curvature graph the analysis plots into.
  virtual ICurvatureGraph& CurvatureGraph() = 0;
  virtual void SetGaugeProgress(std::int32_t Percent) = 0;
  virtual void FillInformationBox() = 0;
  // Points the front view (and in twin view the side view) along the camera
  // with scales from each view's own size, shows them and repaints them.
  virtual void ShowViews(const TViewCamera& Camera, bool Twin) = 0;
  virtual void SetStatusTexts(const TStatusPanelTexts& Texts) = 0;
  // The remote's indicator lamps for a new remote mode.
  virtual void SetRemoteIndicators(std::uint32_t Mask) = 0;
  // Repaints the whole window at once.
  virtual void RepaintNow() = 0;
  // A new frame is on show (another frame in replay, a new sample while
  // recording): for whoever passes frames on (the streaming server).
  virtual void FrameShown() {}
  // What is wrong with the frame on show, in a line for the status bar
  // ("Model incomplete: sensor 3 position: not a number"); empty when
  // nothing is.
  virtual void ShowFrameProblem(const std::string& /*Text*/) {}
  // The sizes of the views as laid out, and the room a marker's label takes
  // beside it: what fitting the camera needs. Nothing is fitted into views
  // of no size.
  virtual TFitViews ViewSizes() const { return {}; }
  virtual TLabelRoom MarkerLabelRoom() const { return {}; }
  // While recording: why the body markers placed cannot be right (see
  // MarkerPlacementCheck.h); empty when nothing is wrong with them.
  virtual void ShowMarkerAlert(const std::string& /*Text*/) {}
};

enum class TStepResult {
  Moved,   // the frame changed
  AtEnd,   // already at that end: the caller beeps
  Ignored, // recording, or nothing shown
};

class TMainDisplay {
public:
  explicit TMainDisplay(TOptions& Options);

  TImagerProcedure& Procedure() { return Procedure_; }
  const TImagerProcedure& Procedure() const { return Procedure_; }
  // The current frame as stored or sampled (the sampler fills it while
  // recording).
  TImagerFrame& CurrentFrameData() { return CurrentFrameData_; }
  const TImagerFrame& CurrentFrameData() const { return CurrentFrameData_; }
  // The current frame as shown: without what no model can be built from
  // (see DrawableFrame.h). Everything drawn, measured and streamed is
  // taken from it; FrameCheck says what was left out and why.
  const TImagerFrame& ShownFrame() const { return ShownFrame_; }
  const TFrameCheck& FrameCheck() const { return FrameCheck_; }
  TPolygonImagerData& ShapeModel() { return ShapeModel_; }
  const TPolygonImagerData& ShapeModel() const { return ShapeModel_; }
  TEndoscopeCurvatureInfos& CurvatureInfos() { return CurvatureInfos_; }
  TViewCamera& Camera() { return Camera_; }
  const TViewCamera& Camera() const { return Camera_; }
  const TOptions& Options() const { return Options_; }

  TDisplayChanges Changes;
  // Update acts only once start-up has finished.
  bool Ready = false;
  std::int32_t Mode = ModeIdle;
  bool ProcedureShown = false;
  std::string CurrentFileName;
  std::int32_t CurrentFrame = 0;
  std::int32_t RemoteMode = 0;
  std::int32_t TimeLineIndex = -1;
  bool TimeLineDragging = false;
  std::int32_t SelectedCurvaturePoint = -1;
  bool CurvatureDragging = false;
  double MaxPain = 0;

  bool Recording() const { return Mode == ModeRecording; }

  // The refresh: lays out, copies the current frame, runs the curvature
  // analysis, sets the gauge, aligns the camera, refreshes (building the
  // model, then fitting the camera to it when asked or, with
  // "AutoFitEndoscope", when a new picture would leave a view), clears the
  // flags and repaints.
  void Update(IMainDisplaySurface& Surface);

  // Empties the curvature list, shows no procedure, clears the procedure and
  // the curvature selection (the state of a fresh start).
  void ClearProcedureState();

  // Loads FileName for replay and refreshes. A file that cannot be loaded
  // is named with the reason after "File format not recognised" or "Unable
  // to load file" (see OpenFailureText), and nothing is shown: neither the
  // file nor the procedure shown before. False then.
  bool OpenImagerFile(const std::string& FileName, IUserInteraction& User,
                      IMainDisplaySurface& Surface);

  // Shows the procedure already in memory for replay as FileName, from its
  // first frame (what opening a file does once the file is read).
  void ShowProcedure(const std::string& FileName, IMainDisplaySurface& Surface);

  // Moves the current frame by Delta within 1 .. frame count.
  TStepResult StepFrame(std::int32_t Delta);

  // 1 replay, 2 recording (remote back to markers); the next refresh lays
  // the window out.
  void SetMode(std::int32_t NewMode, IMainDisplaySurface& Surface);
  void SetRemoteMode(std::int32_t NewMode, IMainDisplaySurface& Surface);

  // The time line's mouse, with the point index under it (-1: none).
  void TimeLinePress(std::int32_t Index, IMainDisplaySurface& Surface);
  void TimeLineMove(std::int32_t Index, IMainDisplaySurface& Surface);
  // True when the pop-up menu is to open (a right-button release that ends
  // a drag); its marker items are enabled when TimeLineIndex is not -1.
  bool TimeLineRelease(std::int32_t Index, bool RightButton);

  // The curvature graph's mouse, with the point index under it.
  void CurvaturePress(std::int32_t Index, IMainDisplaySurface& Surface);
  void CurvatureMove(std::int32_t Index, IMainDisplaySurface& Surface);
  void CurvatureRelease() { CurvatureDragging = false; }

  // The inserted length of the current frame as the information box shows it.
  double CurrentScopeLength() const;

  // Loop detection, shown while "ViewLoops" is on: the current frame's own
  // loop and the warning tube over it, the loop episodes of the procedure
  // shown (or, while recording, of the recording so far) and the live alert.
  const TLoopState& CurrentLoop() const { return CurrentLoop_; }
  const TLoopHighlight& LoopHighlight() const { return LoopHighlight_; }
  const std::vector<TLoopEpisode>& LoopEpisodes() const;
  bool LoopAnnounced() const;
  TLoopClass AnnouncedLoopClass() const;
  // A new recording starts with no episodes.
  void ResetLoops();

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
  // The recording session whose loops are shown while recording; it must
  // outlive the display.
  void AttachRecordingSession(const TRecordingSession& Session) { Session_ = &Session; }
  // While recording, after a good acquisition: the session's verdict on the
  // sample (none while loops are not tracked), shown at the next refresh
  // instead of classifying the frame a second time.
  void ShowLiveLoop(const std::optional<TLoopState>& Loop) { LiveLoop_ = Loop; }

private:
  void CopyCurrentFrame(IMainDisplaySurface& Surface);
  void ShowNoProcedure(IMainDisplaySurface& Surface);
  void TrackShownTimeline(const std::string& FileName);
  void SaveShownMarks() const;
  void MakeShownFrame(IMainDisplaySurface& Surface);
  void SetGauge(IMainDisplaySurface& Surface);
  void PassCurvatureSelection();
  void AlignCameraWhenAsked();
  void FitCameraWhenAsked(IMainDisplaySurface& Surface);
  void Refresh(IMainDisplaySurface& Surface);
  void SelectCurvaturePoint(std::int32_t Index, IMainDisplaySurface& Surface);
  void DetectLoop();

  TOptions& Options_;
  TImagerProcedure Procedure_;
  TImagerFrame CurrentFrameData_;
  TImagerFrame ShownFrame_;
  TFrameCheck FrameCheck_;
  TPolygonImagerData ShapeModel_;
  TEndoscopeCurvatureInfos CurvatureInfos_;
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

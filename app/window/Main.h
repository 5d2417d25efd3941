#pragma once
// TMain: the workstation's main window. It owns the working objects (through
// the display engine and the sampler), creates its controls, menus and
// status bar, lays them out, and forwards every event to the display engine,
// which decides what is shown. Messages go through IUserInteraction, so tests
// script the answers; options come from and go back to an IOptionStore.
//
// Life: constructed = start-up (check StartupFailed() before showing it);
// destroyed = options written. Thread: user-interface thread only.

#include "app/ControlAction.h"
#include "app/KeyboardControl.h"
#include "app/MainDisplay.h"
#include "app/NoticePanel.h"
#include "app/OptionStore.h"
#include "app/Options.h"
#include "app/PainDisplay.h"
#include "app/ProcedureDetails.h"
#include "app/ProcedureRecorder.h"
#include "app/RecordingSession.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QMessageBox;
class QPushButton;

namespace kestrava {

class IPlatformServices;
class IUserInteraction;
class TDirect3DViewerControl;
class TECGGraph;
class TGauge;
class TIGTLinkServer;
class TImagerSampler;
class TScrollableStringList;
class TAboutDialog;
class TGenCoilsDisconnectedDialog;
class TGetProcedureDetailsDialog;
class TGetStorageDirectoryDialog;

inline constexpr const char* ProgramTitle = "Kestrava V4.5";
inline constexpr const char* StopBeforeClosingMessage =
    "Please stop procedure before closing program";
inline constexpr const char* ConfirmShutdownMessage = "Are you sure you wish to shutdown Windows?";
inline constexpr const char* PhaseCorrectionNoticeMessage =
    "Changing the phase correction option will have effect next time a recording is made";
inline constexpr const char* PowerOffFailedMessage =
    "The computer could not be shut down from this program.";
inline constexpr const char* StreamingFailedMessage = "The OpenIGTLink server could not start";
inline constexpr const char* DspFailedMessage = "Failed to initialise DSP chip";
inline constexpr const char* SaveProblemMessage = "A problem occurred saving the imager file.";

// Asked before Open, Start or Close would drop a recording whose save failed
// and was not made elsewhere.
std::string UnsavedRecordingQuestion(const std::string& FileName);

// The window's menu items, made with the menus; the items whose state
// follows the options and the mode are set from them before a menu opens.
struct TMainMenus {
  QMenu* File = nullptr;
  QAction* OpenImagerFile = nullptr;
  QAction* ExportReport = nullptr;
  QAction* ShutDownWindows = nullptr;
  QAction* Exit = nullptr;
  QMenu* View = nullptr;
  QAction* Endoscope = nullptr;
  QAction* Markers = nullptr;
  QAction* Sensors = nullptr;
  QAction* Hand = nullptr;
  QAction* Overtube = nullptr;
  QAction* Measure = nullptr;
  QAction* EndoscopeCurvature = nullptr;
  QAction* Loops = nullptr;
  QAction* APView = nullptr;
  QAction* LateralView = nullptr;
  QAction* TwinView = nullptr;
  QAction* FitEndoscope = nullptr;
  QAction* Info = nullptr;
  QAction* TimeLine = nullptr;
  QMenu* Options = nullptr;
  QAction* AutoAlign = nullptr;
  QAction* AutoCutoff = nullptr;
  QAction* UsePhaseCorrection = nullptr;
  QAction* UseHardwareDirect3D = nullptr;
  QAction* BackgroundColour = nullptr;
  QAction* PatientPainThreshold = nullptr;
  QAction* OpenIGTLinkServer = nullptr;
  QAction* AutoFitEndoscope = nullptr;
  QAction* SetStorageDirectory = nullptr;
  QAction* SetDefaultOptions = nullptr;
  QAction* TagLesion = nullptr;
  QAction* CaecumReached = nullptr;
  QAction* About = nullptr;
  // The time line's pop-up.
  QMenu* TimeLinePopUp = nullptr;
};

// What the window needs from the world around it.
struct TMainEnvironment {
  IOptionStore& UserOptions;
  const IOptionStore& MachineOptions;
  IUserInteraction& User;
  IPlatformServices& Platform;
  // Holds the calibration files, "DSP.DAT" and drivers/ (no trailing separator).
  std::string ProgramDirectory;
  // The default "ImagerFilesDirectory".
  std::string WorkingDirectory;
  // Bits per pixel of the primary screen.
  std::int32_t ScreenDepth = 32;
  // The system beep.
  std::function<void()> Beep;
  // Asks the operating system to power the computer off; false when it
  // cannot.
  std::function<bool()> PowerOff;
  // Where recording time stamps come from; null: the workstation's steady
  // clock. Must outlive the window.
  IRecordingClock* Clock = nullptr;
  // Runs the procedure details dialog on Details (preset in, results out);
  // empty: the real dialog.
  std::function<bool(TProcedureDetails& Details)> AskProcedureDetails;
  // Asks where to save a recording that could not be saved where it was
  // recorded; an empty answer declines. Empty: a save-file dialog.
  std::function<std::string()> AskSaveFileName;
};

class TMain : public QMainWindow {
public:
  explicit TMain(TMainEnvironment Environment, QWidget* Parent = nullptr);
  ~TMain() override;
  TMain(const TMain&) = delete;
  TMain& operator=(const TMain&) = delete;

  // A start-up check failed: the window must not be shown and the program
  // ends.
  bool StartupFailed() const { return StartupFailed_; }

  // File > "Open imager file..." with the name already chosen.
  bool OpenImagerFile(const std::string& FileName);
  void StepFrame(std::int32_t Delta);

  // State and parts, for the tests and the benchmark.
  const TOptions& Options() const { return Options_; }
  TOptions& MutableOptions() { return Options_; }
  TMainDisplay& Display() { return Display_; }
  TImagerSampler& Sampler() { return *Sampler_; }
  // Null while the OpenIGTLink server is off.
  TIGTLinkServer* StreamingServer() { return Stream_.get(); }
  bool HardwareReady() const { return HardwareReady_; }
  bool DriverIdentifierFound() const { return DriverIdFound_; }
  TECGGraph& TimeLine() { return *TimeLine_; }
  TECGGraph& CurvatureGraphControl() { return *CurvatureGraph_; }
  TScrollableStringList& InfoBox() { return *InfoBox_; }
  TGauge& GaugeControl() { return *Gauge_; }
  QPushButton& StartProcedureButton() { return *StartButton_; }
  QPushButton& StopProcedureButton() { return *StopButton_; }
  TDirect3DViewerControl& FrontView() { return *FrontView_; }
  TDirect3DViewerControl& SideView() { return *SideView_; }
  QString StatusText(std::size_t Panel) const;
  QString LoopAlertPanelText() const;
  // Our panels: the OpenIGTLink server's state and the notices.
  QString StreamPanelText() const;
  QString NoticePanelText() const;
  QMenu& TimeLineMenu() { return *Menus_.TimeLinePopUp; }
  const TMainMenus& Menus() const { return Menus_; }
  // The single refresh: lays out when the changes need it, then shows what
  // the display engine returns for the frame on show. Nothing before
  // start-up has finished.
  void Update();

  void SetDefaultOptions();

  // "Start Procedure": checks, details, sampler set-up, the live file, then
  // the acquisition step runs whenever the application is idle.
  void StartProcedure();
  // One acquisition step; Done false asks to be called again at once.
  void AcquisitionStep(bool& Done);
  // Stops a running recording (Esc, Stop Procedure), saves and reopens it.
  void StopProcedure();
  // The recording on show could not be saved and was not saved elsewhere.
  bool UnsavedRecording() const { return UnsavedRecording_; }
  TRecordingSession& Session() { return *Session_; }
  // The status bar's notice panel: failures that must not stop the work
  // (the live file, an error that escaped an event handler).
  void ShowNoticeInStatusBar(const std::string& Text);
  // The 40 ms tick: held keys and the remote act while the window is active.
  void TimerTimer();

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

private:
  // Start-up, in its order.
  bool CheckPrerequisites();
  void CreateControls();
  void CreateViews();
  void SetUpTimeLine();
  void SetUpCurvatureGraph();
  void CreateMenus();
  void CreateStatusBar();
  void ReadOptions();
  void WriteOptions();

  // Menus.
  void FileMenuAboutToShow();
  // The check marks of the View and Options menus.
  void CheckMenuItems();
  void OpenImagerFileClick();
  void ShutDownWindowsClick();
  void SetStorageDirectoryClick();
  void BackgroundColourClick();
  void UsePhaseCorrectionClick();
  // A check item that toggles Option, marks Change (when given) and
  // refreshes; its check mark follows the option.
  QAction* AddOptionItem(QMenu* Menu, const char* Text, bool TOptions::*Option,
                         bool TDisplayChanges::*Change);
  void ToggleOption(bool TOptions::*Option, bool TDisplayChanges::*Change);
  void SetViewMode(std::int32_t Mode);
  // "Tag lesion" and "Caecum reached": on the last frame stored while
  // recording, else on the frame on show; kept in the side file at once.
  void TagLesionClick();
  void CaecumReachedClick();
  void MarkTimeline(const std::function<std::int32_t()>& Mark);
  // A side file that could not be read goes to the status bar.
  void ShowTimelineProblem();

  bool CloseQuery();
  bool RunProcedureDetails(TProcedureDetails& Details);
  bool SetUpSampler();
  // The live file's path; none when it could not be made (the operator
  // was told).
  std::optional<std::string> BeginRecording(const TProcedureDetails& Details);
  void EnterRecordingMode(const std::string& FileName);
  void ShowAcquisition(const TSessionStep& Step);
  void ShowLiveFileFailure(const std::string& Failure);
  // False when the save failed and was not made elsewhere.
  bool SaveRecording(std::string FileName);
  std::string AskSaveFileName();
  void KeepTimelineMarksBeside(const std::string& FileName);
  // Before something drops the procedure on show: true when it may go (it
  // is saved, the operator saved it now or chose to drop it).
  bool KeepOrSaveUnsavedRecording();
  IRecordingClock& Clock();
  bool PollKeysAndRemote();
  // With KESTRAVA_INFO_BOX_FILE set, the box's lines also go to that file,
  // so that a test driving the real program can read what it shows.
  void MirrorInformationBox(const std::vector<std::string>& Lines) const;
  // Refresh: the one-shot keys refresh at once; polled actions refresh once
  // per poll.
  void ApplyControlAction(const TControlAction& Action, bool Refresh);
  void DrawView(TDirect3DViewerControl& View);
  void DrawTimeLineMarkers(QPainter& Canvas);

  // The refresh's parts: placing the controls for the options and the
  // mode, then drawing what the display engine returned.
  void LayOut();
  void Show(const TDisplayShown& Shown);
  void SetTimeLine(const TTimeLinePoints& Line);
  void FillInformationBox(const TInformationBoxText& Text, const std::string& ToolTip);
  void ShowViews(const TViewCamera& Camera, bool Twin);
  void ShowStatusTexts(const TStatusPanelTexts& Texts, const std::string& LoopAlert);
  void ShowNotices();
  TFitViews ViewSizes() const;
  // The remote's mode, with its indicator lamps.
  void SetRemoteMode(std::int32_t Mode);
  // A new frame is on show: for the streaming server in replay.
  void FrameShown();

  // The OpenIGTLink server, running while the option is on.
  void StartStreaming();
  void StopStreaming();
  void StreamingClick();
  // Once a second: the server's state to its panel, and a failure of the
  // server's thread to the notice panel.
  void WatchStreaming();
  void ShowStreamState();

  TMainEnvironment Env_;
  TOptions Options_;
  TMainDisplay Display_;
  std::unique_ptr<TImagerSampler> Sampler_;
  TSteadyRecordingClock SteadyClock_;
  // After the sampler, which it uses.
  std::unique_ptr<TRecordingSession> Session_;
  bool UnsavedRecording_ = false;
  bool StartupFailed_ = false;
  // Refreshes act once start-up has finished, until the window goes.
  bool Ready_ = false;
  std::int32_t RemoteMode_ = RemoteModeMarkers;
  bool DriverIdFound_ = false;
  std::string DriverId_;
  bool HardwareReady_ = false;
  // The views were last asked for the hardware device; one of them could
  // not start it (see LayOut).
  bool HardwareAsked_ = false;
  bool HardwareFellBack_ = false;

  // Children, owned by Qt's parent chain.
  QWidget* Client_ = nullptr;
  TECGGraph* TimeLine_ = nullptr;
  TECGGraph* CurvatureGraph_ = nullptr;
  TScrollableStringList* InfoBox_ = nullptr;
  TGauge* Gauge_ = nullptr;
  QPushButton* StartButton_ = nullptr;
  QPushButton* StopButton_ = nullptr;
  TDirect3DViewerControl* FrontView_ = nullptr;
  TDirect3DViewerControl* SideView_ = nullptr;
  std::array<QLabel*, 5> StatusPanels_{};
  QLabel* LoopAlertPanel_ = nullptr;
  QLabel* StreamPanel_ = nullptr;
  QLabel* NoticePanel_ = nullptr;
  TNoticePanel Notices_;
  QMessageBox* LiveFileNotice_ = nullptr;
  TMainMenus Menus_;
  // The check items of options, each with the option it shows.
  std::vector<std::pair<QAction*, bool TOptions::*>> OptionItems_;
  TAboutDialog* AboutDialog_ = nullptr;
  TGetStorageDirectoryDialog* StorageDirectoryDialog_ = nullptr;
  TGenCoilsDisconnectedDialog* GenCoilsNotice_ = nullptr;
  QTimer Timer_;
  TKeyboardControl Keys_;
  std::unique_ptr<TIGTLinkServer> Stream_;
  QTimer StreamWatch_;
  std::uint64_t StreamFailuresSeen_ = 0;
  TGetProcedureDetailsDialog* DetailsDialog_ = nullptr;
  QString InfoBoxMirror_;
};

} // namespace kestrava

#include "app/window/Main.h"

#include "acquisition/ImagerSampler.h"
#include "app/InformationBoxLines.h"
#include "app/LoopTexts.h"
#include "app/MainLayout.h"
#include "app/PainDisplay.h"
#include "app/QtKeyMapping.h"
#include "app/RemoteControl.h"
#include "app/ReportExport.h"
#include "app/StartupChecks.h"
#include "app/StreamPanelText.h"
#include "app/TimeLineMenu.h"
#include "app/TimeLineOverlay.h"
#include "app/TimelineBand.h"
#include "app/ViewPicture.h"
#include "app/window/AboutDialog.h"
#include "app/window/GenCoilsDisconnectedDialog.h"
#include "app/window/GetProcedureDetailsDialog.h"
#include "app/window/GetStorageDirectoryDialog.h"
#include "controls/ECGGraph.h"
#include "controls/Gauge.h"
#include "controls/ScrollableStringList.h"
#include "foundation/UserInteraction.h"
#include "render/Direct3DViewerControl.h"
#include "streaming/IGTLinkServer.h"
#include "streaming/StreamContext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>

namespace kestrava {

namespace {

constexpr std::int32_t InfoBoxWidth = 250;
constexpr std::int32_t GaugeHeight = 40;
constexpr std::int32_t ButtonHeight = 25;
constexpr int TimerIntervalMs = 40;

QRect ToQRect(const TRect& R) {
  return QRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
}
TRect ToTRect(const QRect& R) {
  return TRect{R.left(), R.top(), R.left() + R.width(), R.top() + R.height()};
}

QString FromUtf8(const std::string& Text) {
  return QString::fromStdString(Text);
}

} // namespace

TMain::TMain(TMainEnvironment Environment, QWidget* Parent)
    : QMainWindow(Parent), Env_(std::move(Environment)), Display_(Options_) {
  InfoBoxMirror_ = qEnvironmentVariable("KESTRAVA_INFO_BOX_FILE");
  // 1-3: the title, then what the program cannot run without.
  setWindowTitle(ProgramTitle);
  if (!CheckPrerequisites())
    StartupFailed_ = true;
  // 5: the notice shown while the generator coils are unplugged.
  GenCoilsNotice_ = new TGenCoilsDisconnectedDialog(this);
  // 6-9: the options over their defaults.
  Options_ = DefaultOptions(Env_.WorkingDirectory);
  ReadOptions();
  Display_.Procedure().SetPainThreshold(Options_.PatientPainThreshold);
  // 10: the sampler, which loads the driver when one is named.
  Sampler_ = std::make_unique<TImagerSampler>(
      DriverIdFound_, DriverId_,
      TImagerSamplerPlaces{Env_.ProgramDirectory + "/drivers", Env_.ProgramDirectory}, Env_.User,
      Env_.Platform);
  Session_ = std::make_unique<TRecordingSession>(*Sampler_, Display_.Procedure(),
                                                 Display_.CurrentFrameData(), Clock());
  Display_.AttachRecordingSession(*Session_);
  // 11-14: curvature graph, camera, views.
  CreateControls();
  SetUpCurvatureGraph();
  Display_.Camera().ResetCamera();
  CreateViews();
  CreateMenus();
  CreateStatusBar();
  AboutDialog_ = new TAboutDialog(this, QCoreApplication::applicationFilePath().toStdString());
  DetailsDialog_ = new TGetProcedureDetailsDialog(this);
  StorageDirectoryDialog_ = new TGetStorageDirectoryDialog(this);
  // 15-16: no procedure yet.
  Display_.ClearProcedureState();
  setWindowTitle(ProgramTitle);
  Display_.Change(&TDisplayChanges::Procedure);
  Display_.Change(&TDisplayChanges::Camera);
  SetUpTimeLine();
  // 17: the hardware; replay works without it.
  HardwareReady_ = Sampler_->InitialiseHardware();
  StartButton_->setEnabled(HardwareReady_);
  StopButton_->setEnabled(false);
  // 18.
  Ready_ = true;
  if (Options_.IGTLinkServer)
    StartStreaming();
  setMinimumSize(400, 200);
  Timer_.setInterval(TimerIntervalMs);
  connect(&Timer_, &QTimer::timeout, this, [this] { TimerTimer(); });
  Timer_.start();
  StreamWatch_.setInterval(1000);
  connect(&StreamWatch_, &QTimer::timeout, this, [this] { WatchStreaming(); });
  StreamWatch_.start();
  // The window sees every key before the focused control does.
  qApp->installEventFilter(this);
  Display_.Change(&TDisplayChanges::Layout);
  Update();
}

TMain::~TMain() {
  qApp->removeEventFilter(this);
  StopStreaming();
  Timer_.stop();
  // Nothing may refresh while the parts go.
  Ready_ = false;
  WriteOptions();
}

bool TMain::CheckPrerequisites() {
  bool Passed = true;
  if (!DisplayDepthSufficient(Env_.ScreenDepth)) {
    ShowNotice(Env_.User, PaletteDisplayMessage, TMessageIcon::Error);
    Passed = false;
  }
  if (!GraphicsDevicesAvailable()) {
    ShowNotice(Env_.User, DirectXMissingMessage);
    Passed = false;
  }
  return Passed;
}

void TMain::ReadOptions() {
  if (std::optional<std::string> Id = ReadDriverId(Env_.MachineOptions)) {
    DriverId_ = *Id;
    DriverIdFound_ = true;
  }
  kestrava::ReadOptions(Env_.UserOptions, Options_);
}

void TMain::WriteOptions() {
  Options_.PatientPainThreshold = Display_.Procedure().PainThreshold();
  kestrava::WriteOptions(Env_.UserOptions, Options_);
}

void TMain::SetDefaultOptions() {
  kestrava::SetDefaultOptions(Options_);
  Display_.Procedure().SetPainThreshold(Options_.PatientPainThreshold);
  Display_.Change(&TDisplayChanges::Renderer);
  Update();
}

// ---------------------------------------------------------------- controls

void TMain::CreateControls() {
  Client_ = new QWidget(this);
  setCentralWidget(Client_);

  InfoBox_ = new TScrollableStringList(Client_);
  InfoBox_->setObjectName("InfoBox");
  InfoBox_->resize(InfoBoxWidth, 300);

  Gauge_ = new TGauge(Client_);
  Gauge_->setObjectName("GaugeControl");
  Gauge_->SetForeColor(ColorMaroon);
  Gauge_->resize(InfoBoxWidth, GaugeHeight);

  StartButton_ = new QPushButton("&Start Procedure", Client_);
  StartButton_->setObjectName("StartProcedureButton");
  StartButton_->resize(InfoBoxWidth - 16, ButtonHeight);
  StartButton_->hide();
  connect(StartButton_, &QPushButton::clicked, this, [this] { StartProcedure(); });
  StopButton_ = new QPushButton("Stop Procedure", Client_);
  StopButton_->setObjectName("StopProcedureButton");
  StopButton_->resize(InfoBoxWidth - 16, ButtonHeight);
  StopButton_->hide();
  connect(StopButton_, &QPushButton::clicked, this, [this] { StopProcedure(); });

  TimeLine_ = new TECGGraph(Client_);
  TimeLine_->setObjectName("ECGGraph");
  CurvatureGraph_ = new TECGGraph(Client_);
  CurvatureGraph_->setObjectName("CurvatureGraph");
  CurvatureGraph_->hide();
}

void TMain::SetUpCurvatureGraph() {
  TECGGraph& Graph = *CurvatureGraph_;
  Graph.SetYScale(1.0f);
  Graph.SetCursorColor(ColorRed);
  Graph.SetColor(ColorBlack);
  Graph.SetPenColor(ColorWhite);
  Graph.SetFontColor(ColorWhite);
  Graph.SetEnableAxisLabelling(false);
  Graph.SetYOffset(10 - Graph.height() / 2);
  Graph.OnMouseDown = [this](TECGGraph& Sender, Qt::MouseButton, int X, int) {
    if (Display_.CurvaturePress(Sender.IndexAtX(X)))
      Update();
  };
  Graph.OnMouseMove = [this](TECGGraph& Sender, Qt::MouseButton, int X, int) {
    if (Display_.CurvatureMove(Sender.IndexAtX(X)))
      Update();
  };
  Graph.OnMouseUp = [this](TECGGraph& Sender, Qt::MouseButton, int, int) {
    Display_.CurvatureRelease();
    Sender.update();
  };
}

void TMain::SetUpTimeLine() {
  TECGGraph& Graph = *TimeLine_;
  Graph.SetColor(ColorBlack);
  Graph.SetPenColor(ColorWhite);
  Graph.SetCursorColor(ColorRed);
  Graph.SetXTickPeriodicity(60);
  Graph.SetYScale(0);
  Graph.SetYOffset(-10);
  Graph.OnMouseDown = [this](TECGGraph& Sender, Qt::MouseButton, int X, int) {
    // A click on a lesion tag's tick goes to the tagged frame.
    const std::optional<std::int32_t> Tag = LesionIndexNear(
        Display_.Timeline().Lesions(), X, [&Sender](std::int32_t I) { return Sender.PointToX(I); });
    if (Display_.TimeLinePress(Tag ? *Tag : Sender.IndexAtX(X)))
      Update();
  };
  Graph.OnMouseMove = [this](TECGGraph& Sender, Qt::MouseButton, int X, int) {
    if (Display_.TimeLineDragging() && Display_.TimeLineMove(Sender.IndexAtX(X)))
      Update();
  };
  Graph.OnMouseUp = [this](TECGGraph& Sender, Qt::MouseButton Button, int X, int Y) {
    if (!Display_.TimeLineRelease(Sender.IndexAtX(X), Button == Qt::RightButton))
      return;
    const QList<QAction*> Items = Menus_.TimeLinePopUp->actions();
    for (QAction* Item : Items)
      if (!Item->isSeparator())
        Item->setEnabled(TimeLineCommandEnabled(static_cast<TTimeLineCommand>(Item->data().toInt()),
                                                Display_.TimeLineIndex()));
    Menus_.TimeLinePopUp->popup(Sender.mapToGlobal(QPoint(X, Y)));
  };
  Graph.OnUserPreDraw = [this](TECGGraph&, QPainter& Canvas) {
    DrawTimeLineMarkers(Canvas);
  };
}

void TMain::DrawTimeLineMarkers(QPainter& Canvas) {
  const TECGGraph& Graph = *TimeLine_;
  const TTimeLineGeometry Geometry{[&Graph](std::int32_t I) { return Graph.PointToX(I); },
                                   Graph.ValueToY(0), Graph.height()};
  for (const TTimeLineShape& Shape :
       TimeLineOverlay(Display_.Procedure(), Display_.Timeline(),
                       Options_.ViewLoops ? &Display_.LoopEpisodes() : nullptr, Geometry)) {
    if (Shape.Kind == TTimeLineShape::Box) {
      Canvas.fillRect(Shape.X1, Shape.Y1, Shape.X2 - Shape.X1, Shape.Y2 - Shape.Y1,
                      ToQColor(Shape.Colour));
    } else {
      Canvas.setPen(ToQColor(Shape.Colour));
      Canvas.drawLine(Shape.X1, Shape.Y1, Shape.X2, Shape.Y2);
    }
  }
}

void TMain::CreateViews() {
  const auto MakeView = [this](const char* Name) {
    auto* View = new TDirect3DViewerControl(Client_);
    View->setObjectName(Name);
    View->setEnabled(false);
    View->hide();
    View->OnDraw = [this, View](TDirect3DViewerCore&) {
      DrawView(*View);
    };
    SetUpAsWindowView(*View);
    return View;
  };
  FrontView_ = MakeView("FrontView");
  SideView_ = MakeView("SideView");
}

void TMain::DrawView(TDirect3DViewerControl& View) {
  const TGraphics3DFrame* LoopWarning = Options_.ViewLoops && Options_.ViewEndoscope
                                            ? &Display_.LoopHighlight().RootFrame()
                                            : nullptr;
  DrawViewPicture(View, View.BackSurfaceCanvas(), Display_.ShapeModel(), Display_.ShownFrame(),
                  {static_cast<std::uint32_t>(Options_.BackgroundColor), Options_.ViewMarkers,
                   Display_.Procedure().ProcedureType, LoopWarning});
}

void TMain::CreateStatusBar() {
  for (QLabel*& Panel : StatusPanels_) {
    Panel = new QLabel(this);
    Panel->setMinimumWidth(120);
    statusBar()->addWidget(Panel);
  }
  StatusPanels_[0]->setObjectName("Panel_ViewType");
  StatusPanels_[1]->setObjectName("Panel_AutoAlign");
  StatusPanels_[2]->setObjectName("Panel_AutoCutoff");
  StatusPanels_[3]->setObjectName("Panel_PatientPainSensor");
  StatusPanels_[4]->setObjectName("Panel_PhaseCorrection");
  LoopAlertPanel_ = new QLabel(this);
  LoopAlertPanel_->setObjectName("Panel_LoopAlert");
  LoopAlertPanel_->setMinimumWidth(160);
  LoopAlertPanel_->setAutoFillBackground(true);
  statusBar()->addWidget(LoopAlertPanel_);
  StreamPanel_ = new QLabel(this);
  StreamPanel_->setObjectName("Panel_Stream");
  StreamPanel_->setMinimumWidth(120);
  statusBar()->addWidget(StreamPanel_);
  NoticePanel_ = new QLabel(this);
  NoticePanel_->setObjectName("Panel_Notice");
  statusBar()->addWidget(NoticePanel_, 1);
  statusBar()->setSizeGripEnabled(false);
  ShowStreamState();
}

QString TMain::StatusText(std::size_t Panel) const {
  return StatusPanels_.at(Panel)->text();
}

QString TMain::StreamPanelText() const {
  return StreamPanel_->text();
}

QString TMain::NoticePanelText() const {
  return NoticePanel_->text();
}

void TMain::ShowNoticeInStatusBar(const std::string& Text) {
  Notices_.Notice(Text);
  ShowNotices();
}

void TMain::ShowNotices() {
  NoticePanel_->setText(FromUtf8(Notices_.Line()));
  NoticePanel_->setToolTip(FromUtf8(Notices_.Text()));
}

// ---------------------------------------------------------------- menus

namespace {

QAction* AddItem(QMenu* Menu, const char* Text, std::function<void()> Handler) {
  QAction* Item = Menu->addAction(QString::fromUtf8(Text));
  QObject::connect(Item, &QAction::triggered, Menu, [Handler = std::move(Handler)] { Handler(); });
  return Item;
}

QAction* AddCheckItem(QMenu* Menu, const char* Text, std::function<void()> Handler) {
  QAction* Item = AddItem(Menu, Text, std::move(Handler));
  Item->setCheckable(true);
  return Item;
}

// File > "Export report...": the name asked for (the recording's, as a PDF
// beside it), then the report written or the operator told why not.
void ExportReport(QWidget* Parent, TMainDisplay& Display, IUserInteraction& User) {
  const QString Chosen = QFileDialog::getSaveFileName(
      Parent, QString(), FromUtf8(SuggestedReportPath(Display.CurrentFileName())),
      "PDF documents (*.pdf)");
  if (Chosen.isEmpty())
    return;
  // The marks as the window shows them, even where the side file could not be read.
  const std::string Failure =
      ExportProcedureReport(Display.Procedure(), Display.CurrentFileName(),
                            Display.Timeline().Marks(), Chosen.toStdString());
  if (!Failure.empty())
    ShowNotice(User, Failure, TMessageIcon::Error);
}

} // namespace

void TMain::CreateMenus() {
  TMainMenus& M = Menus_;
  M.File = menuBar()->addMenu("&File");
  M.OpenImagerFile = AddItem(M.File, "Open imager file...", [this] { OpenImagerFileClick(); });
  M.OpenImagerFile->setShortcut(QKeySequence(Qt::Key_F3));
  M.OpenImagerFile->setObjectName("MenuItem_OpenImagerFile");
  M.ExportReport =
      AddItem(M.File, ExportReportItemText, [this] { ExportReport(this, Display_, Env_.User); });
  M.ExportReport->setObjectName("MenuItem_ExportReport");
  M.File->addSeparator();
  M.ShutDownWindows = AddItem(M.File, "Shutdown windows", [this] { ShutDownWindowsClick(); });
  M.ShutDownWindows->setObjectName("MenuItem_ShutDownWindows");
  M.Exit = AddItem(M.File, "E&xit", [this] { close(); });
  M.Exit->setObjectName("MenuItem_Exit");
  connect(M.File, &QMenu::aboutToShow, this, [this] { FileMenuAboutToShow(); });

  M.View = menuBar()->addMenu("&View");
  constexpr auto ViewItems = &TDisplayChanges::ViewItems;
  M.Endoscope = AddOptionItem(M.View, "Endoscope", &TOptions::ViewEndoscope, ViewItems);
  M.Markers = AddOptionItem(M.View, "Markers", &TOptions::ViewMarkers, ViewItems);
  M.Sensors = AddOptionItem(M.View, "Sensors", &TOptions::ViewSensors, ViewItems);
  M.Hand = AddOptionItem(M.View, "Hand", &TOptions::ViewHand, ViewItems);
  M.Overtube = AddOptionItem(M.View, "Overtube", &TOptions::ViewOvertube, ViewItems);
  M.Measure = AddOptionItem(M.View, "Measure", &TOptions::ViewMeasure, ViewItems);
  M.EndoscopeCurvature = AddOptionItem(M.View, "Endoscope curvature",
                                       &TOptions::ViewEndoscopeCurvature, &TDisplayChanges::Layout);
  M.Loops = AddOptionItem(M.View, "Loops", &TOptions::ViewLoops, ViewItems);
  M.View->addSeparator();
  M.APView = AddCheckItem(M.View, "AP view", [this] { SetViewMode(ViewModeAP); });
  M.LateralView = AddCheckItem(M.View, "Lateral view", [this] { SetViewMode(ViewModeLateral); });
  M.TwinView = AddCheckItem(M.View, "Twin view", [this] { SetViewMode(ViewModeTwin); });
  M.FitEndoscope = AddItem(M.View, "Fit endoscope", [this] {
    Display_.Change(&TDisplayChanges::FitRequested);
    Update();
  });
  M.FitEndoscope->setShortcut(QKeySequence(Qt::Key_F));
  M.FitEndoscope->setObjectName("MenuItem_FitEndoscope");
  M.View->addSeparator();
  M.Info = AddOptionItem(M.View, "Info", &TOptions::ViewInfo, &TDisplayChanges::InfoVisibility);
  M.TimeLine = AddOptionItem(M.View, "Time line and patient pain", &TOptions::ViewTimeLine,
                             &TDisplayChanges::TimeLineVisibility);
  connect(M.View, &QMenu::aboutToShow, this, [this] { CheckMenuItems(); });

  M.Options = menuBar()->addMenu("&Options");
  M.AutoAlign = AddOptionItem(M.Options, "Auto align", &TOptions::AutoAlign, nullptr);
  M.AutoCutoff = AddOptionItem(M.Options, "Auto cutoff", &TOptions::UseAutoCutoff,
                               &TDisplayChanges::AutoCutoff);
  M.UsePhaseCorrection =
      AddCheckItem(M.Options, "Use phase correction", [this] { UsePhaseCorrectionClick(); });
  M.UseHardwareDirect3D = AddOptionItem(M.Options, "Use hardware Direct3D",
                                        &TOptions::UseHardwareDirect3D, &TDisplayChanges::Renderer);
  M.BackgroundColour = AddItem(M.Options, "Background Colour", [this] { BackgroundColourClick(); });
  M.PatientPainThreshold = AddItem(M.Options, "Patient pain threshold", [] {});
  M.OpenIGTLinkServer = AddCheckItem(M.Options, "OpenIGTLink server", [this] { StreamingClick(); });
  M.AutoFitEndoscope = AddOptionItem(M.Options, "Auto fit endoscope", &TOptions::AutoFitEndoscope,
                                     &TDisplayChanges::AutoFit);
  M.Options->addSeparator();
  M.SetStorageDirectory =
      AddItem(M.Options, "Set storage directory...", [this] { SetStorageDirectoryClick(); });
  M.SetDefaultOptions = AddItem(M.Options, "Set default options", [this] { SetDefaultOptions(); });
  connect(M.Options, &QMenu::aboutToShow, this, [this] {
    CheckMenuItems();
    Menus_.SetStorageDirectory->setEnabled(!Sampler_->Ready());
  });

  QMenu* Timeline = menuBar()->addMenu("&Timeline");
  M.TagLesion = AddItem(Timeline, "Tag lesion", [this] { TagLesionClick(); });
  M.TagLesion->setShortcut(QKeySequence(Qt::Key_T));
  M.TagLesion->setObjectName("MenuItem_TagLesion");
  M.CaecumReached = AddItem(Timeline, "Caecum reached", [this] { CaecumReachedClick(); });
  M.CaecumReached->setShortcut(QKeySequence(Qt::Key_K));
  M.CaecumReached->setObjectName("MenuItem_CaecumReached");

  QMenu* Help = menuBar()->addMenu("&Help");
  M.About = AddItem(Help, "About...", [this] { AboutDialog_->exec(); });

  M.TimeLinePopUp = new QMenu(this);
  M.TimeLinePopUp->setObjectName("ECGGraphMenu");
  for (const TTimeLineCommand Command : TimeLineMenuCommands) {
    if (Command == TTimeLineCommand::SetReferenceStart)
      M.TimeLinePopUp->addSeparator();
    QAction* Item = AddItem(M.TimeLinePopUp, TimeLineCommandCaption(Command), [this, Command] {
      ApplyTimeLineCommand(Display_.Procedure(), Command, Display_.TimeLineIndex());
      Update();
    });
    Item->setData(static_cast<int>(Command));
  }
}

QAction* TMain::AddOptionItem(QMenu* Menu, const char* Text, bool TOptions::*Option,
                              bool TDisplayChanges::*Change) {
  QAction* Item =
      AddCheckItem(Menu, Text, [this, Option, Change] { ToggleOption(Option, Change); });
  OptionItems_.emplace_back(Item, Option);
  return Item;
}

void TMain::FileMenuAboutToShow() {
  const bool Recording = Sampler_->Ready();
  Menus_.OpenImagerFile->setEnabled(!Recording);
  Menus_.ExportReport->setEnabled(Display_.ProcedureShown() && !Recording);
  Menus_.ShutDownWindows->setVisible(DriverIdFound_);
  Menus_.ShutDownWindows->setEnabled(!Recording);
}

void TMain::CheckMenuItems() {
  for (const auto& [Item, Option] : OptionItems_)
    Item->setChecked(Options_.*Option);
  Menus_.UsePhaseCorrection->setChecked(Options_.UsePhaseCorrection);
  Menus_.OpenIGTLinkServer->setChecked(Stream_ != nullptr);
  Menus_.APView->setChecked(Options_.ViewMode == ViewModeAP);
  Menus_.LateralView->setChecked(Options_.ViewMode == ViewModeLateral);
  Menus_.TwinView->setChecked(Options_.ViewMode == ViewModeTwin);
}

void TMain::ToggleOption(bool TOptions::*Option, bool TDisplayChanges::*Change) {
  Options_.*Option = !(Options_.*Option);
  if (Change != nullptr)
    Display_.Change(Change);
  Update();
}

void TMain::SetViewMode(std::int32_t Mode) {
  if (Options_.ViewMode != Mode) {
    Options_.ViewMode = Mode;
    Display_.Change(&TDisplayChanges::ViewMode);
  }
  Update();
}

void TMain::TagLesionClick() {
  MarkTimeline(
      [this] { return Display_.Recording() ? Session_->TagLesion() : Display_.TagLesionOnShow(); });
}

void TMain::CaecumReachedClick() {
  MarkTimeline([this] {
    if (Display_.Recording())
      Session_->ConfirmCaecum();
    else
      Display_.ConfirmCaecumOnShow();
    return Display_.TimelineIndex() >= 0 ? 1 : 0;
  });
}

void TMain::MarkTimeline(const std::function<std::int32_t()>& Mark) {
  try {
    if (Mark() == 0)
      ShowNoticeInStatusBar("No frame to mark yet");
  } catch (const std::exception& Failure) {
    // The mark stays on show; only the file beside the recording lacks it.
    ShowNoticeInStatusBar(std::string("Timeline marks not saved: ") + Failure.what());
  }
  TimeLine_->update();
  Update();
}

void TMain::UsePhaseCorrectionClick() {
  if (!Sampler_->Ready())
    Env_.User.ShowMessage({PhaseCorrectionNoticeMessage, "Message"});
  Options_.UsePhaseCorrection = !Options_.UsePhaseCorrection;
  Update();
}

void TMain::BackgroundColourClick() {
  const QColor Chosen =
      QColorDialog::getColor(ToQColor(static_cast<TColor>(Options_.BackgroundColor)), this);
  if (!Chosen.isValid())
    return;
  Options_.BackgroundColor = static_cast<std::int32_t>(static_cast<TColor>(Chosen.red()) |
                                                       static_cast<TColor>(Chosen.green()) << 8 |
                                                       static_cast<TColor>(Chosen.blue()) << 16);
  FrontView_->update();
  SideView_->update();
}

void TMain::SetStorageDirectoryClick() {
  StorageDirectoryDialog_->Edit(Options_.ImagerFileStorageDirectory);
}

void TMain::OpenImagerFileClick() {
  if (!KeepOrSaveUnsavedRecording())
    return;
  const QString Chosen = QFileDialog::getOpenFileName(
      this, QString(), FromUtf8(Options_.ImagerFilesDirectory), "Imager files (*.img)");
  if (Chosen.isEmpty())
    return;
  Options_.ImagerFilesDirectory = QFileInfo(Chosen).absolutePath().toStdString();
  OpenImagerFile(Chosen.toStdString());
  repaint();
}

bool TMain::OpenImagerFile(const std::string& FileName) {
  const bool Opened = Display_.OpenImagerFile(FileName, Env_.User);
  SetTimeLine(TimeLinePointsOf(Display_.Procedure()));
  Update();
  ShowTimelineProblem();
  return Opened;
}

void TMain::ShowTimelineProblem() {
  if (!Display_.TimelineProblem().empty())
    ShowNoticeInStatusBar("Timeline marks left out: " + Display_.TimelineProblem());
}

void TMain::StepFrame(std::int32_t Delta) {
  if (Display_.StepFrame(Delta) == TStepResult::AtEnd && Env_.Beep)
    Env_.Beep();
}

void TMain::ShutDownWindowsClick() {
  const TMessageAnswer Answer = Env_.User.ShowMessage(
      {ConfirmShutdownMessage, "Confirm", TMessageIcon::Question, TMessageButtons::YesNo});
  if (Answer != TMessageAnswer::Yes || !CloseQuery())
    return;
  WriteOptions();
  if (!Env_.PowerOff || !Env_.PowerOff())
    ShowNotice(Env_.User, PowerOffFailedMessage);
}

// ---------------------------------------------------------------- closing

bool TMain::CloseQuery() {
  if (Sampler_->Ready()) {
    ShowNotice(Env_.User, StopBeforeClosingMessage);
    return false;
  }
  return KeepOrSaveUnsavedRecording();
}

void TMain::closeEvent(QCloseEvent* Event) {
  if (CloseQuery())
    Event->accept();
  else
    Event->ignore();
}

void TMain::resizeEvent(QResizeEvent* Event) {
  QMainWindow::resizeEvent(Event);
  if (!Ready_)
    return;
  Display_.Change(&TDisplayChanges::Layout);
  Update();
}

// ---------------------------------------------------------------- the refresh

void TMain::LayOut() {
  TMainLayoutInput In;
  In.ClientWidth = Client_->width();
  In.ClientHeight = Client_->height();
  In.ViewInfo = Options_.ViewInfo;
  In.ViewTimeLine = Options_.ViewTimeLine;
  In.ViewEndoscopeCurvature = Options_.ViewEndoscopeCurvature;
  In.Recording = Display_.Recording();
  In.DriverCreated = Sampler_->DriverCreated();
  In.ViewMode = Options_.ViewMode;
  In.InfoBoxWidth = InfoBox_->width();
  In.GaugeHeight = Gauge_->height();
  In.StartButtonHeight = StartButton_->height();
  In.StopButtonHeight = StopButton_->height();
  In.InfoBox = ToTRect(InfoBox_->geometry());
  In.Gauge = ToTRect(Gauge_->geometry());
  In.StartButton = ToTRect(StartButton_->geometry());
  In.StopButton = ToTRect(StopButton_->geometry());
  const TMainLayout Out = LayOutMainWindow(In);

  InfoBox_->setVisible(Out.InfoBoxVisible);
  TimeLine_->setVisible(Out.TimeLineVisible);
  InfoBox_->setGeometry(ToQRect(Out.InfoBox));
  Gauge_->setGeometry(ToQRect(Out.Gauge));
  StartButton_->setGeometry(ToQRect(Out.StartButton));
  StopButton_->setGeometry(ToQRect(Out.StopButton));
  if (Out.ButtonsPlaced) {
    StartButton_->show();
    StopButton_->show();
  }
  if (Out.TimeLineVisible)
    TimeLine_->setGeometry(ToQRect(Out.TimeLine));
  CurvatureGraph_->setVisible(Out.CurvatureGraphVisible);
  if (Out.CurvatureGraphVisible) {
    CurvatureGraph_->setGeometry(ToQRect(Out.CurvatureGraph));
    CurvatureGraph_->SetYOffset(10 - CurvatureGraph_->height() / 2);
  }
  // A view whose hardware device could not start has fallen back to
  // software; asking it again at every layout would only rebuild a failing
  // device (and its threads) each time, so the fall-back holds for the
  // session. The option itself stays as the operator set it.
  for (const TDirect3DViewerControl* View : {FrontView_, SideView_})
    if (HardwareAsked_ && !View->UseDirect3DHardware())
      HardwareFellBack_ = true;
  HardwareAsked_ = Options_.UseHardwareDirect3D && !HardwareFellBack_;
  for (TDirect3DViewerControl* View : {FrontView_, SideView_}) {
    View->hide();
    View->SetUseDirect3DHardware(HardwareAsked_);
  }
  FrontView_->setGeometry(ToQRect(Out.FrontView));
  SideView_->setGeometry(ToQRect(Out.SideView));
}

void TMain::Update() {
  if (!Ready_)
    return;
  if (Display_.Changes().NeedLayout())
    LayOut();
  // The layout's choice, whether or not the window itself is on screen yet.
  Show(Display_.Update({ViewSizes(), MarkerLabelRoom(), !CurvatureGraph_->isHidden()}));
}

void TMain::Show(const TDisplayShown& Shown) {
  if (Shown.TimeLineCursor) {
    TimeLine_->SetCursorPosition(*Shown.TimeLineCursor);
    TimeLine_->update();
  }
  if (Shown.Curvature) {
    TECGGraph& Graph = *CurvatureGraph_;
    const std::vector<double>& Points = Shown.Curvature->Points();
    Graph.SetNumPoints(static_cast<std::int32_t>(Points.size()));
    for (std::size_t I = 0; I < Points.size(); ++I)
      Graph.SetPoint(static_cast<std::int32_t>(I), Points[I]);
    Graph.SetSelectedIndex(Shown.Curvature->SelectedIndex());
  }
  Gauge_->SetProgress(Shown.GaugePercent);
  FillInformationBox(Shown.Info, Shown.InfoToolTip);
  Notices_.FrameProblem(Shown.FrameProblem);
  Notices_.MarkerAlert(Shown.MarkerAlert);
  ShowNotices();
  ShowViews(Shown.Camera, Shown.Twin);
  ShowStatusTexts(Shown.Status, Shown.LoopAlert);
  if (Shown.NewFrame)
    FrameShown();
  repaint();
}

void TMain::SetTimeLine(const TTimeLinePoints& Line) {
  TECGGraph& Graph = *TimeLine_;
  Graph.ClearPoints();
  Graph.SetNumPoints(static_cast<std::int32_t>(Line.Points.size()));
  for (std::size_t I = 0; I < Line.Points.size(); ++I)
    Graph.SetPoint(static_cast<std::int32_t>(I), Line.Points[I]);
  Graph.SetYScale(static_cast<float>(Line.YScale));
  Graph.SetEnableAxisLabelling(true);
  Graph.SetFollowLatest(false);
  Graph.update();
}

void TMain::FillInformationBox(const TInformationBoxText& Text, const std::string& ToolTip) {
  InfoBox_->Clear();
  InfoBox_->ClearTabStops();
  InfoBox_->AddTabStop(Text.TabStop);
  for (const std::string& Line : Text.Lines)
    InfoBox_->AddLine(Line);
  InfoBox_->setToolTip(FromUtf8(ToolTip));
  InfoBox_->update();
  if (!InfoBoxMirror_.isEmpty())
    MirrorInformationBox(Text.Lines);
}

void TMain::MirrorInformationBox(const std::vector<std::string>& Lines) const {
  QSaveFile File(InfoBoxMirror_);
  if (!File.open(QIODevice::WriteOnly))
    return;
  for (const std::string& Line : Lines) {
    File.write(Line.data(), static_cast<qint64>(Line.size()));
    File.write("\n", 1);
  }
  File.commit();
}

void TMain::ShowViews(const TViewCamera& Camera, bool Twin) {
  PointFrontView(*FrontView_, Camera, FrontView_->width(), FrontView_->height());
  FrontView_->show();
  FrontView_->update();
  if (!Twin)
    return;
  PointSideView(*SideView_, Camera, SideView_->width(), SideView_->height());
  SideView_->show();
  SideView_->update();
}

void TMain::ShowStatusTexts(const TStatusPanelTexts& Texts, const std::string& LoopAlert) {
  for (std::size_t I = 0; I < Texts.size(); ++I)
    StatusPanels_[I]->setText(FromUtf8(Texts[I]));
  LoopAlertPanel_->setText(FromUtf8(LoopAlert));
  QPalette Colours = LoopAlertPanel_->palette();
  Colours.setColor(QPalette::Window,
                   LoopAlert.empty() ? palette().color(QPalette::Window) : QColor(255, 128, 0));
  LoopAlertPanel_->setPalette(Colours);
}

void TMain::SetRemoteMode(std::int32_t Mode) {
  RemoteMode_ = Mode;
  Sampler_->SetRemoteIndicators(Mode == RemoteModeMarkers ? 0u : 63u);
}

TFitViews TMain::ViewSizes() const {
  return {FrontView_->width(), FrontView_->height(), Options_.ViewMode == ViewModeTwin,
          SideView_->width(), SideView_->height()};
}

// ---------------------------------------------------------------- streaming

void TMain::StreamingClick() {
  Options_.IGTLinkServer = !Options_.IGTLinkServer;
  if (Options_.IGTLinkServer)
    StartStreaming();
  else
    StopStreaming();
}

void TMain::StartStreaming() {
  TIGTLinkServerSettings Settings;
  Settings.Address = Options_.IGTLinkAddress;
  Settings.Port = static_cast<std::uint16_t>(Options_.IGTLinkPort);
  try {
    Stream_ = std::make_unique<TIGTLinkServer>(Settings);
    StreamFailuresSeen_ = 0;
    Session_->SetStream(Stream_.get());
  } catch (const std::exception& Failure) {
    // Another program may hold the port: say so and leave the option off
    // rather than keep a server that is not there.
    Options_.IGTLinkServer = false;
    ShowNotice(Env_.User, std::string(StreamingFailedMessage) + " on " + Settings.Address + ":" +
                              std::to_string(Settings.Port) + ".\n" + Failure.what());
    return;
  }
  ShowStreamState();
  FrameShown();
}

void TMain::WatchStreaming() {
  ShowStreamState();
  if (!Stream_)
    return;
  const TStreamStatistics Statistics = Stream_->Statistics();
  if (Statistics.Failures == StreamFailuresSeen_)
    return;
  StreamFailuresSeen_ = Statistics.Failures;
  ShowNoticeInStatusBar(std::string("OpenIGTLink server") +
                        (Statistics.Stopped ? " stopped: " : ": ") + Statistics.LastFailure);
}

void TMain::ShowStreamState() {
  TStreamPanelState State;
  if (Stream_) {
    const TStreamStatistics Statistics = Stream_->Statistics();
    State = {true, Stream_->Address(), Stream_->Port(), Statistics.Clients.size(),
             Statistics.Stopped};
  }
  StreamPanel_->setText(FromUtf8(kestrava::StreamPanelText(State)));
}

void TMain::StopStreaming() {
  Session_->SetStream(nullptr);
  Stream_.reset();
  if (StreamPanel_ != nullptr)
    ShowStreamState();
}

// While recording the session streams every sample itself.
void TMain::FrameShown() {
  if (!Stream_ || Display_.Mode() != ModeReplay)
    return;
  TStreamContext Context = StreamContextOf(Display_.Procedure());
  Context.AutoCutoff = Options_.UseAutoCutoff;
  if (Options_.ViewLoops)
    Context.LoopState = LoopStateText(Display_.CurrentLoop());
  Stream_->Publish(Display_.ShownFrame(), Context);
}

} // namespace kestrava

namespace kestrava {

// ---------------------------------------------------------------- keys and remote

bool TMain::eventFilter(QObject* Watched, QEvent* Event) {
  const QEvent::Type Type = Event->type();
  if (Type == QEvent::ApplicationDeactivate || Type == QEvent::WindowDeactivate) {
    Keys_.FocusLost();
    return false;
  }
  if (Type != QEvent::KeyPress && Type != QEvent::KeyRelease)
    return false;
  // Only keys meant for this window (not for a dialog over it), and once
  // each: Qt offers an unhandled key to every widget up the parent chain, and
  // the first of them is the one with the keyboard focus.
  QWidget* Receiver = QApplication::focusWidget();
  if (Receiver == nullptr)
    Receiver = this;
  if (Watched != Receiver || Receiver->window() != this)
    return false;
  const std::optional<TKeyEvent> Key = KeyEventFromQt(*static_cast<QKeyEvent*>(Event));
  if (!Key)
    return false;
  if (Type == QEvent::KeyRelease) {
    Keys_.KeyUp(*Key);
    return false;
  }
  const TKeyDownResult Result = Keys_.KeyDown(*Key, {Display_.Recording(), Options_.ViewMode});
  if (Result.Action)
    ApplyControlAction(*Result.Action, true);
  return Result.Consumed;
}

void TMain::TimerTimer() {
  if (!isActiveWindow())
    return;
  if (PollKeysAndRemote())
    Update();
}

// Outside a recording (the 40 ms tick); while recording, the acquisition
// step polls the keys and the recording session the remote.
bool TMain::PollKeysAndRemote() {
  bool Acted = false;
  for (const TControlAction& Action : Keys_.PollKeys()) {
    ApplyControlAction(Action, false);
    Acted = true;
  }
  if (!HardwareReady_)
    return Acted;
  const TRemotePoll Remote =
      PollRemote(Sampler_->GetRemoteButtons(), RemoteMode_, Display_.Recording());
  if (Remote.NewRemoteMode)
    SetRemoteMode(*Remote.NewRemoteMode);
  for (const TControlAction& Action : Remote.Actions)
    ApplyControlAction(Action, false);
  return Acted || Remote.Acted;
}

void TMain::ApplyControlAction(const TControlAction& Action, bool Refresh) {
  if (ApplyCameraAction(Display_.Camera(), Action)) {
    Display_.Change(&TDisplayChanges::Camera);
  } else {
    switch (Action.Kind) {
    case TControlActionKind::RequestAlignment:
      Display_.Change(&TDisplayChanges::AlignmentRequested);
      break;
    case TControlActionKind::StepFrame:
      StepFrame(Action.Value);
      break;
    case TControlActionKind::StopRecording:
      StopProcedure();
      return;
    case TControlActionKind::SetMarker:
      Sampler_->SetMarker(Display_.CurrentFrameData(), Action.Value, Action.Clear);
      return;
    case TControlActionKind::ToggleAutoCutoff:
      Options_.UseAutoCutoff = !Options_.UseAutoCutoff;
      Display_.Change(&TDisplayChanges::AutoCutoff);
      break;
    case TControlActionKind::SetViewMode:
      Options_.ViewMode = Action.Value;
      Display_.Change(&TDisplayChanges::ViewMode);
      break;
    case TControlActionKind::ToggleViewSensors:
      Options_.ViewSensors = !Options_.ViewSensors;
      Display_.Change(&TDisplayChanges::ViewItems);
      break;
    default:
      break;
    }
  }
  if (Refresh)
    Update();
}

} // namespace kestrava

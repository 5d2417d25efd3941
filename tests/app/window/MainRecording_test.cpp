// Recording in the main window with the simulated driver on a scripted clock:
// the start's checks, frames stored once per second while the display keeps
// refreshing, the generator-coils notice, the timeouts, a save that fails at
// Stop, closing and the report's export refused while recording.

#include "WindowTestSupport.h"
#include "acquisition/ImagerSampler.h"
#include "app/window/GenCoilsDisconnectedDialog.h"
#include "controls/ECGGraph.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using test::SendKey;

constexpr double StepSeconds = 0.1;

// Each reading is a tenth of a second after the one before.
class TScriptedClock final : public IRecordingClock {
public:
  double Now() override { return 46000.0 + (Readings_++) * StepSeconds / 86400.0; }

private:
  int Readings_ = 0;
};

class MainRecording : public ::testing::Test, protected test::TWindowTestWorld {
protected:
  MainRecording() {
    // The program directory with the simulator unpaced and DSP.DAT's script.
    namespace fs = std::filesystem;
    fs::copy(KESTRAVA_PROGRAM_DIR, Program.path().toStdString(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    MachineOptions.WriteString("Driver ID", test::SimulatorDriverId);
    UserOptions.WriteString("ImagerFileStorageDirectory", Storage());
    Script("");
  }

  void Script(const std::string& Lines) {
    std::ofstream(QDir(Program.path()).filePath("DSP.DAT").toStdString()) << "pacing none\n"
                                                                          << Lines;
  }

  std::string Storage() const { return QDir(Folder.path()).filePath("store").toStdString(); }

  std::unique_ptr<TMain> Make() {
    TMainEnvironment Environment = this->Environment(Program.path().toStdString());
    Environment.Clock = &Clock;
    Environment.AskProcedureDetails = [](TProcedureDetails& Details) {
      Details.FileName = FullImagerFilePath(Details.StorageDirectory, "rec");
      Details.PatientName = "Patient";
      Details.SensorFile = "Catheter16.msd";
      Details.GeneratorCoilsFile = "Generator.gen";
      return true;
    };
    Environment.AskSaveFileName = [this] {
      return SaveElsewhere;
    };
    return Show(Environment);
  }

  // The window, recording from the start into an existing storage directory.
  std::unique_ptr<TMain> Recording() {
    std::filesystem::create_directories(Storage());
    auto Main = Make();
    Main->StartProcedure();
    return Main;
  }

  // Puts a directory where the recording's file goes, so that the file can
  // be neither made nor replaced; returns the file's path.
  std::string BlockRecordingFile() const {
    std::string Recorded = FullImagerFilePath(Storage(), "rec");
    std::filesystem::remove(Recorded);
    std::filesystem::create_directories(std::filesystem::path(Recorded) / "in-the-way");
    return Recorded;
  }

  // Runs acquisition steps until Seconds of scripted time have passed or the
  // recording ended; returns the steps taken.
  static int Record(TMain& Main, double Seconds) {
    int Steps = 0;
    for (; Steps < Seconds / StepSeconds && Main.Sampler().Ready(); ++Steps) {
      bool Done = true;
      Main.AcquisitionStep(Done);
    }
    return Steps;
  }

  // Whether the File menu, about to show, offers File > "Export report...".
  static bool ExportOffered(TMain& Main) {
    emit Main.Menus().File->aboutToShow();
    return Main.Menus().ExportReport->isEnabled();
  }

  QTemporaryDir Program;
  TScriptedClock Clock;
  std::string SaveElsewhere;
};

TEST_F(MainRecording, StoresAFramePerSecondWhileTheDisplayRefreshesOnEverySample) {
  UserOptions.WriteInteger("ViewMode", 1);
  User.QueueAnswer(TMessageAnswer::Yes); // create the storage directory
  const auto Main = Make();
  ASSERT_TRUE(Main->HardwareReady());
  EXPECT_FALSE(ExportOffered(*Main)) << "nothing shown";
  Main->StartProcedure();
  ASSERT_TRUE(Main->Sampler().Ready()) << ::testing::PrintToString(User.Texts());
  EXPECT_FALSE(ExportOffered(*Main)) << "recording";
  EXPECT_EQ(Main->Options().ViewMode, 0) << "lateral becomes AP at the start";
  EXPECT_EQ(Main->Display().Mode(), ModeRecording);
  EXPECT_FALSE(Main->StartProcedureButton().isEnabled());
  EXPECT_FALSE(Main->close()) << "closing refused while recording";
  EXPECT_EQ(User.Texts().back(), StopBeforeClosingMessage);

  // 2.5 s: the first frame at the first step past 1 s, the second past 2 s.
  EXPECT_GE(Record(*Main, 2.5), 20);
  EXPECT_EQ(Main->Display().CurrentFrame(), 2);
  EXPECT_EQ(Main->TimeLine().NumPoints(), 2);

  // Esc stops, saves and reopens the recording for replay.
  SendKey(QEvent::KeyPress, Qt::Key_Escape);
  EXPECT_FALSE(Main->Sampler().Ready());
  EXPECT_EQ(Main->Display().Mode(), ModeReplay);
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), 2);
  EXPECT_EQ(Main->Display().CurrentFileName(), FullImagerFilePath(Storage(), "rec"));
  EXPECT_TRUE(Main->StartProcedureButton().isEnabled());
  EXPECT_TRUE(ExportOffered(*Main)) << "the recording reopened for replay";
}

void TapKey(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  SendKey(QEvent::KeyPress, Key, Modifiers);
  SendKey(QEvent::KeyRelease, Key, Modifiers);
}

// Markers 1-3 on the landmarks that give the simulated patient its axes.
void PlaceLandmarks(TMain& Main) {
  TImagerFrame& Frame = Main.Display().CurrentFrameData();
  Frame.MarkerValid = {true, true, true};
  Frame.MarkerPosition[0] = {0.12, 0.15, -0.15};
  Frame.MarkerPosition[1] = {-0.12, 0.15, -0.15};
  Frame.MarkerPosition[2] = {0, 0.1, -0.3};
}

TEST_F(MainRecording, CameraKeysActWhileRecordingAndATapOfNumericPlusOrMinusShows) {
  const auto Main = Recording();
  PlaceLandmarks(*Main);
  Record(*Main, 0.2);
  const TViewCamera& Camera = Main->Display().Camera();
  const TPositionOrientation Aligned = Camera.Camera();

  // Pressed and let go while a step waited for its sample.
  TapKey(Qt::Key_Plus, Qt::KeypadModifier);
  Record(*Main, 0.3);
  const double Tapped = std::pow(ControlZoomInFactor, MinimumTapZoomSteps);
  EXPECT_NEAR(Camera.ZoomFactor(), Tapped, 1e-9);
  SendKey(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier);
  Record(*Main, 0.5); // five steps, a zoom step each
  SendKey(QEvent::KeyRelease, Qt::Key_Minus, Qt::KeypadModifier);
  Record(*Main, 0.1);
  EXPECT_NEAR(Camera.ZoomFactor(), Tapped * std::pow(ControlZoomOutFactor, 5), 1e-9);

  TapKey(Qt::Key_Left);
  Record(*Main, 0.5);
  EXPECT_NE(Camera.Camera().Direction, Aligned.Direction) << "the turn outlasts the samples";
  TapKey(Qt::Key_Return);
  Record(*Main, 0.1);
  EXPECT_EQ(Camera.Camera().Direction, Aligned.Direction);
  TapKey(Qt::Key_Home);
  Record(*Main, 0.2);
  EXPECT_EQ(Camera.ZoomFactor(), 1.0);
  EXPECT_EQ(Camera.Camera().Position, Aligned.Position) << "reset, then aligned again";
  Main->StopProcedure();
}

TEST_F(MainRecording, MarkersThatCannotBeRightRaiseAnAlertUntilPlacedAgain) {
  const auto Main = Recording();
  Record(*Main, 0.2);
  EXPECT_EQ(Main->NoticePanelText(), "");
  // Markers 1 and 2 from the keyboard without moving the remote: both where
  // the remote rests.
  TapKey(Qt::Key_1);
  TapKey(Qt::Key_2);
  Record(*Main, 0.2);
  EXPECT_EQ(Main->NoticePanelText(), "Markers 1 and 2 are less than 1 cm apart: place them again");
  TapKey(Qt::Key_2, Qt::ShiftModifier); // cleared
  Record(*Main, 0.2);
  EXPECT_EQ(Main->NoticePanelText(), "");
  TapKey(Qt::Key_2);
  Record(*Main, 0.2);
  EXPECT_TRUE(Main->Display().CurrentFrameData().MarkerValid[1]) << "nothing is refused";
  Main->StopProcedure();
  EXPECT_EQ(Main->NoticePanelText(), "") << "recording only";
}

TEST_F(MainRecording, UnpluggedCoilsShowTheNoticeAndStoreNothingUntilTheNextGoodSample) {
  // The simulator's time runs 1/25 s per sample; the coils are out from 1 s
  // to 3 s of its time, steps 25 to 74, i.e. 2.5 s to 7.5 s on our clock.
  Script("coils_disconnected 1 3\n");
  const auto Main = Recording();
  Record(*Main, 5.0);
  const auto* Notice = Main->findChild<TGenCoilsDisconnectedDialog*>();
  ASSERT_NE(Notice, nullptr);
  EXPECT_TRUE(Notice->isVisible());
  const std::int32_t Stored = Main->Display().CurrentFrame();
  Record(*Main, 2.0);
  EXPECT_EQ(Main->Display().CurrentFrame(), Stored) << "nothing stored while unplugged";
  Record(*Main, 1.0);
  EXPECT_FALSE(Notice->isVisible());
  EXPECT_EQ(Main->Display().CurrentFrame(), Stored + 1)
      << "the first good sample is stored at once";
  Main->StopProcedure();
}

TEST_F(MainRecording, TimeoutsEndTheRecordingWithTheirMessageAndSaveIt) {
  for (const auto& [Line, Message] :
       {std::pair{"sample_timeout 0.2\n", HardwareTimeoutMessage},
        std::pair{"pain_timeout 0.2\n", PressureSensorTimeoutMessage}}) {
    Script(Line);
    UserOptions.WriteInteger("UsePainSensor", 1);
    const auto Main = Recording();
    ASSERT_TRUE(Main->Sampler().Ready());
    Record(*Main, 5.0);
    EXPECT_FALSE(Main->Sampler().Ready());
    EXPECT_EQ(User.Texts().back(), Message);
    EXPECT_EQ(Main->Display().Mode(), ModeReplay);
    EXPECT_TRUE(std::filesystem::exists(FullImagerFilePath(Storage(), "rec")));
  }
}

TEST_F(MainRecording, ACalibrationFileThatDoesNotLoadIsNamedAndNothingStarts) {
  std::filesystem::remove(QDir(Program.path()).filePath("Remote.dat").toStdString());
  const auto Main = Recording();
  EXPECT_FALSE(Main->Sampler().Ready());
  EXPECT_EQ(User.Texts().back(), "Failed to load remote control calibration data");
  EXPECT_EQ(Main->Display().Mode(), ModeIdle);
}

TEST_F(MainRecording, ASaveThatFailsAtStopKeepsTheRecordingAndOffersAnotherPlace) {
  const auto Main = Recording();
  Record(*Main, 3.5);
  const std::string Recorded = BlockRecordingFile();

  User.QueueAnswer(TMessageAnswer::No);
  Main->StopProcedure();
  ASSERT_GE(User.Messages().size(), 1u);
  EXPECT_NE(User.Texts().back().find(Recorded), std::string::npos) << User.Texts().back();
  EXPECT_TRUE(Main->Display().ProcedureShown());
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), 3);

  // Nothing drops the unsaved recording without asking: Cancel keeps it.
  EXPECT_TRUE(Main->UnsavedRecording());
  User.QueueAnswer(TMessageAnswer::Cancel);
  Main->StartProcedure();
  EXPECT_EQ(User.Texts().back(), UnsavedRecordingQuestion(Recorded));
  EXPECT_FALSE(Main->Session().Recording());
  User.QueueAnswer(TMessageAnswer::Cancel);
  EXPECT_FALSE(Main->close());
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), 3);

  // Dropped when the operator says so; asked again on the next failed stop,
  // and saved elsewhere this time.
  std::filesystem::remove_all(Recorded);
  User.QueueAnswer(TMessageAnswer::No);
  Main->StartProcedure();
  ASSERT_TRUE(Main->Session().Recording());
  Record(*Main, 1.5);
  BlockRecordingFile();
  SaveElsewhere = QDir(Folder.path()).filePath("rescued.img").toStdString();
  User.QueueAnswer(TMessageAnswer::Yes);
  Main->StopProcedure();
  EXPECT_EQ(Main->Display().CurrentFileName(), SaveElsewhere);
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), 1);
  EXPECT_FALSE(Main->UnsavedRecording());
}

TEST_F(MainRecording, AFailingDiskIsANoticeThatHoldsNothingUpAndTheRecordingGoesOn) {
  const auto Main = Recording();
  Record(*Main, 1.5);
  const std::string Path = FullImagerFilePath(Storage(), "rec");
  while (Main->Session().Recorder().FramesOnDisk() < 1)
    std::this_thread::yield();
  // The disk is full from here on (the file size limit stands in for it).
  rlimit Old{};
  ::getrlimit(RLIMIT_FSIZE, &Old);
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit Full{static_cast<rlim_t>(std::filesystem::file_size(Path)), Old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &Full);
  const auto* Notice = Main->findChild<QMessageBox*>("LiveFileNotice");
  for (int Step = 0; Step < 200 && Notice == nullptr; ++Step) {
    Record(*Main, 0.1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Notice = Main->findChild<QMessageBox*>("LiveFileNotice");
  }
  ::setrlimit(RLIMIT_FSIZE, &Old);
  std::signal(SIGXFSZ, OldHandler);

  ASSERT_NE(Notice, nullptr);
  EXPECT_TRUE(Notice->isVisible());
  EXPECT_EQ(Notice->windowModality(), Qt::NonModal);
  EXPECT_NE(Notice->text().toStdString().find(Path), std::string::npos);
  EXPECT_TRUE(User.Messages().empty()) << "no box waits for OK";
  const std::int32_t Stored = Main->Display().CurrentFrame();
  Record(*Main, 2.0);
  EXPECT_EQ(Main->Display().CurrentFrame(), Stored + 2) << "the recording goes on";
  Main->StopProcedure();
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), Stored + 2) << "and is saved at Stop";
}

// The procedure timeline while recording and in replay: a lesion tagged and
// the caecum confirmed by the operator, the withdrawal timer running from
// there, the marks kept beside the recording and shown on the time line.
TEST_F(MainRecording, OperatorMarksRunTheWithdrawalTimerAndStayWithTheRecording) {
  const auto Main = Recording();
  const auto Line = [&](const std::string& Label) {
    return test::InfoBoxLine(*Main, Label);
  };
  Record(*Main, 8.0); // the simulator has placed markers 1-3 by then
  Main->findChild<QAction*>("MenuItem_TagLesion")->trigger();
  Main->findChild<QAction*>("MenuItem_CaecumReached")->trigger();
  const std::int32_t Tagged = Main->Session().StoredFrames();
  EXPECT_EQ(Line("Lesions:"), "Lesions:\t1");
  EXPECT_NE(Line("Caecum:").find("confirmed"), std::string::npos) << Line("Caecum:");
  EXPECT_EQ(Line("Withdrawal:"), "Withdrawal:\t00:00 of 06:00");
  Record(*Main, 3.0);
  EXPECT_EQ(Line("Withdrawal:"), "Withdrawal:\t00:03 of 06:00");
  Main->StopProcedure();

  // Replay: the marks came back from beside the recording.
  EXPECT_TRUE(std::filesystem::exists(Storage() + "/rec.timeline.json"));
  EXPECT_EQ(Line("Lesions:"), "Lesions:\t1");
  TECGGraph& TimeLine = Main->TimeLine();
  const QImage Drawn = TimeLine.grab().toImage();
  const int TickX = TimeLine.PointToX(Tagged - 1);
  int Magenta = 0; // the tag's tick, where the graph draws its point (its frame may be a pixel in)
  for (int X = TickX - 1; X <= TickX + 1; ++X)
    Magenta += Drawn.pixelColor(X, 8) == QColor(0xFF, 0x40, 0xFF);
  EXPECT_EQ(Magenta, 1) << "the tag's tick";
  TimeLine.OnMouseDown(TimeLine, Qt::LeftButton, TickX + 3, 10);
  TimeLine.OnMouseUp(TimeLine, Qt::LeftButton, TickX + 3, 10);
  EXPECT_EQ(Main->Display().CurrentFrame(), Tagged) << "a click near the tick goes to its frame";
}

TEST_F(MainRecording, AStartWhoseFileCannotBeMadeLeavesTheReplayedProcedureAsItWas) {
  const auto Main = Recording();
  Record(*Main, 2.5);
  Main->StopProcedure();
  ASSERT_EQ(Main->Display().Procedure().FrameCount(), 2);
  BlockRecordingFile();
  Main->StartProcedure();
  EXPECT_EQ(User.Texts().back(), SaveProblemMessage);
  EXPECT_FALSE(Main->Session().Recording());
  EXPECT_EQ(Main->Display().Mode(), ModeReplay);
  EXPECT_EQ(Main->Display().Procedure().FrameCount(), 2);
  EXPECT_EQ(Main->Display().Procedure().PatientName, "Patient");
}

} // namespace
} // namespace kestrava

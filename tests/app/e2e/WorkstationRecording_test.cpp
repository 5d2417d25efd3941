// Recording through the real workstation on a virtual display: Start
// Procedure with the simulated driver, the details dialog filled in from the
// keyboard, ten seconds of recording (five of them while another program
// has the keyboard), a lesion tagged and the caecum confirmed with the
// withdrawal timer running, Esc, and the recording back in replay.

#include "ScreenSession.h"
#include "imagerdata/ImagerProcedure.h"

#include <QDir>

#include <gtest/gtest.h>

namespace kestrava::test {
namespace {

constexpr const char* SimulatorId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A01}";

TEST(WorkstationRecording, RecordsTenSecondsFromTheSimulatorAndReplaysThem) {
  if (!ScreenToolsAvailable())
    GTEST_SKIP() << "needs an X display (xvfb-run), xdotool and ImageMagick's import";
  TScreenSession Session;
  const QString Storage = Session.PrepareRecording(SimulatorId);
  Session.MirrorInfoBox();
  ASSERT_TRUE(Session.Start(KESTRAVA_PROGRAM_DIR "/kestrava"));

  ASSERT_TRUE(Session.StartProcedure("e2e", "Test Patient")) << "no details dialog";
  ASSERT_EQ(Session.InfoLine("Patient name:"), "Test Patient") << "not recording";
  TScreenSession::Pause(3000);

  // The operator looks at another program: the live file keeps growing.
  const std::string Live = QDir(Storage).filePath("e2e.img").toStdString();
  ASSERT_TRUE(Session.FocusOtherProgram("Navigation"));
  EXPECT_EQ(Session.FocusedWindowName(), "Navigation");
  TImagerProcedure Before, After;
  Before.LoadFromFile(Live);
  TScreenSession::Pause(5000);
  After.LoadFromFile(Live);
  EXPECT_GE(After.FrameCount() - Before.FrameCount(), 4) << "frames kept coming in the background";
  Session.FocusMainWindow();

  // The operator tags a lesion and says the caecum is reached: the
  // withdrawal timer runs from there.
  Session.Keys({"t", "k"});
  TScreenSession::Pause(1000);
  EXPECT_EQ(Session.InfoLine("Lesions:"), "1");
  const QString Started = Session.InfoLine("Withdrawal:");
  TScreenSession::Pause(3000);
  const QString Later = Session.InfoLine("Withdrawal:");
  EXPECT_TRUE(Started.endsWith(" of 06:00")) << Started.toStdString();
  EXPECT_GT(Later, Started) << Started.toStdString() << " then " << Later.toStdString();
  Session.Keys({"Escape"});
  TScreenSession::Pause(1500);

  // Back in replay, read from the disk.
  EXPECT_EQ(Session.InfoLine("File name:"), "e2e.img");
  const int Frames = Session.InfoLine("Num frames:").toInt();
  EXPECT_GE(Frames, 12);
  EXPECT_LE(Frames, 18);
  TImagerProcedure Recorded;
  Recorded.LoadFromFile(QDir(Storage).filePath("e2e.img").toStdString());
  EXPECT_EQ(Recorded.FrameCount(), Frames);
  EXPECT_EQ(Recorded.PatientName, "Test Patient");
}

} // namespace
} // namespace kestrava::test

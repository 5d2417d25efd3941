// Recording from a tracker over OpenIGTLink through the real workstation on
// a virtual display: the receiver driver registered as "Driver ID", our own
// stream of a recording as the tracker, Start Procedure, a few seconds, Esc,
// and the streamed scope in the recording.

#include "ScreenSession.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/DemoRecording.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>

#include <gtest/gtest.h>

namespace kestrava::test {
namespace {

constexpr const char* ReceiverId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A03}";

// The program directory of a site that records from a tracker: the
// workstation, its drivers and calibration files, and the receiver's
// DSP.DAT naming the stream's poses.
QString TrackerProgramDirectory(const TScreenSession& Session, int Port) {
  namespace fs = std::filesystem;
  const fs::path Program = Session.ScratchPath("program").toStdString();
  fs::copy(KESTRAVA_PROGRAM_DIR, Program, fs::copy_options::recursive);
  QFile Settings(QString::fromStdString((Program / "DSP.DAT").string()));
  Settings.open(QIODevice::WriteOnly | QIODevice::Truncate);
  Settings.write(QString("server 127.0.0.1 %1\nhand HandToTracker\n").arg(Port).toUtf8());
  for (int Slot = 0; Slot < 16; ++Slot)
    Settings.write(QString("sensor %1 Sensor%2\n").arg(Slot).arg(Slot, 2, 10, QChar('0')).toUtf8());
  return QString::fromStdString(Program.string());
}

TEST(WorkstationTracker, RecordsAStreamedScopeThroughTheOpenIGTLinkDriver) {
  if (!ScreenToolsAvailable())
    GTEST_SKIP() << "needs an X display (xvfb-run), xdotool and ImageMagick's import";
  TScreenSession Session;
  TImagerProcedure Demo;
  BuildDemoProcedure(Demo);
  const QString Source = Session.ScratchPath("source.img");
  Demo.SaveToFile(Source.toStdString());
  QProcess Tracker;
  Tracker.start(KESTRAVA_PROGRAM_DIR "/kestrava-tool",
                {"stream", Source, "--port", "0", "--rate", "25", "--loop"});
  ASSERT_TRUE(Tracker.waitForReadyRead(20000)) << "the stream did not start";
  const QRegularExpressionMatch Listening =
      QRegularExpression(":(\\d+)").match(QString::fromUtf8(Tracker.readLine()));
  ASSERT_TRUE(Listening.hasMatch());
  const QString Program = TrackerProgramDirectory(Session, Listening.captured(1).toInt());

  const QString Storage = Session.PrepareRecording(ReceiverId);
  ASSERT_TRUE(Session.Start(Program + "/kestrava"));
  ASSERT_TRUE(Session.StartProcedure("tracked", "Tracked Patient"))
      << "no details dialog: recording disabled";
  TScreenSession::Pause(4000);
  Session.Keys({"Escape"});
  TScreenSession::Pause(1500);
  Tracker.kill();
  Tracker.waitForFinished(5000);

  TImagerProcedure Recorded;
  Recorded.LoadFromFile(QDir(Storage).filePath("tracked.img").toStdString());
  ASSERT_GE(Recorded.FrameCount(), 3);
  const TImagerFrame& Last = Recorded.GetFrame(Recorded.FrameCount() - 1);
  EXPECT_EQ(Last.SensorCount, 16);
  EXPECT_TRUE(Last.SensorValid[0] && Last.SensorValid[15]) << "the streamed sensors arrived";
  EXPECT_TRUE(Last.HandValid);
}

} // namespace
} // namespace kestrava::test

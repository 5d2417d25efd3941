// The workstation as an operator meets it, on a virtual display: open a
// recording with F3, switch to twin view from the View menu, see both views
// and the time line, leave with File > Exit and find the choice stored; fit
// a tube that ran off the views with F; step through a recording with held
// keys.

#include "ScreenContent.h"
#include "ScreenSession.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/DemoRecording.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace kestrava::test {
namespace {

constexpr QRgb ViewGreen = qRgb(0, 128, 0);

TEST(WorkstationReplay, OpensARecordingShowsTwinViewsAndStoresTheViewModeOnExit) {
  if (!ScreenToolsAvailable())
    GTEST_SKIP() << "needs an X display (xvfb-run), xdotool and ImageMagick's import";
  TScreenSession Session;
  TImagerProcedure Demo;
  BuildDemoProcedure(Demo);
  const QString Recording = Session.ScratchPath("demo.img");
  Demo.SaveToFile(Recording.toStdString());

  ASSERT_TRUE(Session.Start(KESTRAVA_PROGRAM_DIR "/kestrava")) << "no main window appeared";
  Session.Keys({"F3"});
  TScreenSession::Pause(1500);
  Session.Type(Recording);
  Session.Keys({"Return"});
  TScreenSession::Pause(1500);
  Session.FocusMainWindow();
  // View menu: Endoscope is highlighted first; Twin view is eleven items
  // down (separators are skipped).
  Session.Keys({"alt+v"});
  TScreenSession::Pause(500);
  QStringList Downs;
  for (int I = 0; I < 10; ++I)
    Downs << "Down";
  Session.Keys(Downs);
  Session.Keys({"Return"});
  TScreenSession::Pause(2000);

  const QImage Screen = Session.Screenshot();
  ASSERT_FALSE(Screen.isNull());
  // Left in the test's working directory for whoever reads a failure.
  Screen.save("workstation_e2e_replay.png");
  const std::vector<QRect> Views = ColourRegions(Screen, ViewGreen, 100);
  ASSERT_EQ(Views.size(), 2u) << "expected two green views side by side";
  for (const QRect& View : Views)
    EXPECT_GT(GreyPixels(Screen, View), 200)
        << "no endoscope drawn in the view at x " << View.left();
  const QRect TimeLine = BlackBand(Screen, Views.front().bottom());
  ASSERT_GE(TimeLine.height(), 80) << "no time line under the views";
  EXPECT_GT(WhitePixels(Screen, TimeLine), 300) << "the time line shows no curve";

  // File > Exit through its mnemonic.
  Session.FocusMainWindow();
  Session.Keys({"alt+f"});
  TScreenSession::Pause(400);
  Session.Keys({"x"});
  ASSERT_TRUE(Session.WaitForExit(15000)) << "the program did not close";
  QFile Settings(Session.UserSettingsFile());
  ASSERT_TRUE(Settings.open(QIODevice::ReadOnly)) << "no settings written";
  const QString Text = QString::fromUtf8(Settings.readAll());
  EXPECT_TRUE(Text.contains("ViewMode=2")) << Text.toStdString();
  EXPECT_TRUE(Text.contains("ImagerFilesDirectory=")) << Text.toStdString();
}

// The tube's pixels within Ring pixels of the view's edges.
int GreyAtTheEdges(const QImage& Screen, const QRect& View, int Ring) {
  return GreyPixels(Screen, QRect(View.left(), View.top(), View.width(), Ring)) +
         GreyPixels(Screen, QRect(View.left(), View.bottom() - Ring + 1, View.width(), Ring)) +
         GreyPixels(Screen, QRect(View.left(), View.top(), Ring, View.height())) +
         GreyPixels(Screen, QRect(View.right() - Ring + 1, View.top(), Ring, View.height()));
}

TEST(WorkstationReplay, FitEndoscopeBringsATubeThatRanOffTheViewsWhollyInside) {
  if (!ScreenToolsAvailable())
    GTEST_SKIP() << "needs an X display (xvfb-run), xdotool and ImageMagick's import";
  TScreenSession Session;
  // The demo's frame 129, whose tube runs off the top of the twin views, as
  // the first frame of a recording.
  TImagerProcedure Demo, Recording;
  BuildDemoProcedure(Demo);
  Recording.ProcedureType = Demo.ProcedureType;
  Recording.StartTime = Demo.StartTime;
  Recording.AddFrame().Assign(Demo.GetFrame(128));
  const QString File = Session.ScratchPath("frame129.img");
  Recording.SaveToFile(File.toStdString());
  QSettings(Session.UserSettingsFile(), QSettings::IniFormat).setValue("ViewMode", 2);
  ASSERT_TRUE(Session.Start(KESTRAVA_PROGRAM_DIR "/kestrava", {File}));
  TScreenSession::Pause(1500);

  constexpr int Ring = 3;
  const QImage Before = Session.Screenshot();
  const std::vector<QRect> Views = ColourRegions(Before, ViewGreen, 100);
  ASSERT_EQ(Views.size(), 2u);
  int Cut = 0;
  for (const QRect& View : Views)
    Cut += GreyAtTheEdges(Before, View, Ring);
  ASSERT_GT(Cut, 0) << "the design's camera should cut the tube off here";

  Session.Keys({"f"});
  TScreenSession::Pause(1500);
  const QImage After = Session.Screenshot();
  After.save("workstation_e2e_fit.png");
  for (const QRect& View : ColourRegions(After, ViewGreen, 100)) {
    EXPECT_EQ(GreyAtTheEdges(After, View, Ring), 0) << "tube cut off at x " << View.left();
    EXPECT_GT(GreyPixels(After, View), 500) << "no tube in the view at x " << View.left();
  }
  EXPECT_EQ(ColourRegions(After, ViewGreen, 100).size(), 2u);
}

TEST(WorkstationReplay, HeldPageDownStepsFrameByFrameAndShiftTenAtATime) {
  if (!ScreenToolsAvailable())
    GTEST_SKIP() << "needs an X display (xvfb-run), xdotool and ImageMagick's import";
  TScreenSession Session;
  TImagerProcedure Demo;
  BuildDemoProcedure(Demo);
  const QString Recording = Session.ScratchPath("demo.img");
  Demo.SaveToFile(Recording.toStdString());
  Session.MirrorInfoBox();
  ASSERT_TRUE(Session.Start(KESTRAVA_PROGRAM_DIR "/kestrava", {Recording}));
  ASSERT_EQ(Session.InfoLine("Current frame:").toInt(), 1);

  // Held for a second: one frame per 40 ms tick, so well over one frame and
  // less than the 300 of the recording.
  Session.HoldKeys({"Next"}, 1000);
  const int AfterPlain = Session.InfoLine("Current frame:").toInt();
  EXPECT_GT(AfterPlain, 3);
  EXPECT_LT(AfterPlain, 100);

  Session.HoldKeys({"shift", "Next"}, 300);
  const int AfterShift = Session.InfoLine("Current frame:").toInt();
  EXPECT_GT(AfterShift, AfterPlain);
  EXPECT_EQ((AfterShift - AfterPlain) % 10, 0) << AfterPlain << " -> " << AfterShift;
}

} // namespace
} // namespace kestrava::test

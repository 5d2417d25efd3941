// The display engine behind the main window: opening recordings, stepping,
// the time line's mouse, auto align, and what a refresh returns for the
// window to show in replay and while recording.

#include "app/MainDisplay.h"
#include "app/PainDisplay.h"
#include "foundation/UserInteraction.h"
#include "geometry/Vectors.h"
#include "tests/support/ProcedureBuilders.h"

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class MainDisplay : public ::testing::Test {
protected:
  // Three frames with pain 1, 3, 2; the body markers of a colonoscopy when
  // asked, so that auto align has patient axes to turn to.
  std::string WriteRecording(bool WithMarkers) {
    TImagerProcedure Procedure;
    support::AddPainFrames(Procedure, {1, 3, 2});
    for (std::int32_t I = 0; WithMarkers && I < 3; ++I) {
      Procedure.GetFrame(I).MarkerValid = {true, true, true};
      Procedure.GetFrame(I).MarkerPosition = {{{-0.1, 0, 0}, {0.1, 0, 0}, {0, 0.2, 0}}};
    }
    std::string Name = (Folder / "good.img").string();
    Procedure.SaveToFile(Name);
    return Name;
  }

  QTemporaryDir Temporary;
  std::filesystem::path Folder = Temporary.path().toStdString();
  TOptions Options;
  TMainDisplay Display{Options};
  TScriptedUserInteraction User;
};

TEST_F(MainDisplay, OpensARecordingAtItsFirstFrameAndARefreshShowsItOnce) {
  ASSERT_TRUE(Display.OpenImagerFile(WriteRecording(false), User));
  EXPECT_TRUE(User.Messages().empty());
  EXPECT_EQ(Display.Mode(), ModeReplay);
  EXPECT_TRUE(Display.ProcedureShown());
  EXPECT_EQ(Display.CurrentFrame(), 1);
  EXPECT_TRUE(Display.Changes().NeedLayout()) << "replay lays the window out";
  const TTimeLinePoints Line = TimeLinePointsOf(Display.Procedure());
  EXPECT_EQ(Line.Points, (std::vector<double>{1, 3, 2}));
  EXPECT_DOUBLE_EQ(Line.YScale, 40.0 / 3);

  const TDisplayShown Shown = Display.Update({});
  EXPECT_EQ(Display.CurrentFrameData().Pain, 1.0);
  EXPECT_EQ(Shown.TimeLineCursor, 0);
  // Replay: pain 1 of the reference (the largest, 3) is 33 %.
  EXPECT_EQ(Shown.GaugePercent, 33);
  EXPECT_EQ(Shown.Status[0], "AP view");
  EXPECT_EQ(Shown.Status[3], "Pain sensor on");
  ASSERT_GT(Shown.Info.Lines.size(), 4u);
  EXPECT_EQ(Shown.Info.Lines[4], "Current frame: \t1");
  EXPECT_TRUE(Shown.NewFrame);
  EXPECT_FALSE(Display.Changes().NeedLayout()) << "the refresh clears every flag";
  EXPECT_FALSE(Display.Update({}).NewFrame) << "the same frame again";
}

TEST_F(MainDisplay, AFailedOpenNamesTheFileAndTheReasonAndShowsNothingStale) {
  const std::string Good = WriteRecording(false);
  std::ifstream In(Good, std::ios::binary);
  const std::string Bytes{std::istreambuf_iterator<char>(In), {}};
  const auto Cut = Folder / "cut.img";
  std::ofstream(Cut, std::ios::binary) << Bytes.substr(0, Bytes.size() - 10);
  const auto Stranger = Folder / "stranger.img";
  std::ofstream(Stranger) << "not an imager file at all, but long enough to be looked at";
  const auto Missing = Folder / "missing.img";
  const std::pair<std::filesystem::path, std::string> Cases[] = {
      {Cut, "File format not recognised\n" + Cut.string() + "\ntruncated in frame 3 of 3"},
      {Stranger, "File format not recognised\n" + Stranger.string() + "\nunknown signature"},
      {Missing, "Unable to load file\n" + Missing.string() + "\nno such file"},
  };
  for (const auto& [File, Message] : Cases) {
    ASSERT_TRUE(Display.OpenImagerFile(Good, User));
    User.ClearMessages();
    EXPECT_FALSE(Display.OpenImagerFile(File.string(), User));
    EXPECT_EQ(User.Texts(), std::vector<std::string>{Message});
    EXPECT_FALSE(Display.ProcedureShown());
    EXPECT_EQ(Display.Mode(), ModeReplay) << "the mode stays";
    EXPECT_EQ(Display.CurrentFileName(), "");
    EXPECT_EQ(Display.Procedure().FrameCount(), 0);
    EXPECT_EQ(Display.Procedure().PatientName, "") << "not the procedure shown before";
    EXPECT_EQ(Display.Procedure().StartTime, 0);
    for (const std::string& Line : Display.Update({}).Info.Lines)
      EXPECT_EQ(Line.find("name:"), std::string::npos) << "no details: " << Line;
  }
}

TEST_F(MainDisplay, StepsWithinTheRecordingAndReportsBothEnds) {
  EXPECT_EQ(Display.StepFrame(1), TStepResult::Ignored);
  Display.OpenImagerFile(WriteRecording(false), User);
  EXPECT_EQ(Display.StepFrame(-1), TStepResult::AtEnd);
  EXPECT_EQ(Display.StepFrame(10), TStepResult::Moved);
  EXPECT_EQ(Display.CurrentFrame(), 3);
  EXPECT_TRUE(Display.Changes().Frame);
  EXPECT_EQ(Display.StepFrame(1), TStepResult::AtEnd);
  Display.BeginRecording("rec.img", 0);
  EXPECT_EQ(Display.StepFrame(-1), TStepResult::Ignored);
}

TEST_F(MainDisplay, TimeLinePressAndDragMoveTheFrameAndOnlyARightReleaseOpensTheMenu) {
  Display.OpenImagerFile(WriteRecording(false), User);
  EXPECT_TRUE(Display.TimeLinePress(2));
  EXPECT_EQ(Display.CurrentFrame(), 3);
  EXPECT_EQ(Display.Update({}).TimeLineCursor, 2);
  EXPECT_TRUE(Display.TimeLineDragging());
  EXPECT_TRUE(Display.TimeLineMove(1));
  Display.Update({});
  EXPECT_EQ(Display.CurrentFrameData().Pain, 3.0);
  EXPECT_FALSE(Display.TimeLineRelease(1, false));
  EXPECT_FALSE(Display.TimeLineRelease(1, true)); // no drag any more

  // An empty time line: the press finds no point but still starts a drag.
  EXPECT_FALSE(Display.TimeLinePress(-1));
  EXPECT_EQ(Display.CurrentFrame(), 2);
  EXPECT_TRUE(Display.TimeLineRelease(-1, true));
  EXPECT_EQ(Display.TimeLineIndex(), -1);

  Display.BeginRecording("rec.img", 0);
  EXPECT_FALSE(Display.TimeLinePress(0));
}

TEST_F(MainDisplay, AutoAlignTurnsTheCameraToThePatientAndTheLateralViewAQuarterMore) {
  Display.OpenImagerFile(WriteRecording(true), User);
  // Markers R (-0.1,0,0), L (0.1,0,0), A (0,0.2,0): the camera leaves its start.
  const TPositionOrientation Ap = Display.Update({}).Camera.Camera();
  EXPECT_NE(Ap.Direction.X, -1.0);

  Options.ViewMode = ViewModeLateral;
  Display.Change(&TDisplayChanges::ViewMode);
  const TPositionOrientation Lateral = Display.Update({}).Camera.Camera();
  // A quarter turn about the same up axis.
  EXPECT_NEAR(DotProduct(Ap.Direction, Lateral.Direction), 0.0, 1e-12);
  EXPECT_NEAR(Ap.Up.Y, Lateral.Up.Y, 1e-12);

  // Without auto align a new frame keeps the camera where the operator put it.
  Options.AutoAlign = false;
  Display.Camera().ResetCamera();
  Display.StepFrame(1);
  EXPECT_EQ(Display.Update({}).Camera.Camera().Direction.X, -1.0);
}

// While its graph is shown the frame's curvature profile goes to it, and a
// point picked on the graph is the box's curvature.
TEST_F(MainDisplay, APointPickedOnTheCurvatureGraphIsShownInTheBox) {
  Options.ViewEndoscopeCurvature = true;
  Display.OpenImagerFile(WriteRecording(false), User);
  const TDisplaySurface WithGraph{{}, {}, true};
  ASSERT_GT(Display.Update(WithGraph).Curvature->PointCount(), 0);
  EXPECT_TRUE(Display.CurvaturePress(0));
  const TDisplayShown Shown = Display.Update(WithGraph);
  EXPECT_EQ(Shown.Curvature->SelectedIndex(), 0);
  EXPECT_NE(std::find_if(Shown.Info.Lines.begin(), Shown.Info.Lines.end(),
                         [](const std::string& Line) { return Line.starts_with("Curvature: \t"); }),
            Shown.Info.Lines.end());
  Display.CurvatureRelease();
  EXPECT_FALSE(Display.CurvatureMove(1)) << "no drag any more";
}

// The recording session has classified the sample: the display shows its
// verdict rather than classifying the frame a second time (this frame, a
// straight stub, would be no loop at all).
TEST_F(MainDisplay, WhileRecordingTheGaugeFollowsTheLargestPainAndTheSessionsLoopIsShown) {
  Options.ViewLoops = true;
  Display.BeginRecording("rec.img", 2);
  EXPECT_EQ(Display.Mode(), ModeRecording);
  Display.CurrentFrameData().Pain = 1;
  TLoopState Alpha;
  Alpha.Present = true;
  Alpha.Class = TLoopClass::Alpha;
  Display.ShowSample({3, 4, Alpha});
  const TDisplayShown Shown = Display.Update({});
  EXPECT_EQ(Shown.GaugePercent, 25);
  EXPECT_EQ(Shown.Info.Lines[4], "Current frame: \t3");
  EXPECT_EQ(Display.CurrentLoop().Class, TLoopClass::Alpha);
  EXPECT_TRUE(Shown.NewFrame);
  Display.Update({});
  EXPECT_EQ(Display.CurrentLoop().Class, TLoopClass::Alpha) << "kept until the next sample";
}

TEST(PainDisplay, GaugeRoundsHalfToEvenAndSurvivesNonsense) {
  EXPECT_EQ(GaugeProgress(0.125, 1.0), 12); // 12.5 -> 12
  EXPECT_EQ(GaugeProgress(0.135, 1.0), 14);
  EXPECT_EQ(GaugeProgress(5, 0), 0);
  EXPECT_EQ(GaugeProgress(1e300, 1e-300), std::numeric_limits<std::int32_t>::max());
}

} // namespace
} // namespace kestrava

// The display engine behind the main window: opening recordings, stepping,
// the time line's mouse, auto align and the gauge, driven through a fake
// window that records what it was asked to do.

#include "app/MainDisplay.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/CurvatureGraphPoints.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class TFakeWindow final : public IMainDisplaySurface {
public:
  void LayOut() override { ++Layouts; }
  void ShowTimeLineCursor(std::int32_t Position) override { Cursor = Position; }
  void SetTimeLine(const TTimeLinePoints& Line) override { TimeLine = Line; }
  bool CurvatureGraphVisible() const override { return CurvatureShown; }
  ICurvatureGraph& CurvatureGraph() override { return Curvature; }
  void SetGaugeProgress(std::int32_t Percent) override { Gauge = Percent; }
  void FillInformationBox() override {}
  void ShowViews(const TViewCamera& Camera, bool Twin) override {
    ShownCamera = Camera.Camera();
    TwinShown = Twin;
  }
  void SetStatusTexts(const TStatusPanelTexts& Texts) override { Status = Texts; }
  void SetRemoteIndicators(std::uint32_t Mask) override { Indicators = Mask; }
  void RepaintNow() override { ++Repaints; }

  int Layouts = 0, Repaints = 0;
  std::int32_t Cursor = -99, Gauge = -1;
  std::uint32_t Indicators = 99;
  TTimeLinePoints TimeLine;
  bool CurvatureShown = false, TwinShown = false;
  TCurvatureGraphPoints Curvature;
  TPositionOrientation ShownCamera;
  TStatusPanelTexts Status;
};

class MainDisplay : public ::testing::Test {
protected:
  MainDisplay() { Display.Ready = true; }

  // Three frames with pain 1, 3, 2; the body markers of a colonoscopy when
  // asked, so that auto align has patient axes to turn to.
  std::string WriteRecording(bool WithMarkers) {
    TImagerProcedure Procedure;
    Procedure.HasPainData = true;
    Procedure.PatientName = "Test";
    for (const double Pain : {1.0, 3.0, 2.0}) {
      TImagerFrame& Frame = Procedure.AddFrame();
      Frame.Time = Procedure.FrameCount() / 86400.0;
      Frame.Pain = Pain;
      Frame.SensorCount = 2;
      Frame.SensorValid[0] = Frame.SensorValid[1] = true;
      Frame.SensorPosition[1] = {0, 0, 0.1};
      if (WithMarkers) {
        Frame.MarkerValid[0] = Frame.MarkerValid[1] = Frame.MarkerValid[2] = true;
        Frame.MarkerPosition[0] = {-0.1, 0, 0};
        Frame.MarkerPosition[1] = {0.1, 0, 0};
        Frame.MarkerPosition[2] = {0, 0.2, 0};
      }
    }
    std::string Name = (Folder / "good.img").string();
    Procedure.SaveToFile(Name);
    return Name;
  }

  QTemporaryDir Temporary;
  std::filesystem::path Folder = Temporary.path().toStdString();
  TOptions Options;
  TMainDisplay Display{Options};
  TFakeWindow Window;
  TScriptedUserInteraction User;
};

TEST_F(MainDisplay, OpensARecordingAtItsFirstFrameWithItsTimeLineInOneRefresh) {
  ASSERT_TRUE(Display.OpenImagerFile(WriteRecording(false), User, Window));
  EXPECT_EQ(Window.Repaints, 1);
  EXPECT_EQ(Window.Layouts, 1);
  EXPECT_TRUE(User.Messages().empty());
  EXPECT_EQ(Display.Mode, ModeReplay);
  EXPECT_TRUE(Display.ProcedureShown);
  EXPECT_EQ(Display.CurrentFrame, 1);
  EXPECT_EQ(Display.CurrentFrameData().Pain, 1.0);
  EXPECT_EQ(Window.Cursor, 0);
  EXPECT_EQ(Window.TimeLine.Points, (std::vector<double>{1, 3, 2}));
  EXPECT_DOUBLE_EQ(Window.TimeLine.YScale, 40.0 / 3);
  // Replay: pain 1 of the reference (the largest, 3) is 33 %.
  EXPECT_EQ(Window.Gauge, 33);
  EXPECT_EQ(Window.Status[0], "AP view");
  EXPECT_EQ(Window.Status[3], "Pain sensor on");
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
    ASSERT_TRUE(Display.OpenImagerFile(Good, User, Window));
    User.ClearMessages();
    EXPECT_FALSE(Display.OpenImagerFile(File.string(), User, Window));
    EXPECT_EQ(User.Texts(), std::vector<std::string>{Message});
    EXPECT_FALSE(Display.ProcedureShown);
    EXPECT_EQ(Display.Mode, ModeReplay) << "the mode stays";
    EXPECT_EQ(Display.CurrentFileName, "");
    EXPECT_EQ(Display.Procedure().FrameCount(), 0);
    EXPECT_EQ(Display.Procedure().PatientName, "") << "not the procedure shown before";
    EXPECT_EQ(Display.Procedure().StartTime, 0);
    EXPECT_TRUE(Window.TimeLine.Points.empty());
  }
}

TEST_F(MainDisplay, StepsWithinTheRecordingAndReportsBothEnds) {
  EXPECT_EQ(Display.StepFrame(1), TStepResult::Ignored);
  Display.OpenImagerFile(WriteRecording(false), User, Window);
  EXPECT_EQ(Display.StepFrame(-1), TStepResult::AtEnd);
  EXPECT_EQ(Display.StepFrame(10), TStepResult::Moved);
  EXPECT_EQ(Display.CurrentFrame, 3);
  EXPECT_TRUE(Display.Changes.Frame);
  EXPECT_EQ(Display.StepFrame(1), TStepResult::AtEnd);
  Display.Mode = ModeRecording;
  EXPECT_EQ(Display.StepFrame(-1), TStepResult::Ignored);
}

TEST_F(MainDisplay, TimeLinePressAndDragMoveTheFrameAndOnlyARightReleaseOpensTheMenu) {
  Display.OpenImagerFile(WriteRecording(false), User, Window);
  Display.TimeLinePress(2, Window);
  EXPECT_EQ(Display.CurrentFrame, 3);
  EXPECT_EQ(Window.Cursor, 2);
  Display.TimeLineMove(1, Window);
  EXPECT_EQ(Display.CurrentFrameData().Pain, 3.0);
  EXPECT_FALSE(Display.TimeLineRelease(1, false));
  EXPECT_FALSE(Display.TimeLineRelease(1, true)); // no drag any more

  // An empty time line: the press finds no point but still starts a drag.
  Display.TimeLinePress(-1, Window);
  EXPECT_EQ(Display.CurrentFrame, 2);
  EXPECT_TRUE(Display.TimeLineRelease(-1, true));
  EXPECT_EQ(Display.TimeLineIndex, -1);

  Display.Mode = ModeRecording;
  Display.TimeLinePress(0, Window);
  EXPECT_EQ(Display.CurrentFrame, 2);
}

TEST_F(MainDisplay, AutoAlignTurnsTheCameraToThePatientAndTheLateralViewAQuarterMore) {
  Display.OpenImagerFile(WriteRecording(true), User, Window);
  // Markers R (-0.1,0,0), L (0.1,0,0), A (0,0.2,0): the camera leaves its start.
  const TPositionOrientation Ap = Window.ShownCamera;
  EXPECT_NE(Ap.Direction.X, -1.0);

  Options.ViewMode = ViewModeLateral;
  Display.Changes.ViewMode = true;
  Display.Update(Window);
  const TPositionOrientation Lateral = Window.ShownCamera;
  // A quarter turn about the same up axis.
  EXPECT_NEAR(Ap.Direction.X * Lateral.Direction.X + Ap.Direction.Y * Lateral.Direction.Y +
                  Ap.Direction.Z * Lateral.Direction.Z,
              0.0, 1e-12);
  EXPECT_NEAR(Ap.Up.Y, Lateral.Up.Y, 1e-12);

  // Without auto align a new frame keeps the camera where the operator put it.
  Options.AutoAlign = false;
  Display.Camera().ResetCamera();
  Display.StepFrame(1);
  Display.Update(Window);
  EXPECT_EQ(Window.ShownCamera.Direction.X, -1.0);
}

TEST_F(MainDisplay, UpdateWaitsForStartUpAndClearsEveryFlag) {
  Display.Ready = false;
  Display.Changes.Layout = true;
  Display.Update(Window);
  EXPECT_EQ(Window.Repaints, 0);
  Display.Ready = true;
  Display.Update(Window);
  EXPECT_EQ(Window.Layouts, 1);
  EXPECT_FALSE(Display.Changes.Layout);
  Display.Update(Window);
  EXPECT_EQ(Window.Layouts, 1);
  EXPECT_EQ(Window.Repaints, 2);
}

TEST_F(MainDisplay, RecordingModeResetsTheRemoteToMarkersAndUsesTheLargestPainForTheGauge) {
  Display.SetRemoteMode(2, Window);
  EXPECT_EQ(Window.Indicators, 63u);
  Display.SetMode(ModeRecording, Window);
  EXPECT_EQ(Window.Indicators, 0u);
  Display.MaxPain = 4;
  Display.CurrentFrameData().Pain = 1;
  Display.Update(Window);
  EXPECT_EQ(Window.Gauge, 25);
}

TEST(PainDisplay, GaugeRoundsHalfToEvenAndSurvivesNonsense) {
  EXPECT_EQ(GaugeProgress(0.125, 1.0), 12); // 12.5 -> 12
  EXPECT_EQ(GaugeProgress(0.135, 1.0), 14);
  EXPECT_EQ(GaugeProgress(5, 0), 0);
  EXPECT_EQ(GaugeProgress(1e300, 1e-300), std::numeric_limits<std::int32_t>::max());
}

} // namespace
} // namespace kestrava

// The main window's camera: key and remote moves, auto-align, and how each
// view is pointed and scaled before drawing.

#include "app/ControlAction.h"
#include "app/ViewCamera.h"
#include "imagerdata/ImagerFrame.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr double Tolerance = 1e-12;
constexpr double QuarterTurn = std::numbers::pi / 2;

void ExpectVector(const TVector3& Expected, const TVector3& Actual) {
  EXPECT_NEAR(Expected.X, Actual.X, Tolerance);
  EXPECT_NEAR(Expected.Y, Actual.Y, Tolerance);
  EXPECT_NEAR(Expected.Z, Actual.Z, Tolerance);
}
void ExpectPose(const TPositionOrientation& Expected, const TPositionOrientation& Actual) {
  ExpectVector(Expected.Position, Actual.Position);
  ExpectVector(Expected.Direction, Actual.Direction);
  ExpectVector(Expected.Up, Actual.Up);
}
constexpr TPositionOrientation StartPose{{0.4, 0, 0}, {-1, 0, 0}, {0, 1, 0}};

TEST(ViewCamera, StartsAtTheStartCameraAndResetUndoesEveryMove) {
  TViewCamera Camera;
  ExpectPose(StartPose, Camera.Camera());
  Camera.Zoom(1 / 0.95);
  Camera.Zoom(2);
  EXPECT_NEAR(Camera.ZoomFactor(), 2 / 0.95, Tolerance);
  Camera.PanUp(0.02);
  Camera.Roll(0.3);
  Camera.ResetCamera();
  ExpectPose(StartPose, Camera.Camera());
  EXPECT_EQ(Camera.ZoomFactor(), 1.0);
}

// Each control action reaches the camera operation of its kind; other
// actions leave the camera alone.
TEST(ViewCamera, ControlActionsPanAndTurnAlongTheirAxesWithTheirSigns) {
  using Kind = TControlActionKind;
  const auto Moved = [](std::initializer_list<std::pair<Kind, double>> Actions) {
    TViewCamera Camera;
    for (const auto& [K, Amount] : Actions)
      EXPECT_TRUE(ApplyCameraAction(Camera, TControlAction::WithAmount(K, Amount)));
    return Camera.Camera();
  };
  // Direction (-1, 0, 0) x Up (0, 1, 0) = (0, 0, -1).
  ExpectVector({0.4, 0, 0.02}, Moved({{Kind::PanSideways, 0.02}}).Position);
  ExpectVector({0.4, -0.02, 0}, Moved({{Kind::PanUp, 0.02}}).Position);
  ExpectVector({0.5, 0, 0}, Moved({{Kind::PanForward, 0.1}}).Position);
  // Yaw turns Direction by -a about Up: the lateral view looks the way the
  // twin side view does, along Direction x Up.
  ExpectPose({{0.4, 0, 0}, {0, 0, -1}, {0, 1, 0}}, Moved({{Kind::Yaw, QuarterTurn}}));
  // Pitch turns about (0, 0, 1), roll turns Up about Direction.
  ExpectPose({{0.4, 0, 0}, {0, -1, 0}, {-1, 0, 0}}, Moved({{Kind::Pitch, QuarterTurn}}));
  ExpectPose({{0.4, 0, 0}, {-1, 0, 0}, {0, 0, -1}}, Moved({{Kind::Roll, QuarterTurn}}));

  TViewCamera Camera;
  EXPECT_TRUE(ApplyCameraAction(Camera, TControlAction::WithAmount(Kind::Zoom, 2)));
  EXPECT_FALSE(ApplyCameraAction(Camera, TControlAction::WithValue(Kind::StepFrame, 1)));
  EXPECT_EQ(Camera.ZoomFactor(), 2.0);
  EXPECT_TRUE(ApplyCameraAction(Camera, TControlAction::Of(Kind::ResetCamera)));
  EXPECT_EQ(Camera.ZoomFactor(), 1.0);
}

TEST(ViewCamera, ManyTurnsKeepTheAxesUnitLength) {
  TViewCamera Camera;
  for (int I = 0; I < 5000; ++I) {
    Camera.Pitch(0.1309);
    Camera.Yaw(0.1309);
    Camera.Roll(-0.1309);
  }
  EXPECT_NEAR(VectorLength(Camera.Camera().Direction), 1.0, 1e-12);
  EXPECT_NEAR(VectorLength(Camera.Camera().Up), 1.0, 1e-12);
}

// A colonoscopy frame whose three markers give the patient axes.
void MarkFrame(TImagerFrame& Frame) {
  Frame.MarkerValid = {true, true, true};
  Frame.MarkerPosition = {{{0.2, 0.1, 0.1}, {0.2, 0.1, -0.1}, {0.2, -0.1, 0}}};
}

TEST(ViewCamera, AlignsToThePatientAxesAndTurnsTheLateralView) {
  TImagerFrame Frame;
  MarkFrame(Frame);
  TVector3 Centre, Normal, Axis;
  ASSERT_TRUE(Frame.GetPatientAxes(0, Centre, Normal, Axis));

  TViewCamera AP;
  ASSERT_TRUE(AP.AlignToPatient(Frame, 0, false));
  ExpectPose({Centre, NegateVector(Normal), Axis}, AP.Camera());

  TViewCamera Lateral;
  ASSERT_TRUE(Lateral.AlignToPatient(Frame, 0, true));
  ExpectPose({Centre, RotateAboutAxis(NegateVector(Normal), Axis, -QuarterTurn), Axis},
             Lateral.Camera());
}

TEST(ViewCamera, KeepsTheCameraWhenTheFrameHasNoPatientAxes) {
  TViewCamera Camera;
  Camera.PanUp(0.1);
  const TImagerFrame Unmarked;
  EXPECT_FALSE(Camera.AlignToPatient(Unmarked, 0, false));
  ExpectVector({0.4, -0.1, 0}, Camera.Camera().Position);
}

TEST(ViewCamera, FollowingThePatientKeepsTheOperatorsMovesUntilTheMarkersMoveOrHomeIsPressed) {
  TImagerFrame Frame;
  MarkFrame(Frame);
  TViewCamera Camera;
  ASSERT_TRUE(Camera.FollowPatient(Frame, 0, false));
  const TPositionOrientation Aligned = Camera.Camera();
  Camera.Yaw(0.3);
  EXPECT_FALSE(Camera.FollowPatient(Frame, 0, false)) << "the same axes: the turn stays";
  EXPECT_NE(Camera.Camera().Direction, Aligned.Direction);
  Camera.ResetCamera();
  EXPECT_TRUE(Camera.FollowPatient(Frame, 0, false)) << "Home forgets the axes";
  ExpectVector(Aligned.Direction, Camera.Camera().Direction);
  Camera.Yaw(0.3);
  Frame.MarkerPosition[2].Z += 0.01;
  EXPECT_TRUE(Camera.FollowPatient(Frame, 0, false)) << "a marker placed again";
}

// The shorter side spans the unit times four times the zoom.
TEST(ViewPointing, FrontEyeSitsOneUnitBehindAndSideViewLooksAlongDirectionCrossUp) {
  TViewCamera Camera;
  Camera.Zoom(0.5);
  TOffscreenViewerWindow Window(16, 16);
  TDirect3DViewerCore Front(Window), Side(Window);
  PointFrontView(Front, Camera, 300, 150);
  ExpectPose({{1.4, 0, 0}, {-1, 0, 0}, {0, 1, 0}}, Front.GetCamera());
  EXPECT_EQ(std::pair(Front.GetScaleX(), Front.GetScaleY()), std::pair(1.0, 2.0));

  PointSideView(Side, Camera, 150, 300);
  ExpectPose({{0.4, 0, 1}, {0, 0, -1}, {0, 1, 0}}, Side.GetCamera());
  EXPECT_EQ(std::pair(Side.GetScaleX(), Side.GetScaleY()), std::pair(2.0, 1.0));
  const TViewScales Empty = ViewScalesFor(0, 0, 1.0);
  EXPECT_EQ(std::pair(Empty.X, Empty.Y), std::pair(4.0, 4.0));
}

TEST(ViewPlacement, TwinViewsTooNarrowForTheGapAreEmpty) {
  const TViewPlacement Cramped = PlaceViews(ViewModeTwin, {0, 0, 3, 10});
  EXPECT_TRUE(Cramped.Front.IsEmpty());
  EXPECT_TRUE(Cramped.Side.IsEmpty());
}

} // namespace
} // namespace kestrava

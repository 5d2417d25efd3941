// Fitting the views to a frame: every point and label inside each view with
// the margin, as the viewer itself projects them, the views filled, and the
// check that tells auto fit when the endoscope would leave a view.

#include "app/ViewFit.h"
#include "imagerdata/ImagerFrame.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "scene/Graphics3DFrame.h"
#include "scene/PolygonImagerData.h"
#include "tests/looping/LoopTestShapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

constexpr TLabelRoom Labels{20, 25};

// A scope curling far off to one side of the point the design camera looks
// at, a marker beside it and the hand well away.
std::vector<TFitPoint> ScopeMarkerAndHand() {
  std::vector<TFitPoint> Points;
  Points.reserve(18);
  for (int I = 0; I < 16; ++I)
    Points.push_back(
        {{0.5 + 0.3 * std::cos(I * 0.4), 0.2 + 0.25 * std::sin(I * 0.4), 0.1 * I}, 0.01});
  Points.push_back({{0.45, -0.15, 0.3}, 0, true});
  Points.push_back({{0.9, 0.4, -0.2}, 0.015});
  return Points;
}

struct TSeen {
  double Low = std::numeric_limits<double>::infinity(), High = -Low;
};

// Checks each point (radius, and label) against the view's edges, as the
// viewer maps it; returns the share of the view's width or height the
// points span, whichever is larger.
double CheckInside(const TViewCamera& Camera, bool Side, std::int32_t Width, std::int32_t Height,
                   const std::vector<TFitPoint>& Points) {
  TOffscreenViewerWindow Window(Width, Height);
  TDirect3DViewerCore View(Window);
  View.SetProjectionType(ProjectionParallel);
  Side ? PointSideView(View, Camera, Width, Height) : PointFrontView(View, Camera, Width, Height);
  const double Scale = Width / 2.0 * View.GetScaleX(); // pixels per metre
  const double MarginX = FitMargin / 2 * Width - 1e-6, MarginY = FitMargin / 2 * Height - 1e-6;
  const TGraphics3DFrame Identity;
  TSeen X, Y;
  for (const TFitPoint& Point : Points) {
    const TVector3 At = View.FrameToScreen(Point.Position, Identity);
    const double Radius = Scale * Point.Radius;
    EXPECT_GE(At.X - Radius, MarginX);
    EXPECT_GE(At.Y - Radius, MarginY);
    EXPECT_LE(At.X + Radius + (Point.Labelled ? Labels.Right : 0), Width - MarginX);
    EXPECT_LE(At.Y + Radius + (Point.Labelled ? Labels.Down : 0), Height - MarginY);
    X = {std::min(X.Low, At.X), std::max(X.High, At.X)};
    Y = {std::min(Y.Low, At.Y), std::max(Y.High, At.Y)};
  }
  return std::max((X.High - X.Low) / Width, (Y.High - Y.Low) / Height);
}

TEST(ViewFit, EveryPointAndLabelLiesInsideEachViewWithTheMarginAndAViewIsFilled) {
  struct TCase {
    const char* Name;
    std::int32_t Mode;
    std::int32_t Width, Height;
  };
  for (const TCase& Case :
       {TCase{"AP", ViewModeAP, 400, 300}, TCase{"lateral", ViewModeLateral, 300, 400},
        TCase{"twin", ViewModeTwin, 804, 300}}) {
    SCOPED_TRACE(Case.Name);
    TViewCamera Camera;
    if (Case.Mode == ViewModeLateral)
      Camera.Yaw(std::numbers::pi / 2);
    const std::vector<TFitPoint> Points = ScopeMarkerAndHand();
    const TFitViews Views = FitViewsOfPicture(Case.Mode, Case.Width, Case.Height);
    EXPECT_TRUE(PointsLeaveViews(Camera, Points, Views)) << "the design camera crops it";
    FitCamera(Camera, Points, Views, Labels);
    EXPECT_FALSE(PointsLeaveViews(Camera, Points, Views));
    double Filled = CheckInside(Camera, false, Views.FrontWidth, Views.FrontHeight, Points);
    if (Views.Twin)
      Filled =
          std::max(Filled, CheckInside(Camera, true, Views.SideWidth, Views.SideHeight, Points));
    EXPECT_GT(Filled, 0.8);

    Camera.Zoom(1.2);
    EXPECT_TRUE(PointsLeaveViews(Camera, Points, Views));
  }
}

TEST(ViewFit, NothingToFitOrNoRoomLeavesTheCameraAlone) {
  TViewCamera Camera;
  FitCamera(Camera, {}, FitViewsOfPicture(ViewModeAP, 400, 300), Labels);
  FitCamera(Camera, ScopeMarkerAndHand(), FitViewsOfPicture(ViewModeAP, 20, 20), Labels);
  FitCamera(Camera, ScopeMarkerAndHand(), FitViewsOfPicture(ViewModeTwin, 3, 300), Labels);
  EXPECT_EQ(Camera.Camera().Position, TViewCamera::StartCamera().Position);
  EXPECT_EQ(Camera.ZoomFactor(), TViewCamera::StartZoom);
}

TEST(ViewFit, ThePointsAreWhatTheModelDrawsAndTheMarkersLabels) {
  TImagerFrame Frame;
  FrameAlong(RisingTo(0.1, 0.2), Frame); // from 0.3 m outside the anus
  Frame.TubeRadius = DefaultTubeRadius;
  Frame.EndoscopeValid = true;
  const TCutoffPlane Cutoff = TCutoffPlane::ForFrame(Frame, 0, true);
  ASSERT_TRUE(Cutoff.Exists());
  TPolygonImagerData Model;
  const auto FurthestOut = [&](bool AutoCutoff) {
    Model.BuildFromFrame(Frame, 0, AutoCutoff);
    double Furthest = -1;
    for (const TFitPoint& Point : ModelPointsToShow(Model, Frame))
      Furthest = std::max(
          Furthest, DotProduct(SubtractVectors(Point.Position, Cutoff.Point()), Cutoff.Normal()));
    return Furthest;
  };
  // Cut off, only the anus marker's sphere reaches past the plane.
  EXPECT_LE(FurthestOut(true), TPolygonImagerData::MarkerSphereRadius + 1e-6);
  EXPECT_GT(FurthestOut(false), 0.25);

  const auto Labelled = [&] {
    Model.BuildFromFrame(Frame, 0, true);
    const std::vector<TFitPoint> Points = ModelPointsToShow(Model, Frame);
    return std::count_if(Points.begin(), Points.end(),
                         [](const TFitPoint& P) { return P.Labelled; });
  };
  EXPECT_EQ(Labelled(), 3);
  Model.ShowMarkers = false;
  EXPECT_EQ(Labelled(), 0);
}

} // namespace
} // namespace kestrava

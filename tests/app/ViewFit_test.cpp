// Fitting the views: what counts as drawn (the cut-off applied, the markers'
// labels), and the cases that leave the camera alone. Where the fitted
// points land in the views is checked in the window (MainFit_test.cpp).

#include "app/ViewFit.h"
#include "scene/PolygonImagerData.h"
#include "tests/looping/LoopTestShapes.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

TEST(ViewFit, ThePointsAreWhatTheModelDrawsAndTheMarkersLabels) {
  TImagerFrame Frame;
  FrameAlong(RisingTo(0.1, 0.2), Frame); // from 0.3 m outside the anus
  Frame.TubeRadius = DefaultTubeRadius;
  Frame.EndoscopeValid = true;
  const TCutoffPlane Cutoff = TCutoffPlane::ForFrame(Frame, 0, true);
  TPolygonImagerData Model;
  std::vector<TFitPoint> Points;
  const auto FurthestOut = [&](bool AutoCutoff) {
    Model.BuildFromFrame(Frame, 0, AutoCutoff);
    Points = ModelPointsToShow(Model, Frame);
    double Furthest = -1;
    for (const TFitPoint& Point : Points)
      Furthest = std::max(
          Furthest, DotProduct(SubtractVectors(Point.Position, Cutoff.Point()), Cutoff.Normal()));
    return Furthest;
  };
  EXPECT_GT(FurthestOut(false), 0.25);
  // Cut off, only the anus marker's sphere reaches past the plane.
  EXPECT_LE(FurthestOut(true), TPolygonImagerData::MarkerSphereRadius + 1e-6);
  EXPECT_EQ(std::count_if(Points.begin(), Points.end(), [](auto& P) { return P.Labelled; }), 3);

  // Nothing to fit, or views too small for the margins and labels.
  TViewCamera Camera;
  FitCamera(Camera, {}, FitViewsOfPicture(ViewModeAP, 400, 300), {20, 25});
  FitCamera(Camera, Points, FitViewsOfPicture(ViewModeAP, 20, 20), {20, 25});
  FitCamera(Camera, Points, FitViewsOfPicture(ViewModeTwin, 3, 300), {});
  EXPECT_EQ(Camera.Camera().Position, TViewCamera::StartCamera().Position);
  EXPECT_EQ(Camera.ZoomFactor(), TViewCamera::StartZoom);
}

} // namespace
} // namespace kestrava

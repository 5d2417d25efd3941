// Camera, projection, viewport and the point conversions of the viewer.

#include "render/ViewProjection.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

void ExpectPoint(const TVector3& Expected, const TVector3& Actual) {
  EXPECT_NEAR(VectorDistance(Expected, Actual), 0, 1e-12)
      << Actual.X << ", " << Actual.Y << ", " << Actual.Z;
}

TViewSettings ParallelView(std::int32_t Width = 200, std::int32_t Height = 100) {
  TViewSettings View;
  View.ProjectionType = 1;
  View.Width = Width;
  View.Height = Height;
  return View;
}

TEST(ViewProjection, ParallelConversionsWithTheInitialCameraGiveTheKnownPixels) {
  const TViewSettings View = ParallelView();
  ExpectPoint({100, 50, -5}, FrameToScreenPoint(View, IdentityMatrix4, {0, 0, 5}));
  ExpectPoint({200, 0, 0}, FrameToScreenPoint(View, IdentityMatrix4, {1, 1, 0}));
  ExpectPoint({1, 1, 0}, ScreenToFramePoint(View, IdentityMatrix4, {200, 0, 0}));
}

TEST(ViewProjection, LookingFromPlusXPutsMinusZOnTheRight) {
  TViewSettings View = ParallelView();
  View.Camera = MakePositionOrientation({0, 0, 0}, {-1, 0, 0}, {0, 1, 0});
  EXPECT_GT(FrameToScreenPoint(View, IdentityMatrix4, {0, 0, -1}).X, 100);
  EXPECT_LT(FrameToScreenPoint(View, IdentityMatrix4, {0, 0, 1}).X, 100);
  // The full pipeline that drawing uses agrees with the direct conversion.
  for (const TVector3& P : {TVector3{0, 0, -1}, TVector3{0.2, 0.3, 0.4}}) {
    const TVector3 Direct = FrameToScreenPoint(View, IdentityMatrix4, P);
    const TVector3 Piped = ProjectPoint(View, IdentityMatrix4, P);
    EXPECT_NEAR(std::hypot(Direct.X - Piped.X, Direct.Y - Piped.Y), 0, 1e-12);
  }
}

TEST(ViewProjection, ScreenToFrameInvertsFrameToScreenThroughATurnedMovedFrame) {
  TViewSettings View = ParallelView(640, 480);
  View.Camera = MakePositionOrientation({1, 2, 3}, NormalizeVector({1, -1, 0.5}),
                                        NormalizeVector(CrossProduct({1, -1, 0.5}, {0, 0, 1})));
  View.ScaleX = 3;
  View.ScaleY = 4.5;
  const TMatrix4 Frame = OrientationToMatrix(
      MakePositionOrientation({-0.5, 0.25, 2}, NormalizeVector({0, 1, 1}), {1, 0, 0}));
  const TVector3 Point{0.1, -0.2, 0.3};
  ExpectPoint(Point, ScreenToFramePoint(View, Frame, FrameToScreenPoint(View, Frame, Point)));
}

TEST(ViewProjection, ScalesZoomAndDepthRunsAlongTheCameraDirection) {
  TViewSettings View = ParallelView();
  View.ScaleX = 2;
  View.ScaleY = 0.5;
  // View x of (0.25, 0.5) is 0.25: 100 (1 + 2 * 0.25) = 150; y: 50 (1 - 0.25) = 37.5.
  // Parallel depth: (z_v - near) / (far - near).
  ExpectPoint({150, 37.5, (1 - 0.001) / (10 - 0.001)},
              ProjectPoint(View, IdentityMatrix4, {0.25, 0.5, -1}));
  const TViewportClip Clip = ViewportClip(View);
  EXPECT_EQ(std::tuple(Clip.X, Clip.Y, Clip.Width, Clip.Height), std::tuple(-0.5, 2.0, 1.0, 4.0));
}

TEST(ViewProjection, PerspectiveDividesByDepthAndMapsTheClipPlanesToZeroAndOne) {
  TViewSettings View;
  View.Width = 200;
  View.Height = 100;
  View.NearClip = 0.5;
  View.FarClip = 4;
  View.FieldOfView = 2 * std::atan(0.5); // t = 0.5
  // At depth 2, x_v = 0.5: x_p = 0.5 / (0.5 * 2) = 0.5 -> 150 pixels.
  const TVector3 Far = ProjectPoint(View, IdentityMatrix4, {0.5, 0, -2});
  EXPECT_NEAR(Far.X, 150, 1e-12);
  EXPECT_NEAR(ProjectPoint(View, IdentityMatrix4, {0, 0, -0.5}).Z, 0, 1e-12);
  EXPECT_NEAR(ProjectPoint(View, IdentityMatrix4, {0, 0, -4}).Z, 1, 1e-12);
  // Twice as far away, half as far from the centre.
  EXPECT_NEAR(ProjectPoint(View, IdentityMatrix4, {0.5, 0, -4}).X, 125, 1e-12);
}

TEST(ViewProjection, UnknownProjectionTypeLeavesTheIdentity) {
  TViewSettings View;
  View.ProjectionType = 7;
  EXPECT_EQ(ProjectionMatrix(View), IdentityMatrix4);
}

TEST(ViewProjection, DeviceMatricesAreTransposedWithTheTranslationInTheFourthRow) {
  const TMatrix4 View = ViewMatrix(MakePositionOrientation({1, 2, 3}, {0, 0, -1}, {0, 1, 0}));
  // Columns D x U = X, U = Y, D = -Z; fourth row -(D x U).P, -U.P, -D.P, 1.
  const TDeviceMatrix Expected{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {-1, -2, 3, 1}}};
  EXPECT_EQ(DeviceMatrix(View), Expected);
}

TEST(ViewProjection, ControlWithoutPixelsMapsBackToTheCentreInsteadOfNaN) {
  ExpectPoint({0, 0, -2}, ScreenToFramePoint(ParallelView(0, 0), IdentityMatrix4, {0, 0, 2}));
}

} // namespace
} // namespace kestrava

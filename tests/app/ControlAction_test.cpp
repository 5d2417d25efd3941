// Camera actions reach the camera operation of their kind; others do not
// touch the camera.

#include "app/ControlAction.h"
#include "app/ViewCamera.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using Kind = TControlActionKind;

bool SameCamera(const TViewCamera& A, const TViewCamera& B) {
  const auto Same = [](const TVector3& P, const TVector3& Q) {
    return P.X == Q.X && P.Y == Q.Y && P.Z == Q.Z;
  };
  return Same(A.Camera().Position, B.Camera().Position) &&
         Same(A.Camera().Direction, B.Camera().Direction) && Same(A.Camera().Up, B.Camera().Up) &&
         A.ZoomFactor() == B.ZoomFactor();
}

TEST(ControlAction, CameraActionsCallTheirCameraOperation) {
  const auto Expect = [](Kind K, void (TViewCamera::*Operation)(double)) {
    TViewCamera Applied, Direct;
    Direct.Roll(0.3); // off the start camera, so every operation changes something
    Applied.Roll(0.3);
    EXPECT_TRUE(ApplyCameraAction(Applied, TControlAction::WithAmount(K, 0.7)));
    (Direct.*Operation)(0.7);
    EXPECT_TRUE(SameCamera(Applied, Direct)) << static_cast<int>(K);
  };
  Expect(Kind::Zoom, &TViewCamera::Zoom);
  Expect(Kind::Yaw, &TViewCamera::Yaw);
  Expect(Kind::Pitch, &TViewCamera::Pitch);
  Expect(Kind::Roll, &TViewCamera::Roll);
  Expect(Kind::PanSideways, &TViewCamera::PanSideways);
  Expect(Kind::PanUp, &TViewCamera::PanUp);
  Expect(Kind::PanForward, &TViewCamera::PanForward);

  TViewCamera Moved;
  Moved.Zoom(2);
  EXPECT_TRUE(ApplyCameraAction(Moved, TControlAction::Of(Kind::ResetCamera)));
  EXPECT_TRUE(SameCamera(Moved, TViewCamera()));
  Moved.Zoom(2);
  EXPECT_FALSE(ApplyCameraAction(Moved, TControlAction::WithValue(Kind::StepFrame, 1)));
  EXPECT_EQ(Moved.ZoomFactor(), 2.0);
}

} // namespace
} // namespace kestrava

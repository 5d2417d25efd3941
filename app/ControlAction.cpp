#include "app/ControlAction.h"

#include "app/ViewCamera.h"

namespace kestrava {

bool ApplyCameraAction(TViewCamera& Camera, const TControlAction& Action) {
  switch (Action.Kind) {
  case TControlActionKind::Zoom:
    Camera.Zoom(Action.Amount);
    return true;
  case TControlActionKind::ResetCamera:
    Camera.ResetCamera();
    return true;
  case TControlActionKind::Yaw:
    Camera.Yaw(Action.Amount);
    return true;
  case TControlActionKind::Pitch:
    Camera.Pitch(Action.Amount);
    return true;
  case TControlActionKind::Roll:
    Camera.Roll(Action.Amount);
    return true;
  case TControlActionKind::PanSideways:
    Camera.PanSideways(Action.Amount);
    return true;
  case TControlActionKind::PanUp:
    Camera.PanUp(Action.Amount);
    return true;
  case TControlActionKind::PanForward:
    Camera.PanForward(Action.Amount);
    return true;
  default:
    return false;
  }
}

} // namespace kestrava

#include "app/RemoteControl.h"

#include <array>

namespace kestrava {
namespace {

using Kind = TControlActionKind;

constexpr std::array<std::uint32_t, 4> ModeButtons{0x40, 0x80, 0x100, 0x200};

// The first three buttons go one way, the last three the other way.
constexpr double DirectionOf(int Button) {
  return Button < 3 ? 1.0 : -1.0;
}

TControlAction CameraAction(std::int32_t RemoteMode, int Button) {
  const double Direction = DirectionOf(Button);
  switch (RemoteMode) {
  case RemoteModeRotate: {
    constexpr std::array<Kind, 3> Turns{Kind::Yaw, Kind::Pitch, Kind::Roll};
    // Turning buttons start with the negative angle, unlike the pans.
    return TControlAction::WithAmount(Turns[Button % 3], -Direction * ControlAngleStep);
  }
  case RemoteModePan: {
    constexpr std::array<Kind, 3> Pans{Kind::PanSideways, Kind::PanUp, Kind::PanForward};
    return TControlAction::WithAmount(Pans[Button % 3], Direction * ControlPanStep);
  }
  default:
    return TControlAction::WithAmount(Kind::Zoom,
                                      Direction > 0 ? ControlZoomInFactor : ControlZoomOutFactor);
  }
}

} // namespace

TRemotePoll PollRemote(std::uint32_t Buttons, std::int32_t RemoteMode, bool Recording) {
  TRemotePoll Poll;
  for (std::int32_t Mode = 0; Mode < static_cast<std::int32_t>(ModeButtons.size()); ++Mode) {
    if ((Buttons & ModeButtons[Mode]) != 0) {
      Poll.NewRemoteMode = Mode;
    }
  }
  const std::int32_t Mode = Poll.NewRemoteMode.value_or(RemoteMode);
  for (int Button = 0; Button < 6; ++Button) {
    if ((Buttons & (1u << Button)) == 0) {
      continue;
    }
    Poll.Acted = true;
    if (Mode != RemoteModeMarkers) {
      Poll.Actions.push_back(CameraAction(Mode, Button));
    } else if (Recording) {
      Poll.Actions.push_back(TControlAction::Marker(Button, false));
    }
  }
  return Poll;
}

std::uint32_t RemoteIndicatorMask(std::int32_t RemoteMode) {
  return RemoteMode == RemoteModeMarkers ? 0 : RemoteActionButtons;
}

} // namespace kestrava

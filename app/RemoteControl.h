#pragma once
// The hand-held remote control: its four mode buttons choose what its six
// action buttons do (place body markers, rotate, pan or zoom the camera), and
// its six lamps show whether it is in a camera mode.
//
// The window reads the pressed buttons from the sampler on every poll (only
// when the hardware is ready), applies the new remote mode through
// SetRemoteMode and then the actions, and refreshes when the poll acted.
//
// Thread: user-interface thread.

#include "app/ControlAction.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrava {

enum TRemoteMode : std::int32_t {
  RemoteModeMarkers = 0,
  RemoteModeRotate = 1,
  RemoteModePan = 2,
  RemoteModeZoom = 3,
};

// Button bits: 0x01..0x20 act, 0x40/0x80/0x100/0x200 select modes 0..3.
inline constexpr std::uint32_t RemoteActionButtons = 0x3F;

struct TRemotePoll {
  // The mode the mode buttons selected (the highest when several are held),
  // for SetRemoteMode; nothing when no mode button is held.
  std::optional<std::int32_t> NewRemoteMode;
  // In button order 0x01 .. 0x20, by the remote mode after NewRemoteMode.
  std::vector<TControlAction> Actions;
  // Any of the six action buttons was held (the window then refreshes).
  bool Acted = false;
};

// Markers are placed only while a recording runs (never cleared from the
// remote); camera moves act in any mode of the window.
TRemotePoll PollRemote(std::uint32_t Buttons, std::int32_t RemoteMode, bool Recording);

// The remote's lamps for a remote mode: all off for markers, all six on for
// the camera modes.
std::uint32_t RemoteIndicatorMask(std::int32_t RemoteMode);

} // namespace kestrava

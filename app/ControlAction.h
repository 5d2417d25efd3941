#pragma once
// What the keyboard and the remote control ask the main window to do. The
// key and remote tables produce these; the window applies them with its
// camera operations, frame stepping, recording and option toggles, sets the
// matching change flags and refreshes.
//
// Angles in radians, pan distances in metres, zoom as a factor on the zoom.

#include <cstdint>

namespace kestrava {

class TViewCamera;

// 7.5 degrees (pi / 24): one step of Yaw, Pitch or Roll.
inline constexpr double ControlAngleStep = 0.130899693899575;
// One step of PanSideways, PanUp or PanForward.
inline constexpr double ControlPanStep = 0.02;
// One step of Zoom in each direction; zooming in undoes zooming out.
inline constexpr double ControlZoomInFactor = 1.05263157894737; // 1 / 0.95
inline constexpr double ControlZoomOutFactor = 0.95;

enum class TControlActionKind : std::uint8_t {
  RequestAlignment,  // alignment requested
  Zoom,              // Amount: factor; camera changed
  ResetCamera,       // camera changed
  Yaw,               // Amount: angle; camera changed
  Pitch,             // Amount: angle; camera changed
  Roll,              // Amount: angle; camera changed
  PanSideways,       // Amount: distance; camera changed
  PanUp,             // Amount: distance; camera changed
  PanForward,        // Amount: distance; camera changed
  StepFrame,         // Value: frame delta; StepFrame sets frame changed or beeps
  StopRecording,     // stop the recording as the Stop button does
  SetMarker,         // Value: marker index 0..5; Clear: clear instead of place
  ToggleAutoCutoff,  // toggle "UseAutoCutoff"; auto cutoff changed; Update
  SetViewMode,       // Value: view mode 0..2; view mode changed; Update
  ToggleViewSensors, // toggle "ViewSensors"; view items changed; Update
};

struct TControlAction {
  TControlActionKind Kind = TControlActionKind::RequestAlignment;
  double Amount = 0;
  std::int32_t Value = 0;
  bool Clear = false;

  static constexpr TControlAction Of(TControlActionKind Kind) { return {Kind, 0, 0, false}; }
  static constexpr TControlAction WithAmount(TControlActionKind Kind, double Amount) {
    return {Kind, Amount, 0, false};
  }
  static constexpr TControlAction WithValue(TControlActionKind Kind, std::int32_t Value) {
    return {Kind, 0, Value, false};
  }
  static constexpr TControlAction Marker(std::int32_t Index, bool Clear) {
    return {TControlActionKind::SetMarker, 0, Index, Clear};
  }

  friend bool operator==(const TControlAction&, const TControlAction&) = default;
};

// Applies a camera action (Zoom, ResetCamera, the turns and the pans) to
// Camera; false, Camera untouched, for any other kind. The window then sets
// camera changed.
bool ApplyCameraAction(TViewCamera& Camera, const TControlAction& Action);

} // namespace kestrava

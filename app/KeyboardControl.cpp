#include "app/KeyboardControl.h"

#include <algorithm>
#include <array>

namespace kestrava {
namespace {

using Kind = TControlActionKind;

constexpr TControlAction Turn(Kind TurnKind, double Steps) {
  return TControlAction::WithAmount(TurnKind, Steps * ControlAngleStep);
}
constexpr TControlAction Pan(Kind PanKind, double Steps) {
  return TControlAction::WithAmount(PanKind, Steps * ControlPanStep);
}
constexpr TControlAction ZoomBy(double Factor) {
  return TControlAction::WithAmount(Kind::Zoom, Factor);
}
constexpr TControlAction Step(std::int32_t Delta) {
  return TControlAction::WithValue(Kind::StepFrame, Delta);
}

struct TPolledKey {
  TKey Key = TKey::Enter;
  bool NeedsShift = false; // the row only acts with Shift held
  TControlAction Plain;
  TControlAction Shifted;
};

constexpr TPolledKey Same(TKey Key, TControlAction Action) {
  return {Key, false, Action, Action};
}

// Tested in this order; every held key acts once per poll.
constexpr std::array<TPolledKey, 17> PolledKeys{{
    Same(TKey::Enter, TControlAction::Of(Kind::RequestAlignment)),
    Same(TKey::NumPlus, ZoomBy(ControlZoomInFactor)),
    Same(TKey::NumMinus, ZoomBy(ControlZoomOutFactor)),
    Same(TKey::Home, TControlAction::Of(Kind::ResetCamera)),
    Same(TKey::Left, Turn(Kind::Yaw, -1)),
    Same(TKey::Right, Turn(Kind::Yaw, +1)),
    Same(TKey::Up, Turn(Kind::Pitch, -1)),
    Same(TKey::Down, Turn(Kind::Pitch, +1)),
    Same(TKey::Delete, Turn(Kind::Roll, +1)),
    Same(TKey::End, Turn(Kind::Roll, -1)),
    {TKey::Equals, true, {}, ZoomBy(ControlZoomInFactor)},
    {TKey::Minus, true, {}, ZoomBy(ControlZoomOutFactor)},
    {TKey::X, false, Pan(Kind::PanSideways, +1), Pan(Kind::PanSideways, -1)},
    {TKey::Y, false, Pan(Kind::PanUp, +1), Pan(Kind::PanUp, -1)},
    {TKey::Z, false, Pan(Kind::PanForward, +1), Pan(Kind::PanForward, -1)},
    {TKey::PageDown, false, Step(+1), Step(+10)},
    {TKey::PageUp, false, Step(-1), Step(-10)},
}};

// Keys that act only through PollKeys but must not reach other controls
// (a focused list or button would otherwise move as well).
constexpr std::array<TKey, 8> AlwaysConsumed{TKey::Up,     TKey::Down,   TKey::Left,
                                             TKey::Right,  TKey::PageUp, TKey::PageDown,
                                             TKey::Delete, TKey::End};

bool IsAlwaysConsumed(TKey Key) {
  return std::find(AlwaysConsumed.begin(), AlwaysConsumed.end(), Key) != AlwaysConsumed.end();
}

// The marker index 0..5 of a main-keyboard or keypad digit, or -1.
std::int32_t MarkerIndexOf(TKey Key) {
  const auto Value = static_cast<std::int32_t>(Key);
  for (const TKey First : {TKey::Digit1, TKey::Numpad1}) {
    const std::int32_t Offset = Value - static_cast<std::int32_t>(First);
    if (Offset >= 0 && Offset < 6) {
      return Offset;
    }
  }
  return -1;
}

std::int32_t ViewModeOf(TKey Key) {
  switch (Key) {
  case TKey::A:
    return 0;
  case TKey::L:
    return 1;
  case TKey::V:
    return 2;
  default:
    return -1;
  }
}

} // namespace

std::optional<std::size_t> TKeyboardControl::ZoomTapIndex(TKey Key) {
  if (Key == TKey::NumPlus) {
    return 0;
  }
  if (Key == TKey::NumMinus) {
    return 1;
  }
  return std::nullopt;
}

TKeyDownResult TKeyboardControl::KeyDown(const TKeyEvent& Event, const TKeyContext& Context) {
  if (!Event.AutoRepeat) {
    Held_.Press(Event.Key);
    Tapped_.Press(Event.Key);
    Event.Shift ? TappedWithShift_.Press(Event.Key) : TappedWithShift_.Release(Event.Key);
    if (const auto Zoom = ZoomTapIndex(Event.Key)) {
      ZoomTaps_[*Zoom] = {};
    }
  }
  // Shift may have gone down while another window had the keyboard; every
  // other key's event says whether it is held now.
  if (Event.Key != TKey::Shift) {
    Event.Shift ? Held_.Press(TKey::Shift) : Held_.Release(TKey::Shift);
  }
  if (Event.Alt) {
    return {};
  }
  if (IsAlwaysConsumed(Event.Key)) {
    return {std::nullopt, true};
  }
  std::optional<TControlAction> Action = OneShotAction(Event, Context);
  if (!Action) {
    return {};
  }
  if (Event.Key != TKey::Escape) {
    Latched_.Press(Event.Key);
  }
  return {Action, true};
}

std::optional<TControlAction> TKeyboardControl::OneShotAction(const TKeyEvent& Event,
                                                              const TKeyContext& Context) const {
  if (Event.Key == TKey::Escape) {
    return Context.Recording ? std::optional(TControlAction::Of(Kind::StopRecording))
                             : std::nullopt;
  }
  if (Latched_.IsHeld(Event.Key)) {
    return std::nullopt;
  }
  // Markers belong to the frame being recorded; in replay the frame on show
  // is a copy that the next refresh overwrites.
  if (const std::int32_t Marker = MarkerIndexOf(Event.Key); Marker >= 0) {
    return Context.Recording ? std::optional(TControlAction::Marker(Marker, Event.Shift))
                             : std::nullopt;
  }
  if (const std::int32_t ViewMode = ViewModeOf(Event.Key); ViewMode >= 0) {
    return Context.ViewMode != ViewMode
               ? std::optional(TControlAction::WithValue(Kind::SetViewMode, ViewMode))
               : std::nullopt;
  }
  switch (Event.Key) {
  case TKey::C:
    return TControlAction::Of(Kind::ToggleAutoCutoff);
  case TKey::D:
    return TControlAction::Of(Kind::ToggleViewSensors);
  default:
    return std::nullopt;
  }
}

void TKeyboardControl::KeyUp(const TKeyEvent& Event) {
  if (Event.AutoRepeat) {
    return;
  }
  Held_.Release(Event.Key);
  Latched_.Release(Event.Key);
  if (const auto Zoom = ZoomTapIndex(Event.Key)) {
    TZoomTap& Tap = ZoomTaps_[*Zoom];
    Tap.Owed = std::max(MinimumTapZoomSteps - Tap.Made, 0);
  }
  if (Event.Key != TKey::Shift) {
    Event.Shift ? Held_.Press(TKey::Shift) : Held_.Release(TKey::Shift);
  }
}

void TKeyboardControl::FocusLost() {
  Held_.Clear();
  Latched_.Clear();
  Tapped_.Clear();
  ZoomTaps_ = {};
}

std::vector<TControlAction> TKeyboardControl::PollKeys() {
  std::vector<TControlAction> Actions;
  for (const TPolledKey& Row : PolledKeys) {
    const bool Held = Held_.IsHeld(Row.Key);
    // A key already let go acts with the Shift it was pressed with.
    const bool Shift = Held ? Held_.IsHeld(TKey::Shift) : TappedWithShift_.IsHeld(Row.Key);
    std::int32_t Times = Held || Tapped_.IsHeld(Row.Key) ? 1 : 0;
    if (const auto Zoom = ZoomTapIndex(Row.Key)) {
      TZoomTap& Tap = ZoomTaps_[*Zoom];
      if (!Held) {
        Times = std::max(Times, Tap.Owed);
      }
      Tap.Made += Times;
      Tap.Owed = 0;
    }
    if (Row.NeedsShift && !Shift) {
      continue;
    }
    Actions.insert(Actions.end(), static_cast<std::size_t>(Times), Shift ? Row.Shifted : Row.Plain);
  }
  Tapped_.Clear();
  return Actions;
}

TFrameStep StepFrameWithin(std::int32_t Current, std::int32_t Delta, std::int32_t FrameCount) {
  const std::int64_t Wanted = static_cast<std::int64_t>(Current) + Delta;
  const auto Frame = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(Wanted, 1), std::max(FrameCount, 0)));
  return {Frame, Frame == Current};
}

} // namespace kestrava

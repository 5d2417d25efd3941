// The keyboard: the repeating keys read from the held set in the table's
// order, the latched one-shot keys, Alt, consumption and frame stepping.

#include "app/KeyboardControl.h"

#include <initializer_list>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using Kind = TControlActionKind;
constexpr double Angle = ControlAngleStep;
constexpr TKeyContext Replay{false, 0};
constexpr TKeyContext Recording{true, 0};

TControlAction Amount(Kind K, double A) {
  return TControlAction::WithAmount(K, A);
}
TControlAction StepBy(std::int32_t Delta) {
  return TControlAction::WithValue(Kind::StepFrame, Delta);
}

TKeyDownResult Press(TKeyboardControl& Keyboard, TKey Key, const TKeyContext& Context = Replay,
                     bool Shift = false, bool AutoRepeat = false) {
  return Keyboard.KeyDown({Key, Shift, false, AutoRepeat}, Context);
}

constexpr std::initializer_list<TKey> TableKeys{
    TKey::PageUp, TKey::PageDown, TKey::Z,        TKey::Y,       TKey::X,    TKey::Minus,
    TKey::Equals, TKey::End,      TKey::Delete,   TKey::Down,    TKey::Up,   TKey::Right,
    TKey::Left,   TKey::Home,     TKey::NumMinus, TKey::NumPlus, TKey::Enter};

TEST(KeyboardControl, PollKeysActsForEveryHeldKeyInTheTablesOrder) {
  TKeyboardControl Keyboard;
  EXPECT_TRUE(Keyboard.PollKeys().empty());
  for (const TKey Key : TableKeys) // pressed in reverse: the table decides the order
    Press(Keyboard, Key);
  const std::vector<TControlAction> Plain{
      TControlAction::Of(Kind::RequestAlignment), Amount(Kind::Zoom, 1.05263157894737),
      Amount(Kind::Zoom, 0.95), TControlAction::Of(Kind::ResetCamera), Amount(Kind::Yaw, -Angle),
      Amount(Kind::Yaw, Angle), Amount(Kind::Pitch, -Angle), Amount(Kind::Pitch, Angle),
      Amount(Kind::Roll, Angle), Amount(Kind::Roll, -Angle),
      // '=' and '-' act only with Shift
      Amount(Kind::PanSideways, 0.02), Amount(Kind::PanUp, 0.02), Amount(Kind::PanForward, 0.02),
      StepBy(1), StepBy(-1)};
  EXPECT_EQ(Keyboard.PollKeys(), Plain);
  EXPECT_EQ(Keyboard.PollKeys(), Plain) << "held keys act again on every poll";

  Press(Keyboard, TKey::Shift);
  std::vector<TControlAction> Shifted(Plain.begin(), Plain.begin() + 10);
  Shifted.insert(Shifted.end(), {Amount(Kind::Zoom, ControlZoomInFactor), Amount(Kind::Zoom, 0.95),
                                 Amount(Kind::PanSideways, -0.02), Amount(Kind::PanUp, -0.02),
                                 Amount(Kind::PanForward, -0.02), StepBy(10), StepBy(-10)});
  EXPECT_EQ(Keyboard.PollKeys(), Shifted);
}

TEST(KeyboardControl, HeldSetIgnoresAutoRepeatAndForgetsEverythingOnFocusLoss) {
  TKeyboardControl Keyboard;
  Press(Keyboard, TKey::PageDown);
  Keyboard.KeyUp({TKey::PageDown, false, false, true}); // a repeat's release
  EXPECT_EQ(Keyboard.PollKeys(), std::vector{StepBy(1)});
  // Shift went down elsewhere: the next event of any key says it is held.
  Press(Keyboard, TKey::PageDown, Replay, true, true);
  EXPECT_EQ(Keyboard.PollKeys(), std::vector{StepBy(10)});
  Keyboard.KeyUp({TKey::PageDown, false, false, false});
  EXPECT_TRUE(Keyboard.PollKeys().empty());

  Press(Keyboard, TKey::Left);
  Press(Keyboard, TKey::C);
  Keyboard.FocusLost();
  EXPECT_FALSE(Keyboard.HeldKeys().Any());
  EXPECT_FALSE(Keyboard.IsLatched(TKey::C));
}

TEST(KeyboardControl, OneShotKeyActsOnceUntilReleased) {
  TKeyboardControl Keyboard;
  const TKeyDownResult First = Press(Keyboard, TKey::Digit3, Recording);
  EXPECT_EQ(First.Action, TControlAction::Marker(2, false));
  EXPECT_TRUE(First.Consumed);
  EXPECT_TRUE(Keyboard.IsLatched(TKey::Digit3));
  const TKeyDownResult Repeat = Press(Keyboard, TKey::Digit3, Recording, false, true);
  EXPECT_FALSE(Repeat.Action);
  Keyboard.KeyUp({TKey::Digit3, false, false, true}); // some platforms release between repeats
  EXPECT_FALSE(Press(Keyboard, TKey::Digit3, Recording, false, true).Action);
  Keyboard.KeyUp({TKey::Digit3, false, false, false});
  EXPECT_FALSE(Keyboard.IsLatched(TKey::Digit3));
  EXPECT_EQ(Press(Keyboard, TKey::Digit3, Recording).Action, TControlAction::Marker(2, false));

  // Each latch is its own: the keypad's 3 is not the main keyboard's.
  EXPECT_EQ(Press(Keyboard, TKey::Numpad3, Recording, true).Action,
            TControlAction::Marker(2, true));
  EXPECT_EQ(Press(Keyboard, TKey::C).Action, TControlAction::Of(Kind::ToggleAutoCutoff));
  EXPECT_EQ(Press(Keyboard, TKey::D).Action, TControlAction::Of(Kind::ToggleViewSensors));
  EXPECT_EQ(Press(Keyboard, TKey::V).Action, TControlAction::WithValue(Kind::SetViewMode, 2));
  EXPECT_FALSE(Press(Keyboard, TKey::C).Action);
}

TEST(KeyboardControl, KeysThatCannotActDoNothingAndSetNoLatch) {
  TKeyboardControl Keyboard;
  const TKeyDownResult InAPView = Press(Keyboard, TKey::A, {false, 0});
  EXPECT_FALSE(InAPView.Action);
  EXPECT_FALSE(InAPView.Consumed);
  EXPECT_FALSE(Keyboard.IsLatched(TKey::A));
  // Still held, so the window switching view would not block it.
  EXPECT_EQ(Press(Keyboard, TKey::A, {false, 1}, false, true).Action,
            TControlAction::WithValue(Kind::SetViewMode, 0));
  EXPECT_FALSE(Press(Keyboard, TKey::L, {false, 1}).Action);

  // Markers and Esc need a recording.
  EXPECT_FALSE(Press(Keyboard, TKey::Digit1).Action);
  EXPECT_FALSE(Keyboard.IsLatched(TKey::Digit1));
  EXPECT_FALSE(Press(Keyboard, TKey::Escape).Consumed);
  EXPECT_EQ(Press(Keyboard, TKey::Escape, Recording).Action,
            TControlAction::Of(Kind::StopRecording));
}

TEST(KeyboardControl, NothingActsWhileAltIsHeld) {
  TKeyboardControl Keyboard;
  for (const TKey Key : {TKey::C, TKey::Digit1, TKey::Escape, TKey::PageDown}) {
    const TKeyDownResult Result = Keyboard.KeyDown({Key, false, true, false}, Recording);
    EXPECT_FALSE(Result.Action);
    EXPECT_FALSE(Result.Consumed);
  }
  EXPECT_FALSE(Keyboard.IsLatched(TKey::C));
  EXPECT_EQ(Press(Keyboard, TKey::C).Action, TControlAction::Of(Kind::ToggleAutoCutoff));
}

TEST(KeyboardControl, PollingKeysAreConsumedOnlyWhereOtherControlsWouldUseThem) {
  TKeyboardControl Keyboard;
  for (const TKey Key : {TKey::Up, TKey::Down, TKey::Left, TKey::Right, TKey::PageUp,
                         TKey::PageDown, TKey::Delete, TKey::End}) {
    const TKeyDownResult Result = Press(Keyboard, Key);
    EXPECT_TRUE(Result.Consumed);
    EXPECT_FALSE(Result.Action);
  }
  for (const TKey Key : {TKey::Home, TKey::Enter, TKey::X, TKey::NumPlus, TKey::Shift}) {
    EXPECT_FALSE(Press(Keyboard, Key).Consumed);
  }
}

TEST(KeyboardControl, StepFrameStaysWithinTheFramesAndBeepsAtEitherEnd) {
  const auto Step = [](std::int32_t Current, std::int32_t Delta, std::int32_t Count) {
    const TFrameStep To = StepFrameWithin(Current, Delta, Count);
    return std::pair(To.Frame, To.Beep);
  };
  EXPECT_EQ(Step(11, 1, 12), std::pair(12, false));
  EXPECT_EQ(Step(12, 1, 12), std::pair(12, true));
  EXPECT_EQ(Step(5, 10, 12), std::pair(12, false)) << "a step past the end stops at it";
  EXPECT_EQ(Step(5, -10, 12), std::pair(1, false));
  EXPECT_EQ(Step(1, -1, 12), std::pair(1, true));
  EXPECT_EQ(Step(0, 1, 0), std::pair(0, true)) << "no frames";
}

} // namespace
} // namespace kestrava

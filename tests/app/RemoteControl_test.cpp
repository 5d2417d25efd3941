// The remote control: mode buttons, lamps, and what each action button does
// in each mode.

#include "app/RemoteControl.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using Kind = TControlActionKind;
constexpr double Angle = ControlAngleStep;

TEST(RemoteControl, ModeButtonsSelectTheModeTheActionButtonsThenUse) {
  EXPECT_EQ(PollRemote(0, RemoteModePan, false).NewRemoteMode, std::nullopt);
  EXPECT_EQ(PollRemote(0x40, RemoteModePan, false).NewRemoteMode, RemoteModeMarkers);
  EXPECT_EQ(PollRemote(0x80, RemoteModeMarkers, false).NewRemoteMode, RemoteModeRotate);
  EXPECT_EQ(PollRemote(0x100, RemoteModeMarkers, false).NewRemoteMode, RemoteModePan);
  EXPECT_EQ(PollRemote(0x200, RemoteModeMarkers, false).NewRemoteMode, RemoteModeZoom);
  EXPECT_EQ(PollRemote(0x240, RemoteModeMarkers, false).NewRemoteMode, RemoteModeZoom);
  EXPECT_FALSE(PollRemote(0x3C0, RemoteModeMarkers, true).Acted) << "mode buttons alone";

  const TRemotePoll Poll = PollRemote(0x80 | 0x01, RemoteModeMarkers, true);
  EXPECT_EQ(Poll.Actions, std::vector{TControlAction::WithAmount(Kind::Yaw, -Angle)});
  EXPECT_TRUE(Poll.Acted);

  EXPECT_EQ(RemoteIndicatorMask(RemoteModeMarkers), 0u);
  EXPECT_EQ(RemoteIndicatorMask(RemoteModeRotate), 63u);
  EXPECT_EQ(RemoteIndicatorMask(RemoteModePan), 63u);
  EXPECT_EQ(RemoteIndicatorMask(RemoteModeZoom), 63u);
}

TEST(RemoteControl, EachActionButtonMovesTheCameraByMode) {
  const auto Move = [](Kind K, double A) {
    return TControlAction::WithAmount(K, A);
  };
  const std::vector<std::vector<TControlAction>> Expected{
      {Move(Kind::Yaw, -Angle), Move(Kind::Pitch, -Angle), Move(Kind::Roll, -Angle),
       Move(Kind::Yaw, Angle), Move(Kind::Pitch, Angle), Move(Kind::Roll, Angle)},
      {Move(Kind::PanSideways, 0.02), Move(Kind::PanUp, 0.02), Move(Kind::PanForward, 0.02),
       Move(Kind::PanSideways, -0.02), Move(Kind::PanUp, -0.02), Move(Kind::PanForward, -0.02)},
      {Move(Kind::Zoom, ControlZoomInFactor), Move(Kind::Zoom, ControlZoomInFactor),
       Move(Kind::Zoom, ControlZoomInFactor), Move(Kind::Zoom, 0.95), Move(Kind::Zoom, 0.95),
       Move(Kind::Zoom, 0.95)},
  };
  for (std::int32_t Mode = RemoteModeRotate; Mode <= RemoteModeZoom; ++Mode) {
    for (int Bit = 0; Bit < 6; ++Bit) {
      const TRemotePoll Poll = PollRemote(1u << Bit, Mode, false);
      EXPECT_EQ(Poll.Actions, std::vector{Expected[Mode - 1][Bit]}) << Mode << " " << Bit;
      EXPECT_TRUE(Poll.Acted);
    }
  }
  EXPECT_EQ(PollRemote(0x21, RemoteModeZoom, false).Actions.size(), 2u);
}

TEST(RemoteControl, MarkerButtonsPlaceMarkersOnlyWhileRecording) {
  for (int Bit = 0; Bit < 6; ++Bit) {
    EXPECT_EQ(PollRemote(1u << Bit, RemoteModeMarkers, true).Actions,
              std::vector{TControlAction::Marker(Bit, false)});
    const TRemotePoll Replaying = PollRemote(1u << Bit, RemoteModeMarkers, false);
    EXPECT_TRUE(Replaying.Actions.empty());
    EXPECT_TRUE(Replaying.Acted);
  }
}

} // namespace
} // namespace kestrava

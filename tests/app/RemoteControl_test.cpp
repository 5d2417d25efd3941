// The remote control: mode buttons, lamps, and what the action buttons do
// in each mode.

#include "app/RemoteControl.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(RemoteControl, ModeButtonsSelectTheModeAndLightTheLampsOfTheMovingModes) {
  EXPECT_EQ(PollRemote(0, RemoteModePan, false).NewRemoteMode, std::nullopt);
  EXPECT_EQ(PollRemote(0x40, RemoteModePan, false).NewRemoteMode, RemoteModeMarkers);
  EXPECT_EQ(PollRemote(0x80, RemoteModeMarkers, false).NewRemoteMode, RemoteModeRotate);
  EXPECT_EQ(PollRemote(0x100, RemoteModeMarkers, false).NewRemoteMode, RemoteModePan);
  EXPECT_EQ(PollRemote(0x200, RemoteModeMarkers, false).NewRemoteMode, RemoteModeZoom);
  EXPECT_EQ(PollRemote(0x240, RemoteModeMarkers, false).NewRemoteMode, RemoteModeZoom);
  EXPECT_FALSE(PollRemote(0x3C0, RemoteModeMarkers, true).Acted) << "mode buttons alone";
  // The mode chosen with an action button applies to it at once.
  EXPECT_EQ(PollRemote(0x80 | 0x01, RemoteModeMarkers, true).Actions,
            std::vector{TControlAction::WithAmount(TControlActionKind::Yaw, -ControlAngleStep)});
  EXPECT_EQ(RemoteIndicatorMask(RemoteModeMarkers), 0u);
  for (const std::int32_t Mode : {RemoteModeRotate, RemoteModePan, RemoteModeZoom})
    EXPECT_EQ(RemoteIndicatorMask(Mode), 63u);
}

TEST(RemoteControl, TheLowerThreeButtonsMoveOneWayAndTheUpperThreeBack) {
  for (std::int32_t Mode = RemoteModeRotate; Mode <= RemoteModeZoom; ++Mode) {
    for (int Bit = 0; Bit < 3; ++Bit) {
      const TRemotePoll There = PollRemote(1u << Bit, Mode, false);
      const TRemotePoll Back = PollRemote(1u << (Bit + 3), Mode, false);
      ASSERT_EQ(There.Actions.size(), 1u);
      ASSERT_EQ(Back.Actions.size(), 1u);
      const TControlAction &A = There.Actions[0], &B = Back.Actions[0];
      EXPECT_EQ(A.Kind, B.Kind) << Mode << " " << Bit;
      if (A.Kind == TControlActionKind::Zoom) {
        EXPECT_EQ(std::pair(A.Amount, B.Amount), std::pair(ControlZoomInFactor, 0.95));
      } else {
        EXPECT_EQ(A.Amount, -B.Amount) << Mode << " " << Bit;
      }
    }
  }
  EXPECT_EQ(PollRemote(1, RemoteModePan, false).Actions,
            std::vector{TControlAction::WithAmount(TControlActionKind::PanSideways, 0.02)});
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

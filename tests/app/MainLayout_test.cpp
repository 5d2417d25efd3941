// Where the main window's controls go: the left column with and without a
// driver, the bands along the bottom, and the views in what is left.

#include "app/MainLayout.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TMainLayoutInput Window(std::int32_t Width, std::int32_t Height) {
  TMainLayoutInput In;
  In.ClientWidth = Width;
  In.ClientHeight = Height;
  In.InfoBoxWidth = 250;
  In.GaugeHeight = 40;
  In.StartButtonHeight = 25;
  In.StopButtonHeight = 25;
  return In;
}

TEST(MainLayout, WithoutADriverTheGaugeSitsUnderTheInfoBoxAndTheButtonsStayPut) {
  TMainLayoutInput In = Window(1001, 700);
  In.StartButton = {1, 2, 3, 4};
  const TMainLayout Out = LayOutMainWindow(In);
  // Height = 700 - 28 = 672; the gauge ends there.
  EXPECT_EQ(Out.Gauge, (TRect{2, 632, 252, 672}));
  EXPECT_EQ(Out.InfoBox, (TRect{2, 4, 252, 624}));
  EXPECT_FALSE(Out.ButtonsPlaced);
  EXPECT_EQ(Out.StartButton, (TRect{1, 2, 3, 4}));
  // Views: left 2 + 255, width 996 - 255, minus the time line band.
  EXPECT_EQ(Out.TimeLine, (TRect{257, 578, 998, 676}));
  EXPECT_EQ(Out.FrontView, (TRect{257, 4, 998, 574}));
  EXPECT_TRUE(Out.SideView.IsEmpty());
}

TEST(MainLayout, WithADriverStopStartAndGaugeStackUpFromTheBottom) {
  TMainLayoutInput In = Window(1000, 700);
  In.DriverCreated = true;
  const TMainLayout Out = LayOutMainWindow(In);
  EXPECT_TRUE(Out.ButtonsPlaced);
  EXPECT_EQ(Out.StopButton, (TRect{8, 647, 242, 672}));
  EXPECT_EQ(Out.StartButton, (TRect{8, 614, 242, 639}));
  EXPECT_EQ(Out.Gauge, (TRect{2, 566, 252, 606}));
  EXPECT_EQ(Out.InfoBox, (TRect{2, 4, 252, 558}));
}

TEST(MainLayout, TwinViewsSplitAnOddWidthFlushRight) {
  TMainLayoutInput In = Window(1007, 700);
  In.ViewMode = 2;
  In.ViewTimeLine = false;
  const TMainLayout Out = LayOutMainWindow(In);
  // Width left: 1002 - 255 = 747; half = (747 - 4) / 2 = 371, the odd pixel
  // between the views.
  EXPECT_EQ(Out.FrontView, (TRect{257, 4, 628, 676}));
  EXPECT_EQ(Out.SideView, (TRect{633, 4, 1004, 676}));
  EXPECT_FALSE(Out.TimeLineVisible);
}

TEST(MainLayout, CurvatureBandOnlyOutsideRecordingAndHiddenInfoKeepsItsPlace) {
  TMainLayoutInput In = Window(800, 600);
  In.ViewInfo = false;
  In.InfoBox = {5, 6, 7, 8};
  In.ViewEndoscopeCurvature = true;
  const TMainLayout Shown = LayOutMainWindow(In);
  EXPECT_FALSE(Shown.InfoBoxVisible);
  EXPECT_EQ(Shown.InfoBox, (TRect{5, 6, 7, 8}));
  EXPECT_TRUE(Shown.CurvatureGraphVisible);
  // Height 572: time line from 478, curvature above it from 376, views above.
  EXPECT_EQ(Shown.TimeLine, (TRect{2, 478, 797, 576}));
  EXPECT_EQ(Shown.CurvatureGraph, (TRect{2, 376, 797, 474}));
  EXPECT_EQ(Shown.FrontView, (TRect{2, 4, 797, 372}));

  In.Recording = true;
  EXPECT_FALSE(LayOutMainWindow(In).CurvatureGraphVisible);
}

TEST(MainLayout, ATinyWindowGivesEmptyRatherThanNegativeRectangles) {
  TMainLayoutInput In = Window(100, 50);
  In.DriverCreated = true;
  In.ViewMode = 2;
  const TMainLayout Out = LayOutMainWindow(In);
  for (const TRect& R : {Out.InfoBox, Out.FrontView, Out.SideView, Out.TimeLine}) {
    EXPECT_GE(R.Right, R.Left);
    EXPECT_GE(R.Bottom, R.Top);
  }
}

} // namespace
} // namespace kestrava

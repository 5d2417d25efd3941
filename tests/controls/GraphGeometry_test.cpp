#include "controls/GraphGeometry.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(GraphGeometry, RoundsTiesToEvenAndSaturatesWildValues) {
  EXPECT_EQ(RoundTiesToEven(2.5), 2);
  EXPECT_EQ(RoundTiesToEven(3.5), 4);
  EXPECT_EQ(RoundTiesToEven(-2.5), -2);
  EXPECT_EQ(RoundTiesToEven(std::nan("")), 0);
  EXPECT_EQ(RoundTiesToEven(1e300), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(RoundTiesToEven(-INFINITY), std::numeric_limits<std::int32_t>::min());
}

TEST(GraphGeometry, MapsSamplesByScrollPositionOrByStartPoint) {
  TGraphGeometry G;
  G.HorzBorder = 10;
  G.ScrollPosition = 30;
  G.StartPoint = 100;
  EXPECT_EQ(G.PointToX(50), 30); // 50 + 10 - 30
  EXPECT_EQ(G.XToPoint(30), 50);
  G.UseScrollPosition = false;    // following the newest sample
  EXPECT_EQ(G.PointToX(150), 60); // 150 - 100 + 10
  EXPECT_EQ(G.XToPoint(60), 150);
  for (const std::int32_t X : {-5, 0, 7, 400})
    EXPECT_EQ(G.PointToX(G.XToPoint(X)), X);
}

TEST(GraphGeometry, ValueToYPutsLargerValuesHigherAroundTheTruncatedMiddle) {
  TGraphGeometry G;
  G.ClientHeight = 101; // middle 50
  G.YScale = 10;
  EXPECT_EQ(G.ValueToY(0), 50);
  EXPECT_EQ(G.ValueToY(0.25), 48); // 2.5 rounds to 2
  EXPECT_EQ(G.ValueToY(0.35), 46); // 3.5 rounds to 4
  EXPECT_EQ(G.ValueToY(-1), 60);
  G.YOffset = 5;
  EXPECT_EQ(G.ValueToY(0), 45);
  EXPECT_EQ(G.ValueToY(std::nan("")), 45); // a NaN sample sits on the axis
}

TEST(GraphGeometry, IndexAtXClampsToTheSamples) {
  TGraphGeometry G;
  G.ScrollPosition = 0;
  EXPECT_EQ(IndexAtX(G, 0, 100), 0); // left of the first sample
  EXPECT_EQ(IndexAtX(G, 15, 100), 5);
  EXPECT_EQ(IndexAtX(G, 5000, 100), 99); // right of the last
  EXPECT_EQ(IndexAtX(G, 15, 0), -1);
}

// The scroll range built on them is checked through the graph itself.
TEST(GraphGeometry, TicksCoverEverySample) {
  EXPECT_EQ(TickCount(0, 50), 0);
  EXPECT_EQ(TickCount(101, 50), 2);
  EXPECT_EQ(TickCount(102, 50), 3);
  EXPECT_EQ(TickCount(101, 0), 100); // no division by zero
}

} // namespace
} // namespace kestrava

#include "ControlsTestSupport.h"
#include "controls/Gauge.h"

#include <functional>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();

std::string RangeError(const std::function<void()>& Set) {
  try {
    Set();
  } catch (const EInvalidOperation& Error) {
    return Error.what();
  }
  return "no error";
}

TEST(GaugeRange, PercentDoneTruncatesAndSurvivesTheFullRange) {
  EXPECT_EQ(GaugePercentDone(42, 0, 100), 42);
  EXPECT_EQ(GaugePercentDone(5, 5, 5), 0);
  EXPECT_EQ(GaugePercentDone(Int32Max, -Int32Max, Int32Max), 100);
  EXPECT_EQ(GaugePercentDone(0, -Int32Max, Int32Max), 50);
}

TEST(GaugeRange, ProgressStaysInsideTheRange) {
  TGaugeRange Range;
  EXPECT_TRUE(Range.SetProgress(150));
  EXPECT_EQ(Range.Progress(), 100);
  EXPECT_FALSE(Range.SetProgress(100)); // same percentage: no repaint
  Range.SetMaxValue(1000);
  EXPECT_FALSE(Range.SetProgress(105)); // 10 % either way
  Range.SetMinValue(200);               // raises Progress
  EXPECT_EQ(Range.Progress(), 200);
  Range.SetProgress(900);
  Range.SetMaxValue(220); // lowers it
  EXPECT_EQ(Range.Progress(), 220);
}

TEST(GaugeRange, InvertingTheRangeIsRefusedWithTheRangeInTheMessage) {
  TGaugeRange Range;
  EXPECT_EQ(RangeError([&] { Range.SetMinValue(101); }),
            "Value must be between -2147483647 and 99");
  EXPECT_EQ(RangeError([&] { Range.SetMaxValue(-1); }), "Value must be between 1 and 2147483647");
  EXPECT_EQ(std::pair(Range.MinValue(), Range.MaxValue()), std::pair(0, 100));
  EXPECT_EQ(RangeError([&] { Range.SetMinValue(100); }), "no error"); // an empty range is allowed
}

TEST(GaugeGeometry, BarsPieAndNeedleFollowThePercentage) {
  const TGaugeRect R{1, 1, 99, 99}; // W = H = 99
  EXPECT_EQ(HorizontalBarFill(R, 50), (TGaugeRect{1, 1, 49, 99}));
  EXPECT_EQ(HorizontalBarFill(R, 0), std::nullopt);
  EXPECT_EQ(VerticalBarFill(R, 50), (TGaugeRect{1, 50, 99, 99}));
  EXPECT_EQ(VerticalBarFill(R, 100), (TGaugeRect{1, 1, 99, 99})); // h limited to H - 1
  EXPECT_EQ(PieStartPoint(100, 100, 0), (TGaugePoint{50, 0}));
  EXPECT_EQ(PieStartPoint(100, 100, 25), (TGaugePoint{100, 50}));
  EXPECT_EQ(PieStartPoint(100, 100, 50), (TGaugePoint{50, 100}));
  EXPECT_EQ(NeedleEndPoint(100, 99, 0), (TGaugePoint{0, 98}));
  EXPECT_EQ(NeedleEndPoint(100, 99, 50), (TGaugePoint{50, 0}));
  EXPECT_EQ(NeedleEndPoint(100, 99, 100), (TGaugePoint{100, 98}));
}

class Gauge : public ::testing::Test {
protected:
  void SetUp() override {
    G.SetForeColor(ColorMaroon);
    G.SetBackColor(ColorWhite);
  }
  TGauge G;
};

TEST_F(Gauge, TextIsInvertedAgainstWhatLiesBeneath) {
  G.SetKind(TGaugeKind::gkText);
  G.SetProgress(42);
  const QImage OnWhite = G.RenderImage();
  const QRect Text = BoundsOf(OnWhite, ColorBlack, QRect(2, 2, 96, 96));
  ASSERT_FALSE(Text.isEmpty()); // white text xor white back gives black
  EXPECT_NEAR(Text.center().x(), 50, 3);
  EXPECT_NEAR(Text.center().y(), 50, 4);

  G.SetKind(TGaugeKind::gkHorizontalBar);
  G.SetForeColor(ColorBlack);
  G.SetProgress(100);
  const QImage OnBar = G.RenderImage();
  EXPECT_FALSE(BoundsOf(OnBar, ColorWhite, QRect(2, 2, 96, 96)).isEmpty());
}

TEST_F(Gauge, PieGrowsClockwiseFromTwelveOClock) {
  G.SetKind(TGaugeKind::gkPie);
  G.SetShowText(false);
  G.SetProgress(25);
  const QImage Image = G.RenderImage();
  EXPECT_TRUE(IsColor(Image, 70, 30, ColorMaroon)); // upper right quarter
  EXPECT_TRUE(IsColor(Image, 30, 30, ColorWhite));
  EXPECT_TRUE(IsColor(Image, 70, 70, ColorWhite));
  G.SetMaxValue(0); // an empty range shows 0 %: the face without a wedge
  EXPECT_TRUE(IsColor(G.RenderImage(), 70, 30, ColorWhite));
}

} // namespace
} // namespace kestrava::testing

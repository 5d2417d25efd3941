// The plot's geometry: values land inside the area on round axes, a long
// recording thins to the page's resolution without losing a spike, and
// missing values break the line.

#include "app/ReportPlot.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr TPageBox Area{100, 200, 400, 150};

// Frames a second apart with pain 10, a spike of 73 at SpikeAt, and the tip
// 0.5 m in from the second half on.
TPlotData SpikedRecording(std::size_t Frames, std::size_t SpikeAt) {
  TPlotData Data;
  Data.HasPain = true;
  Data.PainUnits = "mmHg";
  for (std::size_t I = 0; I < Frames; ++I) {
    Data.Seconds.push_back(static_cast<double>(I));
    Data.Pain.emplace_back(I == SpikeAt ? 73.0 : 10.0);
    Data.Depth.push_back(I < Frames / 2 ? std::nullopt : std::optional<double>(0.5));
  }
  return Data;
}

std::size_t PointCount(const std::vector<TPlotLine>& Lines) {
  std::size_t Count = 0;
  for (const TPlotLine& Line : Lines) {
    Count += Line.size();
  }
  return Count;
}

TEST(ReportPlot, ValuesLandInsideTheAreaOnRoundAxes) {
  TPlotData Data = SpikedRecording(601, 300);
  Data.Loops = {{60, 120}, {200, 200}};
  Data.Lesions = {450};
  const TPlotGeometry Plot = PlanPlot(Data, Area);
  ASSERT_EQ(Plot.Pain.size(), 1u);
  EXPECT_EQ(Plot.Pain[0].front(), (TPlotPoint{100, 350 - 10.0 / 80 * 150}));
  EXPECT_EQ(Plot.Pain[0].back().X, 500);
  EXPECT_EQ(Plot.PainTicks.back().Label, "80") << "73 rounds up to 80 in steps of 20";
  EXPECT_EQ(Plot.PainTicks.back().At, 200);
  EXPECT_EQ(Plot.DepthTicks.back().Label, "50");
  EXPECT_EQ(Plot.TimeTicks.size(), 6u) << "0 to 10 minutes in steps of 2";
  EXPECT_EQ(Plot.TimeTicks[1].Label, "2");
  EXPECT_EQ(Plot.TimeTicks[1].At, 180);
  EXPECT_EQ(Plot.Loops[0].From, 140);
  EXPECT_EQ(Plot.Loops[0].To, 180);
  EXPECT_GT(Plot.Loops[1].To, Plot.Loops[1].From) << "a one-frame loop still shows";
  EXPECT_EQ(Plot.Lesions, std::vector<double>{400});
  EXPECT_EQ(Plot.PainTitle, "Pain (mmHg)");
}

TEST(ReportPlot, ALongRecordingThinsToThePageWithoutLosingItsSpike) {
  const TPlotGeometry Plot = PlanPlot(SpikedRecording(std::size_t{3} * 3600, 5000), Area);
  EXPECT_LE(PointCount(Plot.Pain), 2 * static_cast<std::size_t>(Area.Width / 0.5 + 1));
  const double Top = 350 - 73.0 / 80 * 150;
  EXPECT_TRUE(std::any_of(Plot.Pain[0].begin(), Plot.Pain[0].end(),
                          [&](const TPlotPoint& P) { return std::abs(P.Y - Top) < 1e-9; }));
  ASSERT_EQ(Plot.Depth.size(), 1u) << "no depth before the middle";
  EXPECT_NEAR(Plot.Depth[0].front().X, 300, 0.1);
}

TEST(ReportPlot, MissingValuesBreakTheLineAndNoPainLeavesItsAxisBare) {
  TPlotData Data = SpikedRecording(100, 0);
  Data.Pain[50].reset();
  EXPECT_EQ(PlanPlot(Data, Area).Pain.size(), 2u);
  Data.HasPain = false;
  std::fill(Data.Pain.begin(), Data.Pain.end(), std::nullopt);
  const TPlotGeometry Plot = PlanPlot(Data, Area);
  EXPECT_TRUE(Plot.Pain.empty());
  EXPECT_TRUE(Plot.PainTicks.empty());
  EXPECT_EQ(Plot.PainTitle, "No pain data");
  EXPECT_FALSE(PlanPlot({}, Area).TimeTicks.empty()) << "an empty recording still has axes";
}

TEST(ReportPlot, RoundStepsAreOneTwoOrFiveTimesAPowerOfTen) {
  const std::pair<double, double> Cases[] = {{73, 20},  {10, 2}, {150, 50}, {0.9, 0.2},
                                             {180, 50}, {0, 1},  {-3, 1}};
  for (const auto& [Top, Step] : Cases) {
    EXPECT_DOUBLE_EQ(RoundStep(Top, 5), Step) << Top;
  }
}

} // namespace
} // namespace kestrava

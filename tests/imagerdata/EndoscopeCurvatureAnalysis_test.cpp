#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/EndoscopeCurvatureMarker.h"
#include "imagerdata/ImagerFrame.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Slots spaced Spacing metres along +Z, all pointing along +Z.
void MakeStraight(TImagerFrame& Frame, int Slots, double Spacing = 0.05) {
  Frame.SensorCount = Slots;
  for (int Slot = 0; Slot < Slots; ++Slot) {
    const auto S = static_cast<std::size_t>(Slot);
    Frame.SensorValid[S] = true;
    Frame.SensorPosition[S] = Vector3(0, 0, Slot * Spacing);
    Frame.SensorDirection[S] = Vector3(0, 0, 1);
    if (Slot + 1 < Slots)
      Frame.SegmentLength[S] = Spacing;
  }
}

struct TProfile {
  TProfile() = default;
  explicit TProfile(const TImagerFrame* Frame) { Analyse(Frame); }
  TCurvatureGraphPoints Graph;
  TEndoscopeCurvatureInfos Infos;
  void Analyse(const TImagerFrame* Frame) { AnalyseEndoscopeCurvature(Frame, Graph, Infos); }
};

TEST(EndoscopeCurvature, ThreeMeasuredSlotsGiveJoinedSegmentsEndingAtTheLastSensor) {
  TImagerFrame Frame;
  MakeStraight(Frame, 3);
  const TProfile P(&Frame);
  ASSERT_EQ(P.Graph.PointCount(), 101);
  ASSERT_EQ(P.Infos.Count(), 99);
  // Segment 0 owns its t = 1 sample, so segment 1 starts one step in.
  EXPECT_EQ(std::pair(P.Infos.At(49).Segment, P.Infos.At(49).T), std::pair(0, 1.0f));
  EXPECT_EQ(P.Infos.At(50).Segment, 1);
  EXPECT_FLOAT_EQ(P.Infos.At(50).T, 1.0f / 49);
  EXPECT_EQ(std::pair(P.Infos.At(98).Segment, P.Infos.At(98).T), std::pair(1, 1.0f));
  EXPECT_NEAR(P.Infos.At(98).Point.Z, 0.10, 1e-12);
}

// Every pattern of measured slots must give the same number of points and a
// profile whose samples run continuously from the tip to the last slot; a
// sample is measured only where both ends of its segment are, and a straight
// scope is nowhere curved, measured or not.
TEST(EndoscopeCurvature, EveryValidityPatternPlotsAContinuousStraightProfile) {
  constexpr int Slots = 5;
  for (int Pattern = 0; Pattern < (1 << Slots); ++Pattern) {
    TImagerFrame Frame;
    MakeStraight(Frame, Slots);
    // 6 cm of catheter between sensors 5 cm apart: the cubic runs along the
    // line at a changing speed, which must not read as curvature.
    Frame.SegmentLength.fill(0.06);
    for (int Slot = 0; Slot < Slots; ++Slot)
      Frame.SensorValid[static_cast<std::size_t>(Slot)] = (Pattern >> Slot) & 1;
    const TProfile P(&Frame);
    ASSERT_EQ(P.Graph.PointCount(), 201) << Pattern;
    ASSERT_EQ(P.Infos.Count(), 49 * (Slots - 1) + 1) << Pattern;
    double Previous = -1; // position along the scope in segments
    for (int I = 0; I < P.Infos.Count(); ++I) {
      const TEndoscopeCurvatureInfo& Info = P.Infos.At(I);
      const double Along = Info.Segment + static_cast<double>(Info.T);
      EXPECT_NEAR(Along - Previous, I == 0 ? 1.0 : 1.0 / 49, 1e-6) << Pattern << " at " << I;
      Previous = Along;
      const bool Measured = ((Pattern >> Info.Segment) & 3) == 3;
      EXPECT_EQ(Info.Valid, Measured) << Pattern << " at " << I;
      EXPECT_TRUE(Measured || Info.Point == TVector3{}) << Pattern << " at " << I;
    }
    EXPECT_NEAR(Previous, Slots - 1, 1e-6) << Pattern;
    for (const double Kappa : P.Graph.Points())
      EXPECT_NEAR(Kappa, 0.0, 1e-9) << Pattern;
  }
}

TEST(EndoscopeCurvature, NoFrameOrNoSlotsLeavesNoStaleInfosOrSelection) {
  TImagerFrame Frame;
  MakeStraight(Frame, 4);
  TImagerFrame Empty;
  MakeStraight(Empty, 4);
  Empty.SensorCount = 0;
  for (const TImagerFrame* Next : std::vector<const TImagerFrame*>{nullptr, &Empty}) {
    TProfile P;
    P.Analyse(&Frame);
    P.Graph.SetSelectedIndex(10);
    P.Analyse(Next);
    EXPECT_EQ(P.Graph.PointCount(), 0);
    EXPECT_EQ(P.Infos.Count(), 0);
    EXPECT_EQ(P.Graph.SelectedIndex(), -1);
  }
  TProfile P;
  P.Analyse(&Frame);
  P.Graph.SetSelectedIndex(150); // the last of 4 slots' 151 points
  P.Analyse(&Frame);
  EXPECT_EQ(P.Graph.SelectedIndex(), 150);
}

// A damaged file may claim any slot count; only real slots are read, and a
// single slot is a point without a segment.
TEST(EndoscopeCurvature, PointsFollowTheRealSlotsWhateverTheFrameClaims) {
  const struct {
    int Slots, Claimed, Points, Infos;
  } Cases[] = {{1, 1, 1, 1},
               {MaxSensors, 1000, (MaxSensors - 1) * 50 + 1, 49 * (MaxSensors - 1) + 1},
               {MaxSensors, -3, 0, 0}};
  for (const auto& C : Cases) {
    TImagerFrame Frame;
    MakeStraight(Frame, C.Slots);
    Frame.SensorCount = C.Claimed;
    const TProfile P(&Frame);
    EXPECT_EQ(P.Graph.PointCount(), C.Points) << C.Claimed;
    ASSERT_EQ(P.Infos.Count(), C.Infos) << C.Claimed;
    if (C.Infos == 1) {
      EXPECT_TRUE(!P.Infos.At(0).Valid && P.Infos.At(0).Segment == -1 && P.Infos.At(0).T == 1.0f);
    }
  }
}

// Sensors on a circle of radius R, 15 degrees apart, tangent to it, with the
// arc length as segment length: the cubic follows the circle closely enough
// that its curvature is 1 / R within 1 % everywhere.
TEST(EndoscopeCurvature, CircularArcHasTheCurvatureOfItsCircle) {
  constexpr double Radius = 0.2, Step = std::numbers::pi / 12;
  TImagerFrame Frame;
  Frame.SensorCount = 4;
  for (std::size_t Slot = 0; Slot < 4; ++Slot) {
    const double Angle = Step * static_cast<double>(Slot);
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = Vector3(Radius * std::cos(Angle), Radius * std::sin(Angle), 0);
    Frame.SensorDirection[Slot] = Vector3(-std::sin(Angle), std::cos(Angle), 0);
    Frame.SegmentLength[Slot] = Radius * Step;
  }
  const TProfile P(&Frame);
  ASSERT_EQ(P.Infos.Count(), 148);
  for (int I = 0; I < P.Infos.Count(); ++I)
    EXPECT_NEAR(P.Graph.Points()[static_cast<std::size_t>(I)] * Radius, 1.0, 0.01) << I;
}

TEST(EndoscopeCurvatureMarker, ShowsOnlyMeasuredPointsWithAnInfo) {
  TImagerFrame Frame;
  MakeStraight(Frame, 3);
  Frame.SensorValid[2] = false;
  const TProfile P(&Frame); // infos 0..49 valid, 50..98 not, graph points 99..100 without info

  const TCurvatureMarkerPlacement Shown = SelectCurvatureMarker(P.Infos, 49, true, false);
  ASSERT_TRUE(Shown.Point.has_value());
  EXPECT_NEAR(Shown.Point->Z, 0.05, 1e-12);
  EXPECT_TRUE(Shown.Visible);

  const TCurvatureMarkerPlacement Unmeasured = SelectCurvatureMarker(P.Infos, 60, true, false);
  EXPECT_TRUE(Unmeasured.Point.has_value());
  EXPECT_FALSE(Unmeasured.Visible);

  for (const auto& [Index, ViewOn, Recording] : std::vector<std::tuple<int, bool, bool>>{
           {99, true, false}, {-1, true, false}, {10, false, false}, {10, true, true}}) {
    const TCurvatureMarkerPlacement Hidden =
        SelectCurvatureMarker(P.Infos, Index, ViewOn, Recording);
    EXPECT_FALSE(Hidden.Visible) << Index;
    EXPECT_FALSE(Hidden.Point.has_value()) << Index;
  }
}

} // namespace
} // namespace kestrava

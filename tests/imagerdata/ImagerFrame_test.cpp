#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFrame.h"
#include "tests/support/ProcedureBuilders.h"

#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using test::EveryField;

// Every field different from a fresh frame, so a copy that skips one shows.
std::unique_ptr<TImagerFrame> FrameWithEveryField() {
  auto F = support::BentScopeFrame();
  F->Time = 0.25;
  F->MarkerValid.fill(true);
  F->MarkerDirection.fill({0, 0, 1});
  F->HandDirection = {1, 0, 0};
  F->PainValid = true;
  F->Pain = 12.5;
  F->OvertubeData1 = {1.5f, 2.5f, true, {1, 2, 3}};
  return F;
}

TEST(ImagerFrame, AssignCopiesEveryFieldIncludingDirectionsAndPainFlag) {
  const auto Source = FrameWithEveryField();
  TImagerFrame Copy;
  Copy.Assign(*Source);
  EXPECT_TRUE(EveryField(Copy) == EveryField(*Source));
  TQelObject NotAFrame;
  EXPECT_THROW(Copy.Assign(NotAFrame), E_Qel_InvalidObjectType);
  EXPECT_NE(dynamic_cast<TImagerFrame*>(Copy.CreateNew().get()), nullptr);
}

TEST(ImagerFrame, ClearResetsOnlyTheSampleState) {
  const auto Frame = FrameWithEveryField(), Expected = FrameWithEveryField();
  Frame->Clear();
  Expected->Time = Expected->Pain = 0;
  Expected->SensorCount = Expected->OvertubeKind = 0;
  Expected->MarkerValid.fill(false);
  Expected->HandValid = false;
  Expected->HandPosition = {};
  EXPECT_TRUE(EveryField(*Frame) == EveryField(*Expected));
}

TEST(ImagerFrame, ThreeMarkerAxesCountMarkerTwoTwiceAndFourMarkersServeUpperProcedures) {
  const TVector3 Y{0, 1, 0};
  TImagerFrame F;
  F.MarkerPosition = {{{1, 0, 0}, {-1, 0, 0}, {0, -2, 0}, {}, {}, {}}};
  F.MarkerValid = {true, true, true, false, false, false};
  TVector3 Centre, Normal, Axis, Origin, Direction;
  ASSERT_TRUE(F.GetPatientAxes(0, Centre, Normal, Axis));
  EXPECT_TRUE(Centre == Vector3(0, -1, 0) && Normal == Vector3(0, 0, -1) && Axis == Y);
  ASSERT_TRUE(F.GetMarkerAxis(0, Origin, Direction));
  EXPECT_TRUE(Origin == F.MarkerPosition[2] && Direction == Vector3(0, -1, 0));
  EXPECT_FALSE(F.GetMarkerAxis(1, Origin, Direction));

  F.MarkerPosition[2] = {0, 0, 0}; // between 0 and 1: no normal, no axis
  EXPECT_FALSE(F.GetPatientAxes(0, Centre, Normal, Axis));
  EXPECT_FALSE(F.GetMarkerAxis(0, Origin, Direction));
  F.MarkerValid[2] = false;
  EXPECT_FALSE(F.GetPatientAxes(0, Centre, Normal, Axis));

  // Upper procedures use four markers.
  F.MarkerPosition = {{{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {}, {}}};
  F.MarkerValid = {true, true, true, true, false, false};
  for (const std::int32_t Mode : {1, 2}) {
    ASSERT_TRUE(F.GetPatientAxes(Mode, Centre, Normal, Axis)) << Mode;
    EXPECT_TRUE(Centre == Vector3(0, 0, 0) && Normal == Vector3(0, 0, -1) && Axis == Y);
  }
  EXPECT_FALSE(F.GetPatientAxes(3, Centre, Normal, Axis));
  F.MarkerValid[3] = false;
  EXPECT_FALSE(F.GetPatientAxes(1, Centre, Normal, Axis));
}

// Four sensors 0.1 m apart along +X.
void MakeStraightScope(TImagerFrame& F) {
  F.SensorCount = 4;
  for (int i = 0; i < 4; ++i) {
    F.SensorValid[i] = true;
    F.SensorPosition[i] = {0.1 * i, 0, 0};
    F.SegmentLength[i] = 0.1;
  }
}

TEST(ImagerFrame, NearestScopePointUsesValidNeighboursAndKeepsTheTipSideOnATie) {
  TImagerFrame F;
  MakeStraightScope(F);
  double Distance = -1, T = -1;
  std::int32_t Segment = -1;
  ASSERT_TRUE(F.FindNearestScopePoint({0.25, 0.5, 0}, Distance, Segment, T));
  EXPECT_EQ(Segment, 2);
  EXPECT_NEAR(T, 0.5, 1e-12);
  EXPECT_NEAR(Distance, 0.5, 1e-12);
  ASSERT_TRUE(F.FindNearestScopePoint(F.SensorPosition[1], Distance, Segment, T));
  EXPECT_TRUE(Segment == 0 && T == 1);
  F.SensorValid[1] = false;
  ASSERT_TRUE(F.FindNearestScopePoint({0, 0, 0}, Distance, Segment, T));
  EXPECT_TRUE(Segment == 2 && T == 0);
  F.SensorCount = 1000; // as a damaged file could give
  EXPECT_TRUE(F.FindNearestScopePoint({0, 0, 0}, Distance, Segment, T));
  F.SensorCount = 1;
  EXPECT_FALSE(F.FindNearestScopePoint({0, 0, 0}, Distance, Segment, T));
  EXPECT_TRUE(Distance == 0 && Segment == 0 && T == 0);
}

TEST(ImagerFrame, MoveBackWalksTowardsTheTipAndOverZeroLengthSegments) {
  TImagerFrame F;
  MakeStraightScope(F);
  std::int32_t NewSegment = -1;
  double T;
  ASSERT_TRUE(F.MoveBackAlongScope(2, NewSegment, T = 0.5, 0.1));
  EXPECT_TRUE(NewSegment == 1 && T == 0.5);
  ASSERT_TRUE(F.MoveBackAlongScope(2, NewSegment, T = 1, 0.3)); // exactly to the tip
  EXPECT_TRUE(NewSegment == 0 && std::abs(T) < 1e-12);
  // 0.1 * 0.1 rounds below zero unclamped
  ASSERT_TRUE(F.MoveBackAlongScope(2, NewSegment, T = 0.1, 0.1 * 0.1));
  EXPECT_TRUE(NewSegment == 2 && T == 0);
  F.SegmentLength[1] = 0;
  ASSERT_TRUE(F.MoveBackAlongScope(2, NewSegment, T = 0.5, 0.1));
  EXPECT_TRUE(NewSegment == 0 && T == 0.5);
  F.SegmentLength.fill(0); // nothing to walk: off the tip
  EXPECT_FALSE(F.MoveBackAlongScope(2, NewSegment, T = 1, 0.1));
}

TEST(ImagerFrame, MoveBackFailsPastTheTipOrOnBadInput) {
  TImagerFrame F;
  MakeStraightScope(F);
  std::int32_t NewSegment = -1;
  double T = 0.5;
  EXPECT_FALSE(F.MoveBackAlongScope(0, NewSegment, T, 0.06));
  EXPECT_TRUE(NewSegment == 0 && T == 0);
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  for (const std::int32_t Segment : {-1, 3, 1 << 30}) {
    EXPECT_FALSE(F.MoveBackAlongScope(Segment, NewSegment, T = 0.5, 0.01)) << Segment;
  }
  EXPECT_FALSE(F.MoveBackAlongScope(1, NewSegment, T = 0.5, NaN));
  EXPECT_FALSE(F.MoveBackAlongScope(1, NewSegment, T = 1.5, 0.01));
  for (const double Damaged : {-0.1, NaN}) {
    F.SegmentLength[0] = Damaged;
    EXPECT_FALSE(F.MoveBackAlongScope(1, NewSegment, T = 0.5, 0.1)) << Damaged;
  }
}

} // namespace
} // namespace kestrava

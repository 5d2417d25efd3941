#include "foundation/QelExceptions.h"
#include "geometry/Vectors.h"

#include <limits>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(ClosestPointOnSegment, ClampsToTheEndsAndHandlesADegenerateSegment) {
  const TVector3 S0{1, 0, 0}, S1{3, 0, 0};
  double T = -1;
  TVector3 Q;
  ClosestPointOnSegment({7, 7, 7}, S0, S0, T, Q);
  EXPECT_TRUE(T == 0 && Q == S0);
  ClosestPointOnSegment({5, 1, 0}, S0, S1, T, Q);
  EXPECT_TRUE(T == 1 && Q == S1);
  ClosestPointOnSegment({1, 4, -2}, S0, S1, T, Q); // level with S0
  EXPECT_TRUE(T == 0 && Q == S0);
  ClosestPointOnSegment({1.5, 2, 0}, S0, S1, T, Q);
  EXPECT_TRUE(T == 0.25 && Q == Vector3(1.5, 0, 0));
}

TEST(SegmentCrossesPlane, IncludesBothEndsAndNeverCrossesWhenParallel) {
  const TVector3 PlanePoint{0, 0, 2}, Normal{0, 0, 1};
  double T = -1;
  EXPECT_TRUE(SegmentCrossesPlane({0, 0, 2}, {1, 1, 5}, PlanePoint, Normal, T));
  EXPECT_EQ(T, 0);
  EXPECT_TRUE(SegmentCrossesPlane({1, 1, -2}, {0, 0, 2}, PlanePoint, Normal, T));
  EXPECT_EQ(T, 1);
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, 3}, {0, 0, 4}, PlanePoint, Normal, T));
  EXPECT_EQ(T, -1); // written even when short of the plane
  T = 42;
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, 2}, {5, 1, 2}, PlanePoint, Normal, T)); // in the plane
  EXPECT_EQ(T, 42);
}

TEST(NormalizeVector, ScalesToUnitLengthAndRaisesForNoDirection) {
  const TVector3 N = NormalizeVector({0, 3, -4});
  EXPECT_TRUE(N.X == 0 && N.Y == 0.6 && N.Z == -0.8);
  EXPECT_THROW(NormalizeVector({0, 0, 0}), E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector);
  EXPECT_THROW(NormalizeVector({std::numeric_limits<double>::quiet_NaN(), 0, 0}), E_Qel_Maths);
}

TEST(MakeUnitCircle, StartsAtPlusYRunsTowardsMinusXAndWritesOnlyNPoints) {
  const TVector3 Unwritten{9, 9, 9};
  TVector3 Points[5] = {Unwritten, Unwritten, Unwritten, Unwritten, Unwritten};
  MakeUnitCircle(0, Points);
  MakeUnitCircle(-3, Points);
  EXPECT_EQ(Points[0], Unwritten);
  MakeUnitCircle(1, Points);
  EXPECT_EQ(Points[0], Vector3(0, 1, 0));
  EXPECT_EQ(Points[1], Unwritten);
  MakeUnitCircle(4, Points);
  const TVector3 Square[] = {{0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {1, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(VectorDistance(Points[i], Square[i]), 0, 1e-15) << i;
  }
  EXPECT_EQ(Points[4], Unwritten);
}

} // namespace
} // namespace kestrava

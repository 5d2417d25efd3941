#include "foundation/QelExceptions.h"
#include "scene/CentreLine.h"
#include "tests/scene/SceneTestSupport.h"

#include <memory>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace testing; // the scene test helpers

class CentreLineTest : public ::testing::Test {
protected:
  std::unique_ptr<TCentreLine> Line = std::make_unique<TCentreLine>();
};

TEST_F(CentreLineTest, PassesThroughEverySensorAndEndsOnTheLast) {
  const auto Frame = ArcFrame();
  Line->Build(*Frame, {0, 16}, 8, {}, {});
  ASSERT_EQ(121, Line->Count());
  for (std::size_t I = 0; I < 16; ++I) {
    EXPECT_EQ(Frame->SensorPosition[I], (*Line)[static_cast<int>(8 * I)].Position);
  }
  Line->Build(*Frame, {3, 2}, 8, {}, {});
  ASSERT_EQ(9, Line->Count());
  EXPECT_EQ(Frame->SensorPosition[4], (*Line)[8].Position);
  ExpectNear(Frame->SensorDirection[3], (*Line)[0].Direction, 0.02); // towards the operator
}

TEST_F(CentreLineTest, CarriesUpAlongTheLineWithoutTwist) {
  // On a flat curve the carried Up must stay the in-plane normal Z x Direction.
  Line->Build(*ArcFrame(), {0, 16}, 8, {}, {});
  for (const TPositionOrientation& P : Line->Points()) {
    ExpectNear(CrossProduct({0, 0, 1}, P.Direction), P.Up, 1e-9);
  }
  // On a helix each step may only turn Up about the bend axis.
  auto Frame = StraightFrame(12);
  const double R = 0.1, Pitch = 0.05, Norm = std::hypot(R, Pitch);
  for (int I = 0; I < 12; ++I) {
    const double A = 0.5 * I;
    SetSensor(*Frame, I, {R * std::cos(A), R * std::sin(A), Pitch * A},
              {-R * std::sin(A) / Norm, R * std::cos(A) / Norm, Pitch / Norm});
  }
  Frame->SegmentLength.fill(Norm * 0.5);
  Line->Build(*Frame, {0, 12}, 8, {}, {});
  for (int K = 1; K < Line->Count(); ++K) {
    const TPositionOrientation &A = (*Line)[K - 1], &B = (*Line)[K];
    EXPECT_NEAR(0, DotProduct(B.Up, B.Direction), 1e-9);
    const TVector3 Axis = CrossProduct(A.Direction, B.Direction);
    EXPECT_NEAR(DotProduct(A.Up, Axis), DotProduct(B.Up, Axis), 1e-12);
  }
}

TEST_F(CentreLineTest, StopsBeforeTheCutoffPlaneWithoutTheLastSensor) {
  const auto Frame = StraightFrame();
  Line->Build(*Frame, {0, 16}, 8, {}, TCutoffPlane({0.32, 0, 0}, {1, 0, 0}));
  ASSERT_EQ(52, Line->Count()); // 51 * 0.05 / 8 = 0.31875, the next would be 0.325
  EXPECT_LT((*Line)[51].Position.X, 0.32);
  // A sample exactly on the plane counts as beyond it.
  Line->Build(*Frame, {0, 16}, 8, {}, TCutoffPlane({0.05 / 8, 0, 0}, {1, 0, 0}));
  EXPECT_EQ(1, Line->Count());
}

TEST_F(CentreLineTest, ClipsTheFirstIntervalOnly) {
  const auto Frame = ArcFrame();
  Line->Build(*Frame, {2, 3}, 8, {true, 0.5}, {});
  ASSERT_EQ(17, Line->Count());
  const TCubicCoefficients First =
      HermiteCubic(Frame->SensorPosition[2], Frame->SensorDirection[2], Frame->SensorPosition[3],
                   Frame->SensorDirection[3], Frame->SegmentLength[2]);
  ExpectNear(EvaluateCubic(First, 0.5), (*Line)[0].Position, 1e-15);
  ExpectNear(EvaluateCubic(First, 0.5 + 0.5 / 8), (*Line)[1].Position, 1e-15);
  EXPECT_EQ(Frame->SensorPosition[3], (*Line)[8].Position);

  Line->Build(*Frame, {2, 3}, 8, {true, 0.995}, {});
  ASSERT_EQ(9, Line->Count());
  EXPECT_EQ(Frame->SensorPosition[3], (*Line)[0].Position);
}

TEST_F(CentreLineTest, FailsOnCoincidentSensorsAndLeavesNoHalfBuiltLine) {
  auto Frame = StraightFrame(4);
  Frame->SensorPosition[2] = Frame->SensorPosition[1];
  Frame->SegmentLength[1] = 0;
  EXPECT_THROW(Line->Build(*Frame, {0, 4}, 8, {}, {}),
               E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector);
  EXPECT_EQ(0, Line->Count());
  EXPECT_THROW(Line->Build(*Frame, {10, 7}, 8, {}, {}), E_Qel_InvalidArg);
}

} // namespace
} // namespace kestrava

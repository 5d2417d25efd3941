#include "geometry/Curves.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Awkward values on purpose so that sloppy coefficients cannot pass by luck.
const TVector3 P0{0.1, -0.37, 1.9}, P1{-0.62, 0.05, 2.3};
const TVector3 T0{0.6, 0.0, 0.8}, T1{0.0, -0.28, 0.96};
constexpr double S = 0.73;

TEST(HermiteCubic, MeetsItsEndValuesAndScaledTangentsAndKeepsALineStraight) {
  const TCubicCoefficients K = HermiteCubic(P0, T0, P1, T1, S);
  EXPECT_EQ(EvaluateCubic(K, 0), P0); // only D survives at t = 0
  EXPECT_NEAR(VectorDistance(EvaluateCubic(K, 1), P1), 0, 1e-15);
  const TQuadraticCoefficients D = DifferentiateCubic(K);
  EXPECT_EQ(EvaluateQuadratic(D, 0), ScaleVector(T0, S));
  EXPECT_NEAR(VectorDistance(EvaluateQuadratic(D, 1), ScaleVector(T1, S)), 0, 1e-14);

  // A straight line at unit speed has no curvature anywhere.
  const TVector3 X{1, 0, 0};
  const TCubicCoefficients Line = HermiteCubic({0, 0, 0}, X, X, X, 1);
  EXPECT_NEAR(VectorDistance(EvaluateCubic(Line, 0.25), {0.25, 0, 0}), 0, 1e-15);
  EXPECT_EQ(EvaluateLinear(DifferentiateQuadratic(DifferentiateCubic(Line)), 0.7), TVector3{});
}

} // namespace
} // namespace kestrava

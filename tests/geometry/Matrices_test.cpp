#include "geometry/Matrices.h"

#include <numbers>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr double HalfPi = std::numbers::pi / 2;
const TVector3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};

void ExpectNear(const TVector3& Actual, const TVector3& Expected) {
  EXPECT_NEAR(VectorDistance(Actual, Expected), 0, 1e-14)
      << Actual.X << ", " << Actual.Y << ", " << Actual.Z;
}

TEST(RotateFromTo, TurnsAboutTheCommonPerpendicularAndLeavesOppositesAlone) {
  const TVector3 V{0.3, -2, 5}, From = NormalizeVector({1, 2, 2});
  EXPECT_EQ(RotateFromTo(From, V, From), V);
  EXPECT_EQ(RotateFromTo(From, V, NegateVector(From)), V);
  ExpectNear(RotateFromTo(X, X, Y), Y);
  ExpectNear(RotateFromTo(X, Y, Y), NegateVector(X));
  ExpectNear(RotateFromTo(X, Z, Y), Z); // the axis stays put
}

TEST(RotateAboutAxis, IsRightHanded) {
  ExpectNear(RotateAboutAxis(X, Z, HalfPi), Y);
  ExpectNear(RotateAboutAxis(Y, X, HalfPi), Z);
  ExpectNear(RotateAboutAxis(Z, Y, HalfPi), X);
  ExpectNear(RotateAboutAxis({2, 3, 4}, Z, std::numbers::pi), {-2, -3, 4});
}

TEST(OrientationToMatrix, DefaultIsIdentityAndAnyPlacementTimesItsInverseIsToo) {
  EXPECT_EQ(OrientationToMatrix(DefaultPositionOrientation), IdentityMatrix4);
  const TVector3 Direction = NormalizeVector({1, 2, 2});
  const TVector3 Up = NormalizeVector(CrossProduct(Direction, Z));
  const TPositionOrientation P = MakePositionOrientation({0.5, -1.25, 3}, Direction, Up);
  const TMatrix4 M = OrientationToMatrix(P);
  const TVector4 Origin = TransformVector4(M, {0, 0, 0, 1});
  EXPECT_EQ(Vector3(Origin.X, Origin.Y, Origin.Z), P.Position);

  const TMatrix4 Product = MultiplyMatrix4(M, OrientationToInverseMatrix(P));
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(Product.M[i][j], IdentityMatrix4.M[i][j], 1e-15) << i << "," << j;
    }
  }
}

} // namespace
} // namespace kestrava

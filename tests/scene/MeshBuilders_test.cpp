#include "foundation/QelExceptions.h"
#include "scene/MeshBuilders.h"
#include "tests/scene/SceneTestSupport.h"

#include <array>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace testing; // the scene test helpers

// Axes all unlike the defaults, so that mixing up Direction, Up and their
// cross product shows: local X is +Y, Up is +Z, Direction is +X.
TPositionOrientation Tilted() {
  return MakePositionOrientation({1, 2, 3}, {1, 0, 0}, {0, 0, 1});
}

std::array<int, 3> Indices(const TGraphics3DFace& F) {
  return {F.A, F.B, F.C};
}

TEST(MakeTubeFaces, LaysOutRingsAndWindsBothWays) {
  TGraphics3DMesh Mesh, Reversed;
  MakeTubeFaces(Mesh, 10, 3, false);
  MakeTubeFaces(Reversed, 10, 3, true);
  EXPECT_EQ(std::pair(40, 30), std::pair(Mesh.FaceCount(), Mesh.VertexCount()));
  EXPECT_EQ((std::array{0, 1, 10}), Indices(Mesh.Faces()[0]));
  EXPECT_EQ((std::array{10, 20, 29}), Indices(Mesh.Faces()[39])); // wraps round to side 0
  EXPECT_EQ((std::array{10, 29, 20}), Indices(Reversed.Faces()[39]));

  EXPECT_THROW(MakeTubeFaces(Mesh, 100, 656, false), E_Qel_InvalidArg); // > 65536 vertices
  EXPECT_EQ(30, Mesh.VertexCount()) << "a refused request leaves the mesh alone";
}

TEST(MakeTube, StartsEveryRingAtItsUpAndPointsNormalsOutwards) {
  const std::vector<TPositionOrientation> Rings{
      MakePositionOrientation({0, 0, 0}, {0, 0, 1}, {0, 1, 0}),
      MakePositionOrientation({0, 0, 1}, {0, 0, 1}, {0, 1, 0}), Tilted()};
  TGraphics3DMesh Mesh;
  MakeTube(Mesh, Rings, TUnitCircle(10), 0.5);
  ASSERT_EQ(30, Mesh.VertexCount());
  ExpectNear({0, 0.5, 1}, PositionOf(Mesh.Vertices()[10]), 1e-7);
  ExpectNear({1, 2, 3.5}, PositionOf(Mesh.Vertices()[20]), 1e-7);
  ExpectNear({0, 0, 1}, NormalOf(Mesh.Vertices()[20]), 1e-7);
  EXPECT_LT(Mesh.Vertices()[1].X, 0) << "sides run towards -X";
}

TEST(MakeSphere, PutsPolesAndSeamWhereTheTexturesExpectThem) {
  TGraphics3DMesh Mesh;
  Mesh.WrapU = true;
  MakeSphere(Mesh, {1, 2, 3}, 20, 40, 0.5);
  ASSERT_EQ(std::tuple(861, 1600, false),
            std::tuple(Mesh.VertexCount(), Mesh.FaceCount(), Mesh.WrapU));
  const auto V = Mesh.Vertices();
  ExpectNear({1, 2, 3.5}, PositionOf(V[0]), 1e-6);
  ExpectNear({1, 2, 2.5}, PositionOf(V[860]), 1e-6);
  ExpectNear({1, 1.5, 3}, PositionOf(V[41 * 10 + 10]), 1e-6); // azimuth runs towards -Y
  for (std::size_t Row = 0; Row <= 20; ++Row) {
    ExpectNear(PositionOf(V[Row * 41]), PositionOf(V[Row * 41 + 40]), 1e-6);
    EXPECT_FLOAT_EQ(1 - Row / 20.0f, V[Row * 41].TV);
  }
  ExpectFacesWoundLikeNormals(Mesh);
}

TEST(MakeDisc, ClosesTheFanAndFacesAlongTheDirection) {
  TGraphics3DMesh Mesh;
  MakeDisc(Mesh, 10, Tilted(), 2);
  ASSERT_EQ(std::pair(11, 10), std::pair(Mesh.VertexCount(), Mesh.FaceCount()));
  EXPECT_EQ((std::array{10, 9, 0}), Indices(Mesh.Faces()[9]));
  ExpectNear({1, 2, 3}, PositionOf(Mesh.Vertices()[10]), 0);
  ExpectNear({1, 2, 5}, PositionOf(Mesh.Vertices()[0]), 1e-6); // the seam lies at Up
  for (const auto& V : Mesh.Vertices()) {
    ExpectNear({1, 0, 0}, NormalOf(V), 0);
  }
  ExpectFacesWoundLikeNormals(Mesh);
  EXPECT_THROW(MakeDisc(Mesh, MaxBuilderSides + 1, Tilted(), 1), E_Qel_InvalidArg);
}

TEST(MakeDome, BulgesAlongTheDirectionToASingleApex) {
  TGraphics3DMesh Mesh;
  MakeDome(Mesh, 10, 3, 2, Tilted());
  ASSERT_EQ(std::pair(40, 60), std::pair(Mesh.VertexCount(), Mesh.FaceCount()));
  const auto V = Mesh.Vertices();
  ExpectNear({1, 2, 5}, PositionOf(V[0]), 1e-6);
  for (std::size_t J = 0; J < 10; ++J) {
    EXPECT_NEAR(1, V[J].X, 1e-6) << "ring 0 lies in the placement's plane";
    ExpectNear({3, 2, 3}, PositionOf(V[30 + J]), 1e-6);
    ExpectNear({1, 0, 0}, NormalOf(V[30 + J]), 1e-6);
  }
  ExpectFacesWoundLikeNormals(Mesh);

  // A corrupt zero radius collapses the dome rather than failing a normalisation.
  ASSERT_NO_THROW(MakeDome(Mesh, 10, 3, 0, Tilted()));
  EXPECT_NEAR(1, VectorLength(NormalOf(Mesh.Vertices()[5])), 1e-6);
}

} // namespace
} // namespace kestrava

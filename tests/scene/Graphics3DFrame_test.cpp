#include "geometry/Matrices.h"
#include "scene/Graphics3DError.h" // declared only: built here so that it keeps compiling
#include "scene/Graphics3DFrame.h"
#include "scene/Graphics3DViewer.h" // likewise
#include "scene/MeshBuilders.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TPositionOrientation At(double X, double Y, double Z) {
  return MakePositionOrientation({X, Y, Z}, {0, 0, 1}, {0, 1, 0});
}

TVector3 Translation(const TMatrix4& M) {
  return {M.M[0][3], M.M[1][3], M.M[2][3]};
}

TEST(Graphics3DFrame, ComposesWorldMatricesDownTheTree) {
  TGraphics3DFrame Root;
  TGraphics3DFrame& Child = Root.AddFrame();
  EXPECT_EQ(&Root, Child.Parent());
  EXPECT_EQ(IdentityMatrix4, Child.GetWorldMatrix());
  Root.SetOrientation(At(1, 2, 3));
  EXPECT_EQ(OrientationToMatrix(At(1, 2, 3)), Child.GetWorldMatrix()); // a pure translation

  // A quarter turn about Z carries the child's offset along, down to a
  // hidden grandchild whose matrix was already cached.
  Child.Visible = false;
  TGraphics3DFrame& Grandchild = Child.AddFrame();
  Grandchild.SetOrientation(At(0, 1, 0));
  EXPECT_EQ((TVector3{1, 3, 3}), Translation(Grandchild.GetWorldMatrix()));
  Root.SetOrientation(MakePositionOrientation({1, 0, 0}, {0, 0, 1}, {-1, 0, 0}));
  EXPECT_FALSE(Grandchild.WorldMatrixValid());
  EXPECT_NEAR(0, VectorLength(Translation(Grandchild.GetWorldMatrix())), 1e-15);
}

TEST(Graphics3DFrame, CountsSkipHiddenSubtreesButNotTheFrameItself) {
  TGraphics3DFrame Root;
  MakeTubeFaces(Root.AddMesh(), 10, 2, false); // 20 vertices, 20 faces
  TGraphics3DFrame& Shown = Root.AddFrame();
  MakeTubeFaces(Shown.AddMesh(), 10, 3, false); // 30 vertices, 40 faces
  TGraphics3DFrame& Hidden = Root.AddFrame();
  Hidden.Visible = false;
  MakeTubeFaces(Hidden.AddMesh(), 10, 9, false);
  MakeTubeFaces(Hidden.AddFrame().AddMesh(), 10, 8, false);

  EXPECT_EQ(30, Root.MaxVertexCount());
  EXPECT_EQ(50, Root.TotalVertexCount());
  EXPECT_EQ(60, Root.TotalFaceCount());
  EXPECT_EQ(90, Hidden.MaxVertexCount()) << "a frame's own meshes always count";
  Root.Clear();
  EXPECT_EQ(0, Root.MaxVertexCount());
}

} // namespace
} // namespace kestrava

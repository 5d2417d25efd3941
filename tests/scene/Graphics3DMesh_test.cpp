#include "foundation/QelExceptions.h"
#include "scene/Graphics3DMesh.h"
#include "scene/MeshBuilders.h"
#include "scene/TextureImage.h" // a mesh only refers to its texture

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(Graphics3DMesh, AssignCopiesGeometryAndMaterialButNotFogOrTransparency) {
  const TTextureImage Texture;
  TGraphics3DMesh Source;
  MakeSphere(Source, {1, 2, 3}, 4, 6, 0.25);
  Source.Colour = 0x123456;
  Source.Specular = 0.3;
  Source.Texture = &Texture;
  Source.PerspectiveCorrect = 0;
  Source.Dither = Source.FogEnabled = true;
  Source.FogColour = 0xABCDEF;
  Source.Transparent = Source.TwoSided = true;
  Source.Opacity = 0.75;

  TGraphics3DMesh Target;
  Target.AssignAttributes(Source);
  EXPECT_EQ(0, Target.VertexCount()) << "attributes only";
  Target.Assign(Source);
  ASSERT_EQ(Source.Vertices().size_bytes(), Target.Vertices().size_bytes());
  EXPECT_EQ(0, std::memcmp(Source.Vertices().data(), Target.Vertices().data(),
                           Source.Vertices().size_bytes()));
  ASSERT_EQ(Source.FaceCount(), Target.FaceCount());
  EXPECT_EQ(0,
            std::memcmp(Source.Faces().data(), Target.Faces().data(), Source.Faces().size_bytes()));
  EXPECT_EQ(0x123456u, Target.Colour);
  EXPECT_EQ(0.3, Target.Specular);
  EXPECT_EQ(&Texture, Target.Texture);
  EXPECT_EQ(0, Target.PerspectiveCorrect);
  EXPECT_TRUE(Target.Dither && Target.FogEnabled);
  EXPECT_EQ(0u, Target.FogColour);
  EXPECT_EQ(0.0, Target.Opacity);
  EXPECT_FALSE(Target.Transparent || Target.TwoSided);
}

TEST(Graphics3DMesh, RefusesCountsAndBuffersThatDoNotFit) {
  TGraphics3DMesh Mesh;
  Mesh.SetVertexCount(3);
  EXPECT_EQ(0.0f, Mesh.Vertices()[2].X + Mesh.Vertices()[2].NZ) << "new vertices are zeroed";
  EXPECT_THROW(Mesh.SetVertexCount(MaxMeshVertices + 1), E_Qel_InvalidArg);
  EXPECT_THROW(Mesh.SetFaceCount(-1), E_Qel_InvalidArg);
  EXPECT_EQ(3, Mesh.VertexCount());
  EXPECT_THROW(Mesh.SetVertices(std::vector<TGraphics3DVertex>(2)), E_Qel_InvalidArg);
}

} // namespace
} // namespace kestrava

#include "foundation/QelExceptions.h"
#include "scene/Graphics3DMesh.h"
#include "scene/MeshBuilders.h"
#include "scene/TextureImage.h" // a mesh only refers to its texture

#include <cstring>
#include <tuple>
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
  const auto SameBytes = [](auto A, auto B) {
    return A.size_bytes() == B.size_bytes() && std::memcmp(A.data(), B.data(), A.size_bytes()) == 0;
  };
  EXPECT_TRUE(SameBytes(Source.Vertices(), Target.Vertices()));
  EXPECT_TRUE(SameBytes(Source.Faces(), Target.Faces()));
  EXPECT_EQ(std::tuple(Target.Colour, Target.Specular, Target.Texture, Target.PerspectiveCorrect,
                       Target.Dither, Target.FogEnabled),
            std::tuple(0x123456u, 0.3, &Texture, 0, true, true));
  EXPECT_EQ(std::tuple(Target.FogColour, Target.Opacity, Target.Transparent, Target.TwoSided),
            std::tuple(0u, 0.0, false, false));
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

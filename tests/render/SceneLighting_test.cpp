// The viewer's per-vertex lighting: the values the picture's colours come from.

#include "render/SceneLighting.h"

#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// One vertex per normal, all at Position, lit from the origin.
struct TLightingCase {
  TGraphics3DMesh Mesh;
  TGraphics3DScene Scene;
  TVector3 Light;

  TLightingCase(const TVector3& Position, std::initializer_list<TVector3> Normals) {
    Mesh.SetVertexCount(static_cast<std::int32_t>(Normals.size()));
    std::size_t I = 0;
    for (const TVector3& Normal : Normals)
      Mesh.Vertices()[I++] = MakeVertex(Position, Normal, {0.25, 0.25});
    Mesh.Ambient = 0;
    Mesh.Diffuse = 1;
  }

  std::vector<D3DLVERTEX> Lit(bool Wireframe = false) const {
    std::vector<D3DLVERTEX> Out(static_cast<std::size_t>(Mesh.VertexCount()));
    LightMeshVertices(Mesh, Scene, Light, Wireframe, Out);
    return Out;
  }
};

// Two units from the eye with attenuation (1, 0.5, 0) the factor is 0.5:
// grey 127.5 rounds to the even 128, and a normal facing away from the eye is
// lit as brightly as one facing it. Colours reach the device red first.
TEST(SceneLighting, DiffuseGreyFollowsAmbientAttenuationAndColourUpToFullColour) {
  const struct {
    double Z = 0;
    TVector3 Normal;
    double Ambient = 0, Diffuse = 0, Linear = 0;
    std::uint32_t Colour = 0, Expected = 0;
  } Cases[] = {
      {1, {1, 0, 0}, 1, 0, 0, 0x00FFFFFFu, 0x00FFFFFFu}, // ambient 1: whatever the normal
      {-2, {0, 0, 1}, 0, 1, 0.5, 0x00FFFFFFu, 0x00808080u},
      {-2, {0, 0, -1}, 0, 1, 0.5, 0x00FFFFFFu, 0x00808080u},
      {-2, {1, 0, 0}, 0, 1, 0.5, 0x00FFFFFFu, 0}, // edge-on: cos 0, no ambient
      {-2, {0, 0, 1}, 0, 1, 0.5, 0x0040FF20u, 0x00108020u},
      {-1, {0, 0, 1}, 0.8, 1, 0, 0x000000FFu, 0x00FF0000u}, // limited to full colour
  };
  for (const auto& C : Cases) {
    TLightingCase Case({0, 0, C.Z}, {C.Normal});
    Case.Mesh.Ambient = C.Ambient;
    Case.Mesh.Diffuse = C.Diffuse;
    Case.Scene.LinearAttenuation = C.Linear;
    Case.Mesh.Colour = C.Colour;
    const D3DLVERTEX Lit = Case.Lit()[0];
    EXPECT_EQ(Lit.Diffuse, C.Expected) << std::hex << C.Colour << " at " << C.Z;
    EXPECT_EQ(Lit.Specular, 0xFF000000u); // no fog, no highlight
  }
}

TEST(SceneLighting, SpecularGreyFollowsTheReflectedRayAndFogTheAttenuation) {
  const double Cos = std::cos(std::numbers::pi / 8); // 2 cos^2 - 1 = cos(pi/4)
  TLightingCase Case({0, 0, -1}, {{0, 0, 1}, {std::sqrt(1 - Cos * Cos), 0, Cos}, {1, 1, 0}});
  Case.Mesh.Specular = 0.5;
  Case.Scene.SpecularLevel = 2; // s = 1
  Case.Mesh.FogEnabled = true;
  Case.Scene.ConstantAttenuation = 0.5; // att = 2: fog factor limited to 255
  const auto Lit = Case.Lit();
  EXPECT_EQ(Lit[0].Specular, 0xFFFFFFFFu);
  EXPECT_EQ(Lit[1].Specular, 0xFF000000u | (255u * 0x010101u)); // J = cos(pi/4) * 2 > 1
  EXPECT_EQ(Lit[2].Specular, 0xFF000000u); // edge-on: reflection negative, taken as 0

  Case.Scene.ConstantAttenuation = 4; // att = 0.25: fog 63.75 -> 64, J = 0.25 -> 64
  EXPECT_EQ(Case.Lit()[0].Specular, (64u << 24) | (64u * 0x010101u));
}

TEST(SceneLighting, FlatShadingKeepsTheMeshColourAndWireframeIsPlainWhite) {
  TLightingCase Case({0, 0, -5}, {{0, 0, 1}, {1, 0, 0}});
  Case.Mesh.ShadingMode = ShadingFlat;
  Case.Mesh.Colour = 0x00804020;
  Case.Mesh.Transparent = true;
  Case.Mesh.Opacity = 0.5;
  for (const D3DLVERTEX& V : Case.Lit()) {
    EXPECT_EQ(std::pair(V.Diffuse, V.Specular), std::pair(0x80204080u, 0xFF000000u));
  }
  // In wireframe even a transparent mesh has alpha 0: its lines do not show.
  for (const D3DLVERTEX& V : Case.Lit(true)) {
    EXPECT_EQ(std::pair(V.Diffuse, V.Specular), std::pair(0x00FFFFFFu, 0u));
  }
}

TEST(SceneLighting, CopiesPositionAndFlipsTheTextureV) {
  TLightingCase Case({0.5, -0.25, 3}, {{0, 0, 1}});
  for (const bool Wireframe : {false, true}) {
    const D3DLVERTEX V = Case.Lit(Wireframe)[0];
    EXPECT_EQ(std::tuple(V.X, V.Y, V.Z, V.TU, V.TV), std::tuple(0.5f, -0.25f, 3.0f, 0.25f, 0.75f));
  }
}

TEST(SceneLighting, VertexInTheEyeStaysDarkAndKeepsThePreviousFog) {
  TLightingCase Case({0, 0, -1}, {{0, 0, 1}});
  Case.Mesh.SetVertexCount(2);
  Case.Mesh.Vertices()[0] = MakeVertex({0, 0, -1}, {0, 0, 1}, {});
  Case.Mesh.Vertices()[1] = MakeVertex({0, 0, 0}, {0, 0, 1}, {});
  Case.Mesh.FogEnabled = true;
  Case.Scene.ConstantAttenuation = 2; // att = 0.5 -> fog 127.5 -> 128
  Case.Mesh.Transparent = true;
  Case.Mesh.Opacity = 1;
  const D3DLVERTEX Eye = Case.Lit()[1];
  EXPECT_EQ(std::pair(Eye.Diffuse, Eye.Specular), std::pair(0xFF000000u, 128u << 24));
}

TEST(SceneLighting, OutOfRangeOpacityAndBrokenAttenuationNeverSpillIntoOtherBytes) {
  TLightingCase Case({0, 0, -1}, {{0, 0, 1}});
  Case.Mesh.Transparent = true;
  Case.Mesh.Opacity = 3;
  Case.Scene.ConstantAttenuation = 0; // 1 / 0
  Case.Mesh.Colour = 0x000000FF;
  EXPECT_EQ(Case.Lit()[0].Diffuse, 0xFFFF0000u);
  Case.Mesh.Opacity = -1;
  Case.Scene.ConstantAttenuation = std::nan("");
  EXPECT_EQ(Case.Lit()[0].Diffuse, 0x00000000u);
}

TEST(SceneLighting, LightSitsAtTheEyeSeenFromTheFrame) {
  // A frame turned a quarter about Z (local X along world Y) and moved to (1, 2, 3).
  const TMatrix4 World =
      OrientationToMatrix(MakePositionOrientation({1, 2, 3}, {0, 0, 1}, {-1, 0, 0}));
  EXPECT_NEAR(VectorDistance(LightPositionInFrame(World, {1, 3, 3}), {1, 0, 0}), 0, 1e-15);
}

} // namespace
} // namespace kestrava

#include "render/SceneLighting.h"

#include <cassert>
#include <cmath>

namespace kestrava {

namespace {

constexpr std::uint32_t White = 0x00FFFFFFu;
constexpr std::uint32_t NoFog = 255;

std::uint32_t Alpha(std::uint32_t Value) {
  return Value << 24;
}

std::uint32_t Grey(std::uint32_t Level) {
  return Level * 0x010101u;
}

// Opacity outside 0..1 would otherwise spill over the colour bits.
std::uint32_t MeshAlpha(const TGraphics3DMesh& Mesh) {
  return Mesh.Transparent ? RoundToByte(255.0 * Mesh.Opacity) : 0;
}

void CopyGeometry(const TGraphics3DVertex& In, D3DLVERTEX& Out) {
  Out.X = In.X;
  Out.Y = In.Y;
  Out.Z = In.Z;
  Out.TU = In.TU;
  // The device's texture v axis runs the other way.
  Out.TV = 1.0f - In.TV;
}

double Clamp01(double Value) {
  if (!(Value > 0)) // NaN included
    return 0;
  return Value < 1 ? Value : 1;
}

struct TLightTerms {
  double Ambient, Diffuse, Specular;
  double C0, C1, C2;
  std::uint32_t Colour; // 0x00BBGGRR
  std::uint32_t Alpha;
  bool Fog;
};

std::uint32_t LitColour(const TLightTerms& Terms, double Intensity) {
  if (Terms.Colour == White)
    return Alpha(Terms.Alpha) + Grey(RoundToByte(255.0 * Intensity));
  const std::uint32_t R = RoundToByte((Terms.Colour & 0xFF) * Intensity);
  const std::uint32_t G = RoundToByte(((Terms.Colour >> 8) & 0xFF) * Intensity);
  const std::uint32_t B = RoundToByte(((Terms.Colour >> 16) & 0xFF) * Intensity);
  return Alpha(Terms.Alpha) + (R << 16) + (G << 8) + B;
}

// Light and eye coincide, so the reflected ray meets the eye at the angle
// whose cosine is 2 cos^2 - 1; there is no shininess exponent.
std::uint32_t SpecularGrey(const TLightTerms& Terms, double Cosine, double Attenuation) {
  if (!(Terms.Specular > 0))
    return 0;
  const double Reflection = std::max(2 * Cosine * Cosine - 1, 0.0);
  return RoundToByte(255.0 * Clamp01(Terms.Specular * Reflection * Attenuation));
}

void LightPointVertices(const TGraphics3DMesh& Mesh, const TGraphics3DScene& Scene,
                        const TVector3& Light, std::span<D3DLVERTEX> Out) {
  const TLightTerms Terms{Mesh.Ambient * Scene.AmbientLevel,
                          Mesh.Diffuse * Scene.DiffuseLevel,
                          Mesh.Specular * Scene.SpecularLevel,
                          Scene.ConstantAttenuation,
                          Scene.LinearAttenuation,
                          Scene.QuadraticAttenuation,
                          Mesh.Colour,
                          MeshAlpha(Mesh),
                          Mesh.FogEnabled};
  std::uint32_t Fog = NoFog;
  const auto Vertices = Mesh.Vertices();
  for (std::size_t I = 0; I < Vertices.size(); ++I) {
    const TGraphics3DVertex& V = Vertices[I];
    D3DLVERTEX& Lit = Out[I];
    CopyGeometry(V, Lit);
    const TVector3 ToLight = SubtractVectors(Light, {V.X, V.Y, V.Z});
    const double Distance = VectorLength(ToLight);
    if (Distance == 0) {
      // A vertex in the eye has no direction to the light: it stays dark and
      // keeps the fog of the vertex before it.
      Lit.Diffuse = Alpha(Terms.Alpha);
      Lit.Specular = Alpha(Fog);
      continue;
    }
    // Both sides of a surface are lit alike; the normal is used as stored.
    const double Cosine = std::abs(DotProduct({V.NX, V.NY, V.NZ}, ToLight) / Distance);
    const double Attenuation =
        1.0 / (Terms.C0 + Terms.C1 * Distance + Terms.C2 * Distance * Distance);
    const double Intensity = Clamp01((Terms.Diffuse * Cosine + Terms.Ambient) * Attenuation);
    Lit.Diffuse = LitColour(Terms, Intensity);
    Fog = Terms.Fog ? RoundToByte(255.0 * Attenuation) : NoFog;
    Lit.Specular = Alpha(Fog) + Grey(SpecularGrey(Terms, Cosine, Attenuation));
  }
}

} // namespace

std::uint32_t RoundToByte(double Value) {
  if (!(Value > 0))
    return 0;
  if (Value >= 255)
    return 255;
  return static_cast<std::uint32_t>(std::nearbyint(Value)); // ties to even
}

TVector3 LightPositionInFrame(const TMatrix4& World, const TVector3& Eye) {
  const TVector3 Offset{Eye.X - World.M[0][3], Eye.Y - World.M[1][3], Eye.Z - World.M[2][3]};
  TVector3 Local;
  for (std::size_t Column = 0; Column < 3; ++Column)
    Local[Column] = World.M[0][Column] * Offset.X + World.M[1][Column] * Offset.Y +
                    World.M[2][Column] * Offset.Z;
  return Local;
}

void LightMeshVertices(const TGraphics3DMesh& Mesh, const TGraphics3DScene& Scene,
                       const TVector3& Light, bool Wireframe, std::span<D3DLVERTEX> Out) {
  const auto Vertices = Mesh.Vertices();
  assert(Out.size() >= Vertices.size());
  if (!Wireframe && Mesh.ShadingMode != ShadingFlat) {
    LightPointVertices(Mesh, Scene, Light, Out);
    return;
  }
  const std::uint32_t Diffuse =
      Wireframe ? White : Alpha(MeshAlpha(Mesh)) + SwapRedAndBlue(Mesh.Colour & White);
  const std::uint32_t Specular = Wireframe ? 0 : Alpha(NoFog);
  for (std::size_t I = 0; I < Vertices.size(); ++I) {
    CopyGeometry(Vertices[I], Out[I]);
    Out[I].Diffuse = Diffuse;
    Out[I].Specular = Specular;
  }
}

} // namespace kestrava

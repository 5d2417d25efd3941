#pragma once
// A triangle mesh with its material and render options, as the viewer draws it.
//
// Positions and radii in metres; colours are 0x00BBGGRR. The mesh owns its
// vertex and face arrays; it never owns its Texture. Faces hold 16-bit
// indices, so a mesh holds at most MaxMeshVertices vertices.
// Thread: user-interface thread only.

#include "geometry/Vectors.h"

#include <cstdint>
#include <memory>
#include <span>

namespace kestrava {

class TTextureImage;

// 32 bytes, the layout the viewer copies from: position, unit normal, texture.
struct TGraphics3DVertex {
  float X, Y, Z;
  float NX, NY, NZ;
  float TU, TV;
};
static_assert(sizeof(TGraphics3DVertex) == 32);

// One triangle: three indices into the mesh's vertices.
struct TGraphics3DFace {
  std::uint16_t A, B, C;
};
static_assert(sizeof(TGraphics3DFace) == 6);

inline constexpr std::int32_t MaxMeshVertices = 65536;
// Bounds the face array so that a bad count cannot ask for unbounded memory.
inline constexpr std::int32_t MaxMeshFaces = 2 * MaxMeshVertices;

// Doubles narrowed to floats. Inline: builders call these for every vertex.
inline TGraphics3DVertex MakeVertex(const TVector3& Position, const TVector3& Normal,
                                    const TVector2& TexCoord) {
  return {static_cast<float>(Position.X), static_cast<float>(Position.Y),
          static_cast<float>(Position.Z), static_cast<float>(Normal.X),
          static_cast<float>(Normal.Y),   static_cast<float>(Normal.Z),
          static_cast<float>(TexCoord.X), static_cast<float>(TexCoord.Y)};
}
inline TGraphics3DFace MakeFace(std::uint16_t A, std::uint16_t B, std::uint16_t C) {
  return {A, B, C};
}

enum TMeshType : std::int32_t {
  MeshPoints = 0,       // the vertices drawn as points
  MeshTriangleList = 2, // the faces drawn as an indexed triangle list
};

enum TShadingMode : std::int32_t {
  ShadingFlat = 0,    // unlit constant colour
  ShadingGouraud = 1, // lit per vertex
  ShadingPhong = 2,   // refused by the viewer
};

class TGraphics3DMesh {
public:
  TGraphics3DMesh() = default;
  // Copies are explicit (Assign) because a full copy and an attribute copy differ.
  TGraphics3DMesh(const TGraphics3DMesh&) = delete;
  TGraphics3DMesh& operator=(const TGraphics3DMesh&) = delete;
  TGraphics3DMesh(TGraphics3DMesh&&) = default;
  TGraphics3DMesh& operator=(TGraphics3DMesh&&) = default;
  ~TGraphics3DMesh() = default;

  std::int32_t VertexCount() const { return VertexCount_; }
  std::int32_t FaceCount() const { return FaceCount_; }
  std::span<TGraphics3DVertex> Vertices() { return {Vertices_.get(), Size(VertexCount_)}; }
  std::span<const TGraphics3DVertex> Vertices() const {
    return {Vertices_.get(), Size(VertexCount_)};
  }
  std::span<TGraphics3DFace> Faces() { return {Faces_.get(), Size(FaceCount_)}; }
  std::span<const TGraphics3DFace> Faces() const { return {Faces_.get(), Size(FaceCount_)}; }

  // Replace the array by N zeroed entries (never garbage, should a caller
  // draw before filling them). 0 <= N <= MaxMeshVertices (MaxMeshFaces), else
  // E_Qel_InvalidArg and the mesh is unchanged.
  void SetVertexCount(std::int32_t N);
  void SetFaceCount(std::int32_t N);
  // The same without zeroing, for builders that write every entry before the
  // mesh is handed to anybody; the contents are undefined until then.
  void SetVertexCountForOverwrite(std::int32_t N);
  void SetFaceCountForOverwrite(std::int32_t N);
  // Copy the first VertexCount / FaceCount entries of Source; E_Qel_InvalidArg
  // when Source is shorter.
  void SetVertices(std::span<const TGraphics3DVertex> Source);
  void SetFaces(std::span<const TGraphics3DFace> Source);

  // Copies the material and render options except FogColour, Transparent,
  // Opacity and TwoSided, which stay as they are.
  void AssignAttributes(const TGraphics3DMesh& Source);
  // AssignAttributes, then the faces and vertices: a full geometric copy.
  void Assign(const TGraphics3DMesh& Source);

  std::int32_t MeshType = MeshTriangleList;
  std::uint32_t Colour = 0xFFFFFF;
  double Ambient = 0.3;
  double Diffuse = 1.0;
  double Specular = 0.0;
  std::int32_t ShadingMode = ShadingGouraud;
  bool Textured = false;
  const TTextureImage* Texture = nullptr; // not owned; must outlive its use by a viewer
  std::int32_t PerspectiveCorrect = 2;    // any non-zero value means true
  bool WrapU = false;
  bool WrapV = false;
  bool SpecularEnabled = false;
  bool FogEnabled = false;
  std::uint32_t FogColour = 0;
  bool Transparent = false;
  double Opacity = 0.0; // alpha = round(255 * Opacity) when Transparent
  bool Dither = false;
  bool TwoSided = false; // drawn without back-face culling

private:
  static std::size_t Size(std::int32_t Count) { return static_cast<std::size_t>(Count); }

  std::int32_t VertexCount_ = 0;
  std::unique_ptr<TGraphics3DVertex[]> Vertices_;
  std::int32_t FaceCount_ = 0;
  std::unique_ptr<TGraphics3DFace[]> Faces_;
};

} // namespace kestrava

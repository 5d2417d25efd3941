#include "scene/Graphics3DMesh.h"

#include "foundation/QelExceptions.h"

#include <algorithm>

namespace kestrava {

namespace {

// Arrays are value-initialised unless the caller overwrites them at once: a
// mesh handed to a viewer before its builder finished then shows degenerate
// triangles at the origin rather than garbage.
template <class T>
std::unique_ptr<T[]> NewArray(std::int32_t Count, std::int32_t Limit, bool Zeroed) {
  if (Count < 0 || Count > Limit) {
    throw E_Qel_InvalidArg();
  }
  if (Count == 0) {
    return nullptr;
  }
  const auto Size = static_cast<std::size_t>(Count);
  return Zeroed ? std::make_unique<T[]>(Size) : std::make_unique_for_overwrite<T[]>(Size);
}

} // namespace

void TGraphics3DMesh::SetVertexCount(std::int32_t N) {
  Vertices_ = NewArray<TGraphics3DVertex>(N, MaxMeshVertices, true);
  VertexCount_ = N;
}

void TGraphics3DMesh::SetFaceCount(std::int32_t N) {
  Faces_ = NewArray<TGraphics3DFace>(N, MaxMeshFaces, true);
  FaceCount_ = N;
}

void TGraphics3DMesh::SetVertexCountForOverwrite(std::int32_t N) {
  Vertices_ = NewArray<TGraphics3DVertex>(N, MaxMeshVertices, false);
  VertexCount_ = N;
}

void TGraphics3DMesh::SetFaceCountForOverwrite(std::int32_t N) {
  Faces_ = NewArray<TGraphics3DFace>(N, MaxMeshFaces, false);
  FaceCount_ = N;
}

void TGraphics3DMesh::SetVertices(std::span<const TGraphics3DVertex> Source) {
  if (Source.size() < Size(VertexCount_)) {
    throw E_Qel_InvalidArg();
  }
  std::copy_n(Source.begin(), VertexCount_, Vertices_.get());
}

void TGraphics3DMesh::SetFaces(std::span<const TGraphics3DFace> Source) {
  if (Source.size() < Size(FaceCount_)) {
    throw E_Qel_InvalidArg();
  }
  std::copy_n(Source.begin(), FaceCount_, Faces_.get());
}

void TGraphics3DMesh::AssignAttributes(const TGraphics3DMesh& Source) {
  MeshType = Source.MeshType;
  Colour = Source.Colour;
  Ambient = Source.Ambient;
  Diffuse = Source.Diffuse;
  Specular = Source.Specular;
  ShadingMode = Source.ShadingMode;
  Textured = Source.Textured;
  Texture = Source.Texture;
  PerspectiveCorrect = Source.PerspectiveCorrect;
  WrapU = Source.WrapU;
  WrapV = Source.WrapV;
  SpecularEnabled = Source.SpecularEnabled;
  FogEnabled = Source.FogEnabled;
  Dither = Source.Dither;
}

void TGraphics3DMesh::Assign(const TGraphics3DMesh& Source) {
  if (&Source == this) {
    return;
  }
  AssignAttributes(Source);
  SetFaceCountForOverwrite(Source.FaceCount_);
  SetFaces(Source.Faces());
  SetVertexCountForOverwrite(Source.VertexCount_);
  SetVertices(Source.Vertices());
}

} // namespace kestrava

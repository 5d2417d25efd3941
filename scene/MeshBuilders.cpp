#include "scene/MeshBuilders.h"

#include "foundation/QelExceptions.h"

#include <numbers>

namespace kestrava {

namespace {

std::uint16_t Index(std::int64_t I) {
  return static_cast<std::uint16_t>(I);
}

// Validates the counts of a builder before it touches the mesh, so that a bad
// request never leaves wrapped 16-bit indices or half a mesh behind.
void RequireCounts(std::int64_t Vertices, std::int64_t Faces) {
  if (Vertices < 0 || Vertices > MaxMeshVertices || Faces < 0 || Faces > MaxMeshFaces) {
    throw E_Qel_InvalidArg();
  }
}

// The placement's local X, Up x Direction, worked out once per ring instead
// of once per vertex; the sums match OrientVector term by term.
struct TLocalAxes {
  TVector3 X, Y, Z;
  explicit TLocalAxes(const TPositionOrientation& P)
      : X(CrossProduct(P.Up, P.Direction)), Y(P.Up), Z(P.Direction) {}
  TVector3 Orient(double LX, double LY, double LZ) const {
    return {LX * X.X + LY * Y.X + LZ * Z.X, LX * X.Y + LY * Y.Y + LZ * Z.Y,
            LX * X.Z + LY * Y.Z + LZ * Z.Z};
  }
};

TGraphics3DVertex Vertex(const TVector3& Position, const TVector3& Normal) {
  return MakeVertex(Position, Normal, ZeroVector2);
}

} // namespace

TUnitCircle::TUnitCircle(std::int32_t Sides) : Sides_(Sides) {
  if (Sides < 0 || Sides > MaxBuilderSides) {
    throw E_Qel_InvalidArg();
  }
  MakeUnitCircle(Sides, Points_.data());
}

namespace {

// ZeroVertices is false only for callers that fill every vertex straight
// away and cannot fail before they have.
void LayTubeFaces(TGraphics3DMesh& Mesh, std::int32_t Sides, std::int32_t Rings, bool Reversed,
                  bool ZeroVertices) {
  if (Sides < 0 || Rings < 0) {
    throw E_Qel_InvalidArg();
  }
  if (Rings == 0) {
    return;
  }
  const std::int64_t N = Sides;
  const std::int64_t FaceCount = (std::int64_t{Rings} - 1) * 2 * N;
  RequireCounts(Rings * N, FaceCount);
  Mesh.SetFaceCountForOverwrite(static_cast<std::int32_t>(FaceCount));
  if (ZeroVertices) {
    Mesh.SetVertexCount(static_cast<std::int32_t>(Rings * N));
  } else {
    Mesh.SetVertexCountForOverwrite(static_cast<std::int32_t>(Rings * N));
  }
  // Every ring's faces are the first ring's shifted by a whole ring, so the
  // first band is laid out once and the rest copied with an offset (this
  // runs for every tube of every build). Counts are checked above, so every
  // index fits 16 bits.
  const std::span<TGraphics3DFace> Faces = Mesh.Faces();
  const std::size_t Band = 2 * static_cast<std::size_t>(Sides);
  if (Faces.empty()) {
    return;
  }
  for (std::int32_t J = 0; J < Sides; ++J) {
    const std::int32_t J1 = J + 1 == Sides ? 0 : J + 1, B = Sides;
    TGraphics3DFace* Face = &Faces[2 * static_cast<std::size_t>(J)];
    if (Reversed) {
      Face[0] = MakeFace(Index(J), Index(B + J), Index(J1));
      Face[1] = MakeFace(Index(J1), Index(B + J), Index(B + J1));
    } else {
      Face[0] = MakeFace(Index(J), Index(J1), Index(B + J));
      Face[1] = MakeFace(Index(J1), Index(B + J1), Index(B + J));
    }
  }
  for (std::size_t F = Band; F < Faces.size(); ++F) {
    const TGraphics3DFace& Below = Faces[F - Band];
    const auto Shift = static_cast<std::uint16_t>(Sides);
    Faces[F] = MakeFace(static_cast<std::uint16_t>(Below.A + Shift),
                        static_cast<std::uint16_t>(Below.B + Shift),
                        static_cast<std::uint16_t>(Below.C + Shift));
  }
}

} // namespace

void MakeTubeFaces(TGraphics3DMesh& Mesh, std::int32_t Sides, std::int32_t Rings, bool Reversed) {
  LayTubeFaces(Mesh, Sides, Rings, Reversed, true);
}

void MakeTube(TGraphics3DMesh& Mesh, std::span<const TPositionOrientation> Rings,
              const TUnitCircle& Circle, double Radius) {
  const std::int64_t RingCount = static_cast<std::int64_t>(Rings.size());
  if (RingCount > MaxMeshVertices) {
    throw E_Qel_InvalidArg();
  }
  LayTubeFaces(Mesh, Circle.Sides(), static_cast<std::int32_t>(RingCount), false, false);
  TGraphics3DVertex* Vertex = Mesh.Vertices().data();
  for (const TPositionOrientation& Ring : Rings) {
    // The unit circle lies in the local XY plane, so Direction never enters
    // a ring vertex and the radius can be applied once per ring.
    const TVector3 X = CrossProduct(Ring.Up, Ring.Direction);
    const TVector3& Y = Ring.Up;
    const TVector3 RX = ScaleVector(X, Radius), RY = ScaleVector(Y, Radius);
    const TVector3& P = Ring.Position;
    for (const TVector3& C : Circle.Points()) {
      *Vertex++ = {static_cast<float>(P.X + C.X * RX.X + C.Y * RY.X),
                   static_cast<float>(P.Y + C.X * RX.Y + C.Y * RY.Y),
                   static_cast<float>(P.Z + C.X * RX.Z + C.Y * RY.Z),
                   static_cast<float>(C.X * X.X + C.Y * Y.X),
                   static_cast<float>(C.X * X.Y + C.Y * Y.Y),
                   static_cast<float>(C.X * X.Z + C.Y * Y.Z),
                   0.0f,
                   0.0f};
    }
  }
}

void MakeSphere(TGraphics3DMesh& Mesh, const TVector3& Centre, std::int32_t Stacks,
                std::int32_t Slices, double Radius) {
  if (Stacks < 1 || Slices < 1) {
    throw E_Qel_InvalidArg();
  }
  const std::int64_t S = Stacks, L = Slices;
  RequireCounts((S + 1) * (L + 1), S * 2 * L);
  Mesh.WrapU = false;
  Mesh.WrapV = false;
  Mesh.SetFaceCountForOverwrite(static_cast<std::int32_t>(S * 2 * L));
  Mesh.SetVertexCountForOverwrite(static_cast<std::int32_t>((S + 1) * (L + 1)));

  auto Vertices = Mesh.Vertices();
  std::size_t V = 0;
  for (std::int64_t I = 0; I <= S; ++I) {
    const double Theta = std::numbers::pi * static_cast<double>(I) / static_cast<double>(S);
    const double SinTheta = std::sin(Theta), CosTheta = std::cos(Theta);
    for (std::int64_t J = 0; J <= L; ++J) {
      const double Phi = 2 * std::numbers::pi * static_cast<double>(J) / static_cast<double>(L);
      const TVector3 N{std::cos(Phi) * SinTheta, -std::sin(Phi) * SinTheta, CosTheta};
      Vertices[V++] = MakeVertex(AddVectors(Centre, ScaleVector(N, Radius)), N,
                                 {static_cast<double>(J) / static_cast<double>(L),
                                  1 - static_cast<double>(I) / static_cast<double>(S)});
    }
  }

  auto Faces = Mesh.Faces();
  std::size_t F = 0;
  for (std::int64_t I = 0; I < S; ++I) {
    for (std::int64_t J = 0; J < L; ++J) {
      const std::int64_t K = I * (L + 1) + J;
      Faces[F++] = MakeFace(Index(K), Index(K + 1), Index(K + L + 1));
      Faces[F++] = MakeFace(Index(K + 1), Index(K + L + 2), Index(K + L + 1));
    }
  }
}

void MakeDisc(TGraphics3DMesh& Mesh, std::int32_t Sides, const TPositionOrientation& Placement,
              double Radius) {
  MakeDisc(Mesh, TUnitCircle(Sides), Placement, Radius);
}

void MakeDisc(TGraphics3DMesh& Mesh, const TUnitCircle& Circle,
              const TPositionOrientation& Placement, double Radius) {
  const std::int32_t N = Circle.Sides();
  Mesh.SetFaceCountForOverwrite(N);
  Mesh.SetVertexCountForOverwrite(N + 1);
  const TLocalAxes Axes(Placement);
  auto Vertices = Mesh.Vertices();
  for (std::int32_t I = 0; I < N; ++I) {
    const TVector3& C = Circle.Points()[static_cast<std::size_t>(I)];
    const TVector3 Rim = Axes.Orient(Radius * C.X, Radius * C.Y, Radius * C.Z);
    Vertices[static_cast<std::size_t>(I)] =
        Vertex(AddVectors(Placement.Position, Rim), Placement.Direction);
  }
  Vertices[static_cast<std::size_t>(N)] = Vertex(Placement.Position, Placement.Direction);

  auto Faces = Mesh.Faces();
  const std::uint16_t Hub = Index(N);
  for (std::int32_t I = 0; I + 1 < N; ++I) {
    Faces[static_cast<std::size_t>(I)] = MakeFace(Hub, Index(I), Index(I + 1));
  }
  if (N > 0) {
    Faces[static_cast<std::size_t>(N - 1)] = MakeFace(Hub, Index(N - 1), 0);
  }
}

void MakeDome(TGraphics3DMesh& Mesh, std::int32_t Sides, std::int32_t Rings, double Radius,
              const TPositionOrientation& Placement) {
  MakeDome(Mesh, TUnitCircle(Sides), Rings, Radius, Placement);
}

void MakeDome(TGraphics3DMesh& Mesh, const TUnitCircle& Circle, std::int32_t Rings, double Radius,
              const TPositionOrientation& Placement) {
  if (Rings < 1) {
    throw E_Qel_InvalidArg();
  }
  MakeTubeFaces(Mesh, Circle.Sides(), Rings + 1, false);
  const TLocalAxes Axes(Placement);
  // The normal comes from the unit-sphere direction rather than from the
  // vertex offset, so that a zero radius (a corrupt frame) still yields a
  // drawable, degenerate dome instead of a failed normalisation.
  const double Outwards = Radius < 0 ? -1.0 : 1.0;
  auto Vertices = Mesh.Vertices();
  std::size_t V = 0;
  for (std::int32_t K = 0; K <= Rings; ++K) {
    const double Alpha = static_cast<double>(Rings - K) / Rings * (std::numbers::pi / 2);
    const double SinAlpha = std::sin(Alpha), CosAlpha = std::cos(Alpha);
    for (const TVector3& C : Circle.Points()) {
      const TVector3 Unit = Axes.Orient(SinAlpha * C.X, SinAlpha * C.Y, CosAlpha);
      const TVector3 Offset =
          Axes.Orient(Radius * SinAlpha * C.X, Radius * SinAlpha * C.Y, Radius * CosAlpha);
      Vertices[V++] = Vertex(AddVectors(Placement.Position, Offset),
                             ScaleVector(NormalizeVector(Unit), Outwards));
    }
  }
}

} // namespace kestrava

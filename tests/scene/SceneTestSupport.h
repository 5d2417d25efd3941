#pragma once
// Frames and mesh checks shared by the scene tests.

#include "geometry/Maths.h"
#include "imagerdata/ImagerFrame.h"
#include "scene/Graphics3DMesh.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

namespace kestrava::testing {

inline constexpr double Spacing = 0.05; // metres between neighbouring sensors

inline void SetSensor(TImagerFrame& Frame, int I, const TVector3& Position,
                      const TVector3& Direction) {
  const auto Slot = static_cast<std::size_t>(I);
  Frame.SensorValid[Slot] = true;
  Frame.SensorPosition[Slot] = Position;
  Frame.SensorDirection[Slot] = Direction;
}

// Count sensors Spacing apart along +X from the origin, the tip at the origin.
inline std::unique_ptr<TImagerFrame> StraightFrame(int Count = MaxSensors) {
  auto Frame = std::make_unique<TImagerFrame>();
  Frame->SensorCount = Count;
  Frame->TubeRadius = DefaultTubeRadius;
  Frame->EndoscopeValid = true;
  for (int I = 0; I < Count; ++I) {
    SetSensor(*Frame, I, {Spacing * I, 0, 0}, {1, 0, 0});
  }
  Frame->SegmentLength.fill(Spacing);
  return Frame;
}

// Sensors on a circle of radius 0.4 m in the XY plane, bending towards +Y.
inline std::unique_ptr<TImagerFrame> ArcFrame(int Count = MaxSensors) {
  auto Frame = StraightFrame(Count);
  const double Radius = 0.4, Step = 0.15;
  for (int I = 0; I < Count; ++I) {
    const double A = Step * I;
    SetSensor(*Frame, I, {Radius * std::sin(A), Radius - Radius * std::cos(A), 0},
              {std::cos(A), std::sin(A), 0});
  }
  Frame->SegmentLength.fill(Radius * Step);
  return Frame;
}

inline TVector3 PositionOf(const TGraphics3DVertex& V) {
  return {V.X, V.Y, V.Z};
}
inline TVector3 NormalOf(const TGraphics3DVertex& V) {
  return {V.NX, V.NY, V.NZ};
}

inline void ExpectNear(const TVector3& Expected, const TVector3& Actual, double Tolerance) {
  EXPECT_NEAR(Expected.X, Actual.X, Tolerance);
  EXPECT_NEAR(Expected.Y, Actual.Y, Tolerance);
  EXPECT_NEAR(Expected.Z, Actual.Z, Tolerance);
}

// Every non-degenerate face is wound so that its right-hand normal agrees
// with the vertex normals, and every index addresses a vertex.
inline void ExpectFacesWoundLikeNormals(const TGraphics3DMesh& Mesh) {
  const auto V = Mesh.Vertices();
  for (const TGraphics3DFace& F : Mesh.Faces()) {
    ASSERT_LT(std::max({F.A, F.B, F.C}), Mesh.VertexCount());
    const TVector3 A = PositionOf(V[F.A]);
    const TVector3 N = CrossProduct(SubtractVectors(PositionOf(V[F.B]), A),
                                    SubtractVectors(PositionOf(V[F.C]), A));
    if (VectorLength(N) < 1e-12) {
      continue; // collapsed triangle at a pole or apex
    }
    const TVector3 VertexNormal =
        AddThreeVectors(NormalOf(V[F.A]), NormalOf(V[F.B]), NormalOf(V[F.C]));
    EXPECT_GT(DotProduct(N, VertexNormal), 0) << "face " << F.A << " " << F.B << " " << F.C;
  }
}

} // namespace kestrava::testing

#include "render/PrimitiveSetup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <utility>

namespace kestrava {

namespace {

constexpr double SubpixelScale = 1 << TSoftwareRasterizer::SubpixelBits;
// Screen coordinates beyond this many pixels are refused; the guard band keeps
// clipped geometry well inside it, so integer edge arithmetic cannot overflow.
constexpr double ScreenLimit = 1 << 15;
constexpr double GuardPixels = 1 << 14;
// Keeps 1 / w finite for projections that do not put w above the near plane.
constexpr float MinimumW = 1e-7f;

// Outcode bits; the first PlaneCount are the clip planes in clipping order.
constexpr std::uint32_t OutNear = 1u << 0;
constexpr std::uint32_t OutFar = 1u << 1;
constexpr std::uint32_t OutW = 1u << 2;
constexpr std::uint32_t OutGuardLeft = 1u << 3;
constexpr std::uint32_t OutGuardRight = 1u << 4;
constexpr std::uint32_t OutGuardBottom = 1u << 5;
constexpr std::uint32_t OutGuardTop = 1u << 6;
constexpr std::uint32_t OutViewLeft = 1u << 7;
constexpr std::uint32_t OutViewRight = 1u << 8;
constexpr std::uint32_t OutViewBottom = 1u << 9;
constexpr std::uint32_t OutViewTop = 1u << 10;
constexpr std::uint32_t OutInvalid = 1u << 11;
constexpr std::uint32_t ClipPlanes =
    OutNear | OutFar | OutW | OutGuardLeft | OutGuardRight | OutGuardBottom | OutGuardTop;
constexpr std::uint32_t RejectPlanes =
    OutNear | OutFar | OutW | OutViewLeft | OutViewRight | OutViewBottom | OutViewTop;
constexpr std::int32_t PlaneCount = 7;

struct TGuard {
  float X, Y;
};

TGuard GuardOf(const TViewportMapping& Mapping) {
  const auto Guard = [](float Scale) {
    const double Magnitude = std::fabs(static_cast<double>(Scale));
    return static_cast<float>(Magnitude > 0 ? std::max(1.0, GuardPixels / Magnitude) : 1.0);
  };
  return {Guard(Mapping.ScaleX), Guard(Mapping.ScaleY)};
}

bool Finite(const TClipVertex& V) {
  return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z) && std::isfinite(V.W);
}

std::uint32_t Outcode(const TClipVertex& V, const TGuard& Guard) {
  if (!Finite(V)) {
    return OutInvalid;
  }
  const auto Bit = [](bool Out, std::uint32_t Which) {
    return Out ? Which : 0u;
  };
  return Bit(V.Z < 0, OutNear) | Bit(V.Z > V.W, OutFar) | Bit(V.W < MinimumW, OutW) |
         Bit(V.X < -Guard.X * V.W, OutGuardLeft) | Bit(V.X > Guard.X * V.W, OutGuardRight) |
         Bit(V.Y < -Guard.Y * V.W, OutGuardBottom) | Bit(V.Y > Guard.Y * V.W, OutGuardTop) |
         Bit(V.X < -V.W, OutViewLeft) | Bit(V.X > V.W, OutViewRight) |
         Bit(V.Y < -V.W, OutViewBottom) | Bit(V.Y > V.W, OutViewTop);
}

// Signed distance to clip plane Plane (0 .. PlaneCount - 1); inside when >= 0.
float PlaneDistance(const TClipVertex& V, std::int32_t Plane, const TGuard& Guard) {
  switch (Plane) {
  case 0:
    return V.Z;
  case 1:
    return V.W - V.Z;
  case 2:
    return V.W - MinimumW;
  case 3:
    return V.X + Guard.X * V.W;
  case 4:
    return Guard.X * V.W - V.X;
  case 5:
    return V.Y + Guard.Y * V.W;
  default:
    return Guard.Y * V.W - V.Y;
  }
}

// From Inside towards Outside; always in this direction so that both
// triangles of a shared edge compute the same point bit for bit.
TClipVertex Cut(const TClipVertex& Inside, const TClipVertex& Outside, float DistanceInside,
                float DistanceOutside) {
  const float T = DistanceInside / (DistanceInside - DistanceOutside);
  const auto L = [T](float A, float B) {
    return A + T * (B - A);
  };
  return {L(Inside.X, Outside.X),   L(Inside.Y, Outside.Y),   L(Inside.Z, Outside.Z),
          L(Inside.W, Outside.W),   L(Inside.R, Outside.R),   L(Inside.G, Outside.G),
          L(Inside.B, Outside.B),   L(Inside.A, Outside.A),   L(Inside.SR, Outside.SR),
          L(Inside.SG, Outside.SG), L(Inside.SB, Outside.SB), L(Inside.F, Outside.F),
          L(Inside.U, Outside.U),   L(Inside.V, Outside.V)};
}

// A polygon vertex; Edge tells whether the edge to the next vertex is part of
// an edge of the original triangle (wireframe draws only those).
struct TPolygonVertex {
  TClipVertex V;
  bool Edge;
};
// 3 vertices plus at most one more per plane.
constexpr std::size_t MaxPolygon = 3 + PlaneCount + 2;
using TPolygon = std::array<TPolygonVertex, MaxPolygon>;

std::int32_t ClipPolygonToPlane(const TPolygon& In, std::int32_t Count, TPolygon& Out,
                                std::int32_t Plane, const TGuard& Guard) {
  std::int32_t Written = 0;
  for (std::int32_t I = 0; I < Count; ++I) {
    const TPolygonVertex& A = In[static_cast<std::size_t>(I)];
    const TPolygonVertex& B = In[static_cast<std::size_t>((I + 1) % Count)];
    const float DA = PlaneDistance(A.V, Plane, Guard);
    const float DB = PlaneDistance(B.V, Plane, Guard);
    if (DA >= 0) {
      Out[static_cast<std::size_t>(Written++)] = A;
      if (DB < 0) {
        Out[static_cast<std::size_t>(Written++)] = {Cut(A.V, B.V, DA, DB), false};
      }
    } else if (DB >= 0) {
      Out[static_cast<std::size_t>(Written++)] = {Cut(B.V, A.V, DB, DA), A.Edge};
    }
  }
  return Written;
}

bool ProjectVertex(const TClipVertex& C, const TViewportMapping& Mapping, bool PerspectiveUV,
                   TScreenVertex& S) {
  const double Rhw = 1.0 / static_cast<double>(C.W);
  const double X = Mapping.OffsetX + Mapping.ScaleX * (C.X * Rhw);
  const double Y = Mapping.OffsetY + Mapping.ScaleY * (C.Y * Rhw);
  if (!(std::fabs(X) < ScreenLimit && std::fabs(Y) < ScreenLimit)) {
    return false;
  }
  S.FX = static_cast<std::int32_t>(std::floor(X * SubpixelScale + 0.5));
  S.FY = static_cast<std::int32_t>(std::floor(Y * SubpixelScale + 0.5));
  S.Z = static_cast<float>(Mapping.OffsetZ + Mapping.ScaleZ * (C.Z * Rhw));
  S.Rhw = static_cast<float>(Rhw);
  S.R = C.R;
  S.G = C.G;
  S.B = C.B;
  S.A = C.A;
  S.SR = C.SR;
  S.SG = C.SG;
  S.SB = C.SB;
  S.F = C.F;
  S.U = PerspectiveUV ? static_cast<float>(C.U * Rhw) : C.U;
  S.V = PerspectiveUV ? static_cast<float>(C.V * Rhw) : C.V;
  return true;
}

float Byte(std::uint32_t Colour, std::int32_t Shift) {
  return static_cast<float>((Colour >> Shift) & 0xFFu);
}

// An input vertex in the batch's clip volume. The vertex work uses it for
// every vertex and setup again for the few it clips, instead of the vertex
// work storing every result for setup to read back from another core's
// cache; kept out of line so that both get the same floats bit for bit.
[[gnu::noinline]] TClipVertex ClipVertexOf(const D3DLVERTEX& In, const TRasterBatch& Batch) {
  const auto& M = Batch.Transform;
  const double X = In.X, Y = In.Y, Z = In.Z;
  return {static_cast<float>(X * M[0][0] + Y * M[1][0] + Z * M[2][0] + M[3][0]),
          static_cast<float>(X * M[0][1] + Y * M[1][1] + Z * M[2][1] + M[3][1]),
          static_cast<float>(X * M[0][2] + Y * M[1][2] + Z * M[2][2] + M[3][2]),
          static_cast<float>(X * M[0][3] + Y * M[1][3] + Z * M[2][3] + M[3][3]),
          Byte(In.Diffuse, 16),
          Byte(In.Diffuse, 8),
          Byte(In.Diffuse, 0),
          Byte(In.Diffuse, 24),
          Byte(In.Specular, 16),
          Byte(In.Specular, 8),
          Byte(In.Specular, 0),
          Byte(In.Specular, 24),
          In.TU,
          In.TV};
}

class TSetup {
public:
  TSetup(const TRenderQueue& Queue, std::vector<TScreenPrimitive>& Output,
         std::deque<TScreenVertex>& MadeVertices, TDrawStatistics& Statistics)
      : Queue_(Queue), Output_(Output), MadeVertices_(MadeVertices), Statistics_(Statistics) {}

  void Batch(std::uint32_t BatchIndex, std::int64_t First, std::int64_t Last) {
    const TRasterBatch& B = Queue_.Batches[BatchIndex];
    Batch_ = &B;
    BatchIndex_ = BatchIndex;
    State_ = &Queue_.States[B.State];
    Mapping_ = &B.Mapping;
    Guard_ = GuardOf(B.Mapping);
    PerspectiveUV_ = State_->Textured && State_->Perspective;
    const std::uint32_t* Indices = Queue_.Indices.data() + B.FirstIndex;
    for (std::int64_t P = First; P < Last; ++P) {
      switch (B.Type) {
      case D3DPT_POINTLIST:
        Point(Indices[P]);
        break;
      case D3DPT_LINELIST:
        Line(Vertex(Indices[2 * P]), Vertex(Indices[2 * P + 1]));
        break;
      default:
        Triangle(Indices[3 * P], Indices[3 * P + 1], Indices[3 * P + 2]);
        break;
      }
    }
  }

private:
  TClipVertex Vertex(std::uint32_t Index) const {
    return ClipVertexOf(Queue_.Input[Index], *Batch_);
  }

  bool Project(const TClipVertex& C, TScreenVertex& S) const {
    return ProjectVertex(C, *Mapping_, PerspectiveUV_, S);
  }

  static std::int32_t RowOf(std::int32_t F) {
    return (F + (1 << (TSoftwareRasterizer::SubpixelBits - 1))) >>
           TSoftwareRasterizer::SubpixelBits;
  }
  // The first and last pixel rows whose centres lie within [MinF, MaxF].
  static std::int32_t FirstRow(std::int32_t MinF) {
    return -((-MinF) >> TSoftwareRasterizer::SubpixelBits);
  }
  static std::int32_t LastRow(std::int32_t MaxF) {
    return MaxF >> TSoftwareRasterizer::SubpixelBits;
  }

  // The box is inclusive: the first and last columns and rows touched.
  // Where a vertex of an emitted primitive is kept: the queue's own when it
  // is one, else a copy with the setup's vertices.
  const TScreenVertex* Keep(const TScreenVertex& V) {
    const std::less<const TScreenVertex*> Before;
    const TScreenVertex* Screen = Queue_.Screen.data();
    if (!Before(&V, Screen) && Before(&V, Screen + Queue_.Screen.size())) {
      return &V;
    }
    return &MadeVertices_.emplace_back(V);
  }

  TScreenPrimitive& Emit(TScreenKind Kind, std::int32_t MinX, std::int32_t MaxX, std::int32_t MinY,
                         std::int32_t MaxY) {
    TScreenPrimitive& P = Output_.emplace_back();
    P.Kind = Kind;
    P.Batch = BatchIndex_;
    P.MinX = MinX;
    P.MaxX = MaxX;
    P.MinY = MinY;
    P.MaxY = MaxY;
    return P;
  }

  void EmitPoint(const TScreenVertex& S) {
    const std::int32_t X = RowOf(S.FX);
    const std::int32_t Y = RowOf(S.FY);
    const TRect& Box = Mapping_->Scissor;
    if (X < Box.Left || X >= Box.Right || Y < Box.Top || Y >= Box.Bottom) {
      return;
    }
    Emit(TScreenKind::Point, X, X, Y, Y).V[0] = Keep(S);
    ++Statistics_.PointsDrawn;
  }

  void EmitLine(const TScreenVertex& A, const TScreenVertex& B) {
    const TRect& Box = Mapping_->Scissor;
    const std::int32_t MinY = std::max(RowOf(std::min(A.FY, B.FY)), Box.Top);
    const std::int32_t MaxY = std::min(RowOf(std::max(A.FY, B.FY)), Box.Bottom - 1);
    if (MinY > MaxY) {
      return;
    }
    // The pixels stepped along the minor axis are rounded from floating
    // point, so the column box keeps a pixel to spare on either side.
    const std::int32_t MinX = std::max(RowOf(std::min(A.FX, B.FX)) - 1, Box.Left);
    const std::int32_t MaxX = std::min(RowOf(std::max(A.FX, B.FX)) + 1, Box.Right - 1);
    TScreenPrimitive& P = Emit(TScreenKind::Line, MinX, MaxX, MinY, MaxY);
    P.V[0] = Keep(A);
    P.V[1] = Keep(B);
  }

  void EmitFilled(const TScreenVertex& A, const TScreenVertex& First, const TScreenVertex& Second,
                  bool Clockwise) {
    // Coverage assumes the clockwise order (positive area with y downwards).
    const TScreenVertex& B = Clockwise ? First : Second;
    const TScreenVertex& C = Clockwise ? Second : First;
    const TRect& Box = Mapping_->Scissor;
    const std::int32_t MinY = std::max(FirstRow(std::min({A.FY, B.FY, C.FY})), Box.Top);
    const std::int32_t MaxY = std::min(LastRow(std::max({A.FY, B.FY, C.FY})), Box.Bottom - 1);
    const std::int32_t MinX = std::max(FirstRow(std::min({A.FX, B.FX, C.FX})), Box.Left);
    const std::int32_t MaxX = std::min(LastRow(std::max({A.FX, B.FX, C.FX})), Box.Right - 1);
    if (MinY > MaxY || MinX > MaxX) {
      return;
    }
    TScreenPrimitive& P = Emit(TScreenKind::Triangle, MinX, MaxX, MinY, MaxY);
    P.V[0] = Keep(A);
    P.V[1] = Keep(B);
    P.V[2] = Keep(C);
    ++Statistics_.TrianglesDrawn;
  }

  static std::int64_t Cross(const TScreenVertex& A, const TScreenVertex& B,
                            const TScreenVertex& C) {
    return (static_cast<std::int64_t>(B.FX) - A.FX) * (static_cast<std::int64_t>(C.FY) - A.FY) -
           (static_cast<std::int64_t>(C.FX) - A.FX) * (static_cast<std::int64_t>(B.FY) - A.FY);
  }

  bool Culled(bool Clockwise) const {
    return (State_->Cull == D3DCULL_CW && Clockwise) || (State_->Cull == D3DCULL_CCW && !Clockwise);
  }

  void Point(std::uint32_t Index) {
    if ((Queue_.Codes[Index] & (RejectPlanes | OutInvalid | ClipPlanes)) != 0) {
      return;
    }
    EmitPoint(Queue_.Screen[Index]);
  }

  void Line(TClipVertex A, TClipVertex B) {
    const std::uint32_t CA = Outcode(A, Guard_);
    const std::uint32_t CB = Outcode(B, Guard_);
    if (((CA | CB) & OutInvalid) != 0 || (CA & CB & RejectPlanes) != 0) {
      return;
    }
    const std::uint32_t Crossed = (CA | CB) & ClipPlanes;
    for (std::int32_t Plane = 0; Plane < PlaneCount && Crossed != 0; ++Plane) {
      if ((Crossed & (1u << Plane)) == 0) {
        continue;
      }
      const float DA = PlaneDistance(A, Plane, Guard_);
      const float DB = PlaneDistance(B, Plane, Guard_);
      if (DA < 0 && DB < 0) {
        return;
      }
      if (DA < 0) {
        A = Cut(B, A, DB, DA);
      } else if (DB < 0) {
        B = Cut(A, B, DA, DB);
      }
    }
    TScreenVertex SA, SB; // NOLINT(cppcoreguidelines-pro-type-member-init): Project fills them
    if (Project(A, SA) && Project(B, SB)) {
      EmitLine(SA, SB);
    }
  }

  void Triangle(std::uint32_t IA, std::uint32_t IB, std::uint32_t IC) {
    ++Statistics_.TrianglesSubmitted;
    const std::uint32_t CA = Queue_.Codes[IA];
    const std::uint32_t CB = Queue_.Codes[IB];
    const std::uint32_t CC = Queue_.Codes[IC];
    if (((CA | CB | CC) & OutInvalid) != 0 || (CA & CB & CC & RejectPlanes) != 0) {
      ++Statistics_.TrianglesCulled;
      return;
    }
    const std::uint32_t Crossed = (CA | CB | CC) & ClipPlanes;
    if (Crossed == 0) {
      const TScreenVertex& SA = Queue_.Screen[IA];
      const TScreenVertex& SB = Queue_.Screen[IB];
      const TScreenVertex& SC = Queue_.Screen[IC];
      if (State_->Shade != D3DSHADE_FLAT && !State_->Textured) {
        UnclippedTriangle(SA, SB, SC); // the common case needs no copies
        return;
      }
      TScreenVertex S[3] = {SA, SB, SC};
      if (State_->Shade == D3DSHADE_FLAT) {
        FlatColours(S[0], S[1], S[2]);
      }
      if (State_->Textured) {
        const float Scale[3] = {PerspectiveUV_ ? S[0].Rhw : 1.0f, PerspectiveUV_ ? S[1].Rhw : 1.0f,
                                PerspectiveUV_ ? S[2].Rhw : 1.0f};
        const TClipVertex& A = Vertex(IA);
        const TClipVertex& B = Vertex(IB);
        const TClipVertex& C = Vertex(IC);
        if (State_->WrapInterpolationU) {
          S[1].U -= WrapShift(A.U, B.U) * Scale[1];
          S[2].U -= WrapShift(A.U, C.U) * Scale[2];
        }
        if (State_->WrapInterpolationV) {
          S[1].V -= WrapShift(A.V, B.V) * Scale[1];
          S[2].V -= WrapShift(A.V, C.V) * Scale[2];
        }
      }
      UnclippedTriangle(S[0], S[1], S[2]);
      return;
    }
    TClipVertex A = Vertex(IA), B = Vertex(IB), C = Vertex(IC);
    if (State_->Shade == D3DSHADE_FLAT) {
      FlatColours(A, B, C);
    }
    if (State_->Textured) {
      if (State_->WrapInterpolationU) {
        B.U -= WrapShift(A.U, B.U);
        C.U -= WrapShift(A.U, C.U);
      }
      if (State_->WrapInterpolationV) {
        B.V -= WrapShift(A.V, B.V);
        C.V -= WrapShift(A.V, C.V);
      }
    }
    ClippedTriangle(A, B, C, Crossed);
  }

  // Flat shading takes the colours of the first vertex; fog still varies.
  template <class TVertex> static void FlatColours(const TVertex& A, TVertex& B, TVertex& C) {
    for (TVertex* V : {&B, &C}) {
      V->R = A.R, V->G = A.G, V->B = A.B, V->A = A.A;
      V->SR = A.SR, V->SG = A.SG, V->SB = A.SB;
    }
  }

  // D3DWRAP_U / D3DWRAP_V: a coordinate runs the shorter way round the
  // texture, so 0.9 to 0.1 crosses 1.0 instead of going back through 0.5.
  static float WrapShift(float Reference, float Value) {
    if (!std::isfinite(Value) || !std::isfinite(Reference)) {
      return 0.0f;
    }
    return std::round(Value - Reference);
  }

  void UnclippedTriangle(const TScreenVertex& A, const TScreenVertex& B, const TScreenVertex& C) {
    const std::int64_t Area = Cross(A, B, C);
    if (Area == 0 || Culled(Area > 0)) {
      ++Statistics_.TrianglesCulled;
      return;
    }
    const bool Clockwise = Area > 0;
    switch (State_->Fill) {
    case D3DFILL_POINT:
      EmitPoint(A);
      EmitPoint(B);
      EmitPoint(C);
      break;
    case D3DFILL_WIREFRAME:
      EmitLine(A, B);
      EmitLine(B, C);
      EmitLine(C, A);
      break;
    default:
      EmitFilled(A, B, C, Clockwise);
      break;
    }
  }

  void ClippedTriangle(const TClipVertex& A, const TClipVertex& B, const TClipVertex& C,
                       std::uint32_t Crossed) {
    ++Statistics_.TrianglesClipped;
    TPolygon Polygons[2];
    Polygons[0][0] = {A, true};
    Polygons[0][1] = {B, true};
    Polygons[0][2] = {C, true};
    std::int32_t Count = 3;
    std::int32_t Current = 0;
    for (std::int32_t Plane = 0; Plane < PlaneCount && Count >= 3; ++Plane) {
      if ((Crossed & (1u << Plane)) == 0) {
        continue;
      }
      Count = ClipPolygonToPlane(Polygons[Current], Count, Polygons[1 - Current], Plane, Guard_);
      Current = 1 - Current;
    }
    if (Count < 3) {
      ++Statistics_.TrianglesCulled;
      return;
    }
    // Filled up to Count before any is read; zeroing them per polygon would
    // cost as much as the primitives' own setup (see TScreenPrimitive).
    std::array<TScreenVertex, MaxPolygon> S; // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::array<bool, MaxPolygon> Edge;       // NOLINT(cppcoreguidelines-pro-type-member-init)
    for (std::int32_t I = 0; I < Count; ++I) {
      const auto U = static_cast<std::size_t>(I);
      if (!Project(Polygons[Current][U].V, S[U])) {
        ++Statistics_.TrianglesCulled;
        return;
      }
      Edge[U] = Polygons[Current][U].Edge;
    }
    // The polygon's winding decides culling for all its pieces; a piece that
    // snapping turned round is a sliver and covers no pixel of its own.
    std::int64_t Area = 0;
    for (std::int32_t I = 1; I + 1 < Count; ++I) {
      Area += Cross(S[0], S[static_cast<std::size_t>(I)], S[static_cast<std::size_t>(I) + 1]);
    }
    if (Area == 0 || Culled(Area > 0)) {
      ++Statistics_.TrianglesCulled;
      return;
    }
    const bool Clockwise = Area > 0;
    if (State_->Fill == D3DFILL_WIREFRAME) {
      for (std::int32_t I = 0; I < Count; ++I) {
        if (Edge[static_cast<std::size_t>(I)]) {
          EmitLine(S[static_cast<std::size_t>(I)], S[static_cast<std::size_t>((I + 1) % Count)]);
        }
      }
      return;
    }
    if (State_->Fill == D3DFILL_POINT) {
      // Only the original vertices are points; cut vertices are not.
      for (std::int32_t I = 0; I < Count; ++I) {
        const auto U = static_cast<std::size_t>(I);
        const TClipVertex& V = Polygons[Current][U].V;
        if ((Outcode(V, Guard_) & RejectPlanes) == 0 && IsOriginal(V, A, B, C)) {
          EmitPoint(S[U]);
        }
      }
      return;
    }
    for (std::int32_t I = 1; I + 1 < Count; ++I) {
      const TScreenVertex& P1 = S[static_cast<std::size_t>(I)];
      const TScreenVertex& P2 = S[static_cast<std::size_t>(I) + 1];
      const std::int64_t Piece = Cross(S[0], P1, P2);
      if (Piece != 0 && (Piece > 0) == Clockwise) {
        EmitFilled(S[0], P1, P2, Clockwise);
      }
    }
  }

  static bool IsOriginal(const TClipVertex& V, const TClipVertex& A, const TClipVertex& B,
                         const TClipVertex& C) {
    const auto Same = [&V](const TClipVertex& O) {
      return V.X == O.X && V.Y == O.Y && V.Z == O.Z && V.W == O.W;
    };
    return Same(A) || Same(B) || Same(C);
  }

  const TRenderQueue& Queue_;
  std::vector<TScreenPrimitive>& Output_;
  std::deque<TScreenVertex>& MadeVertices_;
  TDrawStatistics& Statistics_;
  const TRasterBatch* Batch_ = nullptr;
  std::uint32_t BatchIndex_ = 0;
  const TRasterState* State_ = nullptr;
  const TViewportMapping* Mapping_ = nullptr;
  TGuard Guard_{1, 1};
  bool PerspectiveUV_ = false;
};

} // namespace

std::int64_t PrimitiveCount(D3DPRIMITIVETYPE Type, std::uint32_t IndexCount) {
  switch (Type) {
  case D3DPT_POINTLIST:
    return IndexCount;
  case D3DPT_LINELIST:
    return IndexCount / 2;
  default:
    return IndexCount / 3;
  }
}

namespace {

void PrepareBatchVertices(TRenderQueue& Queue, const TRasterBatch& Batch, std::size_t First,
                          std::size_t Last) {
  const TRasterState& State = Queue.States[Batch.State];
  const bool PerspectiveUV = State.Textured && State.Perspective;
  const TGuard Guard = GuardOf(Batch.Mapping);
  for (std::size_t I = First; I < Last; ++I) {
    const TClipVertex Out = ClipVertexOf(Queue.Input[I], Batch);
    std::uint32_t Code = Outcode(Out, Guard);
    if ((Code & (ClipPlanes | OutInvalid)) == 0 &&
        !ProjectVertex(Out, Batch.Mapping, PerspectiveUV, Queue.Screen[I])) {
      Code |= OutInvalid;
    }
    Queue.Codes[I] = Code;
  }
}

} // namespace

void PrepareVertices(TRenderQueue& Queue, std::size_t First, std::size_t Last) {
  for (const TRasterBatch& Batch : Queue.Batches) {
    const std::size_t From = std::max<std::size_t>(First, Batch.FirstVertex);
    const std::size_t To =
        std::min<std::size_t>(Last, std::size_t{Batch.FirstVertex} + Batch.VertexCount);
    if (From < To) {
      PrepareBatchVertices(Queue, Batch, From, To);
    }
  }
}

void SetupPrimitives(const TRenderQueue& Queue, std::int64_t First, std::int64_t Last,
                     std::vector<TScreenPrimitive>& Output, std::deque<TScreenVertex>& MadeVertices,
                     TDrawStatistics& Statistics) {
  TSetup Setup(Queue, Output, MadeVertices, Statistics);
  for (std::uint32_t B = 0; B < Queue.Batches.size() && First < Last; ++B) {
    const TRasterBatch& Batch = Queue.Batches[B];
    const std::int64_t BatchEnd = Batch.FirstPrimitive + Batch.PrimitiveCount;
    if (BatchEnd <= First) {
      continue;
    }
    const std::int64_t From = std::max(First, Batch.FirstPrimitive) - Batch.FirstPrimitive;
    const std::int64_t To = std::min(Last, BatchEnd) - Batch.FirstPrimitive;
    Setup.Batch(B, From, To);
    First = Batch.FirstPrimitive + To;
  }
}

} // namespace kestrava

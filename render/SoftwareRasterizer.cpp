#include "render/SoftwareRasterizer.h"

#include "render/MemoryFill.h"
#include "render/PrimitiveSetup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <numeric>
#include <utility>

namespace kestrava {

// ---------------------------------------------------------------------------
// The queue

void TRenderQueue::Reset() {
  // Codes and Screen keep their size: they are worked out anew
  // for every input vertex, and shrinking them would only make the next
  // frame fill them with zeros first.
  Input.clear();
  Indices.clear();
  States.clear();
  Batches.clear();
  Clears.clear();
  Commands.clear();
  Primitives = 0;
}

std::uint32_t TRenderQueue::AddState(const TRasterState& State) {
  if (States.empty() || !(States.back() == State)) {
    States.push_back(State);
  }
  return static_cast<std::uint32_t>(States.size() - 1);
}

void TRenderQueue::AddBatch(TRasterBatch Batch) {
  Batch.FirstPrimitive = Primitives;
  Batch.PrimitiveCount = PrimitiveCount(Batch.Type, Batch.IndexCount);
  Primitives += Batch.PrimitiveCount;
  Commands.push_back({false, static_cast<std::uint32_t>(Batches.size())});
  Batches.push_back(Batch);
}

void TRenderQueue::AddClear(const TRasterClear& Clear) {
  Commands.push_back({true, static_cast<std::uint32_t>(Clears.size())});
  Clears.push_back(Clear);
}

namespace {

constexpr std::int32_t Subpixels = 1 << TSoftwareRasterizer::SubpixelBits;

// ---------------------------------------------------------------------------
// Pixel arithmetic shared by every path, so that the specialised spans give
// exactly the pixels of the general one.

inline std::uint32_t ToByte(float Value) {
  Value = std::min(std::max(Value + 0.5f, 0.0f), 255.0f);
  return static_cast<std::uint32_t>(Value);
}

inline std::uint32_t Pack(float R, float G, float B, std::uint32_t Alpha) {
  return (Alpha << 24) | (ToByte(R) << 16) | (ToByte(G) << 8) | ToByte(B);
}

inline float Channel(std::uint32_t Colour, std::int32_t Shift) {
  return static_cast<float>((Colour >> Shift) & 0xFFu);
}

bool DepthPasses(D3DCMPFUNC Function, float New, float Old) {
  switch (Function) {
  case D3DCMP_NEVER:
    return false;
  case D3DCMP_LESS:
    return New < Old;
  case D3DCMP_EQUAL:
    return New == Old;
  case D3DCMP_LESSEQUAL:
    return New <= Old;
  case D3DCMP_GREATER:
    return New > Old;
  case D3DCMP_NOTEQUAL:
    return New != Old;
  case D3DCMP_GREATEREQUAL:
    return New >= Old;
  default:
    return true;
  }
}

// What one pixel receives from its primitive.
struct TFragment {
  float Z;
  float R, G, B, A;
  float SR, SG, SB, F;
  float U, V; // already divided by Rhw
};

struct TTexel {
  float R, G, B, A;
  bool Keyed;
};

// A texture coordinate made safe: finite, and for wrapping reduced to [0, 1).
inline float AddressCoordinate(float Value, bool Wrap) {
  if (!std::isfinite(Value)) {
    return 0.0f;
  }
  if (Wrap) {
    Value -= std::floor(Value);
    return Value >= 0.0f && Value < 1.0f ? Value : 0.0f;
  }
  return std::min(std::max(Value, 0.0f), 1.0f);
}

inline std::int32_t WrapIndex(std::int32_t Index, std::int32_t Size, bool Wrap) {
  if (Wrap) {
    Index %= Size;
    return Index < 0 ? Index + Size : Index;
  }
  return std::min(std::max(Index, 0), Size - 1);
}

TTexel FetchTexel(const TRasterTexture& T, std::int32_t X, std::int32_t Y) {
  const std::uint32_t Colour =
      T.Texels[static_cast<std::size_t>(Y) * static_cast<std::size_t>(T.Width) +
               static_cast<std::size_t>(X)];
  return {Channel(Colour, 16), Channel(Colour, 8), Channel(Colour, 0),
          T.HasAlpha ? Channel(Colour, 24) : 255.0f, T.HasKey && MatchesColourKey(Colour, T.Key)};
}

TTexel SamplePoint(const TRasterState& S, float U, float V) {
  const TRasterTexture& T = S.Texture;
  const float AU = AddressCoordinate(U, S.WrapAddressU);
  const float AV = AddressCoordinate(V, S.WrapAddressV);
  const std::int32_t X =
      std::min(static_cast<std::int32_t>(AU * static_cast<float>(T.Width)), T.Width - 1);
  const std::int32_t Y =
      std::min(static_cast<std::int32_t>(AV * static_cast<float>(T.Height)), T.Height - 1);
  return FetchTexel(T, X, Y);
}

// Bilinear filtering between the four texels around the sample point. Keyed
// texels take no part: the others are reweighted, and the sample counts as
// keyed when they hold less than half the weight, so keyed holes keep sharp
// edges instead of bleeding the key colour.
TTexel SampleBilinear(const TRasterState& S, float U, float V) {
  const TRasterTexture& T = S.Texture;
  const float X = AddressCoordinate(U, S.WrapAddressU) * static_cast<float>(T.Width) - 0.5f;
  const float Y = AddressCoordinate(V, S.WrapAddressV) * static_cast<float>(T.Height) - 0.5f;
  const float X0f = std::floor(X);
  const float Y0f = std::floor(Y);
  const float FX = X - X0f;
  const float FY = Y - Y0f;
  const auto X0 = static_cast<std::int32_t>(X0f);
  const auto Y0 = static_cast<std::int32_t>(Y0f);
  const std::int32_t XS[2] = {WrapIndex(X0, T.Width, S.WrapAddressU),
                              WrapIndex(X0 + 1, T.Width, S.WrapAddressU)};
  const std::int32_t YS[2] = {WrapIndex(Y0, T.Height, S.WrapAddressV),
                              WrapIndex(Y0 + 1, T.Height, S.WrapAddressV)};
  const float Weights[4] = {(1 - FX) * (1 - FY), FX * (1 - FY), (1 - FX) * FY, FX * FY};
  TTexel Sum{0, 0, 0, 0, false};
  float Total = 0;
  for (std::int32_t I = 0; I < 4; ++I) {
    const TTexel Texel = FetchTexel(T, XS[I & 1], YS[I >> 1]);
    if (Texel.Keyed) {
      continue;
    }
    Sum.R += Weights[I] * Texel.R;
    Sum.G += Weights[I] * Texel.G;
    Sum.B += Weights[I] * Texel.B;
    Sum.A += Weights[I] * Texel.A;
    Total += Weights[I];
  }
  if (Total < 0.5f) {
    return {0, 0, 0, 0, true};
  }
  if (Total < 1.0f) {
    Sum.R /= Total;
    Sum.G /= Total;
    Sum.B /= Total;
    Sum.A /= Total;
  }
  return Sum;
}

float BlendFactor(D3DBLEND Blend, float SourceAlpha) {
  switch (Blend) {
  case D3DBLEND_ZERO:
    return 0.0f;
  case D3DBLEND_SRCALPHA:
    return SourceAlpha;
  case D3DBLEND_INVSRCALPHA:
    return 1.0f - SourceAlpha;
  default:
    return 1.0f;
  }
}

// The whole fixed-function pixel pipeline: depth test, texture, colour key,
// specular add, fog, blending, writes.
void ShadePixel(const TRasterState& S, const TRasterTarget& Target, std::uint32_t* Colour,
                float* Depth, TFragment F) {
  const bool UseDepth = Depth != nullptr && S.DepthTest;
  if (UseDepth && !DepthPasses(S.DepthFunction, F.Z, *Depth)) {
    return;
  }
  float R = F.R, G = F.G, B = F.B, A = F.A;
  if (S.Textured) {
    const TTexel T = S.Bilinear ? SampleBilinear(S, F.U, F.V) : SamplePoint(S, F.U, F.V);
    if (T.Keyed && S.ColourKey) {
      return;
    }
    switch (S.TextureBlend) {
    case D3DTBLEND_DECAL:
      R = T.R, G = T.G, B = T.B;
      A = S.Texture.HasAlpha ? T.A : A;
      break;
    case D3DTBLEND_MODULATEALPHA:
      R = T.R * R / 255.0f, G = T.G * G / 255.0f, B = T.B * B / 255.0f;
      A = T.A * A / 255.0f;
      break;
    default:
      R = T.R * R / 255.0f, G = T.G * G / 255.0f, B = T.B * B / 255.0f;
      A = S.Texture.HasAlpha ? T.A : A;
      break;
    }
  }
  if (S.Specular) {
    R = std::min(R + F.SR, 255.0f);
    G = std::min(G + F.SG, 255.0f);
    B = std::min(B + F.SB, 255.0f);
  }
  if (S.Fog) {
    const float Factor = std::min(std::max(F.F / 255.0f, 0.0f), 1.0f);
    R = Factor * R + (1.0f - Factor) * Channel(S.FogColour, 16);
    G = Factor * G + (1.0f - Factor) * Channel(S.FogColour, 8);
    B = Factor * B + (1.0f - Factor) * Channel(S.FogColour, 0);
  }
  std::uint32_t Alpha = ToByte(A);
  if (S.Blend) {
    const float SourceAlpha = static_cast<float>(Alpha) / 255.0f;
    const float Fs = BlendFactor(S.SourceBlend, SourceAlpha);
    const float Fd = BlendFactor(S.DestBlend, SourceAlpha);
    const std::uint32_t Old = *Colour;
    R = R * Fs + Channel(Old, 16) * Fd;
    G = G * Fs + Channel(Old, 8) * Fd;
    B = B * Fs + Channel(Old, 0) * Fd;
    Alpha = ToByte(static_cast<float>(Alpha) * Fs + Channel(Old, 24) * Fd);
  }
  *Colour = Pack(R, G, B, Target.ColourHasAlpha ? Alpha : 255u);
  if (UseDepth && S.DepthWrite) {
    *Depth = F.Z;
  }
}

// ---------------------------------------------------------------------------
// Triangles

// An attribute as a plane over the screen: value at (X0, Y0) plus gradients.
struct TPlane {
  float Start; // at the span's first pixel
  float Dx;
  double Base, DDx, DDy;

  float At(std::int32_t X, std::int32_t Y, double X0, double Y0) const {
    return static_cast<float>(Base + DDx * (X - X0) + DDy * (Y - Y0));
  }
};

enum TAttribute : std::int32_t { AZ, ARhw, AR, AG, AB, AA, ASR, ASG, ASB, AF, AU, AV, ACount };

// The screen-vertex field of each attribute.
constexpr float TScreenVertex::*AttributeField[ACount] = {
    &TScreenVertex::Z,  &TScreenVertex::Rhw, &TScreenVertex::R,  &TScreenVertex::G,
    &TScreenVertex::B,  &TScreenVertex::A,   &TScreenVertex::SR, &TScreenVertex::SG,
    &TScreenVertex::SB, &TScreenVertex::F,   &TScreenVertex::U,  &TScreenVertex::V};

inline float AttributeOf(const TScreenVertex& V, std::int32_t A) {
  return V.*AttributeField[A];
}

// A sloping edge where it crosses a row: the pixels inside it are those with
// X >= Crossing (an edge bounding the triangle on the left) or X <= Crossing
// (on the right), Crossing = (Start + PerRow * Y) / Step. Start, PerRow and
// Step are whole numbers, and so is the numerator of every row: with screen
// coordinates limited to 2^15 pixels all stay below 2^53 and are exact in
// double. The correctly rounded quotient is then exact when it is whole and
// otherwise stays between the same two whole numbers as the true one, so its
// ceiling or floor is the exact first or last pixel.
struct TEdgeCrossing {
  double Start, PerRow, Step;
};

class TTriangleRaster {
public:
  // The edge and plane arrays are filled as they are needed; zeroing them
  // first costs per triangle.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init)
  TTriangleRaster(const TScreenPrimitive& P, const TRasterState& S, const TRasterTarget& Target,
                  bool GeneralOnly)
      : P_(P), S_(S), Target_(Target), ClampLeft_(P.MinX - 1.0), ClampRight_(P.MaxX + 1.0) {
    for (std::int32_t I = 0; I < 3; ++I) {
      AddEdge(*P.V[I], *P.V[(I + 1) % 3]);
    }
    Fast_ = !GeneralOnly && !S.Textured && !S.Blend && !S.Fog && !S.Specular &&
            (!S.DepthTest || S.DepthFunction == D3DCMP_LESSEQUAL);
  }

  // Draws the rows First .. Last (those of one band).
  // Every span is found before any is drawn: the rows' divisions are then
  // independent of each other and of the drawing, and overlap.
  void Rows(std::int32_t First, std::int32_t Last) {
    constexpr std::int32_t MaxRows = 1 << TSoftwareRasterizer::BandShift;
    const std::int32_t From = std::max({First, P_.MinY, FirstRow_});
    const std::int32_t Count = std::min({Last, P_.MaxY, LastRow_, From + MaxRows - 1}) - From + 1;
    std::array<std::int32_t, MaxRows> Lefts;  // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::array<std::int32_t, MaxRows> Rights; // NOLINT(cppcoreguidelines-pro-type-member-init)
    for (std::int32_t I = 0; I < Count; ++I) {
      Span(From + I, Lefts[static_cast<std::size_t>(I)], Rights[static_cast<std::size_t>(I)]);
    }
    for (std::int32_t I = 0; I < Count; ++I) {
      const auto Index = static_cast<std::size_t>(I);
      if (Lefts[Index] <= Rights[Index]) {
        Row(From + I, Lefts[Index], Rights[Index]);
      }
    }
  }

private:
  // The edge from A to B (clockwise on the screen), where the pixels inside
  // it are those with Dx * (256 y - AY) - Dy * (256 x - AX) >= Bias; Bias is
  // 0 on top and left edges, else 1, so that pixels on an edge shared by two
  // triangles belong to one of them.
  void AddEdge(const TScreenVertex& A, const TScreenVertex& B) {
    const std::int64_t Dx = static_cast<std::int64_t>(B.FX) - A.FX;
    const std::int64_t Dy = static_cast<std::int64_t>(B.FY) - A.FY;
    const bool TopLeft = Dy < 0 || (Dy == 0 && Dx > 0);
    const std::int64_t Bias = TopLeft ? 0 : 1;
    if (Dy == 0) {
      LimitRows(Dx, A.FY);
      return;
    }
    const TEdgeCrossing Edge{static_cast<double>(Dy * A.FX - Dx * A.FY - Bias),
                             static_cast<double>(Dx * Subpixels),
                             static_cast<double>(Dy * Subpixels)};
    if (Dy < 0) {
      LeftEdges_[LeftCount_++] = Edge;
    } else {
      RightEdges_[RightCount_++] = Edge;
    }
  }

  // A level edge bounds the rows instead: below it when it runs rightwards
  // (a top edge, its own row inside), above it when it runs leftwards (its
  // own row outside); a point-like edge lets nothing in.
  void LimitRows(std::int64_t Dx, std::int32_t AY) {
    if (Dx > 0) {
      FirstRow_ = std::max(FirstRow_, -((-AY) >> TSoftwareRasterizer::SubpixelBits));
    } else if (Dx < 0) {
      LastRow_ = std::min(LastRow_, (AY - 1) >> TSoftwareRasterizer::SubpixelBits);
    } else {
      LastRow_ = std::numeric_limits<std::int32_t>::min();
    }
  }

  // The crossing of a row, clamped to just outside the primitive's columns
  // so that it converts to an integer safely.
  double Crossing(const TEdgeCrossing& E, double Y) const {
    return std::min(std::max((E.Start + E.PerRow * Y) / E.Step, ClampLeft_), ClampRight_);
  }

  // The pixels of row Y inside all three edges: Left .. Right, none when
  // Left > Right.
  void Span(std::int32_t Y, std::int32_t& Left, std::int32_t& Right) const {
    Left = P_.MinX;
    Right = P_.MaxX;
    const auto Row = static_cast<double>(Y);
    for (std::int32_t I = 0; I < LeftCount_; ++I) {
      const double X = Crossing(LeftEdges_[I], Row);
      const auto Whole = static_cast<std::int32_t>(X); // towards zero
      Left = std::max(Left, Whole + (static_cast<double>(Whole) < X ? 1 : 0));
    }
    for (std::int32_t I = 0; I < RightCount_; ++I) {
      const double X = Crossing(RightEdges_[I], Row);
      const auto Whole = static_cast<std::int32_t>(X);
      Right = std::min(Right, Whole - (static_cast<double>(Whole) > X ? 1 : 0));
    }
  }

  // The attributes' planes, worked out when the triangle first covers a
  // pixel of the band: thin triangles often reach a band without covering
  // any pixel centre in it.
  void SetUpPlanes() {
    PlanesReady_ = true;
    X0_ = P_.V[0]->FX / static_cast<double>(Subpixels);
    Y0_ = P_.V[0]->FY / static_cast<double>(Subpixels);
    const double X1 = P_.V[1]->FX / static_cast<double>(Subpixels) - X0_;
    const double Y1 = P_.V[1]->FY / static_cast<double>(Subpixels) - Y0_;
    const double X2 = P_.V[2]->FX / static_cast<double>(Subpixels) - X0_;
    const double Y2 = P_.V[2]->FY / static_cast<double>(Subpixels) - Y0_;
    const double InverseArea = 1.0 / (X1 * Y2 - X2 * Y1);
    const auto Use = [this](std::initializer_list<std::int32_t> Attributes) {
      for (const std::int32_t A : Attributes) {
        Used_[UsedCount_++] = A;
      }
    };
    Use({AZ, AR, AG, AB});
    // Alpha shows only in a target that keeps it or through blending.
    if (Target_.ColourHasAlpha || S_.Blend) {
      Use({AA});
    } else {
      Planes_[AA] = {}; // still stepped along by the fast span, never written
    }
    if (S_.Textured) {
      Use({ARhw, AU, AV});
    }
    if (S_.Specular) {
      Use({ASR, ASG, ASB});
    }
    if (S_.Fog) {
      Use({AF});
    }
    for (std::int32_t U = 0; U < UsedCount_; ++U) {
      const std::int32_t A = Used_[U];
      const double V0 = AttributeOf(*P_.V[0], A);
      const double D1 = AttributeOf(*P_.V[1], A) - V0;
      const double D2 = AttributeOf(*P_.V[2], A) - V0;
      Planes_[A].Base = V0;
      Planes_[A].DDx = (D1 * Y2 - D2 * Y1) * InverseArea;
      Planes_[A].DDy = (D2 * X1 - D1 * X2) * InverseArea;
      Planes_[A].Dx = static_cast<float>(Planes_[A].DDx);
    }
  }

  void Row(std::int32_t Y, std::int32_t Left, std::int32_t Right) {
    if (!PlanesReady_) {
      SetUpPlanes();
    }
    for (std::int32_t U = 0; U < UsedCount_; ++U) {
      TPlane& Plane = Planes_[Used_[U]];
      Plane.Start = Plane.At(Left, Y, X0_, Y0_);
    }
    std::uint32_t* Colour = Target_.ColourRow(Y) + Left;
    float* Depth = Target_.Depth != nullptr ? Target_.DepthRow(Y) + Left : nullptr;
    const std::int32_t Count = Right - Left + 1;
    if (Fast_) {
      if (Depth != nullptr && S_.DepthTest) {
        FastSpan<true>(Colour, Depth, Count);
      } else {
        FastSpan<false>(Colour, Depth, Count);
      }
      return;
    }
    GeneralSpan(Colour, Depth, Count);
  }

  // Attributes step by repeated addition along a span, the same way on every
  // path, so that the paths agree to the bit.

  // Untextured, unblended, unfogged, no specular: depth test and colour only.
  template <bool DepthTest> void FastSpan(std::uint32_t* Colour, float* Depth, std::int32_t Count) {
    const bool WriteDepth = S_.DepthWrite;
    const bool KeepAlpha = Target_.ColourHasAlpha;
    float Z = Planes_[AZ].Start, R = Planes_[AR].Start, G = Planes_[AG].Start,
          B = Planes_[AB].Start, A = Planes_[AA].Start;
    const float DZ = Planes_[AZ].Dx, DR = Planes_[AR].Dx, DG = Planes_[AG].Dx, DB = Planes_[AB].Dx,
                DA = Planes_[AA].Dx;
    for (std::int32_t I = 0; I < Count; ++I, Z += DZ, R += DR, G += DG, B += DB, A += DA) {
      if constexpr (DepthTest) {
        if (!(Z <= Depth[I])) {
          continue;
        }
        if (WriteDepth) {
          Depth[I] = Z;
        }
      }
      Colour[I] = Pack(R, G, B, KeepAlpha ? ToByte(A) : 255u);
    }
  }

  void GeneralSpan(std::uint32_t* Colour, float* Depth, std::int32_t Count) {
    float Current[ACount] = {};
    for (std::int32_t U = 0; U < UsedCount_; ++U) {
      Current[Used_[U]] = Planes_[Used_[U]].Start;
    }
    for (std::int32_t I = 0; I < Count; ++I) {
      TFragment F{};
      F.Z = Current[AZ];
      F.R = Current[AR];
      F.G = Current[AG];
      F.B = Current[AB];
      F.A = Current[AA];
      if (S_.Specular) {
        F.SR = Current[ASR];
        F.SG = Current[ASG];
        F.SB = Current[ASB];
      }
      if (S_.Fog) {
        F.F = Current[AF];
      }
      if (S_.Textured) {
        F.U = Current[AU];
        F.V = Current[AV];
        if (S_.Perspective) {
          const float Rhw = Current[ARhw];
          F.U = Rhw != 0 ? F.U / Rhw : 0.0f;
          F.V = Rhw != 0 ? F.V / Rhw : 0.0f;
        }
      }
      ShadePixel(S_, Target_, Colour + I, Depth != nullptr ? Depth + I : nullptr, F);
      for (std::int32_t U = 0; U < UsedCount_; ++U) {
        Current[Used_[U]] += Planes_[Used_[U]].Dx;
      }
    }
  }

  const TScreenPrimitive& P_;
  const TRasterState& S_;
  const TRasterTarget& Target_;
  TEdgeCrossing LeftEdges_[3];
  TEdgeCrossing RightEdges_[3];
  std::int32_t LeftCount_ = 0;
  std::int32_t RightCount_ = 0;
  std::int32_t FirstRow_ = std::numeric_limits<std::int32_t>::min();
  std::int32_t LastRow_ = std::numeric_limits<std::int32_t>::max();
  double ClampLeft_ = 0, ClampRight_ = 0;
  // Only the planes of the attributes in Used_ are set up (and read); a
  // triangle is set up once per band it reaches, so this is kept lean.
  TPlane Planes_[ACount];
  std::int32_t Used_[ACount];
  std::int32_t UsedCount_ = 0;
  double X0_ = 0, Y0_ = 0;
  bool Fast_ = false;
  bool PlanesReady_ = false;
};

// ---------------------------------------------------------------------------
// Points and lines

TFragment FragmentBetween(const TRasterState& S, const TScreenVertex& A, const TScreenVertex& B,
                          float T) {
  const auto L = [T](float X, float Y) {
    return X + T * (Y - X);
  };
  TFragment F{L(A.Z, B.Z),   L(A.R, B.R),   L(A.G, B.G), L(A.B, B.B), L(A.A, B.A), L(A.SR, B.SR),
              L(A.SG, B.SG), L(A.SB, B.SB), L(A.F, B.F), L(A.U, B.U), L(A.V, B.V)};
  if (S.Textured && S.Perspective) {
    const float Rhw = L(A.Rhw, B.Rhw);
    F.U = Rhw != 0 ? F.U / Rhw : 0.0f;
    F.V = Rhw != 0 ? F.V / Rhw : 0.0f;
  }
  return F;
}

} // namespace

// Columns Left .. Right; empty when Left > Right.
struct TBandColumns {
  std::int32_t Left, Right;
};

// The rows of one band, First .. Last, and the columns whose colour and
// depth the band's memory holds: the others are left to the clears that
// cover the whole band, and written from them when the band is finished.
struct TBandRows {
  std::int32_t First, Last;
  TBandColumns Colour{0, std::numeric_limits<std::int32_t>::max()};
  TBandColumns Depth{0, std::numeric_limits<std::int32_t>::max()};
  bool Has(std::int32_t Y) const { return Y >= First && Y <= Last; }
};

namespace {

void PlotFragment(const TRasterState& S, const TRasterTarget& Target, std::int32_t X,
                  std::int32_t Y, const TFragment& F) {
  ShadePixel(S, Target, Target.ColourRow(Y) + X,
             Target.Depth != nullptr ? Target.DepthRow(Y) + X : nullptr, F);
}

std::int32_t NearestPixel(std::int32_t F) {
  return (F + Subpixels / 2) >> TSoftwareRasterizer::SubpixelBits;
}

void DrawPoint(const TScreenPrimitive& P, const TRasterState& S, const TRasterTarget& Target,
               const TBandRows& Band) {
  const std::int32_t Y = NearestPixel(P.V[0]->FY);
  if (!Band.Has(Y)) {
    return;
  }
  PlotFragment(S, Target, NearestPixel(P.V[0]->FX), Y, FragmentBetween(S, *P.V[0], *P.V[0], 0));
}

// Steps along the longer axis from one end pixel to the other, both drawn.
void DrawLine(const TScreenPrimitive& P, const TRasterState& S, const TRasterBatch& Batch,
              const TRasterTarget& Target, const TBandRows& Band) {
  const TScreenVertex& A = *P.V[0];
  const TScreenVertex& B = *P.V[1];
  const double AX = A.FX / static_cast<double>(Subpixels);
  const double AY = A.FY / static_cast<double>(Subpixels);
  const double DX = (B.FX - A.FX) / static_cast<double>(Subpixels);
  const double DY = (B.FY - A.FY) / static_cast<double>(Subpixels);
  const bool AlongX = std::fabs(DX) >= std::fabs(DY);
  const std::int32_t From = AlongX ? NearestPixel(A.FX) : NearestPixel(A.FY);
  const std::int32_t To = AlongX ? NearestPixel(B.FX) : NearestPixel(B.FY);
  const std::int32_t Step = To >= From ? 1 : -1;
  const double Major = AlongX ? DX : DY;
  const TRect& Box = Batch.Mapping.Scissor;
  for (std::int32_t M = From;; M += Step) {
    const double T =
        Major != 0 ? std::min(std::max(((AlongX ? M - AX : M - AY)) / Major, 0.0), 1.0) : 0.0;
    const std::int32_t N =
        static_cast<std::int32_t>(std::floor((AlongX ? AY + T * DY : AX + T * DX) + 0.5));
    const std::int32_t X = AlongX ? M : N;
    const std::int32_t Y = AlongX ? N : M;
    if (X >= Box.Left && X < Box.Right && Y >= Box.Top && Y < Box.Bottom && Band.Has(Y)) {
      PlotFragment(S, Target, X, Y, FragmentBetween(S, A, B, static_cast<float>(T)));
    }
    if (M == To) {
      break;
    }
  }
}

// The part of a clear's columns inside Kept, as the first column and a count.
std::pair<std::int32_t, std::size_t> ClearedColumns(const TRect& Rect, TBandColumns Kept) {
  const std::int32_t Left = std::max(Rect.Left, Kept.Left);
  const std::int32_t Right = std::min(Rect.Right - 1, Kept.Right);
  return {Left, Right >= Left ? static_cast<std::size_t>(Right - Left + 1) : 0};
}

void DoClear(const TRasterClear& Clear, const TRasterTarget& Target, const TBandRows& Band) {
  const auto [ColourLeft, ColourCount] = ClearedColumns(Clear.Rect, Band.Colour);
  const auto [DepthLeft, DepthCount] = ClearedColumns(Clear.Rect, Band.Depth);
  const std::int32_t Last = std::min(Clear.Rect.Bottom - 1, Band.Last);
  for (std::int32_t Y = std::max(Clear.Rect.Top, Band.First); Y <= Last; ++Y) {
    if ((Clear.Flags & D3DCLEAR_TARGET) != 0) {
      FillWords(Target.ColourRow(Y) + ColourLeft, ColourCount, Clear.Colour);
    }
    if ((Clear.Flags & D3DCLEAR_ZBUFFER) != 0 && Target.Depth != nullptr) {
      FillFloats(Target.DepthRow(Y) + DepthLeft, DepthCount, 1.0f);
    }
  }
}

// Where a band cleared before use is drawn, and what the rest of it holds.
struct TBandOutline {
  // Every column a primitive or a clear of part of the band may touch.
  TBandColumns Drawn;
  // The colour of the last clear of the whole band: the rest's colour (its
  // depth is the cleared 1).
  std::uint32_t Background = 0;
};

bool CoversBand(const TRect& Rect, const TBandRows& Band, std::int32_t Width) {
  return Rect.Left <= 0 && Rect.Right >= Width && Rect.Top <= Band.First && Rect.Bottom > Band.Last;
}

TBandOutline OutlineBand(const TRenderQueue& Queue, const TBandRows& Band, std::int32_t Width,
                         const std::vector<const TScreenPrimitive*>& Merged) {
  TBandOutline Outline{{Width, -1}, 0};
  const auto Include = [&Outline](std::int32_t Left, std::int32_t Right) {
    Outline.Drawn.Left = std::min(Outline.Drawn.Left, Left);
    Outline.Drawn.Right = std::max(Outline.Drawn.Right, Right);
  };
  for (const TScreenPrimitive* P : Merged) {
    Include(P->MinX, P->MaxX);
  }
  for (const TRasterClear& Clear : Queue.Clears) {
    if (Clear.Rect.IsEmpty() || Clear.Rect.Top > Band.Last || Clear.Rect.Bottom <= Band.First) {
      continue;
    }
    if (!CoversBand(Clear.Rect, Band, Width)) {
      Include(Clear.Rect.Left, Clear.Rect.Right - 1);
    } else if ((Clear.Flags & D3DCLEAR_TARGET) != 0) {
      Outline.Background = Clear.Colour;
    }
  }
  return Outline;
}

// Colours go to memory through the cache: the window's are read at once by
// whoever shows it (unless the window is too large to stay in the cache),
// and a kept back surface's by the labels drawn on it and the present.
// Depth is not read before the next frame, if at all, so it goes around the
// cache instead of evicting what is being drawn.

// Writes the columns From .. To - 1 of a finished row to Destination (which
// receives column From): the kept ones from Source (which holds column 0
// first), the rest as Outside. Most of a picture is background, and this
// way it is written once, from a register, instead of cleared, read back
// and copied.
template <class TValue>
void WriteRow(TValue* Destination, const TValue* Source, std::int32_t From, std::int32_t To,
              TBandColumns Kept, TValue Outside, TStores Stores) {
  const std::int32_t KeptFrom = std::clamp(Kept.Left, From, To);
  const std::int32_t KeptTo = std::clamp(Kept.Right, KeptFrom - 1, To - 1) + 1;
  FillRun(Destination, static_cast<std::size_t>(KeptFrom - From), Outside, Stores);
  CopyRun(Destination + (KeptFrom - From), Source + KeptFrom,
          static_cast<std::size_t>(KeptTo - KeptFrom), Stores);
  FillRun(Destination + (KeptTo - From), static_cast<std::size_t>(To - KeptTo), Outside, Stores);
}

// Whether the first command of the queue that touches Band clears all of it
// with Flag: the band's earlier contents of that kind are then never read.
// Merged holds the band's primitives in submission order.
bool ClearedBeforeUse(const TRenderQueue& Queue, const TBandRows& Band, std::int32_t Width,
                      std::uint32_t Flag, const std::vector<const TScreenPrimitive*>& Merged) {
  const std::uint32_t FirstDrawn = Merged.empty() ? ~0u : Merged.front()->Batch;
  for (const TRasterCommand& Command : Queue.Commands) {
    if (!Command.IsClear) {
      if (Command.Index == FirstDrawn) {
        return false;
      }
      continue;
    }
    const TRasterClear& Clear = Queue.Clears[Command.Index];
    if ((Clear.Flags & Flag) == 0 || Clear.Rect.Top > Band.Last ||
        Clear.Rect.Bottom <= Band.First) {
      continue;
    }
    return CoversBand(Clear.Rect, Band, Width);
  }
  return false;
}

// The vertices of a primitive drawn a few steps later: they were projected
// on whichever core did their run, and a load from another core's cache
// takes long enough to be worth starting early.
constexpr std::size_t PrefetchAhead = 4;

void PrefetchVertices(const std::vector<const TScreenPrimitive*>& Merged, std::size_t At) {
  if (At < Merged.size()) {
    for (const TScreenVertex* V : Merged[At]->V) {
      __builtin_prefetch(V);
    }
  }
}

// Runs of work small enough to share out evenly, large enough that claiming
// them costs nothing.
constexpr std::size_t VerticesPerChunk = 512;
constexpr std::int64_t PrimitivesPerChunk = 2048;

} // namespace

TSoftwareRasterizer::TSoftwareRasterizer(std::int32_t Threads)
    : Worker_(Threads), Scratch_(static_cast<std::size_t>(Worker_.Threads())) {}

bool TSoftwareRasterizer::Execute(TRenderQueue& Queue, const TRasterTarget& Target,
                                  TDrawStatistics& Statistics, const TExecuteOptions& Options) {
  Dropped_.clear();
  SetupChunks_ = 0;
  if (Queue.Empty()) {
    return true;
  }
  const std::size_t Vertices = Queue.Input.size();
  Queue.Codes.resize(Vertices);
  Queue.Screen.resize(Vertices);
  const auto VertexChunks =
      static_cast<std::int32_t>((Vertices + VerticesPerChunk - 1) / VerticesPerChunk);
  Worker_.Run(
      VertexChunks,
      [&](std::int32_t Chunk) {
        const std::size_t First = static_cast<std::size_t>(Chunk) * VerticesPerChunk;
        PrepareVertices(Queue, First, std::min(First + VerticesPerChunk, Vertices));
      },
      true);

  const std::int64_t Total = Queue.Primitives;
  const auto Bands = static_cast<std::size_t>((Target.Height - 1) >> BandShift) + 1;
  const auto SetupChunks =
      static_cast<std::size_t>((Total + PrimitivesPerChunk - 1) / PrimitivesPerChunk);
  if (Chunks_.size() < SetupChunks) {
    Chunks_.resize(SetupChunks);
  }
  Worker_.Run(
      static_cast<std::int32_t>(SetupChunks),
      [&](std::int32_t Index) {
        TSetupChunk& Chunk = Chunks_[static_cast<std::size_t>(Index)];
        Chunk.Primitives.clear();
        Chunk.MadeVertices.clear();
        Chunk.Statistics = {};
        const std::int64_t First = std::int64_t{Index} * PrimitivesPerChunk;
        SetupPrimitives(Queue, First, std::min(First + PrimitivesPerChunk, Total), Chunk.Primitives,
                        Chunk.MadeVertices, Chunk.Statistics);
        Chunk.Bins.resize(Bands);
        for (std::vector<std::uint32_t>& Bin : Chunk.Bins) {
          Bin.clear();
        }
        for (std::size_t I = 0; I < Chunk.Primitives.size(); ++I) {
          const auto From = static_cast<std::size_t>(Chunk.Primitives[I].MinY >> BandShift);
          const auto To = static_cast<std::size_t>(Chunk.Primitives[I].MaxY >> BandShift);
          for (std::size_t B = From; B <= To && B < Bands; ++B) {
            Chunk.Bins[B].push_back(static_cast<std::uint32_t>(I));
          }
        }
      },
      true);
  SetupChunks_ = SetupChunks;

  Dropped_.assign(Bands, 0);
  OrderBands(Bands);
  Worker_.Run(static_cast<std::int32_t>(Bands), [&](std::int32_t Index, std::int32_t Thread) {
    RasterizeBand(Queue, Target, BandOrder_[static_cast<std::size_t>(Index)], Thread, Options);
  });

  for (std::size_t C = 0; C < SetupChunks; ++C) {
    const TDrawStatistics& Part = Chunks_[C].Statistics;
    Statistics.TrianglesSubmitted += Part.TrianglesSubmitted;
    Statistics.TrianglesCulled += Part.TrianglesCulled;
    Statistics.TrianglesClipped += Part.TrianglesClipped;
    Statistics.TrianglesDrawn += Part.TrianglesDrawn;
    Statistics.PointsDrawn += Part.PointsDrawn;
  }
  return true;
}

// Bands taken busiest and emptiest in turn: an empty band is nothing but
// memory bandwidth, a busy one mostly arithmetic, and the threads overlap
// the two instead of all streaming the empty top of the picture at once.
// Each band is still drawn whole by one thread, so the pixels do not change.
void TSoftwareRasterizer::OrderBands(std::size_t Bands) {
  BandWork_.assign(Bands, 0);
  for (std::size_t C = 0; C < SetupChunks_; ++C) {
    for (std::size_t B = 0; B < Bands; ++B) {
      BandWork_[B] += Chunks_[C].Bins[B].size();
    }
  }
  std::vector<std::size_t>& Busiest = BandScratchOrder_;
  Busiest.resize(Bands);
  std::iota(Busiest.begin(), Busiest.end(), std::size_t{0});
  std::stable_sort(Busiest.begin(), Busiest.end(),
                   [this](std::size_t A, std::size_t B) { return BandWork_[A] > BandWork_[B]; });
  BandOrder_.resize(Bands);
  std::size_t From = 0, To = Bands;
  for (std::size_t I = 0; I < Bands; ++I) {
    BandOrder_[I] = I % 2 == 0 ? Busiest[From++] : Busiest[--To];
  }
}

TDroppedParts TSoftwareRasterizer::Dropped() const {
  TDroppedParts Result;
  for (const std::uint8_t Band : Dropped_) {
    Result.Colour = Result.Colour || (Band & DroppedColour) != 0;
    Result.Depth = Result.Depth || (Band & DroppedDepth) != 0;
  }
  return Result;
}

void TSoftwareRasterizer::RestoreDropped(const TRenderQueue& Queue, const TRasterTarget& Target) {
  std::vector<std::int32_t> Bands;
  for (std::size_t Band = 0; Band < Dropped_.size(); ++Band) {
    if (Dropped_[Band] != 0) {
      Bands.push_back(static_cast<std::int32_t>(Band));
    }
  }
  Worker_.Run(static_cast<std::int32_t>(Bands.size()),
              [&](std::int32_t Index, std::int32_t Thread) {
                const auto Band = static_cast<std::size_t>(Bands[static_cast<std::size_t>(Index)]);
                RestoreBand(Queue, Target, Band, Thread);
                Dropped_[Band] = 0;
              });
}

namespace {

// The band's primitives in submission order: the setup chunks hold
// consecutive runs of primitives, so their bins simply follow one another.
template <class TChunks>
void MergeBins(const TChunks& Chunks, std::size_t Count, std::size_t Band,
               std::vector<const TScreenPrimitive*>& Merged) {
  Merged.clear();
  for (std::size_t C = 0; C < Count; ++C) {
    for (const std::uint32_t Index : Chunks[C].Bins[Band]) {
      Merged.push_back(&Chunks[C].Primitives[Index]);
    }
  }
}

} // namespace

// Everything of one band, in submission order: the clears and, batch by
// batch, the primitives of every setup chunk in chunk order. Colour and depth
// go to the thread's scratch rows when the band clears them before use; the
// finished rows are then written to the target (unless they may be
// dropped) and the colours to the window.
void TSoftwareRasterizer::RasterizeBand(const TRenderQueue& Queue, const TRasterTarget& Target,
                                        std::size_t Band, std::int32_t Thread,
                                        const TExecuteOptions& Options) {
  const auto Top = static_cast<std::int32_t>(Band << BandShift);
  const std::int32_t Last = std::min(Top + (1 << BandShift), Target.Height) - 1;
  TBandScratch& Scratch = Scratch_[static_cast<std::size_t>(Thread)];
  MergeBins(Chunks_, SetupChunks_, Band, Scratch.Merged);

  const auto Width = static_cast<std::size_t>(Target.Width);
  const std::size_t Words = Width << BandShift;
  const TBandRows Rows{Top, Last};
  const bool LocalColour =
      ClearedBeforeUse(Queue, Rows, Target.Width, D3DCLEAR_TARGET, Scratch.Merged);
  const bool LocalDepth =
      Target.Depth != nullptr &&
      ClearedBeforeUse(Queue, Rows, Target.Width, D3DCLEAR_ZBUFFER, Scratch.Merged);
  // Colours can only be drawn again later when the depth they were tested
  // against is drawn again too.
  const bool DropColour =
      !Options.KeepColour && LocalColour && (Target.Depth == nullptr || LocalDepth);
  const bool DropDepth = LocalDepth && (!Options.KeepDepth || DropColour);
  TRasterTarget Local = Target;
  TBandRows Area = Rows;
  const TBandOutline Outline = LocalColour || LocalDepth
                                   ? OutlineBand(Queue, Rows, Target.Width, Scratch.Merged)
                                   : TBandOutline{};
  if (LocalColour) {
    Scratch.Colour.resize(std::max(Scratch.Colour.size(), Words));
    Local.Colour = Scratch.Colour.data();
    Local.ColourTop = Top;
    Area.Colour = Outline.Drawn;
  }
  if (LocalDepth) {
    Scratch.Depth.resize(std::max(Scratch.Depth.size(), Words));
    Local.Depth = Scratch.Depth.data();
    Local.DepthTop = Top;
    Area.Depth = Outline.Drawn;
  }

  DrawBand(Queue, Local, Area, Scratch.Merged);

  for (std::int32_t Y = Top; Y <= Last; ++Y) {
    if (LocalColour && !DropColour) {
      WriteRow(Target.ColourRow(Y), Local.ColourRow(Y), 0, Target.Width, Area.Colour,
               Outline.Background, TStores::ThroughCache);
    }
    if (LocalDepth && !DropDepth) {
      WriteRow(Target.DepthRow(Y), Local.DepthRow(Y), 0, Target.Width, Area.Depth, 1.0f,
               TStores::AroundCache);
    }
  }
  Dropped_[Band] =
      static_cast<std::uint8_t>((DropColour ? DroppedColour : 0) | (DropDepth ? DroppedDepth : 0));
  if (const TPresentRows* Present = Options.Present) {
    const TRect& From = Present->Source;
    for (std::int32_t Y = std::max(Top, From.Top); Y <= std::min(Last, From.Bottom - 1); ++Y) {
      WriteRow(Present->Destination + static_cast<std::size_t>(Y - From.Top) * Present->Pitch,
               Local.ColourRow(Y), From.Left, From.Right, Area.Colour, Outline.Background,
               Present->Stores);
    }
  }
  FinishStreamingStores();
}

// A band drawn again for what it left out: straight into the target's
// memory for that, into scratch rows for the rest (whose memory is already
// right and must stay as it is).
void TSoftwareRasterizer::RestoreBand(const TRenderQueue& Queue, const TRasterTarget& Target,
                                      std::size_t Band, std::int32_t Thread) {
  const auto Top = static_cast<std::int32_t>(Band << BandShift);
  const std::int32_t Last = std::min(Top + (1 << BandShift), Target.Height) - 1;
  TBandScratch& Scratch = Scratch_[static_cast<std::size_t>(Thread)];
  MergeBins(Chunks_, SetupChunks_, Band, Scratch.Merged);
  const std::size_t Words = static_cast<std::size_t>(Target.Width) << BandShift;
  TRasterTarget Local = Target;
  if ((Dropped_[Band] & DroppedColour) == 0) {
    Scratch.Colour.resize(std::max(Scratch.Colour.size(), Words));
    Local.Colour = Scratch.Colour.data();
    Local.ColourTop = Top;
  }
  if ((Dropped_[Band] & DroppedDepth) == 0 && Target.Depth != nullptr) {
    Scratch.Depth.resize(std::max(Scratch.Depth.size(), Words));
    Local.Depth = Scratch.Depth.data();
    Local.DepthTop = Top;
  }
  DrawBand(Queue, Local, {Top, Last}, Scratch.Merged);
}

void TSoftwareRasterizer::DrawBand(const TRenderQueue& Queue, const TRasterTarget& Band,
                                   const TBandRows& Rows,
                                   const std::vector<const TScreenPrimitive*>& Merged) const {
  std::size_t At = 0;
  for (const TRasterCommand& Command : Queue.Commands) {
    if (Command.IsClear) {
      DoClear(Queue.Clears[Command.Index], Band, Rows);
      continue;
    }
    const TRasterBatch& Batch = Queue.Batches[Command.Index];
    const TRasterState& State = Queue.States[Batch.State];
    for (; At < Merged.size() && Merged[At]->Batch == Command.Index; ++At) {
      PrefetchVertices(Merged, At + PrefetchAhead);
      const TScreenPrimitive& P = *Merged[At];
      switch (P.Kind) {
      case TScreenKind::Point:
        DrawPoint(P, State, Band, Rows);
        break;
      case TScreenKind::Line:
        DrawLine(P, State, Batch, Band, Rows);
        break;
      case TScreenKind::Triangle:
        TTriangleRaster(P, State, Band, GeneralOnly_).Rows(Rows.First, Rows.Last);
        break;
      }
    }
  }
}

} // namespace kestrava

// Pixel tests of the software device's rasterization on small surfaces.

#include "DeviceTestSupport.h"
#include "render/SoftwareDevice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace kestrava {
namespace {

using testing::Corner;
using testing::TTestDevice;
using testing::Vertex;

constexpr D3DCOLOR Grey40 = 0xFF404040u;

// Additive blending makes every extra write of a pixel visible.
void CountWrites(TTestDevice& T) {
  T.State(D3DRENDERSTATE_ZENABLE, 0);
  T.State(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  T.State(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  T.State(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
}

TEST(SoftwareRasterizer, KeepsTheNearerSurfaceInEitherOrder) {
  TTestDevice T(8, 8);
  const auto Near = Corner(8, 0xFFFF0000u, 0.2f), Far = Corner(8, 0xFF00FF00u, 0.6f);
  T.Clear();
  T.Triangles(Near);
  T.Triangles(Far);
  EXPECT_EQ(T.Pixel(2, 2), 0xFF0000u);
  EXPECT_FLOAT_EQ(T.DepthAt(2, 2), 0.2f);
  T.Clear();
  T.Triangles(Far);
  T.Triangles(Near);
  EXPECT_EQ(T.Pixel(2, 2), 0xFF0000u);
  // Without the depth test the last one drawn wins.
  T.State(D3DRENDERSTATE_ZENABLE, 0);
  T.Triangles(Far);
  EXPECT_EQ(T.Pixel(2, 2), 0x00FF00u);
}

TEST(SoftwareRasterizer, CullsByScreenWinding) {
  const std::vector<D3DLVERTEX> Clockwise = Corner(8, Grey40);
  const std::vector<D3DLVERTEX> CounterClockwise = {Clockwise[0], Clockwise[2], Clockwise[1]};
  struct TCase {
    D3DCULL Mode;
    bool ClockwiseShown, CounterClockwiseShown;
  };
  for (const TCase& C : {TCase{D3DCULL_CW, false, true}, TCase{D3DCULL_CCW, true, false},
                         TCase{D3DCULL_NONE, true, true}}) {
    TTestDevice T(8, 8);
    T.State(D3DRENDERSTATE_CULLMODE, C.Mode);
    T.Clear();
    T.Triangles(Clockwise);
    EXPECT_EQ(T.Pixel(1, 1) != 0, C.ClockwiseShown) << C.Mode;
    T.Clear();
    T.Triangles(CounterClockwise);
    EXPECT_EQ(T.Pixel(1, 1) != 0, C.CounterClockwiseShown) << C.Mode;
  }
}

TEST(SoftwareRasterizer, InterpolatesGouraudExactlyAndFlatFromTheFirstVertex) {
  TTestDevice T(256, 2);
  T.Clear();
  // A ramp whose value at pixel x is x: 0 at the left edge, 255 at x = 255.
  T.Triangles({Vertex(0, 0, 0.5f, 0xFF000000u), Vertex(255, 0, 0.5f, 0xFFFFFFFFu),
               Vertex(255, 2, 0.5f, 0xFFFFFFFFu), Vertex(0, 0, 0.5f, 0xFF000000u),
               Vertex(255, 2, 0.5f, 0xFFFFFFFFu), Vertex(0, 2, 0.5f, 0xFF000000u)});
  for (std::uint32_t X = 0; X < 255; ++X) {
    ASSERT_EQ(T.Pixel(static_cast<std::int32_t>(X), 1), X * 0x010101u) << X;
  }
  // A line draws both of its end pixels with exactly their colours.
  T.Clear();
  T.Draw(D3DPT_LINELIST, {Vertex(0, 0, 0.5f, 0xFF123456u), Vertex(200, 1, 0.5f, 0xFFABCDEFu)});
  EXPECT_EQ(T.Pixel(0, 0), 0x123456u);
  EXPECT_EQ(T.Pixel(200, 1), 0xABCDEFu);

  T.Clear();
  T.State(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  T.Triangles({Vertex(0, 0, 0.5f, 0xFF102030u), Vertex(255, 0, 0.5f, 0xFFFFFFFFu),
               Vertex(0, 2, 0.5f, 0xFF000000u)});
  EXPECT_EQ(T.Pixel(0, 0), 0x102030u);
  EXPECT_EQ(T.Pixel(100, 0), 0x102030u);
}

TEST(SoftwareRasterizer, FogsBySpecularAlphaAndAddsSpecular) {
  TTestDevice T(4, 4);
  T.State(D3DRENDERSTATE_FOGENABLE, 1);
  T.State(D3DRENDERSTATE_FOGCOLOR, 0x0000FFu);
  struct TCase {
    std::uint32_t FogAlpha, Expected;
  };
  for (const TCase& C : {TCase{255, 0xFF0000u}, TCase{0, 0x0000FFu}, TCase{128, 0x80007Fu}}) {
    T.Clear();
    T.Triangles(Corner(4, 0xFFFF0000u, 0.5f, C.FogAlpha << 24));
    EXPECT_EQ(T.Pixel(1, 1), C.Expected) << C.FogAlpha;
  }
  T.State(D3DRENDERSTATE_FOGENABLE, 0);
  T.Clear();
  T.Triangles(Corner(4, 0xFF404040u, 0.5f, 0xFF303030u));
  EXPECT_EQ(T.Pixel(1, 1), 0x404040u); // specular off: not added
  T.State(D3DRENDERSTATE_SPECULARENABLE, 1);
  T.Triangles(Corner(4, 0xFF404040u, 0.5f, 0xFF3030E0u));
  EXPECT_EQ(T.Pixel(1, 1), 0x7070FFu); // added, saturating
}

TEST(SoftwareRasterizer, BlendsBySourceAlpha) {
  TTestDevice T(4, 4);
  T.Clear(0xFFFFFF);
  T.State(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  T.State(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  T.State(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  T.Triangles(Corner(4, 0x80FF0000u));
  EXPECT_EQ(T.Pixel(1, 1), 0xFF7F7Fu);
  // Alpha 0 (a transparent mesh in wireframe) leaves the background as it was.
  T.State(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
  T.Triangles({Vertex(0, 3, 0.5f, 0x00000000u), Vertex(3, 3, 0.5f, 0x00000000u),
               Vertex(3, 0, 0.5f, 0x00000000u)});
  EXPECT_EQ(T.Pixel(3, 3), 0xFFFFFFu);
}

TEST(SoftwareRasterizer, DrawsWireframeEdgesOnly) {
  TTestDevice T(12, 12);
  T.Clear();
  T.State(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
  T.Triangles({Vertex(1, 1, 0.5f, 0xFFFFFFFFu), Vertex(10, 1, 0.5f, 0xFFFFFFFFu),
               Vertex(1, 10, 0.5f, 0xFFFFFFFFu)});
  EXPECT_EQ(T.Pixel(5, 1), 0xFFFFFFu);  // top edge
  EXPECT_EQ(T.Pixel(1, 5), 0xFFFFFFu);  // left edge
  EXPECT_EQ(T.Pixel(10, 1), 0xFFFFFFu); // end pixels are drawn
  EXPECT_EQ(T.Pixel(3, 3), 0u);         // inside stays empty
}

class TexturedQuad : public ::testing::Test {
protected:
  // An 8 x 1 strip showing U from 0 to UMax across it.
  void Draw(float UMax) {
    T.Clear(0x00FF00);
    const D3DCOLOR White = 0xFFFFFFFFu;
    T.Triangles({Vertex(-0.5f, -0.5f, 0.5f, White, 0xFF000000u, 0, 0.5f),
                 Vertex(7.5f, -0.5f, 0.5f, White, 0xFF000000u, UMax, 0.5f),
                 Vertex(7.5f, 1.5f, 0.5f, White, 0xFF000000u, UMax, 0.5f),
                 Vertex(-0.5f, -0.5f, 0.5f, White, 0xFF000000u, 0, 0.5f),
                 Vertex(7.5f, 1.5f, 0.5f, White, 0xFF000000u, UMax, 0.5f),
                 Vertex(-0.5f, 1.5f, 0.5f, White, 0xFF000000u, 0, 0.5f)});
  }
  std::vector<std::uint32_t> Row() const {
    std::vector<std::uint32_t> Result(8);
    for (std::int32_t X = 0; X < 8; ++X) {
      Result[static_cast<std::size_t>(X)] = T.Pixel(X, 0) & 0xFF;
    }
    return Result;
  }

  TTestDevice T{8, 2};
};

TEST_F(TexturedQuad, FiltersByPointOrBilinear) {
  // Two texels, black and white; colour = texture x white vertex colour.
  T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 2, 1, {0x000000, 0xFFFFFF}));
  T.Device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  Draw(1.0f);
  EXPECT_EQ(Row(), (std::vector<std::uint32_t>{0, 0, 0, 0, 255, 255, 255, 255}));
  T.Device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  Draw(1.0f);
  const auto Smooth = Row();
  EXPECT_EQ(Smooth.front(), 0u); // clamped at the ends
  EXPECT_EQ(Smooth.back(), 255u);
  for (std::size_t I = 1; I < Smooth.size(); ++I) {
    EXPECT_LE(Smooth[I - 1], Smooth[I]);
  }
  EXPECT_GT(Smooth[4], 0u);
  EXPECT_LT(Smooth[3], 255u);
}

TEST_F(TexturedQuad, WrapsOrClampsCoordinates) {
  T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 2, 1, {0x000000, 0xFFFFFF}));
  Draw(2.0f); // wrap is the default: the pattern twice
  EXPECT_EQ(Row(), (std::vector<std::uint32_t>{0, 0, 255, 255, 0, 0, 255, 255}));
  T.State(D3DRENDERSTATE_TEXTUREADDRESSU, D3DTADDRESS_CLAMP);
  Draw(2.0f);
  EXPECT_EQ(Row(), (std::vector<std::uint32_t>{0, 0, 255, 255, 255, 255, 255, 255}));
}

TEST_F(TexturedQuad, LeavesKeyedTexelsUndrawnWhenColourKeyingIsOn) {
  std::shared_ptr<IDrawSurface> Surface;
  T.Device->SetTexture(0,
                       testing::MakeTexture(*T.DirectDraw, 2, 1, {0xFF00FF, 0xFFFFFF}, &Surface));
  const TColourKey Magenta{0xFF00FF, 0xFF00FF};
  ASSERT_EQ(Surface->SetColorKey(DDCKEY_SRCBLT, &Magenta), DD_OK);
  Draw(1.0f);
  EXPECT_EQ(T.Pixel(1, 0), 0xFF00FFu); // keying off: the key colour is drawn
  T.State(D3DRENDERSTATE_COLORKEYENABLE, 1);
  Draw(1.0f);
  EXPECT_EQ(T.Pixel(1, 0), 0x00FF00u); // the background shows through
  EXPECT_EQ(T.Pixel(6, 0), 0xFFFFFFu);
}

// A perspective view of a floor running from behind the eye to far ahead.
TEST(SoftwareRasterizer, ClipsAtTheNearPlaneWithoutCracksOrStrayPixels) {
  for (const std::int32_t Threads : {1, 2}) {
    TTestDevice T(48, 40, Threads);
    // Near 0.1, far 100, 90 degrees across.
    const double N = 0.1, F = 100;
    const auto Q = static_cast<float>(F / (F - N)), QN = static_cast<float>(-N * F / (F - N));
    const TDeviceMatrix Projection{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, Q, 1}, {0, 0, QN, 0}}};
    ASSERT_EQ(T.Device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, Projection), DD_OK);
    ASSERT_EQ(T.Viewport->SetViewport2({.X = 4, .Y = 4, .Width = 40, .Height = 32}), DD_OK);
    T.Clear(0x0000FF); // cut to the viewport: the border keeps 0
    CountWrites(T);
    std::vector<D3DLVERTEX> Floor;
    const float Y = -1, Z0 = -20, Z1 = 50, X0 = -60, X1 = 60;
    for (const float X : {X0, 0.0f}) {
      const float XR = X == X0 ? 0.0f : X1;
      Floor.insert(Floor.end(),
                   {Vertex(X, Y, Z0, Grey40), Vertex(XR, Y, Z0, Grey40), Vertex(XR, Y, Z1, Grey40),
                    Vertex(X, Y, Z0, Grey40), Vertex(XR, Y, Z1, Grey40), Vertex(X, Y, Z1, Grey40)});
    }
    T.Triangles(Floor);
    for (std::int32_t Row = 0; Row < 40; ++Row) {
      for (std::int32_t Column = 0; Column < 48; ++Column) {
        const std::uint32_t P = T.Pixel(Column, Row);
        const bool InView = Column >= 4 && Column < 44 && Row >= 4 && Row < 36;
        if (!InView) {
          ASSERT_EQ(P, 0u) << Column << "," << Row;
        } else if (Row >= 21) { // below the horizon: floor, drawn exactly once
          ASSERT_EQ(P, 0x4040FFu) << Column << "," << Row;
        } else if (Row < 19) { // sky
          ASSERT_EQ(P, 0x0000FFu) << Column << "," << Row;
        }
      }
    }
  }
}

TEST(SoftwareRasterizer, DrawsPointsAtTheNearestPixelInsideTheViewOnly) {
  TTestDevice T(8, 8);
  T.Clear();
  T.Draw(D3DPT_POINTLIST, {Vertex(3.4f, 5.6f, 0.5f, 0xFFFF0000u), Vertex(9, 1, 0.5f, 0xFFFFFFFFu),
                           Vertex(1, 1, -0.5f, 0xFFFFFFFFu), Vertex(6, 2, 0.5f, 0xFF00FF00u)});
  std::int32_t Lit = 0;
  for (const std::uint32_t P : T.Pixels()) {
    Lit += P != 0 ? 1 : 0;
  }
  EXPECT_EQ(Lit, 2); // outside the view and in front of the near plane: nothing
  EXPECT_EQ(T.Pixel(3, 6), 0xFF0000u);
  EXPECT_EQ(T.Pixel(6, 2), 0x00FF00u);
}

// Many overlapping, blended, depth-tested triangles in bands of both threads.
std::vector<std::uint32_t> RandomScene(std::int32_t Threads, bool GeneralOnly, bool Blend) {
  TTestDevice T(70, 50, Threads);
  std::mt19937 Random(7);
  std::uniform_real_distribution<float> X(-10, 80), Y(-10, 60), Z(0, 1);
  std::uniform_int_distribution<std::uint32_t> Colour(0, 0xFFFFFFFFu);
  std::vector<D3DLVERTEX> Triangles(std::size_t{3} * 900);
  for (D3DLVERTEX& V : Triangles) {
    V = Vertex(X(Random), Y(Random), Z(Random), Colour(Random));
  }
  T.Clear(0x102030);
  if (Blend) {
    T.State(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    T.State(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    T.State(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  dynamic_cast<TSoftwareDevice&>(*T.Device).SetGeneralPathOnlyForTest(GeneralOnly);
  T.Triangles(Triangles);
  return T.Pixels();
}

TEST(SoftwareRasterizer, GivesTheSamePicturesOnAnyThreadCountAndOnEveryPath) {
  const auto Reference = RandomScene(1, true, false);
  EXPECT_EQ(RandomScene(1, false, false), Reference);
  const auto Blended = RandomScene(1, true, true);
  for (const std::int32_t Threads : {2, 8}) {
    EXPECT_EQ(RandomScene(Threads, false, false), Reference) << Threads;
    EXPECT_EQ(RandomScene(Threads, false, true), Blended) << Threads;
  }
}

TEST(SoftwareRasterizer, SurvivesVerticesFarAwayOrNotNumbers) {
  TTestDevice T(16, 16);
  T.Clear();
  CountWrites(T);
  const float Huge = 1e6f, NaN = std::nanf(""), Inf = std::numeric_limits<float>::infinity();
  // Two triangles far beyond the guard band that together cover everything, once.
  T.Triangles({Vertex(-Huge, -Huge, 0.5f, Grey40), Vertex(Huge, -Huge, 0.5f, Grey40),
               Vertex(Huge, Huge, 0.5f, Grey40), Vertex(-Huge, -Huge, 0.5f, Grey40),
               Vertex(Huge, Huge, 0.5f, Grey40), Vertex(-Huge, Huge, 0.5f, Grey40),
               // and triangles that are not numbers at all draw nothing
               Vertex(NaN, 1, 0.5f, Grey40), Vertex(8, 1, 0.5f, Grey40), Vertex(1, 8, 0.5f, Grey40),
               Vertex(Inf, 1, 0.5f, Grey40), Vertex(8, -Inf, 0.5f, Grey40),
               Vertex(1, 8, 0.5f, Grey40)});
  for (const std::uint32_t P : T.Pixels()) {
    ASSERT_EQ(P, 0x404040u);
  }
  // Coordinates too large to clip exactly must still stay inside the
  // surface and cover the half of it away from the diagonal they cut.
  T.Clear();
  T.Triangles({Vertex(-1e30f, -1e30f, 0.5f, Grey40), Vertex(1e30f, -1e30f, 0.5f, Grey40),
               Vertex(1e30f, 1e30f, 0.5f, Grey40)});
  EXPECT_EQ(T.Pixel(15, 0), 0x404040u);
  EXPECT_EQ(T.Pixel(0, 15), 0u);
  for (const std::uint32_t P : T.Pixels()) {
    ASSERT_TRUE(P == 0u || P == 0x404040u) << P;
  }
  T.Clear();
  T.Draw(D3DPT_LINELIST, {Vertex(NaN, 0, 0.5f, Grey40), Vertex(5, 5, 0.5f, Grey40)});
  T.Draw(D3DPT_POINTLIST, {Vertex(2, NaN, 0.5f, Grey40), Vertex(5, 5, 0.5f, Grey40)});
  const auto Pixels = T.Pixels();
  EXPECT_EQ(std::count(Pixels.begin(), Pixels.end(), 0x404040u), 1) << "only the point at (5, 5)";
  EXPECT_EQ(T.Pixel(5, 5), 0x404040u);
}

TEST_F(TexturedQuad, InterpolatesTheShorterWayRoundWhenAskedTo) {
  // Eight texels 0, 32, ... 224: u = 0.9 .. 0.1 crosses the seam with
  // D3DWRAP_U and goes back through the middle without it.
  std::vector<std::uint32_t> Ramp;
  for (std::uint32_t I = 0; I < 8; ++I) {
    Ramp.push_back(I * 32 * 0x010101u);
  }
  T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 8, 1, Ramp));
  const auto Strip = [&] {
    T.Clear();
    const D3DCOLOR White = 0xFFFFFFFFu;
    T.Triangles({Vertex(-0.5f, -0.5f, 0.5f, White, 0xFF000000u, 0.9f, 0.5f),
                 Vertex(7.5f, -0.5f, 0.5f, White, 0xFF000000u, 0.1f, 0.5f),
                 Vertex(-0.5f, 1.5f, 0.5f, White, 0xFF000000u, 0.9f, 0.5f)});
    return T.Pixel(4, 0) & 0xFF;
  };
  EXPECT_EQ(Strip(), 96u); // u = 0.45 on the way back
  T.State(D3DRENDERSTATE_WRAPU, 1);
  EXPECT_EQ(Strip(), 0u); // u = 1.0125 across the seam: the first texel
}

TEST_F(TexturedQuad, TakesTheTextureAlphaWhenModulatingAnAlphaTexture) {
  std::shared_ptr<IDrawSurface> Surface; // red, alpha 0
  T.Device->SetTexture(
      0, testing::MakeTexture(*T.DirectDraw, 1, 1, {0x00FF0000u}, &Surface, PixelFormatARGB8888));
  T.State(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  T.State(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  T.State(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Draw(1.0f); // opaque vertices, but the texel's alpha 0 wins
  EXPECT_EQ(T.Pixel(3, 0), 0x00FF00u);
  T.State(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_DECAL);
  TBltEffects Fill;
  Fill.FillColour = 0xFF0000FFu;
  ASSERT_EQ(Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &Fill), DD_OK);
  Draw(1.0f);
  EXPECT_EQ(T.Pixel(3, 0), 0x0000FFu);
}

// Whether the centre of pixel (X, Y) is covered by the triangle A, B, C
// (positions in 1/256 pixel, any winding): every edge function positive, or
// zero on a top or left edge. Pixel by pixel, independent of the spans the
// rasterizer works out row by row.
bool Covers(const std::int64_t (&P)[3][2], std::int32_t X, std::int32_t Y) {
  const std::int64_t Area =
      (P[1][0] - P[0][0]) * (P[2][1] - P[0][1]) - (P[2][0] - P[0][0]) * (P[1][1] - P[0][1]);
  if (Area == 0) {
    return false;
  }
  const int Order[3] = {0, Area > 0 ? 1 : 2, Area > 0 ? 2 : 1};
  for (int I = 0; I < 3; ++I) {
    const std::int64_t* A = P[Order[I]];
    const std::int64_t* B = P[Order[(I + 1) % 3]];
    const std::int64_t Dx = B[0] - A[0], Dy = B[1] - A[1];
    const std::int64_t E =
        Dx * (std::int64_t{256} * Y - A[1]) - Dy * (std::int64_t{256} * X - A[0]);
    const bool TopLeft = Dy < 0 || (Dy == 0 && Dx > 0);
    if (E < (TopLeft ? 0 : 1)) {
      return false;
    }
  }
  return true;
}

TEST(SoftwareRasterizer, CoversExactlyThePixelCentresInsideEachTriangle) {
  TTestDevice T(40, 40);
  std::mt19937 Random(11);
  // Positions on the subpixel grid, often on pixel centres and edges. Every
  // other triangle reaches thousands of pixels away, where an edge's
  // crossing of a row is a quotient of large numbers.
  constexpr std::int64_t Subpixels = 256;
  std::uniform_int_distribution<std::int64_t> Coordinate(-2 * Subpixels, 42 * Subpixels);
  std::uniform_int_distribution<std::int64_t> Far(-8000 * Subpixels, 8000 * Subpixels);
  std::uniform_int_distribution<int> Snap(0, 2);
  for (int Round = 0; Round < 300; ++Round) {
    std::int64_t P[3][2];
    std::vector<D3DLVERTEX> Triangle;
    for (auto& V : P) {
      for (std::int64_t& C : V) {
        C = Round % 2 == 1 && &V != &P[0] ? Far(Random) : Coordinate(Random);
        if (Snap(Random) == 0) {
          C = C / 256 * 256;
        }
      }
      Triangle.push_back(Vertex(static_cast<float>(V[0]) / 256, static_cast<float>(V[1]) / 256,
                                0.5f, 0xFFFFFFFFu));
    }
    T.Clear();
    T.Triangles(Triangle);
    const auto Pixels = T.Pixels();
    for (std::int32_t Y = 0; Y < 40; ++Y) {
      for (std::int32_t X = 0; X < 40; ++X) {
        ASSERT_EQ(Pixels[static_cast<std::size_t>(Y * 40 + X)] != 0, Covers(P, X, Y))
            << "round " << Round << " pixel " << X << "," << Y;
      }
    }
  }
}

} // namespace
} // namespace kestrava

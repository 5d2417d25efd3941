// The software device's contract: scenes, states, deferred drawing, loss,
// the viewport mapping, enumeration.

#include "DeviceTestSupport.h"
#include "render/Direct3DViewerWindow.h"
#include "render/MemorySurface.h"

#include <QPainter>

namespace kestrava {
namespace {

using testing::TTestDevice;
using testing::Vertex;

std::vector<D3DLVERTEX> RedTriangle() {
  return testing::Corner(8, 0xFFFF0000u);
}

TEST(SoftwareDevice, DrawsOnlyInsideAScene) {
  TTestDevice T(8, 8);
  EXPECT_EQ(T.Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, RedTriangle(), 0),
            D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(T.Device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(T.Device->BeginScene(), DD_OK);
  EXPECT_EQ(T.Device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(T.Device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x102, RedTriangle(), 0),
            D3DERR_INVALIDVERTEXTYPE);
  EXPECT_EQ(
      T.Device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(5), D3DFVF_LVERTEX, RedTriangle(), 0),
      D3DERR_INVALIDPRIMITIVETYPE);
  const std::vector<std::uint16_t> Outside = {0, 1, 3};
  EXPECT_EQ(
      T.Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, RedTriangle(), Outside, 0),
      DDERR_INVALIDPARAMS);
  ASSERT_EQ(T.Device->EndScene(), DD_OK);
  EXPECT_EQ(T.Pixel(1, 1), 0u); // nothing refused was drawn
}

TEST(SoftwareDevice, CopiesTheCallersDataAndDrawsByEndOfScene) {
  TTestDevice T(8, 8);
  T.Clear();
  std::vector<D3DLVERTEX> Buffer = RedTriangle();
  const std::vector<std::uint16_t> Indices = {0, 1, 2};
  ASSERT_EQ(T.Device->BeginScene(), DD_OK);
  ASSERT_EQ(T.Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, Buffer, Indices, 0),
            DD_OK);
  for (D3DLVERTEX& V : Buffer) {
    V.Diffuse = 0xFF00FF00u; // the caller reuses its buffer at once
  }
  ASSERT_EQ(T.Device->EndScene(), DD_OK);
  EXPECT_EQ(T.Pixel(1, 1), 0xFF0000u);
}

TEST(SoftwareDevice, FinishesRecordedWorkBeforeTheSurfaceIsTouched) {
  TTestDevice T(8, 8);
  T.Clear(0x0000FF); // recorded outside any scene
  QPainter* Painter = nullptr;
  ASSERT_EQ(T.Target->GetDC(Painter), DD_OK);
  EXPECT_EQ(Painter->device()->width(), 8);
  // The drawing context sees the clear, and the device may not draw meanwhile.
  ASSERT_EQ(T.Device->BeginScene(), DD_OK);
  EXPECT_EQ(T.Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, RedTriangle(), 0),
            DDERR_SURFACEBUSY);
  ASSERT_EQ(T.Target->ReleaseDC(Painter), DD_OK);
  ASSERT_EQ(T.Device->EndScene(), DD_OK);
  EXPECT_EQ(T.Pixel(7, 7), 0x0000FFu);

  // A texture changed after a draw call is sampled as it was when drawn.
  std::shared_ptr<IDrawSurface> Surface;
  T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 1, 1, {0x00FF00}, &Surface));
  ASSERT_EQ(T.Device->BeginScene(), DD_OK);
  ASSERT_EQ(T.Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX,
                                    testing::Corner(8, 0xFFFFFFFFu), 0),
            DD_OK);
  TBltEffects Effects;
  Effects.FillColour = 0xFF0000;
  ASSERT_EQ(Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &Effects), DD_OK);
  ASSERT_EQ(T.Device->EndScene(), DD_OK);
  EXPECT_EQ(T.Pixel(1, 1), 0x00FF00u);
}

TEST(SoftwareDevice, RefusesScenesWhileItsSurfacesAreLost) {
  TTestDevice T(8, 8);
  dynamic_cast<TMemorySurface&>(*T.Depth).MarkLost();
  EXPECT_EQ(T.Device->BeginScene(), DDERR_SURFACELOST);
  ASSERT_EQ(T.Depth->Restore(), DD_OK);
  ASSERT_EQ(T.Device->BeginScene(), DD_OK);
  ASSERT_EQ(T.Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, RedTriangle(), 0), DD_OK);
  dynamic_cast<TMemorySurface&>(*T.Target).MarkLost();
  EXPECT_EQ(T.Device->EndScene(), DDERR_SURFACELOST);
  ASSERT_EQ(T.Target->Restore(), DD_OK);
  EXPECT_EQ(T.Pixel(1, 1), 0u); // restored memory is cleared, not drawn into
  T.Clear();
  T.Triangles(RedTriangle());
  EXPECT_EQ(T.Pixel(1, 1), 0xFF0000u);
}

TEST(SoftwareDevice, RefusesUnknownStatesAndValues) {
  TTestDevice T(2, 2);
  std::uint32_t Value = 0;
  EXPECT_EQ(T.Device->SetRenderState(D3DRENDERSTATE_SRCBLEND, 3), DDERR_INVALIDPARAMS);
  EXPECT_EQ(T.Device->SetRenderState(D3DRENDERSTATE_LAST_, 1), DDERR_INVALIDPARAMS);
  EXPECT_EQ(T.Device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTFG_LINEAR),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(T.Device->SetTextureStageState(0, D3DTSS_MIPFILTER, 2), DDERR_INVALIDPARAMS);
  // The single address and wrap states are views of the newer ones.
  ASSERT_EQ(T.Device->SetRenderState(D3DRENDERSTATE_TEXTUREADDRESSV, D3DTADDRESS_CLAMP), DD_OK);
  T.Device->GetTextureStageState(0, D3DTSS_ADDRESSV, Value);
  EXPECT_EQ(Value, static_cast<std::uint32_t>(D3DTADDRESS_CLAMP));
  ASSERT_EQ(T.Device->SetRenderState(D3DRENDERSTATE_WRAPV, 1), DD_OK);
  T.Device->GetRenderState(D3DRENDERSTATE_WRAP0, Value);
  EXPECT_EQ(Value, D3DWRAP_V);
  // The depth test starts on because the target had a depth buffer.
  T.Device->GetRenderState(D3DRENDERSTATE_ZENABLE, Value);
  EXPECT_EQ(Value, 1u);
}

TEST(SoftwareDevice, MapsThroughTheViewportLikeTheDrawing) {
  TTestDevice T(200, 100);
  // The viewer's parallel set-up: ScaleX = 2, ScaleY = 1.
  ASSERT_EQ(T.Viewport->SetViewport2({.Width = 200,
                                      .Height = 100,
                                      .ClipX = -0.5f,
                                      .ClipY = 1,
                                      .ClipWidth = 1,
                                      .ClipHeight = 2}),
            DD_OK);
  ASSERT_EQ(T.Device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, TDeviceMatrix{}), DD_OK);
  TDeviceMatrix World;
  World.M[3][0] = 0.25f; // a translation in the fourth row
  ASSERT_EQ(T.Device->SetTransform(D3DTRANSFORMSTATE_WORLD, World), DD_OK);
  std::vector<TTransformVertex> Points = {{0, 0, 0.5f, 0}, {0.25f, 1, 0, 0}};
  std::uint32_t OffScreen = 99;
  ASSERT_EQ(T.Viewport->TransformVertices(Points, D3DTRANSFORM_UNCLIPPED, OffScreen), DD_OK);
  EXPECT_EQ(OffScreen, 0u);
  // x = W/2 (1 + ScaleX x), y = H/2 (1 - ScaleY y)
  EXPECT_FLOAT_EQ(Points[0].X, 150);
  EXPECT_FLOAT_EQ(Points[0].Y, 50);
  EXPECT_FLOAT_EQ(Points[0].Z, 0.5f);
  EXPECT_FLOAT_EQ(Points[0].Rhw, 1);
  EXPECT_FLOAT_EQ(Points[1].X, 200);
  EXPECT_FLOAT_EQ(Points[1].Y, 0);
  std::vector<TTransformVertex> Away = {{5, 0, 0.5f, 0}, {6, 0.5f, 0.5f, 0}};
  ASSERT_EQ(T.Viewport->TransformVertices(Away, D3DTRANSFORM_CLIPPED, OffScreen), DD_OK);
  EXPECT_NE(OffScreen, 0u);

  // The drawing agrees: a point at the mapped position lights that pixel.
  T.Clear();
  T.Draw(D3DPT_POINTLIST, {Vertex(0, 0, 0.5f, 0xFFFFFFFFu)});
  EXPECT_EQ(T.Pixel(150, 50), 0xFFFFFFu);
}

TEST(SoftwareDevice, ClearsToTheBackgroundWithinTheViewport) {
  TTestDevice T(6, 4);
  ASSERT_EQ(T.Viewport->SetViewport2({.X = 2, .Width = 4, .Height = 4}), DD_OK);
  TMaterial M;
  M.Diffuse = {255 / 256.0f, 0.5f, 0, 0};
  T.Background->SetMaterial(M);
  const TRect All{0, 0, 6, 4};
  ASSERT_EQ(T.Viewport->Clear({&All, 1}, D3DCLEAR_TARGET), DD_OK);
  EXPECT_EQ(T.Pixel(1, 1), 0u);
  EXPECT_EQ(T.Pixel(2, 1), 0xFE8000u); // 255/256 of full red is 254
  std::shared_ptr<I3DViewport> Loose;
  ASSERT_EQ(T.Direct3D->CreateViewport(Loose), DD_OK);
  EXPECT_EQ(Loose->Clear({&All, 1}, D3DCLEAR_TARGET), D3DERR_VIEWPORTHASNODEVICE);
}

TEST(DeviceEnumeration, OffersThePrimaryDriverFirstAndTheSoftwareDevice) {
  std::vector<bool> HasGuid;
  DirectDrawEnumerate([&](const TGuid* Guid, std::string_view, std::string_view) {
    HasGuid.push_back(Guid != nullptr);
    return true;
  });
  ASSERT_FALSE(HasGuid.empty());
  EXPECT_FALSE(HasGuid.front());
  const TGuid Unknown{1, 2, 3, {4}};
  std::shared_ptr<IDirectDrawLayer> DirectDraw;
  EXPECT_EQ(DirectDrawCreate(&Unknown, DirectDraw), DDERR_INVALIDDIRECTDRAWGUID);

  ASSERT_EQ(DirectDrawCreate(nullptr, DirectDraw, {.ExtraTextureCaps = D3DPTEXTURECAPS_POW2}),
            DD_OK);
  std::shared_ptr<IDirect3DLayer> Direct3D;
  ASSERT_EQ(DirectDraw->QueryDirect3D(Direct3D), DD_OK);
  std::int32_t Software = 0;
  Direct3D->EnumDevices([&](const TGuid& Guid, std::string_view, std::string_view,
                            const TDeviceDescription& Hardware, const TDeviceDescription& Soft) {
    if (Guid == IID_IDirect3DRGBDevice) {
      ++Software;
      EXPECT_EQ(Hardware.Flags, 0u); // what makes it a software device
      // RGB Gouraud at 32 bits is what every viewer test draws with.
      EXPECT_NE(Soft.RenderBitDepth & DDBD_16, 0u);
      EXPECT_NE(Soft.TriangleCaps.TextureCaps & D3DPTEXTURECAPS_POW2, 0u);
      EXPECT_EQ(Soft.TriangleCaps.RasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR, 0u);
    }
    return true;
  });
  EXPECT_EQ(Software, 1);
  TFindDeviceResult Found;
  EXPECT_EQ(Direct3D->FindDevice({D3DFDS_GUID, IID_IDirect3DRGBDevice}, Found), DD_OK);
  EXPECT_EQ(Direct3D->FindDevice({D3DFDS_GUID, IID_IDirect3DNullDevice}, Found), DDERR_NOTFOUND);
  std::vector<TPixelFormat> Depths;
  Direct3D->EnumZBufferFormats(IID_IDirect3DRGBDevice, [&](const TPixelFormat& F) {
    Depths.push_back(F);
    return true;
  });
  ASSERT_FALSE(Depths.empty());
  EXPECT_EQ(Depths.front().Flags, DDPF_ZBUFFER);
}

TEST(DeviceEnumeration, PretendsAnOlderPlatformWhenAsked) {
  std::shared_ptr<IDirectDrawLayer> DirectDraw;
  ASSERT_EQ(
      DirectDrawCreate(nullptr, DirectDraw, {.DisplayBitsPerPixel = 8, .OfferVersion6 = false}),
      DD_OK);
  EXPECT_EQ(DirectDraw->QueryDirectDraw4(), E_NOINTERFACE);
  std::shared_ptr<IDirect3DLayer> Direct3D;
  EXPECT_EQ(DirectDraw->QueryDirect3D(Direct3D), E_NOINTERFACE);
  TSurfaceDescription Mode;
  ASSERT_EQ(DirectDraw->GetDisplayMode(Mode), DD_OK);
  EXPECT_EQ(Mode.PixelFormat.BitCount, 8u);
}

// A depth-tested scene over several bands, drawn in two scenes of which the
// second draws on without clearing. The first scene is cleared twice (the
// second colour counts) and clears a part of the right; everything is drawn
// on the left, so that most pixels of each band are left to the clears.
struct TBandedPicture {
  std::vector<std::uint32_t> FirstScene, Window, Back, Depth;
  friend bool operator==(const TBandedPicture&, const TBandedPicture&) = default;
};

// A window that says it is too large to stay in the cache, as a wide screen's
// is: presents write it around the cache.
class TOutsizedWindow final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IPresentTarget {
public:
  explicit TOutsizedWindow(TOffscreenViewerWindow& Window) : Window_(Window) {}
  void Present(const QImage& Source, const TRect& From, const TRect& To) override {
    Window_.Present(Source, From, To);
  }
  std::optional<TWindowMemory> DirectMemory() override {
    std::optional<TWindowMemory> Memory = Window_.DirectMemory();
    Memory->OutgrowsCache = true;
    return Memory;
  }

private:
  TOffscreenViewerWindow& Window_;
};

TBandedPicture DrawBanded(std::int32_t Threads, bool Present, bool Outsized = false) {
  constexpr std::int32_t W = 61, H = 45;
  testing::TTestDevice T(W, H, Threads);
  TOffscreenViewerWindow Window(W, H);
  TOutsizedWindow OutsizedWindow(Window);
  std::shared_ptr<IDrawSurface> Primary;
  std::shared_ptr<IDrawClipper> Clipper;
  TSurfaceDescription D;
  D.Flags = DDSD_CAPS;
  D.Caps.Caps = DDSCAPS_PRIMARYSURFACE;
  EXPECT_EQ(T.DirectDraw->CreateSurface(D, Primary), DD_OK);
  EXPECT_EQ(T.DirectDraw->CreateClipper(0, Clipper), DD_OK);
  Clipper->SetWindow(Outsized ? static_cast<IPresentTarget*>(&OutsizedWindow) : &Window);
  Primary->SetClipper(Clipper);
  const TRect All{0, 0, W, H};
  std::vector<D3DLVERTEX> Triangles;
  for (std::uint32_t I = 0; I < 60; ++I) {
    const auto F = [&](std::uint32_t K, float Range) {
      return static_cast<float>((I * 7919u + K * 104729u) % 1000u) / 1000.0f * Range;
    };
    for (std::uint32_t K = 0; K < 3; ++K) {
      Triangles.push_back(testing::Vertex((F(3 * K, W + 10) - 5) / 3, F(3 * K + 1, H + 10) - 5,
                                          F(3 * K + 2, 1), I * 0x030507u | 0xFF000000u));
    }
  }
  const auto Half = static_cast<std::ptrdiff_t>(Triangles.size() / 2);
  T.Clear(0x405060);
  T.Clear(0x203040);
  T.Triangles({Triangles.begin(), Triangles.begin() + Half});
  TMaterial Red;
  Red.Diffuse = {1, 0, 0, 0};
  T.Background->SetMaterial(Red);
  const TRect Part{2 * W / 3, H / 4, W - 4, H / 2};
  EXPECT_EQ(T.Viewport->Clear({&Part, 1}, D3DCLEAR_TARGET), DD_OK);
  const auto Shown = [&] {
    std::vector<std::uint32_t> Pixels;
    for (std::int32_t Y = 0; Y < H; ++Y) {
      for (std::int32_t X = 0; X < W; ++X) {
        Pixels.push_back(Window.Picture().pixel(X, Y) & 0xFFFFFFu);
      }
    }
    return Pixels;
  };
  TBandedPicture Result;
  if (Present) { // drawn band by band into the window
    EXPECT_EQ(Primary->Blt(&All, T.Target.get(), &All, DDBLT_WAIT, nullptr), DD_OK);
    Result.FirstScene = Shown();
  } else {
    Result.FirstScene = T.Pixels();
  }
  T.Triangles({Triangles.begin() + Half, Triangles.end()}); // no clear: reads the depth
  EXPECT_EQ(Primary->Blt(&All, T.Target.get(), &All, DDBLT_WAIT, nullptr), DD_OK);
  Result.Window = Shown();
  // Nothing left to draw: copied from the back surface this time.
  EXPECT_EQ(Primary->Blt(&All, T.Target.get(), &All, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Shown(), Result.Window);
  for (std::int32_t Y = 0; Y < H; ++Y) {
    for (std::int32_t X = 0; X < W; ++X) {
      Result.Depth.push_back(static_cast<std::uint32_t>(T.DepthAt(X, Y) * 1e6f));
    }
  }
  Result.Back = T.Pixels();
  EXPECT_EQ(Result.Window, Result.Back);
  return Result;
}

TEST(SoftwareDevice, PresentingDrawsTheSamePixelsOnAnyThreadCountAndKeepsDepthReadable) {
  const TBandedPicture Reference = DrawBanded(1, false);
  for (const std::int32_t Threads : {1, 2, 8}) {
    EXPECT_EQ(DrawBanded(Threads, true), Reference) << Threads << " threads";
  }
  EXPECT_EQ(DrawBanded(2, true, true), Reference) << "written around the cache";
}

} // namespace
} // namespace kestrava

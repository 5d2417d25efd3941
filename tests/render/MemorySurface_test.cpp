// Blits, colour keys, locks, the drawing context and loss of surface memory.

#include "DeviceTestSupport.h"
#include "render/MemorySurface.h"

#include <QImage>
#include <QPainter>

namespace kestrava {
namespace {

class DrawSurface : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(DirectDrawCreate(nullptr, DirectDraw), DD_OK);
    ASSERT_EQ(DirectDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  }

  std::shared_ptr<IDrawSurface> Make(std::int32_t Width, std::int32_t Height,
                                     std::uint32_t Caps = DDSCAPS_OFFSCREENPLAIN) {
    TSurfaceDescription D;
    D.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    D.Width = Width;
    D.Height = Height;
    D.Caps.Caps = Caps;
    std::shared_ptr<IDrawSurface> Surface;
    EXPECT_EQ(DirectDraw->CreateSurface(D, Surface), DD_OK);
    return Surface;
  }

  static std::vector<std::uint32_t> Read(IDrawSurface& Surface) {
    TLockedSurface L;
    EXPECT_EQ(Surface.Lock(L), DD_OK);
    const auto* Bits = static_cast<const std::uint32_t*>(L.Bits);
    std::vector<std::uint32_t> Result;
    Result.reserve(static_cast<std::size_t>(L.Width) * static_cast<std::size_t>(L.Height));
    for (std::int32_t I = 0; I < L.Width * L.Height; ++I) {
      Result.push_back(Bits[I] & 0xFFFFFFu);
    }
    EXPECT_EQ(Surface.Unlock(), DD_OK);
    return Result;
  }

  static void Write(IDrawSurface& Surface, const std::vector<std::uint32_t>& Pixels) {
    TLockedSurface L;
    ASSERT_EQ(Surface.Lock(L), DD_OK);
    std::copy(Pixels.begin(), Pixels.end(), static_cast<std::uint32_t*>(L.Bits));
    ASSERT_EQ(Surface.Unlock(), DD_OK);
  }

  static HRESULT Fill(IDrawSurface& Surface, const TRect* Rect, std::uint32_t Colour) {
    TBltEffects Effects;
    Effects.FillColour = Colour;
    return Surface.Blt(Rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &Effects);
  }

  std::shared_ptr<IDirectDrawLayer> DirectDraw;
};

TEST_F(DrawSurface, FillsOnlyItsRectangleAndRefusesBadOnes) {
  const auto S = Make(4, 3);
  const TRect Inner{1, 1, 3, 2};
  ASSERT_EQ(Fill(*S, &Inner, 0x123456), DD_OK);
  EXPECT_EQ(Read(*S),
            (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0x123456, 0x123456, 0, 0, 0, 0, 0}));
  for (const TRect& Bad :
       {TRect{-1, 0, 2, 2}, TRect{0, 0, 5, 1}, TRect{2, 2, 2, 3}, TRect{3, 0, 1, 1}}) {
    EXPECT_EQ(Fill(*S, &Bad, 0xFFFFFF), DDERR_INVALIDRECT);
  }
  EXPECT_EQ(Read(*S)[5], 0x123456u);
}

TEST_F(DrawSurface, StretchesWithTheNearestPixelAndSkipsKeyedOnes) {
  const auto Source = Make(2, 2);
  Write(*Source, {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF});
  const auto Dest = Make(4, 4);
  ASSERT_EQ(Dest->Blt(nullptr, Source.get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Read(*Dest),
            (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00, 0x0000FF, 0x0000FF,
                                        0x00FF00, 0x00FF00, 0xFF0000, 0xFF0000, 0xFF00FF, 0xFF00FF,
                                        0xFF0000, 0xFF0000, 0xFF00FF, 0xFF00FF}));

  ASSERT_EQ(Fill(*Dest, nullptr, 0x777777), DD_OK);
  TBltEffects Effects{.SourceColourKey = {0xFF00FF, 0xFF00FF}};
  const TRect To{1, 1, 3, 3};
  ASSERT_EQ(Dest->Blt(&To, Source.get(), nullptr, DDBLT_KEYSRCOVERRIDE, &Effects), DD_OK);
  const auto Keyed = Read(*Dest);
  EXPECT_EQ(Keyed[1 * 4 + 1], 0x0000FFu);
  EXPECT_EQ(Keyed[2 * 4 + 2], 0x777777u); // the magenta pixel was skipped
  // The source's own key, once set, does the same through DDBLT_KEYSRC.
  EXPECT_EQ(Dest->Blt(&To, Source.get(), nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
  ASSERT_EQ(Source->SetColorKey(DDCKEY_SRCBLT, &Effects.SourceColourKey), DD_OK);
  ASSERT_EQ(Fill(*Dest, nullptr, 0x777777), DD_OK);
  ASSERT_EQ(Dest->Blt(&To, Source.get(), nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
  EXPECT_EQ(Read(*Dest)[2 * 4 + 2], 0x777777u);
}

TEST_F(DrawSurface, ReportsLossUntilRestoredWithClearedMemory) {
  const auto S = Make(2, 2);
  ASSERT_EQ(Fill(*S, nullptr, 0xABCDEF), DD_OK);
  dynamic_cast<TMemorySurface&>(*S).MarkLost();
  EXPECT_EQ(S->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(Fill(*S, nullptr, 0), DDERR_SURFACELOST);
  TLockedSurface L;
  EXPECT_EQ(S->Lock(L), DDERR_SURFACELOST);
  QPainter* Painter = nullptr;
  EXPECT_EQ(S->GetDC(Painter), DDERR_SURFACELOST);
  ASSERT_EQ(S->Restore(), DD_OK);
  EXPECT_EQ(S->IsLost(), DD_OK);
  EXPECT_EQ(Read(*S), (std::vector<std::uint32_t>{0, 0, 0, 0}));

  // A display change takes every surface of the object.
  const auto Other = Make(1, 1);
  LoseAllSurfaces(*DirectDraw);
  EXPECT_EQ(S->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(Other->IsLost(), DDERR_SURFACELOST);
}

TEST_F(DrawSurface, LocksForItsDrawingContextUntilReleased) {
  const auto S = Make(4, 4);
  const auto Other = Make(4, 4);
  QPainter* Painter = nullptr;
  ASSERT_EQ(S->GetDC(Painter), DD_OK);
  ASSERT_NE(Painter, nullptr);
  Painter->fillRect(0, 0, 2, 4, QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(Fill(*S, nullptr, 0), DDERR_SURFACEBUSY);
  EXPECT_EQ(Other->Blt(nullptr, S.get(), nullptr, 0, nullptr), DDERR_SURFACEBUSY);
  QPainter* Again = nullptr;
  EXPECT_EQ(S->GetDC(Again), DDERR_SURFACEBUSY);
  EXPECT_EQ(S->ReleaseDC(nullptr), DDERR_NODC);
  ASSERT_EQ(S->ReleaseDC(Painter), DD_OK);
  EXPECT_EQ(S->ReleaseDC(Painter), DDERR_NODC);
  const auto Pixels = Read(*S);
  EXPECT_EQ(Pixels[0], 0x112233u);
  EXPECT_EQ(Pixels[3], 0u);
}

// Final and held by value, so its public non-virtual destructor is safe.
class TRecordingWindow final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IPresentTarget {
public:
  void Present(const QImage& Source, const TRect& From, const TRect& To) override {
    ++Calls;
    SourceRect = From;
    ScreenRect = To;
    FirstPixel = Source.pixel(From.Left, From.Top) & 0xFFFFFFu;
  }
  std::int32_t Calls = 0;
  TRect SourceRect, ScreenRect;
  std::uint32_t FirstPixel = 0;
};

TEST_F(DrawSurface, PresentsThroughThePrimaryClipperToItsWindow) {
  TSurfaceDescription D;
  D.Flags = DDSD_CAPS;
  D.Caps.Caps = DDSCAPS_PRIMARYSURFACE;
  std::shared_ptr<IDrawSurface> Primary;
  ASSERT_EQ(DirectDraw->CreateSurface(D, Primary), DD_OK);
  std::shared_ptr<IDrawSurface> Second;
  EXPECT_EQ(DirectDraw->CreateSurface(D, Second), DDERR_PRIMARYSURFACEALREADYEXISTS);

  const auto Back = Make(8, 6);
  ASSERT_EQ(Fill(*Back, nullptr, 0x445566), DD_OK);
  const TRect Screen{100, 50, 108, 56};
  const TRect Source{0, 0, 8, 6};
  EXPECT_EQ(Primary->Blt(&Screen, Back.get(), &Source, DDBLT_WAIT, nullptr),
            DDERR_NOCLIPPERATTACHED);
  std::shared_ptr<IDrawClipper> Clipper;
  ASSERT_EQ(DirectDraw->CreateClipper(0, Clipper), DD_OK);
  ASSERT_EQ(Primary->SetClipper(Clipper), DD_OK);
  EXPECT_EQ(Primary->Blt(&Screen, Back.get(), &Source, DDBLT_WAIT, nullptr), DDERR_NOHWND);
  TRecordingWindow Window;
  ASSERT_EQ(Clipper->SetWindow(&Window), DD_OK);
  ASSERT_EQ(Primary->Blt(&Screen, Back.get(), &Source, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(std::tuple(Window.Calls, Window.ScreenRect, Window.SourceRect, Window.FirstPixel),
            std::tuple(1, Screen, Source, 0x445566u));
}

TEST_F(DrawSurface, BuildsMipmapChainsDownToOnePixel) {
  std::shared_ptr<IDrawSurface> Level =
      Make(8, 2, DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX);
  std::vector<std::pair<std::int32_t, std::int32_t>> Sizes;
  while (Level) {
    TSurfaceDescription Got;
    Level->GetSurfaceDesc(Got);
    Sizes.emplace_back(Got.Width, Got.Height);
    std::shared_ptr<IDrawSurface> Next;
    Level->GetAttachedSurface({DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0}, Next);
    Level = Next;
  }
  EXPECT_EQ(Sizes,
            (std::vector<std::pair<std::int32_t, std::int32_t>>{{8, 2}, {4, 1}, {2, 1}, {1, 1}}));
}

TEST_F(DrawSurface, RefusesSurfacesItCannotMake) {
  TSurfaceDescription D;
  D.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  D.Caps.Caps = DDSCAPS_OFFSCREENPLAIN;
  std::shared_ptr<IDrawSurface> S;
  D.Width = 0;
  D.Height = 4;
  EXPECT_EQ(DirectDraw->CreateSurface(D, S), DDERR_INVALIDPARAMS);
  D.Width = MaxSurfaceSide + 1;
  EXPECT_EQ(DirectDraw->CreateSurface(D, S), DDERR_TOOBIGWIDTH);
  D.Width = 4;
  D.Flags |= DDSD_PIXELFORMAT;
  D.PixelFormat = {DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  EXPECT_EQ(DirectDraw->CreateSurface(D, S), DDERR_INVALIDPIXELFORMAT);
  EXPECT_FALSE(S);
  // A depth buffer of another size cannot be attached.
  D.PixelFormat = PixelFormatDepth32;
  D.Caps.Caps = DDSCAPS_ZBUFFER;
  std::shared_ptr<IDrawSurface> Depth;
  ASSERT_EQ(DirectDraw->CreateSurface(D, Depth), DD_OK);
  EXPECT_EQ(Make(5, 4)->AddAttachedSurface(Depth), DDERR_CANNOTATTACHSURFACE);
  std::shared_ptr<IDrawSurface> Fresh;
  std::shared_ptr<IDirectDrawLayer> New;
  ASSERT_EQ(DirectDrawCreate(nullptr, New), DD_OK);
  EXPECT_EQ(New->CreateSurface(D, Fresh), DDERR_NOCOOPERATIVELEVELSET);
}

} // namespace
} // namespace kestrava

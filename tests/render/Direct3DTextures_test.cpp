// The viewer's image cache and 2D image drawing: texture sizes on restricted
// devices, reuse while an image is unchanged, rebuilds when it changes, and
// DrawImage clipping and colour keys.

#include "ViewerTestSupport.h"
#include "scene/Graphics3DError.h"

namespace kestrava::testing {
namespace {

// Each column of the bitmap has its own colour: red = column, green = row.
TTextureBitmap StripedBitmap(std::int32_t Width, std::int32_t Height) {
  TTextureBitmap Bitmap(Width, Height);
  for (std::int32_t Y = 0; Y < Height; ++Y)
    for (std::int32_t X = 0; X < Width; ++X)
      Bitmap.SetPixel(X, Y, static_cast<std::uint32_t>(X) | (static_cast<std::uint32_t>(Y) << 8));
  return Bitmap;
}

TTextureImage ImageOf(const TTextureBitmap& Bitmap) {
  TTextureImage Image;
  Image.Graphic = &Bitmap;
  Image.GraphicType = GraphicTypeBitmap;
  return Image;
}

TSurfaceDescription DescriptionOf(const TDirect3DTexture* Entry) {
  TSurfaceDescription Description;
  if (Entry != nullptr && Entry->Surface)
    Entry->Surface->GetSurfaceDesc(Description);
  return Description;
}

class TextureCache : public TViewerTest {
protected:
  explicit TextureCache(const TDirectDrawOptions& Options = {}) : TViewerTest(64, 48, Options) {}

  void ShowOnAMesh(const TTextureImage& Image) {
    TGraphics3DMesh& Mesh = AddTriangles(Root, 1);
    Mesh.Textured = true;
    Mesh.Texture = &Image;
  }
  void PaintScene() {
    PaintWith([&](TDirect3DViewerCore& Sender) { Sender.Render(Scene, Root); });
  }
};

class RestrictedTextureDevice : public TextureCache {
protected:
  RestrictedTextureDevice()
      : TextureCache({.ExtraTextureCaps = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY}) {}
};

TEST_F(RestrictedTextureDevice, TexturesGrowToSquarePowersOfTwo) {
  const TTextureBitmap Bitmap = StripedBitmap(100, 60);
  const TTextureImage Image = ImageOf(Bitmap);
  ShowOnAMesh(Image);
  PaintScene();
  const TSurfaceDescription Texture = DescriptionOf(Viewer->Textures().Find(Image, true));
  EXPECT_EQ(std::pair(Texture.Width, Texture.Height), std::pair(128, 128));
}

TEST_F(TextureCache, UnchangedImagesReuseTheirTextureAndAChangedCounterRebuildsIt) {
  const TTextureBitmap Bitmap = StripedBitmap(8, 8);
  TTextureImage Image = ImageOf(Bitmap);
  ShowOnAMesh(Image);
  const auto SurfaceNow = [&] {
    return Viewer->Textures().Find(Image, true)->Surface.get();
  };
  PaintScene();
  IDrawSurface* First = SurfaceNow();
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(DescriptionOf(Viewer->Textures().Find(Image, true)).Width, 8); // no size rules here
  PaintScene();
  EXPECT_EQ(SurfaceNow(), First);
  ++Image.ChangeCounter;
  PaintScene();
  EXPECT_NE(SurfaceNow(), nullptr);
  EXPECT_EQ(Viewer->Textures().Count(), 1u);
  EXPECT_EQ(Viewer->Textures().Find(Image, true)->ImageVersion, Image.ChangeCounter);
}

TEST_F(TextureCache, OneImageInBothRolesHasTwoEntriesAndReleaseDropsBoth) {
  const TTextureBitmap Bitmap = StripedBitmap(4, 4);
  const TTextureImage Image = ImageOf(Bitmap);
  ShowOnAMesh(Image);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Render(Scene, Root);
    Sender.DrawImage(Image, 0, 0);
  });
  EXPECT_EQ(Viewer->Textures().Count(), 2u);
  Viewer->ReleaseImage(Image);
  EXPECT_EQ(Viewer->Textures().Count(), 0u);
}

TEST_F(TextureCache, TrilinearTexturesGetAMipmapChainButDrawingWithThemIsRefused) {
  const TTextureBitmap Bitmap = StripedBitmap(16, 16);
  const TTextureImage Image = ImageOf(Bitmap);
  ShowOnAMesh(Image);
  Viewer->SetTextureMode(TextureTrilinear);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    EXPECT_THROW(Sender.Render(Scene, Root), EGraphics3DError);
  });
  const TDirect3DTexture* Entry = Viewer->Textures().Find(Image, true);
  ASSERT_NE(Entry, nullptr);
  std::shared_ptr<IDrawSurface> Level;
  ASSERT_EQ(Entry->Surface->GetAttachedSurface({DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0}, Level), 0);
  TSurfaceDescription Second;
  Level->GetSurfaceDesc(Second);
  EXPECT_EQ(Second.Width, 8);
}

TEST_F(TextureCache, RebuildingTheDeviceEmptiesTheCache) {
  const TTextureBitmap Bitmap = StripedBitmap(4, 4);
  const TTextureImage Image = ImageOf(Bitmap);
  PaintWith([&](TDirect3DViewerCore& Sender) { Sender.DrawImage(Image, 0, 0); });
  EXPECT_EQ(Viewer->Textures().Count(), 1u);
  Viewer->BoundsChanged();
  Viewer->Paint();
  EXPECT_EQ(Viewer->Textures().Count(), 0u);
}

using DrawImage = TViewerTest;

TEST_F(DrawImage, ClipsAtTheLeftEdgeAndCountsBottomUpFromTheLowerEdge) {
  const TTextureBitmap Bitmap = StripedBitmap(20, 10);
  const TTextureImage Image = ImageOf(Bitmap);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Clear(0, false);
    Sender.DrawImage(Image, -10, 5);
  });
  // Rows 48 - 15 = 33 .. 42; column 10 of the bitmap lands at x = 0.
  EXPECT_EQ(PixelAt(0, 33), 0x0A0000u);  // red 10, green 0: 0x00RRGGBB
  EXPECT_EQ(PixelAt(9, 42), 0x130900u);  // column 19, row 9
  EXPECT_EQ(PixelAt(10, 33), 0x000000u); // past the image's right edge
  EXPECT_EQ(PixelAt(0, 32), 0x000000u);  // above it
}

TEST_F(DrawImage, AnImageEntirelyOutsideDrawsNothingAndRaisesNothing) {
  const TTextureBitmap Bitmap = StripedBitmap(20, 10);
  const TTextureImage Image = ImageOf(Bitmap);
  const TTextureImage Empty;
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Clear(0, false);
    EXPECT_NO_THROW(Sender.DrawImage(Image, -20, 0));
    EXPECT_NO_THROW(Sender.DrawImage(Image, 0, 48));
    EXPECT_NO_THROW(Sender.DrawImage(Empty, 5, 5));
  });
  EXPECT_EQ(Viewer->Textures().Count(), 0u);
  EXPECT_EQ(PixelAt(0, 47), 0u);
}

TEST_F(DrawImage, TransparentPixelsAreSkippedAndColourKeyingStaysOn) {
  TTextureBitmap Bitmap(4, 4, 0x000000FF); // red
  Bitmap.SetPixel(1, 1, 0x00FF0000);       // blue: the transparent colour
  TTextureImage Image = ImageOf(Bitmap);
  Image.Transparent = true;
  Image.TransparentColour = 0x00FF0000;
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Clear(0x0000FF00, false);
    Sender.DrawImage(Image, 0, 44);
    std::uint32_t Keying = 0;
    Sender.Device()->GetRenderState(D3DRENDERSTATE_COLORKEYENABLE, Keying);
    EXPECT_EQ(Keying, 1u);
  });
  EXPECT_EQ(PixelAt(0, 0), 0xFF0000u);
  EXPECT_EQ(PixelAt(1, 1), 0x00FE00u); // the background shows through
}

} // namespace
} // namespace kestrava::testing

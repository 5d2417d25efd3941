#include "render/Direct3DTextures.h"

#include "render/DirectXErrors.h"
#include "render/SceneLighting.h"
#include "render/ViewerDeviceChoice.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

namespace kestrava {

namespace {

QImage ImageOfBitmap(const TTextureBitmap& Bitmap) {
  QImage Image(Bitmap.Width(), Bitmap.Height(), QImage::Format_RGB32);
  for (std::int32_t Y = 0; Y < Bitmap.Height(); ++Y) {
    auto* Row = reinterpret_cast<std::uint32_t*>(Image.scanLine(Y));
    for (std::int32_t X = 0; X < Bitmap.Width(); ++X)
      Row[X] = 0xFF000000u | SwapRedAndBlue(Bitmap.Pixel(X, Y) & 0xFFFFFFu);
  }
  return Image;
}

const TTextureBitmap* BitmapOf(const TTextureImage& Image) {
  return Image.GraphicType == GraphicTypeBitmap ? Image.Graphic : nullptr;
}

// A surface that lost its memory is brought back; its picture must then be
// drawn again.
bool RestoredAfterLoss(IDrawSurface& Surface) {
  if (Surface.IsLost() == 0)
    return false;
  Surface.Restore();
  return true;
}

TPixelFormat ChooseTextureFormatOf(const I3DDevice& Device, bool WantAlpha) {
  std::vector<TPixelFormat> Formats;
  Device.EnumTextureFormats([&](const TPixelFormat& Format) {
    Formats.push_back(Format);
    return Formats.size() < 256; // a device listing endless formats is cut off
  });
  const auto Chosen = ChooseTextureFormat(Formats, WantAlpha);
  if (!Chosen)
    throw Exception(NoTextureFormatText);
  return Formats[*Chosen];
}

std::shared_ptr<IDrawSurface> CreateTextureSurface(const TTextureImage& Image,
                                                   const TTextureTarget& Target,
                                                   const TDirect3DTexture& Entry) {
  const TTextureSize Size =
      TextureSizeFor(ImageWidth(Image), ImageHeight(Image), Target.TextureCaps);
  TSurfaceDescription Description;
  Description.Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
  Description.Width = Size.Width;
  Description.Height = Size.Height;
  Description.PixelFormat = ChooseTextureFormatOf(Target.Device, Entry.WantAlpha);
  Description.TextureStage = Entry.Stage;
  Description.Caps.Caps = DDSCAPS_TEXTURE;
  // No level count: the layer builds the whole chain down to 1 x 1.
  if (Target.TextureMode == 2)
    Description.Caps.Caps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
  Description.Caps.Caps2 = DDSCAPS2_TEXTUREMANAGE;
  std::shared_ptr<IDrawSurface> Surface;
  CheckDirectXResult(Target.DirectDraw.CreateSurface(Description, Surface));
  return Surface;
}

// Each level is a stretched copy of the one above it.
void FillMipmapChain(IDrawSurface& Top) {
  const TSurfaceCaps LevelCaps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0};
  std::shared_ptr<IDrawSurface> Current;
  std::shared_ptr<IDrawSurface> Next;
  IDrawSurface* Level = &Top;
  // Bounded by the chain a MaxSurfaceSide texture can have, in case a
  // surface ever reported itself as its own next level.
  for (int Guard = 0; Guard < 32 && Level->GetAttachedSurface(LevelCaps, Next) == 0 && Next;
       ++Guard) {
    Next->Blt(nullptr, Level, nullptr, 0, nullptr);
    Current = std::move(Next);
    Level = Current.get();
  }
}

void LoadTexture(const TTextureImage& Image, const TTextureTarget& Target,
                 TDirect3DTexture& Entry) {
  const TTextureBitmap* Bitmap = BitmapOf(Image);
  if (Target.TextureMode == 2) {
    if (Bitmap == nullptr)
      throw Exception(TrilinearNeedsBitmapText);
    CopyBitmapToSurface(Target.DirectDraw, *Entry.Surface, *Bitmap);
    FillMipmapChain(*Entry.Surface);
  } else if (Bitmap != nullptr) {
    CopyBitmapToSurface(Target.DirectDraw, *Entry.Surface, *Bitmap);
  }
  Entry.Texture.reset();
  CheckDirectXResult(Entry.Surface->QueryTexture(Entry.Texture));
}

} // namespace

void CopyBitmapToSurface(IDirectDrawLayer& DirectDraw, IDrawSurface& Target,
                         const TTextureBitmap& Bitmap) {
  TSurfaceDescription TargetDescription;
  CheckDirectXResult(Target.GetSurfaceDesc(TargetDescription));
  TSurfaceDescription Staging;
  Staging.Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
  Staging.Caps.Caps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE;
  Staging.Width = Bitmap.Width();
  Staging.Height = Bitmap.Height();
  Staging.PixelFormat = TargetDescription.PixelFormat;
  std::shared_ptr<IDrawSurface> StagingSurface;
  CheckDirectXResult(DirectDraw.CreateSurface(Staging, StagingSurface));
  QPainter* Painter = nullptr;
  if (StagingSurface->GetDC(Painter) == 0 && Painter != nullptr) {
    Painter->drawImage(0, 0, ImageOfBitmap(Bitmap));
    StagingSurface->ReleaseDC(Painter);
  }
  // Not checked: the blit only fails for a lost target, which the next
  // prepare restores and reloads.
  Target.Blt(nullptr, StagingSurface.get(), nullptr, DDBLT_WAIT, nullptr);
}

TDirect3DTexture* TDirect3DTextures::FindImage(const TTextureImage& Image, bool IsTexture,
                                               bool CreateIfMissing) {
  for (const auto& Entry : Entries_) {
    if (Entry->Image != &Image || Entry->IsTexture != IsTexture)
      continue;
    if (Entry->ImageVersion != Image.ChangeCounter) {
      Entry->Texture.reset();
      Entry->Surface.reset();
      Entry->ImageVersion = Image.ChangeCounter;
    }
    return Entry.get();
  }
  if (!CreateIfMissing)
    return nullptr;
  auto Entry = std::make_unique<TDirect3DTexture>();
  Entry->Image = &Image;
  Entry->ImageVersion = Image.ChangeCounter;
  Entry->IsTexture = IsTexture;
  Entries_.push_back(std::move(Entry));
  return Entries_.back().get();
}

TDirect3DTexture& TDirect3DTextures::PrepareImageSurface(const TTextureImage& Image,
                                                         IDirectDrawLayer& DirectDraw) {
  TDirect3DTexture& Entry = *FindImage(Image, false, true);
  bool Reload = false;
  if (Entry.Surface) {
    Reload = RestoredAfterLoss(*Entry.Surface);
  } else {
    TSurfaceDescription Description;
    Description.Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    Description.Width = ImageWidth(Image);
    Description.Height = ImageHeight(Image);
    CheckDirectXResult(DirectDraw.CreateSurface(Description, Entry.Surface));
    Reload = true;
  }
  if (Reload && BitmapOf(Image) != nullptr)
    CopyBitmapToSurface(DirectDraw, *Entry.Surface, *Image.Graphic);
  return Entry;
}

TDirect3DTexture& TDirect3DTextures::PrepareTexture(const TTextureImage& Image,
                                                    const TTextureTarget& Target) {
  TDirect3DTexture& Entry = *FindImage(Image, true, true);
  bool Reload = false;
  if (Entry.Surface) {
    Reload = RestoredAfterLoss(*Entry.Surface) || !Entry.Texture;
  } else {
    Entry.Surface = CreateTextureSurface(Image, Target, Entry);
    Reload = true;
  }
  if (Reload)
    LoadTexture(Image, Target, Entry);
  return Entry;
}

const TDirect3DTexture* TDirect3DTextures::Find(const TTextureImage& Image, bool IsTexture) const {
  for (const auto& Entry : Entries_)
    if (Entry->Image == &Image && Entry->IsTexture == IsTexture)
      return Entry.get();
  return nullptr;
}

void TDirect3DTextures::ReleaseImage(const TTextureImage& Image) {
  std::erase_if(Entries_, [&](const std::unique_ptr<TDirect3DTexture>& Entry) {
    return Entry->Image == &Image;
  });
}

} // namespace kestrava

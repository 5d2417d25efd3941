#pragma once
// The viewer's cache of surfaces and textures made from application images:
// one entry per image and role (a plain surface for DrawImage, a texture for
// meshes), kept while the image's change counter stays the same and rebuilt
// when it changes or the surface memory is lost.
//
// Ownership: the cache owns its entries, each entry its surface and texture;
// images are referred to, never owned, and must outlive their entries (drop
// them with Release before an image goes). Thread: user-interface thread.

#include "render/DeviceEnumeration.h"
#include "render/Direct3DDevice.h"
#include "render/DrawSurface.h"
#include "scene/TextureImage.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrava {

// Raised as a plain Exception by PrepareTexture.
inline constexpr const char* NoTextureFormatText =
    "Failed to locate suitable texture format in Direct 3D device.";
inline constexpr const char* TrilinearNeedsBitmapText =
    "Texture bitmap must be of type 'Bitmap' for trilinear filtering ('DirectX viewer')";

struct TDirect3DTexture {
  const TTextureImage* Image = nullptr;
  std::uint32_t ImageVersion = 0;
  bool IsTexture = false;
  std::shared_ptr<IDrawSurface> Surface; // top mipmap level for a mipmapped texture
  std::shared_ptr<I3DTexture> Texture;   // textures only
  std::uint32_t Stage = 0;
  bool WantAlpha = false;
};

// What building a texture needs to know of the viewer.
struct TTextureTarget {
  IDirectDrawLayer& DirectDraw;
  I3DDevice& Device;
  std::uint32_t TextureCaps = 0; // triangle texture caps of the chosen device
  std::int32_t TextureMode = 0;  // 0 nearest, 1 bilinear, 2 trilinear (mipmapped)
};

class TDirect3DTextures {
public:
  // The entry of (Image, IsTexture). An entry whose image changed since it
  // was filled is emptied (surface and texture dropped, counter renewed) for
  // the caller to refill. A missing entry is appended when CreateIfMissing.
  TDirect3DTexture* FindImage(const TTextureImage& Image, bool IsTexture, bool CreateIfMissing);

  // The plain surface holding Image's picture, made, restored or reloaded as
  // needed. Raises EDirectX when the surface cannot be made.
  TDirect3DTexture& PrepareImageSurface(const TTextureImage& Image, IDirectDrawLayer& DirectDraw);
  // The texture of Image for Target's device. Raises Exception with
  // NoTextureFormatText or TrilinearNeedsBitmapText, or EDirectX.
  TDirect3DTexture& PrepareTexture(const TTextureImage& Image, const TTextureTarget& Target);

  // The entry of (Image, IsTexture) as it is, or null; changes nothing.
  const TDirect3DTexture* Find(const TTextureImage& Image, bool IsTexture) const;

  // Drops both entries of Image; nothing when it has none.
  void ReleaseImage(const TTextureImage& Image);
  void Clear() { Entries_.clear(); }
  std::size_t Count() const { return Entries_.size(); }

private:
  std::vector<std::unique_ptr<TDirect3DTexture>> Entries_;
};

// Draws Bitmap onto the whole of Target (stretched) through a system-memory
// staging surface of the bitmap's size and Target's pixel format. Raises
// EDirectX when the staging surface cannot be made; when the staging surface
// gives no drawing context the picture is silently not copied.
void CopyBitmapToSurface(IDirectDrawLayer& DirectDraw, IDrawSurface& Target,
                         const TTextureBitmap& Bitmap);

} // namespace kestrava

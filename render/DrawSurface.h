#pragma once
// Drawing surfaces of the device layer: blocks of pixel (or depth) memory
// with DirectDraw's operations - blits, colour keys, locks, a 2D drawing
// context, attachment of a depth buffer, and loss of the memory.
//
// Ownership: surfaces are shared (std::shared_ptr). A surface keeps the
// surfaces attached to it and its clipper alive; a device keeps its render
// target, and a bound texture its surface. Thread: one thread (the user
// interface) calls every operation; the device may read and write the memory
// on its own worker thread but only inside its own calls.
//
// Lost memory: a surface can lose its memory (the whole layer on a display
// change, see LoseAllSurfaces; a render target when the OpenGL context
// drawing into it is lost). While lost,
// every operation that touches the pixels answers DDERR_SURFACELOST, IsLost
// answers DDERR_SURFACELOST, and Restore brings the memory back with all
// pixels 0 (colour surfaces: 0xFF000000, depth surfaces: 0.0).
//
// Locks: Lock and GetDC lock the surface; while locked, blits to or from it,
// a second lock and drawing into it by a device answer DDERR_SURFACEBUSY.

#include "foundation/QelObject.h"
#include "foundation/Rectangle.h"
#include "render/DeviceTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class QImage;
class QPainter;

namespace kestrava {

class IDrawSurface;

// The pixels of a window that is plain memory: Height rows of Width
// 0xFFRRGGBB words, Pitch words apart; pixel (0, 0) shows screen point
// (ScreenLeft, ScreenTop).
struct TWindowMemory {
  std::uint32_t* Pixels = nullptr;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::size_t Pitch = 0;
  std::int32_t ScreenLeft = 0;
  std::int32_t ScreenTop = 0;
  // The memory is too large to stay in the processor's cache (see
  // OutgrowsCache): what is presented goes around the cache then.
  bool OutgrowsCache = false;
};

// Where a blit to the primary surface ends up: the window behind a clipper.
// The viewer control implements it (painting into its window); tests and the
// benchmark implement it with plain memory.
class IPresentTarget {
public:
  // Source wraps the source surface's memory (no copy) and is valid only
  // during the call. SourceRect lies inside Source; ScreenRect is the
  // destination in screen coordinates as given to Blt (the target maps it to
  // its window, stretches when the sizes differ and clips to what it shows).
  virtual void Present(const QImage& Source, const TRect& SourceRect, const TRect& ScreenRect) = 0;

  // A window that is plain memory may offer it: an opaque blit of the same
  // size then writes the visible pixels straight into it (from the device's
  // worker threads, while the blit runs) instead of calling Present. Asked
  // on the calling thread for each such blit, which then always lands there.
  virtual std::optional<TWindowMemory> DirectMemory() { return std::nullopt; }

protected:
  ~IPresentTarget() = default;
};

// Restricts a blit to the primary surface to one window.
class IDrawClipper {
public:
  virtual ~IDrawClipper() = default;
  // Window is not owned and must outlive its use by the clipper; null detaches.
  virtual HRESULT SetWindow(IPresentTarget* Window) = 0;
  virtual IPresentTarget* Window() const = 0;
};

// A surface made a texture: what a device binds to a texture stage.
class I3DTexture {
public:
  virtual ~I3DTexture() = default;
  virtual std::shared_ptr<IDrawSurface> Surface() const = 0;
};

class IDrawSurface {
public:
  virtual ~IDrawSurface() = default;

  // Size, caps, pitch and pixel format (Flags: CAPS, WIDTH, HEIGHT, PITCH,
  // PIXELFORMAT, and MIPMAPCOUNT for a mipmap level). Works while lost.
  virtual HRESULT GetSurfaceDesc(TSurfaceDescription& Description) const = 0;

  // DD_OK, or DDERR_SURFACELOST exactly while the memory is gone.
  virtual HRESULT IsLost() const = 0;
  // Brings lost memory back (contents as described above); DD_OK also when
  // nothing was lost (the pixels are then kept).
  virtual HRESULT Restore() = 0;

  // DestRect / SourceRect null mean the whole surface; rectangles must be
  // non-empty and lie inside their surface, else DDERR_INVALIDRECT.
  // - DDBLT_COLORFILL: fills DestRect with Effects->FillColour (Source unused).
  // - Otherwise copies SourceRect of Source to DestRect, stretching with the
  //   nearest source pixel when the sizes differ; with DDBLT_KEYSRC (the
  //   source's DDCKEY_SRCBLT key) or DDBLT_KEYSRCOVERRIDE (Effects'
  //   SourceColourKey) source pixels matching the key are skipped. A blit to
  //   the primary surface goes through its clipper to the clipper's window
  //   (DestRect is then in screen coordinates and required); without a
  //   clipper it answers DDERR_NOCLIPPERATTACHED, with a clipper without
  //   window DDERR_NOHWND.
  // DDBLT_WAIT is accepted and has no effect: blits finish before returning.
  virtual HRESULT Blt(const TRect* DestRect, IDrawSurface* Source, const TRect* SourceRect,
                      std::uint32_t Flags, const TBltEffects* Effects) = 0;

  // Flags must be DDCKEY_SRCBLT; a null Key removes the key.
  virtual HRESULT SetColorKey(std::uint32_t Flags, const TColourKey* Key) = 0;
  // DDERR_NOCOLORKEY when none is set.
  virtual HRESULT GetColorKey(std::uint32_t Flags, TColourKey& Key) const = 0;

  // A drawing context for 2D text and lines: a QPainter, owned by the
  // surface, on a QImage that wraps the surface memory (colour surfaces only,
  // else DDERR_CANTCREATEDC). Valid until ReleaseDC, which must be given the
  // same painter (else DDERR_NODC); the surface is locked meanwhile.
  virtual HRESULT GetDC(QPainter*& Painter) = 0;
  virtual HRESULT ReleaseDC(QPainter* Painter) = 0;

  // Direct access to the memory until Unlock (DDERR_NOTLOCKED without lock).
  virtual HRESULT Lock(TLockedSurface& Locked) = 0;
  virtual HRESULT Unlock() = 0;

  // Attaches a depth buffer of the same size to a colour surface
  // (DDERR_CANNOTATTACHSURFACE otherwise, DDERR_SURFACEALREADYATTACHED for a
  // second one). The surface keeps it alive.
  virtual HRESULT AddAttachedSurface(const std::shared_ptr<IDrawSurface>& Attached) = 0;
  // The attached surface whose caps include all of Caps.Caps: DDSCAPS_ZBUFFER
  // finds the depth buffer, DDSCAPS_TEXTURE | DDSCAPS_MIPMAP the next smaller
  // mipmap level. DDERR_NOTFOUND when there is none.
  virtual HRESULT GetAttachedSurface(const TSurfaceCaps& Caps,
                                     std::shared_ptr<IDrawSurface>& Attached) const = 0;

  // Only for the primary surface (DDERR_INVALIDOBJECT otherwise).
  virtual HRESULT SetClipper(const std::shared_ptr<IDrawClipper>& Clipper) = 0;

  // The texture interface of a surface made with DDSCAPS_TEXTURE
  // (E_NOINTERFACE otherwise). The texture keeps the surface alive.
  virtual HRESULT QueryTexture(std::shared_ptr<I3DTexture>& Texture) = 0;
};

} // namespace kestrava

#pragma once
// Entry points of the device layer: the drivers there are, the DirectDraw-like
// object of one driver, and through it surfaces, clippers and the 3D layer.
//
// Drivers come in a fixed order; the first is the primary display driver and
// has no identifier. Every driver offers the software RGB device; a driver
// for the graphics card can join the list (and offer a hardware device)
// without changing the callers.
//
// Ownership: DirectDrawCreate hands out a shared object; surfaces, clippers,
// the 3D layer and devices made from it may outlive it. Thread: user
// interface only (see Direct3DDevice.h for the device's worker).

#include "foundation/QelObject.h"
#include "render/DeviceTypes.h"
#include "render/Direct3DDevice.h"
#include "render/DrawSurface.h"
#include "render/OpenGLRenderer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace kestrava {

// The descriptions the 3D layer enumerates its two devices with.
inline constexpr const char* SoftwareDeviceDescription = "Kestrava software rasterizer";
inline constexpr const char* OpenGLDeviceDescription = "Kestrava OpenGL device";

// What the platform below the layer looks like. The defaults describe this
// machine's display; tests change them to reach the callers' other paths.
struct TDirectDrawOptions {
  std::int32_t DisplayWidth = 1920;
  std::int32_t DisplayHeight = 1080;
  // The display depth GetDisplayMode reports. The software device renders at
  // 16, 24 and 32 bits; any other depth makes it unsuitable for callers that
  // filter by depth (its own surfaces are 32-bit whatever the display).
  std::int32_t DisplayBitsPerPixel = 32;
  // False pretends an old DirectX: QueryDirectDraw4 and QueryDirect3D fail.
  bool OfferVersion6 = true;
  // Texture caps ORed into the software device's triangle caps (for example
  // D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY) so that callers' size
  // rules can be exercised; the device itself samples textures of any size.
  std::uint32_t ExtraTextureCaps = 0;
  // Threads a software device rasterizes with, its caller's included; 0
  // (or less) means one per processor core. Pictures do not depend on it.
  std::int32_t RenderThreads = 0;
  // Whether the 3D layer offers the hardware (OpenGL) device. Its creation
  // fails where no OpenGL context can be made.
  bool OfferHardwareDevice = true;
  // The OpenGL that device would draw with; none: this machine's
  // (MachineOpenGLRenderer). An OpenGL that rasterises on the processor is
  // enumerated as a software device, before ours, so that neither choice
  // takes it: the hardware wish finds no hardware device and falls back to
  // software, where the last qualifying device (ours) wins.
  std::function<TOpenGLRenderer()> OpenGLRenderer = nullptr;
  // Wraps each device the 3D layer creates (to trace calls or inject faults);
  // none: callers get the device itself.
  std::function<std::shared_ptr<I3DDevice>(std::shared_ptr<I3DDevice>)> WrapDevice = nullptr;
};

// The DirectDraw-like object of one driver.
class IDirectDrawLayer {
public:
  virtual ~IDirectDrawLayer() = default;

  // DD_OK when the version 6 interfaces are offered (this object then is the
  // version 4 DirectDraw interface), else E_NOINTERFACE.
  virtual HRESULT QueryDirectDraw4() const = 0;
  // The 3D layer of this driver; E_NOINTERFACE without version 6.
  virtual HRESULT QueryDirect3D(std::shared_ptr<IDirect3DLayer>& Result) = 0;

  // Flags must include DDSCL_NORMAL and nothing but DDSCL_NORMAL and
  // DDSCL_NOWINDOWCHANGES (DDERR_INVALIDPARAMS). Window is not used.
  virtual HRESULT SetCooperativeLevel(IPresentTarget* Window, std::uint32_t Flags) = 0;

  // Needs SetCooperativeLevel first (DDERR_NOCOOPERATIVELEVELSET).
  // Description must have DDSD_CAPS.
  // - DDSCAPS_PRIMARYSURFACE: no size may be given; the surface has the
  //   display's size and no pixel memory (it is only blitted to, see Blt).
  //   One primary per object at a time (DDERR_PRIMARYSURFACEALREADYEXISTS).
  // - Otherwise DDSD_WIDTH and DDSD_HEIGHT, 1..MaxSurfaceSide
  //   (DDERR_INVALIDPARAMS, DDERR_TOOBIGWIDTH, DDERR_TOOBIGHEIGHT).
  // - DDSCAPS_ZBUFFER: DDSD_PIXELFORMAT with one of EnumZBufferFormats'
  //   formats (DDERR_INVALIDPIXELFORMAT).
  // - Colour surfaces: the given pixel format must be PixelFormatXRGB8888 or
  //   PixelFormatARGB8888 (DDERR_INVALIDPIXELFORMAT); without one, XRGB.
  // - DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX: a chain of levels,
  //   each half the size of the one before (at least 1), down to 1 x 1 or
  //   MipMapCount levels when DDSD_MIPMAPCOUNT is given; the first level is
  //   returned and each level has the next attached.
  // Memory caps are recorded as asked; all memory is system memory. New
  // surfaces hold 0 (colour: 0xFF000000, depth: 0.0).
  virtual HRESULT CreateSurface(const TSurfaceDescription& Description,
                                std::shared_ptr<IDrawSurface>& Result) = 0;
  // Flags must be 0.
  virtual HRESULT CreateClipper(std::uint32_t Flags, std::shared_ptr<IDrawClipper>& Result) = 0;
  // Width, height and pixel format of the display (BitCount =
  // DisplayBitsPerPixel).
  virtual HRESULT GetDisplayMode(TSurfaceDescription& Description) const = 0;
};

// Callback of DirectDrawEnumerate: Guid is null for the primary display
// driver. Returns false to stop the enumeration.
using TDriverEnumCallback =
    std::function<bool(const TGuid* Guid, std::string_view Description, std::string_view Name)>;

// What a display mode change does: every surface made by Layer (an object of
// DirectDrawCreate) that still exists loses its memory.
void LoseAllSurfaces(IDirectDrawLayer& Layer);

// Reports the drivers in their fixed order, the primary display driver first.
HRESULT DirectDrawEnumerate(const TDriverEnumCallback& Callback);

// The object of the driver Guid (null: the primary display driver);
// DDERR_INVALIDDIRECTDRAWGUID for an unknown identifier.
HRESULT DirectDrawCreate(const TGuid* Guid, std::shared_ptr<IDirectDrawLayer>& Result,
                         const TDirectDrawOptions& Options = {});

} // namespace kestrava

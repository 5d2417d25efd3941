#pragma once
// The viewer's choice rules over what the device layer enumerates: which
// DirectDraw driver, which Direct3D device, which depth-buffer format and
// which texture size and format. Plain functions over lists, so that any
// enumeration (the real one or a test's) can be judged the same way.
//
// Thread: any; nothing here holds state.

#include "foundation/QelObject.h"
#include "render/DeviceTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrava {

// One DirectDraw driver as the enumeration reports it, in its order.
struct TDriverCandidate {
  std::optional<TGuid> Guid; // none for the primary display driver
  std::string Description;
  std::string Name;
};

// The driver at position DriverIndex: its GUID, or none for the primary
// driver (also when that position holds a driver without GUID or does not
// exist).
std::optional<TGuid> ChooseDriver(std::span<const TDriverCandidate> Drivers,
                                  std::int32_t DriverIndex);

// One Direct3D device as the enumeration reports it.
struct TDeviceCandidate {
  TGuid Guid;
  std::string Description;
  std::string Name;
  TDeviceDescription Hardware;
  TDeviceDescription Software;
};

// A device is a hardware device when its hardware description has any flag set.
bool IsHardwareDevice(const TDeviceDescription& Hardware);

// The DDBD_* flag of a display depth in bits per pixel; 0 for depths that no
// device renders (anything but 1, 2, 4, 8, 16, 24, 32).
std::uint32_t BitDepthFlag(std::int32_t BitsPerPixel);

// Whether a device of this kind (hardware or not) with this description can
// draw the viewer's pictures on a display of DisplayBits per pixel: the depth
// among its render depths, the RGB colour model and Gouraud shading of RGB.
bool DeviceQualifies(const TDeviceDescription& Description, std::int32_t DisplayBits);

// Position in Devices of the device to use, or none. The null device never
// qualifies, nor a device whose kind differs from WantHardware. Among
// hardware devices the first qualifying one wins (the enumeration stops
// there); among software devices the last one does.
std::optional<std::size_t> ChooseDevice(std::span<const TDeviceCandidate> Devices,
                                        bool WantHardware, std::int32_t DisplayBits);

// Position of the first depth format whose flags are exactly DDPF_ZBUFFER
// (with WantStencil: exactly DDPF_ZBUFFER | DDPF_STENCILBUFFER), or none.
std::optional<std::size_t> ChooseDepthFormat(std::span<const TPixelFormat> Formats,
                                             bool WantStencil);

// A texture's size on a device: each side rounded up to a power of two when
// the device needs that (D3DPTEXTURECAPS_POW2), then the shorter side made
// as long as the longer when it needs square textures
// (D3DPTEXTURECAPS_SQUAREONLY). Sides below 1 count as 1 once rounded.
struct TTextureSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  friend bool operator==(const TTextureSize&, const TTextureSize&) = default;
};
TTextureSize TextureSizeFor(std::int32_t Width, std::int32_t Height, std::uint32_t TextureCaps);

// Position of the texture format to use: the first 16-bit RGB format (then,
// if there is none, the first 32-bit one) that is neither luminance, bump
// map nor FourCC and has an alpha channel exactly when WantAlpha. None when
// nothing fits.
std::optional<std::size_t> ChooseTextureFormat(std::span<const TPixelFormat> Formats,
                                               bool WantAlpha);

} // namespace kestrava

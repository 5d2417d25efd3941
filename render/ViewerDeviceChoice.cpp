#include "render/ViewerDeviceChoice.h"

#include <algorithm>

namespace kestrava {

std::optional<TGuid> ChooseDriver(std::span<const TDriverCandidate> Drivers,
                                  std::int32_t DriverIndex) {
  if (DriverIndex < 0 || static_cast<std::size_t>(DriverIndex) >= Drivers.size())
    return std::nullopt;
  return Drivers[static_cast<std::size_t>(DriverIndex)].Guid;
}

bool IsHardwareDevice(const TDeviceDescription& Hardware) {
  return Hardware.Flags != 0;
}

std::uint32_t BitDepthFlag(std::int32_t BitsPerPixel) {
  switch (BitsPerPixel) {
  case 1:
    return DDBD_1;
  case 2:
    return DDBD_2;
  case 4:
    return DDBD_4;
  case 8:
    return DDBD_8;
  case 16:
    return DDBD_16;
  case 24:
    return DDBD_24;
  case 32:
    return DDBD_32;
  default:
    return 0;
  }
}

bool DeviceQualifies(const TDeviceDescription& Description, std::int32_t DisplayBits) {
  return (Description.RenderBitDepth & BitDepthFlag(DisplayBits)) != 0 &&
         (Description.ColourModel & D3DCOLOR_RGB) != 0 &&
         (Description.TriangleCaps.ShadeCaps & D3DPSHADECAPS_COLORGOURAUDRGB) != 0;
}

std::optional<std::size_t> ChooseDevice(std::span<const TDeviceCandidate> Devices,
                                        bool WantHardware, std::int32_t DisplayBits) {
  std::optional<std::size_t> Chosen;
  for (std::size_t I = 0; I < Devices.size(); ++I) {
    const TDeviceCandidate& Device = Devices[I];
    if (Device.Guid == IID_IDirect3DNullDevice)
      continue;
    const bool Hardware = IsHardwareDevice(Device.Hardware);
    if (Hardware != WantHardware)
      continue;
    if (!DeviceQualifies(Hardware ? Device.Hardware : Device.Software, DisplayBits))
      continue;
    Chosen = I;
    // A hardware device is taken without looking further; software devices
    // are listed from the plainest up, so the last one is the best.
    if (Hardware)
      break;
  }
  return Chosen;
}

std::optional<std::size_t> ChooseDepthFormat(std::span<const TPixelFormat> Formats,
                                             bool WantStencil) {
  const std::uint32_t Wanted = WantStencil ? (DDPF_ZBUFFER | DDPF_STENCILBUFFER) : DDPF_ZBUFFER;
  const auto Found = std::find_if(Formats.begin(), Formats.end(),
                                  [&](const TPixelFormat& F) { return F.Flags == Wanted; });
  if (Found == Formats.end())
    return std::nullopt;
  return static_cast<std::size_t>(Found - Formats.begin());
}

namespace {

// Bounded by the largest int32 power of two, so a huge image cannot loop forever.
std::int32_t PowerOfTwoAtLeast(std::int32_t Side) {
  std::int32_t Power = 1;
  while (Power < Side && Power < (1 << 30))
    Power *= 2;
  return Power;
}

} // namespace

TTextureSize TextureSizeFor(std::int32_t Width, std::int32_t Height, std::uint32_t TextureCaps) {
  TTextureSize Size{Width, Height};
  if ((TextureCaps & D3DPTEXTURECAPS_POW2) != 0) {
    Size.Width = PowerOfTwoAtLeast(Width);
    Size.Height = PowerOfTwoAtLeast(Height);
  }
  if ((TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0) {
    if (Size.Width <= Size.Height)
      Size.Width = Size.Height;
    else
      Size.Height = Size.Width;
  }
  return Size;
}

namespace {

constexpr std::uint32_t UnwantedKinds = DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV;

std::optional<std::size_t> FirstTextureFormatOf(std::span<const TPixelFormat> Formats,
                                                std::uint32_t Bits, bool WantAlpha) {
  for (std::size_t I = 0; I < Formats.size(); ++I) {
    const TPixelFormat& F = Formats[I];
    if ((F.Flags & UnwantedKinds) != 0 || F.BitCount < 16 || F.FourCC != 0)
      continue;
    if (((F.Flags & DDPF_ALPHAPIXELS) != 0) != WantAlpha)
      continue;
    if (F.BitCount == Bits)
      return I;
  }
  return std::nullopt;
}

} // namespace

std::optional<std::size_t> ChooseTextureFormat(std::span<const TPixelFormat> Formats,
                                               bool WantAlpha) {
  if (const auto Found = FirstTextureFormatOf(Formats, 16, WantAlpha))
    return Found;
  return FirstTextureFormatOf(Formats, 32, WantAlpha);
}

} // namespace kestrava

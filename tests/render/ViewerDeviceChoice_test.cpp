// The viewer's choice of driver, device, depth format and texture layout,
// judged against made-up enumerations.

#include "render/ViewerDeviceChoice.h"

#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr TGuid GuidNumber(std::uint32_t N) {
  return {N, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
}

TDeviceDescription Capable(std::uint32_t Depths = DDBD_16 | DDBD_32) {
  TDeviceDescription D;
  D.Flags = D3DDD_COLORMODEL | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH;
  D.ColourModel = D3DCOLOR_RGB;
  D.TriangleCaps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB;
  D.RenderBitDepth = Depths;
  return D;
}

TDeviceCandidate SoftwareDevice(std::uint32_t N, TDeviceDescription Software = Capable()) {
  return {GuidNumber(N), "soft", "soft", {}, Software};
}

TDeviceCandidate HardwareDevice(std::uint32_t N, TDeviceDescription Hardware = Capable()) {
  return {GuidNumber(N), "hard", "hard", Hardware, {}};
}

std::optional<TGuid> Chosen(const std::vector<TDeviceCandidate>& Devices, bool Hardware,
                            std::int32_t Bits = 32) {
  const auto Index = ChooseDevice(Devices, Hardware, Bits);
  if (!Index)
    return std::nullopt;
  return Devices[*Index].Guid;
}

TEST(ViewerDeviceChoice, FirstQualifyingHardwareDeviceAndLastQualifyingSoftwareDeviceWin) {
  TDeviceDescription Mono = Capable();
  Mono.ColourModel = D3DCOLOR_MONO;
  const std::vector<TDeviceCandidate> Devices = {SoftwareDevice(1), HardwareDevice(2, Mono),
                                                 HardwareDevice(3), SoftwareDevice(4),
                                                 HardwareDevice(5), SoftwareDevice(6, Mono)};
  EXPECT_EQ(Chosen(Devices, true), GuidNumber(3));
  EXPECT_EQ(Chosen(Devices, false), GuidNumber(4));
}

TEST(ViewerDeviceChoice, DisplayDepthShadingAndTheNullDeviceFilterDevicesOut) {
  TDeviceDescription Flat = Capable();
  Flat.TriangleCaps.ShadeCaps = D3DPSHADECAPS_COLORFLATRGB;
  TDeviceCandidate Null = SoftwareDevice(0);
  Null.Guid = IID_IDirect3DNullDevice;
  const std::vector<TDeviceCandidate> Devices = {SoftwareDevice(1, Capable(DDBD_16)),
                                                 SoftwareDevice(2, Flat), Null};
  EXPECT_EQ(Chosen(Devices, false, 16), GuidNumber(1));
  EXPECT_EQ(Chosen(Devices, false, 32), std::nullopt);
  EXPECT_EQ(Chosen(Devices, false, 15), std::nullopt); // no flag for odd depths
  EXPECT_EQ(Chosen(Devices, true, 16), std::nullopt);  // no hardware at all
  EXPECT_EQ(BitDepthFlag(24), DDBD_24);
  EXPECT_EQ(BitDepthFlag(0), 0u);
}

TEST(ViewerDeviceChoice, DriverAtTheWantedPositionOrThePrimaryOne) {
  const std::vector<TDriverCandidate> Drivers = {{std::nullopt, "Primary", "display"},
                                                 {GuidNumber(7), "Second", "card"}};
  EXPECT_EQ(ChooseDriver(Drivers, 0), std::nullopt);
  EXPECT_EQ(ChooseDriver(Drivers, 1), GuidNumber(7));
  EXPECT_EQ(ChooseDriver(Drivers, 2), std::nullopt);
  EXPECT_EQ(ChooseDriver(Drivers, -1), std::nullopt);
}

TEST(ViewerDeviceChoice, DepthFormatFlagsMustMatchExactly) {
  const TPixelFormat Stencil{DDPF_ZBUFFER | DDPF_STENCILBUFFER, 0, 32, 0xFFFFFF00, 0xFF, 0, 0};
  const TPixelFormat Odd{DDPF_ZBUFFER | DDPF_ALPHAPIXELS, 0, 16, 0xFFFF, 0, 0, 0};
  const std::vector<TPixelFormat> Formats = {Stencil, Odd, PixelFormatDepth32};
  EXPECT_EQ(ChooseDepthFormat(Formats, false), 2u);
  EXPECT_EQ(ChooseDepthFormat(Formats, true), 0u);
  EXPECT_EQ(ChooseDepthFormat(std::vector<TPixelFormat>{Odd}, false), std::nullopt);
}

// Both restrictions at once are checked through the viewer's texture cache.
TEST(ViewerDeviceChoice, TextureSizesFollowPowerOfTwoAndSquareOnlyDevices) {
  EXPECT_EQ(TextureSizeFor(100, 60, 0), (TTextureSize{100, 60}));
  EXPECT_EQ(TextureSizeFor(100, 60, D3DPTEXTURECAPS_POW2), (TTextureSize{128, 64}));
  EXPECT_EQ(TextureSizeFor(30, 70, D3DPTEXTURECAPS_SQUAREONLY), (TTextureSize{70, 70}));
  EXPECT_EQ(TextureSizeFor(1, 64, D3DPTEXTURECAPS_POW2), (TTextureSize{1, 64}));
  EXPECT_EQ(TextureSizeFor(0, 0, D3DPTEXTURECAPS_POW2), (TTextureSize{1, 1}));
}

TEST(ViewerDeviceChoice, SixteenBitTextureFormatsComeFirstAndTwentyFourBitsNever) {
  const TPixelFormat RGB565{DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  const TPixelFormat ARGB1555{DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x7C00, 0x03E0, 0x1F, 0x8000};
  const TPixelFormat RGB888{DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
  const TPixelFormat Luminance{DDPF_LUMINANCE, 0, 16, 0xFFFF, 0, 0, 0};
  const TPixelFormat FourCC{DDPF_FOURCC, 0x31545844, 16, 0, 0, 0, 0};
  const TPixelFormat Palette8{DDPF_RGB, 0, 8, 0, 0, 0, 0};

  const std::vector<TPixelFormat> Formats = {Luminance,           FourCC,   Palette8, RGB888,
                                             PixelFormatXRGB8888, ARGB1555, RGB565};
  EXPECT_EQ(ChooseTextureFormat(Formats, false), 6u);
  EXPECT_EQ(ChooseTextureFormat(Formats, true), 5u);
  const std::vector<TPixelFormat> Wide = {RGB888, PixelFormatARGB8888, PixelFormatXRGB8888};
  EXPECT_EQ(ChooseTextureFormat(Wide, false), 2u);
  EXPECT_EQ(ChooseTextureFormat(Wide, true), 1u);
  EXPECT_EQ(ChooseTextureFormat(std::vector<TPixelFormat>{RGB888, Luminance}, false), std::nullopt);
}

} // namespace
} // namespace kestrava

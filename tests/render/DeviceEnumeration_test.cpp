// What the 3D layer enumerates for the choice rules: the OpenGL device is a
// hardware device only where its OpenGL is hardware.

#include "render/DeviceEnumeration.h"
#include "render/DirectXResultCodes.h"
#include "render/ViewerDeviceChoice.h"

#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

std::vector<TDeviceCandidate> DevicesWithOpenGL(const std::string& Renderer) {
  std::shared_ptr<IDirectDrawLayer> DirectDraw;
  TDirectDrawOptions Options;
  Options.OpenGLRenderer = [Renderer] {
    return TOpenGLRenderer{true, Renderer, ""};
  };
  EXPECT_EQ(DirectDrawCreate(nullptr, DirectDraw, Options), DD_OK);
  std::shared_ptr<IDirect3DLayer> Direct3D;
  EXPECT_EQ(DirectDraw->QueryDirect3D(Direct3D), DD_OK);
  std::vector<TDeviceCandidate> Devices;
  Direct3D->EnumDevices([&](const TGuid& Guid, std::string_view Description, std::string_view Name,
                            const TDeviceDescription& Hardware,
                            const TDeviceDescription& Software) {
    Devices.push_back({Guid, std::string(Description), std::string(Name), Hardware, Software});
    return true;
  });
  return Devices;
}

std::string Chosen(const std::vector<TDeviceCandidate>& Devices, bool Hardware) {
  const auto Index = ChooseDevice(Devices, Hardware, 32);
  return Index ? Devices[*Index].Description : "none";
}

TEST(DeviceEnumeration, AnOpenGLDrawingOnTheProcessorIsNoHardwareAndNeverTakesOursPlace) {
  const auto Mesa = DevicesWithOpenGL("llvmpipe (LLVM 15.0.6, 256 bits)");
  EXPECT_EQ(Chosen(Mesa, true), "none") << "the hardware wish falls back to software";
  EXPECT_EQ(Chosen(Mesa, false), SoftwareDeviceDescription);

  const auto Card = DevicesWithOpenGL("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)");
  EXPECT_EQ(Chosen(Card, true), OpenGLDeviceDescription);
  EXPECT_EQ(Chosen(Card, false), SoftwareDeviceDescription);
}

} // namespace
} // namespace kestrava

#pragma once
// A small software device on a surface of a few pixels, set up so that
// vertex x and y are screen pixels (pixel centres at integers) and z is the
// depth, for pixel tests of the device layer.

#include "render/DeviceEnumeration.h"
#include "render/DirectXResultCodes.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

inline D3DLVERTEX Vertex(float X, float Y, float Z, D3DCOLOR Diffuse,
                         D3DCOLOR Specular = 0xFF000000u, float U = 0, float V = 0) {
  return {X, Y, Z, 0, Diffuse, Specular, U, V};
}

// The triangle (0, 0), (Size, 0), (0, Size) in one colour: the upper left
// half of a square, clockwise on the screen.
inline std::vector<D3DLVERTEX> Corner(float Size, D3DCOLOR Diffuse, float Z = 0.5f,
                                      D3DCOLOR Specular = 0xFF000000u) {
  return {Vertex(0, 0, Z, Diffuse, Specular), Vertex(Size, 0, Z, Diffuse, Specular),
          Vertex(0, Size, Z, Diffuse, Specular)};
}

struct TTestDevice {
  std::shared_ptr<IDirectDrawLayer> DirectDraw;
  std::shared_ptr<IDirect3DLayer> Direct3D;
  std::shared_ptr<IDrawSurface> Target;
  std::shared_ptr<IDrawSurface> Depth;
  std::shared_ptr<I3DDevice> Device;
  std::shared_ptr<I3DViewport> Viewport;
  std::shared_ptr<I3DMaterial> Background;
  std::int32_t Width = 0;
  std::int32_t Height = 0;

  // Device is the enumerated device to draw with (the software one unless
  // told otherwise).
  TTestDevice(std::int32_t W, std::int32_t H, std::int32_t Threads = 1, bool WithDepth = true,
              const TGuid& DeviceId = IID_IDirect3DRGBDevice)
      : Width(W), Height(H) {
    EXPECT_EQ(DirectDrawCreate(nullptr, DirectDraw, {.RenderThreads = Threads}), DD_OK);
    EXPECT_EQ(DirectDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(DirectDraw->QueryDirect3D(Direct3D), DD_OK);
    TSurfaceDescription Back;
    Back.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    Back.Width = W;
    Back.Height = H;
    Back.Caps.Caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    EXPECT_EQ(DirectDraw->CreateSurface(Back, Target), DD_OK);
    if (WithDepth) {
      TSurfaceDescription Z = Back;
      Z.Flags |= DDSD_PIXELFORMAT;
      Z.Caps.Caps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
      Z.PixelFormat = PixelFormatDepth32;
      EXPECT_EQ(DirectDraw->CreateSurface(Z, Depth), DD_OK);
      EXPECT_EQ(Target->AddAttachedSurface(Depth), DD_OK);
    }
    EXPECT_EQ(Direct3D->CreateDevice(DeviceId, Target, Device), DD_OK);
    EXPECT_EQ(Direct3D->CreateViewport(Viewport), DD_OK);
    EXPECT_EQ(Device->AddViewport(Viewport), DD_OK);
    EXPECT_EQ(Device->SetCurrentViewport(Viewport), DD_OK);
    // Clip volume = the pixel rectangle; the projection flips y so that
    // vertex y runs down the screen like pixel rows.
    EXPECT_EQ(Viewport->SetViewport2({.Width = static_cast<std::uint32_t>(W),
                                      .Height = static_cast<std::uint32_t>(H),
                                      .ClipX = 0,
                                      .ClipY = 0,
                                      .ClipWidth = static_cast<float>(W),
                                      .ClipHeight = static_cast<float>(H)}),
              DD_OK);
    TDeviceMatrix FlipY;
    FlipY.M[1][1] = -1;
    EXPECT_EQ(Device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, FlipY), DD_OK);
    EXPECT_EQ(Device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), DD_OK);
    EXPECT_EQ(Direct3D->CreateMaterial(Background), DD_OK);
    EXPECT_EQ(Viewport->SetBackground(Background), DD_OK);
  }

  // Clears colour (0x00RRGGBB) and depth of the whole surface.
  void Clear(std::uint32_t Colour = 0) {
    TMaterial M;
    M.Diffuse = {((Colour >> 16) & 0xFF) / 255.0f, ((Colour >> 8) & 0xFF) / 255.0f,
                 (Colour & 0xFF) / 255.0f, 0};
    Background->SetMaterial(M);
    const TRect All{0, 0, Width, Height};
    EXPECT_EQ(Viewport->Clear({&All, 1}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), DD_OK);
  }

  void Draw(D3DPRIMITIVETYPE Type, const std::vector<D3DLVERTEX>& Vertices) {
    ASSERT_EQ(Device->BeginScene(), DD_OK);
    EXPECT_EQ(Device->DrawPrimitive(Type, D3DFVF_LVERTEX, Vertices, 0), DD_OK);
    ASSERT_EQ(Device->EndScene(), DD_OK);
  }
  void Triangles(const std::vector<D3DLVERTEX>& Vertices) { Draw(D3DPT_TRIANGLELIST, Vertices); }

  void State(D3DRENDERSTATETYPE State, std::uint32_t Value) {
    EXPECT_EQ(Device->SetRenderState(State, Value), DD_OK);
  }

  // 0x00RRGGBB of every pixel, row by row.
  std::vector<std::uint32_t> Pixels() const {
    TLockedSurface Locked;
    EXPECT_EQ(Target->Lock(Locked), DD_OK);
    std::vector<std::uint32_t> Result(static_cast<std::size_t>(Width * Height));
    const auto* Bits = static_cast<const std::uint32_t*>(Locked.Bits);
    for (std::size_t I = 0; I < Result.size(); ++I) {
      Result[I] = Bits[I] & 0xFFFFFFu;
    }
    EXPECT_EQ(Target->Unlock(), DD_OK);
    return Result;
  }
  std::uint32_t Pixel(std::int32_t X, std::int32_t Y) const {
    return Pixels()[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) +
                    static_cast<std::size_t>(X)];
  }
  float DepthAt(std::int32_t X, std::int32_t Y) const {
    TLockedSurface Locked;
    EXPECT_EQ(Depth->Lock(Locked), DD_OK);
    const float Value = static_cast<const float*>(Locked.Bits)[Y * Width + X];
    EXPECT_EQ(Depth->Unlock(), DD_OK);
    return Value;
  }
};

// A texture surface of Width x Height texels (rows from the top): 0x00RRGGBB,
// or 0xAARRGGBB in a format with alpha.
inline std::shared_ptr<I3DTexture> MakeTexture(IDirectDrawLayer& DirectDraw, std::int32_t Width,
                                               std::int32_t Height,
                                               const std::vector<std::uint32_t>& Texels,
                                               std::shared_ptr<IDrawSurface>* SurfaceOut = nullptr,
                                               const TPixelFormat& Format = PixelFormatXRGB8888) {
  TSurfaceDescription D;
  D.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  D.Width = Width;
  D.Height = Height;
  D.Caps.Caps = DDSCAPS_TEXTURE;
  D.PixelFormat = Format;
  std::shared_ptr<IDrawSurface> Surface;
  EXPECT_EQ(DirectDraw.CreateSurface(D, Surface), DD_OK);
  TLockedSurface Locked;
  EXPECT_EQ(Surface->Lock(Locked), DD_OK);
  auto* Bits = static_cast<std::uint32_t*>(Locked.Bits);
  for (std::size_t I = 0; I < Texels.size(); ++I) {
    Bits[I] = (Format.Flags & DDPF_ALPHAPIXELS) != 0 ? Texels[I] : Texels[I] | 0xFF000000u;
  }
  EXPECT_EQ(Surface->Unlock(), DD_OK);
  std::shared_ptr<I3DTexture> Texture;
  EXPECT_EQ(Surface->QueryTexture(Texture), DD_OK);
  if (SurfaceOut != nullptr) {
    *SurfaceOut = Surface;
  }
  return Texture;
}

} // namespace kestrava::testing

#pragma once
// The 3D half of the device layer: Direct3D-like devices that draw pre-lit
// vertices into a surface, their viewports and materials, and the object that
// enumerates and creates them.
//
// Ownership: everything is shared (std::shared_ptr). A device keeps its
// render target (and through it the attached depth buffer) and its bound
// texture alive; a viewport added to a device refers to the device without
// keeping it alive (once the device is gone the viewport answers
// D3DERR_VIEWPORTHASNODEVICE). Thread: the calling thread must be one
// (the user interface); a device may use one worker thread of its own inside
// its calls and never outside them.
//
// Drawing is deferred: draw calls and viewport clears are recorded and carried
// out when anything touches the pixels of a surface they use (a blit, a
// lock, a drawing context, a colour key change, a restore, drawing by
// another device) or the statistics are asked for. A caller therefore sees
// exactly the pixels an immediate device would give.

#include "foundation/QelObject.h"
#include "foundation/Rectangle.h"
#include "render/DeviceTypes.h"
#include "render/DrawSurface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

namespace kestrava {

class I3DDevice;

class I3DMaterial {
public:
  virtual ~I3DMaterial() = default;
  virtual HRESULT SetMaterial(const TMaterial& Material) = 0;
  virtual HRESULT GetMaterial(TMaterial& Material) const = 0;
};

class I3DViewport {
public:
  virtual ~I3DViewport() = default;

  // Width and Height must be at least 1 and ClipWidth, ClipHeight positive
  // and MinZ <= MaxZ, else DDERR_INVALIDPARAMS.
  virtual HRESULT SetViewport2(const TViewport2& Viewport) = 0;
  // D3DERR_VIEWPORTDATANOTSET before the first SetViewport2.
  virtual HRESULT GetViewport2(TViewport2& Viewport) const = 0;

  // The material whose diffuse colour D3DCLEAR_TARGET clears to; null means
  // black. The viewport keeps the material alive and reads it at Clear.
  virtual HRESULT SetBackground(const std::shared_ptr<I3DMaterial>& Material) = 0;

  // Clears each rectangle (surface pixels, cut to the viewport rectangle and
  // the surface): D3DCLEAR_TARGET to the background colour, D3DCLEAR_ZBUFFER
  // to depth 1.0 (ignored when the target has no depth buffer). Needs the
  // viewport added to a device (D3DERR_VIEWPORTHASNODEVICE) and its data set.
  // Works inside and outside BeginScene / EndScene.
  virtual HRESULT Clear(std::span<const TRect> Rectangles, std::uint32_t Flags) = 0;

  // Transforms each point in place by the device's world, view and
  // projection transforms and this viewport's mapping (see TTransformVertex).
  // With D3DTRANSFORM_CLIPPED, OffScreen is set non-zero when all points lie
  // outside one plane of the clip volume (else 0); with
  // D3DTRANSFORM_UNCLIPPED it is set to 0. A point with w = 0 gets Rhw = 0
  // and its x, y, z unchanged.
  virtual HRESULT TransformVertices(std::span<TTransformVertex> Vertices, std::uint32_t Flags,
                                    std::uint32_t& OffScreen) = 0;
};

class I3DDevice {
public:
  virtual ~I3DDevice() = default;

  // The device uses the viewport's data for clipping and for its clears.
  virtual HRESULT AddViewport(const std::shared_ptr<I3DViewport>& Viewport) = 0;
  // The viewport must have been added (DDERR_INVALIDPARAMS otherwise).
  virtual HRESULT SetCurrentViewport(const std::shared_ptr<I3DViewport>& Viewport) = 0;

  // BeginScene answers D3DERR_SCENE_IN_SCENE inside a scene and
  // DDERR_SURFACELOST while the target or its depth buffer is lost. EndScene
  // answers D3DERR_SCENE_NOT_IN_SCENE outside a scene, draws everything
  // recorded, and answers DDERR_SURFACELOST (drawing nothing) when a surface
  // was lost meanwhile.
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;

  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE Type, const TDeviceMatrix& Matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE Type, TDeviceMatrix& Matrix) const = 0;

  // Unknown states, and values outside a state's enumeration, answer
  // DDERR_INVALIDPARAMS and leave the state as it was.
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, std::uint32_t Value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, std::uint32_t& Value) const = 0;

  // Stage must be 0 (DDERR_INVALIDPARAMS otherwise).
  virtual HRESULT SetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                                       std::uint32_t Value) = 0;
  virtual HRESULT GetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                                       std::uint32_t& Value) const = 0;

  // Binds a texture to stage 0, or unbinds with null. The device keeps it
  // alive while bound (and while drawings that use it are pending).
  virtual HRESULT SetTexture(std::uint32_t Stage, const std::shared_ptr<I3DTexture>& Texture) = 0;

  // Draws Vertices as Type (points, line pairs or triangles; D3DPT_LINELIST
  // and D3DPT_TRIANGLELIST take whole pairs and triples, a remainder is
  // ignored). VertexFormat must be D3DFVF_LVERTEX (D3DERR_INVALIDVERTEXTYPE),
  // Type one of D3DPRIMITIVETYPE (D3DERR_INVALIDPRIMITIVETYPE); only inside a
  // scene (D3DERR_SCENE_NOT_IN_SCENE) with a current viewport
  // (D3DERR_NOCURRENTVIEWPORT). The data is copied before the call returns.
  // Flags are not used.
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                                std::span<const D3DLVERTEX> Vertices, std::uint32_t Flags) = 0;
  // As DrawPrimitive, the primitives' vertices taken from Vertices by Indices.
  // An index outside Vertices answers DDERR_INVALIDPARAMS and draws nothing.
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                                       std::span<const D3DLVERTEX> Vertices,
                                       std::span<const std::uint16_t> Indices,
                                       std::uint32_t Flags) = 0;

  // The texture formats the device samples, in its order of preference;
  // Callback returns false to stop.
  virtual HRESULT
  EnumTextureFormats(const std::function<bool(const TPixelFormat& Format)>& Callback) const = 0;

  virtual HRESULT GetCaps(TDeviceDescription& Hardware, TDeviceDescription& Software) const = 0;
  virtual std::shared_ptr<IDrawSurface> RenderTarget() const = 0;

  // Counts what is drawn; asking draws what is still recorded.
  virtual TDrawStatistics Statistics() = 0;
  virtual void ResetStatistics() = 0;
};

// Callback of EnumDevices: one device with both of its descriptions. Returns
// false to stop the enumeration.
using TDeviceEnumCallback =
    std::function<bool(const TGuid& Guid, std::string_view Description, std::string_view Name,
                       const TDeviceDescription& Hardware, const TDeviceDescription& Software)>;

class IDirect3DLayer {
public:
  virtual ~IDirect3DLayer() = default;

  // The devices in a fixed order: software devices first, then any hardware
  // device. The software RGB device (IID_IDirect3DRGBDevice) is always there;
  // the OpenGL device (IID_IDirect3DHALDevice, hardware flags set) unless
  // TDirectDrawOptions::OfferHardwareDevice is false. CreateDevice answers
  // D3DERR_INVALID_DEVICE for it where no OpenGL context can be made.
  virtual HRESULT EnumDevices(const TDeviceEnumCallback& Callback) const = 0;
  // Only D3DFDS_GUID searches are offered (DDERR_INVALIDPARAMS otherwise);
  // DDERR_NOTFOUND for an unknown device.
  virtual HRESULT FindDevice(const TFindDeviceSearch& Search, TFindDeviceResult& Result) const = 0;
  // The depth formats of a device (DDERR_INVALIDPARAMS for an unknown one).
  virtual HRESULT
  EnumZBufferFormats(const TGuid& Device,
                     const std::function<bool(const TPixelFormat& Format)>& Callback) const = 0;

  // A device drawing into Target, a 32-bit colour surface made with
  // DDSCAPS_3DDEVICE (DDERR_INVALIDCAPS otherwise); a depth buffer attached
  // to Target is used for depth testing. DDERR_INVALIDPARAMS for an unknown
  // device identifier.
  virtual HRESULT CreateDevice(const TGuid& Device, const std::shared_ptr<IDrawSurface>& Target,
                               std::shared_ptr<I3DDevice>& Result) = 0;
  virtual HRESULT CreateViewport(std::shared_ptr<I3DViewport>& Result) = 0;
  virtual HRESULT CreateMaterial(std::shared_ptr<I3DMaterial>& Result) = 0;
};

} // namespace kestrava

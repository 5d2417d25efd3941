#pragma once
// The software RGB device and its viewport: keeps the Direct3D-like state,
// records draws and clears (copying the caller's vertices and indices with
// the transform and states of the moment, so the caller's buffers may change
// afterwards) and hands the queue to the rasterizer when a surface it uses
// is about to be touched. Presenting the target draws and presents in one
// pass. Bands that clear their depth (and, when presented, their colour)
// first keep it in the rasterizer's cache-sized buffers: the queue is then
// kept, and drawn once more into memory only if anything reads what is
// missing before clearing it.
//
// Thread: as I3DDevice.

#include "render/Direct3DDevice.h"
#include "render/MemorySurface.h"
#include "render/SoftwareRasterizer.h"

#include <array>
#include <memory>
#include <vector>

namespace kestrava {

class TSoftwareDevice;

class TSoftwareViewport final : public I3DViewport {
public:
  HRESULT SetViewport2(const TViewport2& Viewport) override;
  HRESULT GetViewport2(TViewport2& Viewport) const override;
  HRESULT SetBackground(const std::shared_ptr<I3DMaterial>& Material) override;
  HRESULT Clear(std::span<const TRect> Rectangles, std::uint32_t Flags) override;
  HRESULT TransformVertices(std::span<TTransformVertex> Vertices, std::uint32_t Flags,
                            std::uint32_t& OffScreen) override;

  // For the device.
  void AttachTo(const std::shared_ptr<TSoftwareDevice>& Device) { Device_ = Device; }
  bool HasData() const { return HasData_; }
  const TViewport2& Data() const { return Data_; }

private:
  std::weak_ptr<TSoftwareDevice> Device_;
  TViewport2 Data_;
  bool HasData_ = false;
  std::shared_ptr<I3DMaterial> Background_;
};

class TSoftwareDevice final : public I3DDevice,
                              public IPendingDrawing,
                              public std::enable_shared_from_this<TSoftwareDevice> {
public:
  // Target: a colour surface made for 3D drawing. Threads as in
  // TDirectDrawOptions::RenderThreads.
  TSoftwareDevice(std::shared_ptr<TMemorySurface> Target, const TDeviceDescription& Software,
                  std::int32_t Threads);
  // The same recording device with another executor behind it (the OpenGL
  // device); Hardware is its hardware description (zero for software).
  TSoftwareDevice(std::shared_ptr<TMemorySurface> Target, const TDeviceDescription& Hardware,
                  const TDeviceDescription& Software, std::unique_ptr<IQueueExecutor> Executor);
  ~TSoftwareDevice() override;
  TSoftwareDevice(const TSoftwareDevice&) = delete;
  TSoftwareDevice& operator=(const TSoftwareDevice&) = delete;

  HRESULT AddViewport(const std::shared_ptr<I3DViewport>& Viewport) override;
  HRESULT SetCurrentViewport(const std::shared_ptr<I3DViewport>& Viewport) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE Type, const TDeviceMatrix& Matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE Type, TDeviceMatrix& Matrix) const override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, std::uint32_t Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, std::uint32_t& Value) const override;
  HRESULT SetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                               std::uint32_t Value) override;
  HRESULT GetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                               std::uint32_t& Value) const override;
  HRESULT SetTexture(std::uint32_t Stage, const std::shared_ptr<I3DTexture>& Texture) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                        std::span<const D3DLVERTEX> Vertices, std::uint32_t Flags) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                               std::span<const D3DLVERTEX> Vertices,
                               std::span<const std::uint16_t> Indices,
                               std::uint32_t Flags) override;
  HRESULT
  EnumTextureFormats(
      const std::function<bool(const TPixelFormat& Format)>& Callback) const override;
  HRESULT GetCaps(TDeviceDescription& Hardware, TDeviceDescription& Software) const override;
  std::shared_ptr<IDrawSurface> RenderTarget() const override { return Target_; }
  TDrawStatistics Statistics() override;
  void ResetStatistics() override { Statistics_ = {}; }

  void FinishPendingDrawing() override;
  bool FinishPendingDrawingInto(const TMemorySurface& Source, const TPresentRows& Present) override;

  // For the viewports.
  HRESULT RecordClear(const TViewport2& Viewport, std::span<const TRect> Rectangles,
                      std::uint32_t Flags, std::uint32_t Colour);
  // World x view x projection, in double precision.
  void WorldViewProjection(double (&Result)[4][4]) const;

  // Test switch of the rasterizer (see TSoftwareRasterizer::SetGeneralPathOnly).
  void SetGeneralPathOnlyForTest(bool GeneralOnly) {
    if (auto* Rasterizer = dynamic_cast<TSoftwareRasterizer*>(Executor_.get())) {
      Rasterizer->SetGeneralPathOnly(GeneralOnly);
    }
  }

private:
  HRESULT CheckDrawable(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat);
  HRESULT Record(D3DPRIMITIVETYPE Type, std::span<const D3DLVERTEX> Vertices,
                 std::span<const std::uint16_t> Indices, bool Indexed);
  TRasterState CurrentRasterState();
  void UsePendingSurface(const std::shared_ptr<TMemorySurface>& Surface);
  TRasterTarget RasterTarget() const;
  void DrawRecorded(const TPresentRows* Present, bool KeepAll);
  void KeepForRestore(bool ColourMissing);
  void DropPending();
  bool TargetLost() const;

  std::shared_ptr<TMemorySurface> Target_;
  TDeviceDescription Hardware_;
  TDeviceDescription Software_;
  std::unique_ptr<IQueueExecutor> Executor_;
  TRenderQueue Queue_;
  std::vector<std::shared_ptr<TMemorySurface>> PendingSurfaces_;
  std::vector<std::shared_ptr<TSoftwareViewport>> Viewports_;
  std::shared_ptr<TSoftwareViewport> CurrentViewport_;
  std::shared_ptr<I3DTexture> Texture_;
  std::array<TDeviceMatrix, 3> Transforms_{};
  std::array<std::uint32_t, D3DRENDERSTATE_LAST_> RenderStates_{};
  std::array<std::uint32_t, D3DTSS_LAST_> StageStates_{};
  bool InScene_ = false;
  // The queue is drawn but kept: some bands' colour or depth is still to be
  // written to memory.
  bool Owed_ = false;
  TDrawStatistics Statistics_;
};

} // namespace kestrava

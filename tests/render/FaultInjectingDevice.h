#pragma once
// A device decorator for the callers' retry paths: it refuses scene begins
// or answers "still drawing" a given number of times, and otherwise passes
// every call on to the device it wraps. Install it through
// TDirectDrawOptions::WrapDevice.

#include "render/Direct3DDevice.h"
#include "render/DirectXResultCodes.h"

#include <memory>

namespace kestrava::testing {

class TFaultInjectingDevice final : public I3DDevice {
public:
  explicit TFaultInjectingDevice(std::shared_ptr<I3DDevice> Inner) : Inner_(std::move(Inner)) {}

  static std::shared_ptr<I3DDevice> Wrap(std::shared_ptr<I3DDevice> Inner) {
    return std::make_shared<TFaultInjectingDevice>(std::move(Inner));
  }
  // The decorator behind a device a caller holds (null when not wrapped).
  static TFaultInjectingDevice* Of(I3DDevice* Device) {
    return dynamic_cast<TFaultInjectingDevice*>(Device);
  }

  // The next Count BeginScene calls answer D3DERR_SCENE_BEGIN_FAILED.
  void RefuseBeginScenes(std::int32_t Count) { RefuseBegins_ = Count; }
  // The next Count draw calls answer DDERR_WASSTILLDRAWING without drawing.
  void AnswerStillDrawing(std::int32_t Count) { StillDrawing_ = Count; }

  HRESULT AddViewport(const std::shared_ptr<I3DViewport>& V) override {
    return Inner_->AddViewport(V);
  }
  HRESULT SetCurrentViewport(const std::shared_ptr<I3DViewport>& V) override {
    return Inner_->SetCurrentViewport(V);
  }
  HRESULT BeginScene() override {
    if (RefuseBegins_ > 0) {
      --RefuseBegins_;
      return D3DERR_SCENE_BEGIN_FAILED;
    }
    return Inner_->BeginScene();
  }
  HRESULT EndScene() override { return Inner_->EndScene(); }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE T, const TDeviceMatrix& M) override {
    return Inner_->SetTransform(T, M);
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE T, TDeviceMatrix& M) const override {
    return Inner_->GetTransform(T, M);
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE S, std::uint32_t V) override {
    return Inner_->SetRenderState(S, V);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE S, std::uint32_t& V) const override {
    return Inner_->GetRenderState(S, V);
  }
  HRESULT SetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE S,
                               std::uint32_t V) override {
    return Inner_->SetTextureStageState(Stage, S, V);
  }
  HRESULT GetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE S,
                               std::uint32_t& V) const override {
    return Inner_->GetTextureStageState(Stage, S, V);
  }
  HRESULT SetTexture(std::uint32_t Stage, const std::shared_ptr<I3DTexture>& T) override {
    return Inner_->SetTexture(Stage, T);
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t Format,
                        std::span<const D3DLVERTEX> Vertices, std::uint32_t Flags) override {
    return StillDrawing() ? DDERR_WASSTILLDRAWING
                          : Inner_->DrawPrimitive(Type, Format, Vertices, Flags);
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t Format,
                               std::span<const D3DLVERTEX> Vertices,
                               std::span<const std::uint16_t> Indices,
                               std::uint32_t Flags) override {
    return StillDrawing() ? DDERR_WASSTILLDRAWING
                          : Inner_->DrawIndexedPrimitive(Type, Format, Vertices, Indices, Flags);
  }
  HRESULT
  EnumTextureFormats(const std::function<bool(const TPixelFormat&)>& Callback) const override {
    return Inner_->EnumTextureFormats(Callback);
  }
  HRESULT GetCaps(TDeviceDescription& Hardware, TDeviceDescription& Software) const override {
    return Inner_->GetCaps(Hardware, Software);
  }
  std::shared_ptr<IDrawSurface> RenderTarget() const override { return Inner_->RenderTarget(); }
  TDrawStatistics Statistics() override { return Inner_->Statistics(); }
  void ResetStatistics() override { Inner_->ResetStatistics(); }

private:
  bool StillDrawing() {
    if (StillDrawing_ <= 0) {
      return false;
    }
    --StillDrawing_;
    return true;
  }

  std::shared_ptr<I3DDevice> Inner_;
  std::int32_t RefuseBegins_ = 0;
  std::int32_t StillDrawing_ = 0;
};

} // namespace kestrava::testing

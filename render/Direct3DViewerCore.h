#pragma once
// Everything of the 3D viewer control except the widget: the device life
// cycle with its hardware wish and software fall-back, the surfaces and
// depth buffer, the camera and projection settings, painting and
// presenting, clearing and drawing scenes, 2D images, and the conversions
// between frame points and pixels. The Qt control hosts one; the
// command-line tool and the tests drive one with an off-screen window.
//
// States: not initialised (no device) and initialised. Painting initialises
// on demand; changing the hardware wish or the bounds only drops the state
// flag, so the next paint rebuilds at the new size. Settings survive
// rebuilds; the image cache does not.
//
// Ownership: the core owns its device, surfaces, canvas and image cache; the
// window is not owned and must outlive the core. The interface's reference
// counting does not govern the core's life (there is none here): whoever
// created it destroys it. Thread: user-interface thread only.

#include "foundation/HighResTimer.h"
#include "render/DeviceEnumeration.h"
#include "render/Direct3DDevice.h"
#include "render/Direct3DTextures.h"
#include "render/Direct3DViewerWindow.h"
#include "render/DirectDrawCanvas.h"
#include "render/ViewProjection.h"
#include "scene/Graphics3DViewer.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrava {

// How many times a refused scene begin is asked again (restoring lost
// surfaces in between) before Render gives up with EDirectX.
inline constexpr std::int32_t MaxBeginSceneAttempts = 100;

// The viewer's own failure texts.
inline constexpr const char* NoSuitableDriverText = "Failed to find a suitable Direct3D driver.";
inline constexpr const char* NoDirectDrawText = "Failed to create DirectDraw.";
inline constexpr const char* DeviceNotLocatedText = "Failed to locate chosen Direct3D device.";
inline constexpr const char* NoZBufferFormatText =
    "Device doesn't support requested Z Buffer format.";
inline constexpr const char* NoBackSurfaceText =
    "Attempting to copy from a non-existant back surface.";
inline constexpr const char* WindowTooLargeText =
    "DirectDraw error: Window is larger than graphics surface.";
inline constexpr const char* FrameToScreenParallelText =
    "The function FrameToScreen must only be used in parallel projection mode.";
inline constexpr const char* ScreenToFrameParallelText =
    "The function ScreenToFrame must only be used in parallel projection mode.";

class TDirect3DViewerCore : public IGraphics3DViewer {
public:
  // Options describe the platform below the device layer (tests use them to
  // reach the fall-back paths).
  explicit TDirect3DViewerCore(IViewerWindow& Window, const TDirectDrawOptions& Options = {});
  ~TDirect3DViewerCore() override;
  TDirect3DViewerCore(const TDirect3DViewerCore&) = delete;
  TDirect3DViewerCore& operator=(const TDirect3DViewerCore&) = delete;

  // The application's drawing, called by Paint with the device initialised.
  std::function<void(TDirect3DViewerCore& Sender)> OnDraw;

  bool UseDirect3DHardware() const { return UseDirect3DHardware_; }
  // A different value drops the device; the next paint builds the new choice.
  void SetUseDirect3DHardware(bool Hardware);
  // The window moved or changed size: the next paint rebuilds at the new size.
  void BoundsChanged() { Initialised_ = false; }

  bool Initialised() const { return Initialised_; }
  std::int32_t SurfaceWidth() const { return SurfaceWidth_; }
  std::int32_t SurfaceHeight() const { return SurfaceHeight_; }
  bool HasDepthBuffer() const { return static_cast<bool>(ZBuffer_); }
  // The chosen device's capabilities and the description it was enumerated
  // with (valid while initialised).
  const TDeviceDescription& DeviceDescription() const { return DeviceDescription_; }
  const std::string& DeviceName() const { return DeviceName_; }
  // Why the last hardware attempt failed and the core fell back to software;
  // empty while it has not.
  const std::string& HardwareFailure() const { return HardwareFailure_; }

  // Builds device and surfaces unless initialised. On failure everything is
  // released, the state stays not initialised and the exception passes on.
  void InitialiseDevice();
  void ReleaseDevice();
  // Initialise when needed (hardware failing: once more in software), restore
  // lost surfaces, fire OnDraw and present. A control whose software device
  // cannot be built shows its colour and tries again at the next paint.
  void Paint();
  void Present();

  // The 2D canvas on the back surface; null while not initialised. Paint
  // gives its painter back before presenting.
  TDirectDrawCanvas* BackSurfaceCanvas() { return BackCanvas_.get(); }
  // Device-layer objects, for tests and statistics; null while not initialised.
  I3DDevice* Device() const { return Device_.get(); }
  IDirectDrawLayer* DirectDraw() const { return DirectDraw_.get(); }
  const std::shared_ptr<IDrawSurface>& BackSurface() const { return BackSurface_; }
  const TDirect3DTextures& Textures() const { return Textures_; }

  // IGraphics3DViewer. Clear, Render and DrawImage do nothing while not
  // initialised (they belong inside OnDraw).
  void Clear(std::uint32_t BackgroundColour, bool Unused) override;
  void Render(const TGraphics3DScene& Scene, const TGraphics3DFrame& Root) override;
  void DrawImage(const TTextureImage& Image, std::int32_t Left, std::int32_t Bottom) override;
  std::int32_t GetTextureMode() const override { return TextureMode_; }
  void SetTextureMode(std::int32_t Mode) override { TextureMode_ = Mode; }
  void ReleaseImage(const TTextureImage& Image) override { Textures_.ReleaseImage(Image); }
  void ReleaseAllImages() override { Textures_.Clear(); }
  TPositionOrientation GetCamera() const override { return View_.Camera; }
  void SetCamera(const TPositionOrientation& Camera) override { View_.Camera = Camera; }
  double GetNearClip() const override { return View_.NearClip; }
  void SetNearClip(double Distance) override { View_.NearClip = Distance; }
  double GetFarClip() const override { return View_.FarClip; }
  void SetFarClip(double Distance) override { View_.FarClip = Distance; }
  double GetFieldOfView() const override { return View_.FieldOfView; }
  void SetFieldOfView(double Angle) override { View_.FieldOfView = Angle; }
  std::int32_t GetProjectionType() const override { return View_.ProjectionType; }
  void SetProjectionType(std::int32_t Type) override { View_.ProjectionType = Type; }
  double GetScaleX() const override { return View_.ScaleX; }
  void SetScaleX(double Scale) override { View_.ScaleX = Scale; }
  double GetScaleY() const override { return View_.ScaleY; }
  void SetScaleY(double Scale) override { View_.ScaleY = Scale; }
  bool GetBackFaceCulling() const override { return BackFaceCulling_; }
  void SetBackFaceCulling(bool Enabled) override { BackFaceCulling_ = Enabled; }
  bool GetWireframe() const override { return Wireframe_; }
  void SetWireframe(bool Enabled) override { Wireframe_ = Enabled; }
  std::int32_t GetAntiAliasing() const override { return AntiAliasing_; }
  void SetAntiAliasing(std::int32_t Mode) override { AntiAliasing_ = Mode; }
  bool GetZBufferEnabled() const override { return ZBufferEnabled_; }
  void SetZBufferEnabled(bool Enabled) override { ZBufferEnabled_ = Enabled; }
  double GetLastRenderTime() const override { return LastRenderTime_; }
  // With the device's view and projection of the last Render; without a
  // device the same arithmetic is done here with the current settings.
  TVector3 ProjectToScreen(const TVector3& Point, const TGraphics3DFrame& Frame) override;
  TVector3 FrameToScreen(const TVector3& Point, const TGraphics3DFrame& Frame) override;
  TVector3 ScreenToFrame(const TVector3& Screen, const TGraphics3DFrame& Frame) override;

private:
  TViewSettings CurrentView() const;
  std::int32_t Width() const { return Window_.Width(); }
  std::int32_t Height() const { return Window_.Height(); }
  void BuildDevice();
  void ChooseDevice();
  void CreateSurfaces();
  void CreateDepthBuffer();
  void RestoreLostSurfaces();
  void GiveCanvasBack();
  bool AnySurfaceLost() const;
  void SetViewport(bool Checked);
  void BeginScene();
  void SetGlobalStates();
  void DrawScene(const TGraphics3DScene& Scene, const TGraphics3DFrame& Root,
                 std::span<D3DLVERTEX> Buffer);

  IViewerWindow& Window_;
  const TDirectDrawOptions Options_;

  bool Initialised_ = false;
  std::shared_ptr<IDirectDrawLayer> DirectDraw_;
  TGuid DeviceGuid_;
  TDeviceDescription DeviceDescription_;
  std::string DeviceName_;
  std::string HardwareFailure_;
  bool DepthInVideoMemory_ = false;
  TPixelFormat ZBufferFormat_;
  std::shared_ptr<IDrawClipper> Clipper_;
  bool WantStencil_ = false;
  std::shared_ptr<IDrawSurface> PrimarySurface_;
  std::shared_ptr<IDrawSurface> BackSurface_;
  std::shared_ptr<IDrawSurface> ZBuffer_;
  std::unique_ptr<TDirectDrawCanvas> BackCanvas_;
  bool UseDirect3DHardware_ = false;
  std::int32_t SurfaceWidth_ = 0;
  std::int32_t SurfaceHeight_ = 0;
  std::shared_ptr<IDirect3DLayer> Direct3D_;
  std::shared_ptr<I3DDevice> Device_;
  std::shared_ptr<I3DViewport> Viewport_;
  std::shared_ptr<I3DMaterial> BackgroundMaterial_;
  TDirect3DTextures Textures_;
  THighResTimer RenderTimer_;

  TViewSettings View_;
  bool BackFaceCulling_ = false;
  bool Wireframe_ = false;
  std::int32_t AntiAliasing_ = AntiAliasingDeviceDefault;
  bool ZBufferEnabled_ = true;
  std::int32_t TextureMode_ = TextureNearest;
  double LastRenderTime_ = 0;
  std::int32_t DriverIndex_ = 0;
};

} // namespace kestrava

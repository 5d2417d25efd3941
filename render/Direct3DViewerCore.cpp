#include "render/Direct3DViewerCore.h"

#include "foundation/FloatingPointMask.h"
#include "render/DirectXErrors.h"
#include "render/DirectXResultCodes.h"
#include "render/SceneDrawing.h"
#include "render/SceneLighting.h"
#include "render/ViewerDeviceChoice.h"

#include <exception>
#include <string>
#include <vector>

namespace kestrava {

namespace {

TSurfaceDescription SizedDescription(std::int32_t Width, std::int32_t Height, std::uint32_t Caps) {
  TSurfaceDescription Description;
  Description.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  Description.Width = Width;
  Description.Height = Height;
  Description.Caps.Caps = Caps;
  return Description;
}

bool IsLost(const std::shared_ptr<IDrawSurface>& Surface) {
  return Surface && Surface->IsLost() != 0;
}

std::vector<TDriverCandidate> EnumerateDrivers() {
  std::vector<TDriverCandidate> Drivers;
  DirectDrawEnumerate([&](const TGuid* Guid, std::string_view Description, std::string_view Name) {
    Drivers.push_back({Guid ? std::optional<TGuid>(*Guid) : std::nullopt, std::string(Description),
                       std::string(Name)});
    return Drivers.size() < 64;
  });
  return Drivers;
}

std::vector<TDeviceCandidate> EnumerateDevices(const IDirect3DLayer& Direct3D) {
  std::vector<TDeviceCandidate> Devices;
  Direct3D.EnumDevices([&](const TGuid& Guid, std::string_view Description, std::string_view Name,
                           const TDeviceDescription& Hardware, const TDeviceDescription& Software) {
    Devices.push_back({Guid, std::string(Description), std::string(Name), Hardware, Software});
    return Devices.size() < 64;
  });
  return Devices;
}

} // namespace

TDirect3DViewerCore::TDirect3DViewerCore(IViewerWindow& Window, const TDirectDrawOptions& Options)
    : Window_(Window), Options_(Options) {}

TDirect3DViewerCore::~TDirect3DViewerCore() {
  ReleaseDevice();
}

void TDirect3DViewerCore::SetUseDirect3DHardware(bool Hardware) {
  if (Hardware == UseDirect3DHardware_)
    return;
  UseDirect3DHardware_ = Hardware;
  Initialised_ = false;
}

void TDirect3DViewerCore::ReleaseDevice() {
  Initialised_ = false;
  Textures_.Clear();
  BackCanvas_.reset();
  BackgroundMaterial_.reset();
  Viewport_.reset();
  Device_.reset();
  Clipper_.reset();
  ZBuffer_.reset();
  BackSurface_.reset();
  PrimarySurface_.reset();
  Direct3D_.reset();
  DirectDraw_.reset();
}

void TDirect3DViewerCore::InitialiseDevice() {
  if (Initialised_)
    return;
  ReleaseDevice();
  WantStencil_ = false;
  SurfaceWidth_ = Width() > 0 ? Width() : 1;
  SurfaceHeight_ = Height() > 0 ? Height() : 1;
  try {
    BuildDevice();
  } catch (...) {
    ReleaseDevice();
    throw;
  }
  Initialised_ = true;
}

void TDirect3DViewerCore::BuildDevice() {
  const std::optional<TGuid> Driver = ChooseDriver(EnumerateDrivers(), DriverIndex_);
  if (DirectDrawCreate(Driver ? &*Driver : nullptr, DirectDraw_, Options_) != 0 || !DirectDraw_)
    throw Exception(NoDirectDrawText);
  if (DirectDraw_->QueryDirectDraw4() != 0 || DirectDraw_->QueryDirect3D(Direct3D_) != 0 ||
      !Direct3D_)
    throw EDirectX_NeedVersion6();
  ChooseDevice();
  CheckDirectXResult(
      DirectDraw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL | DDSCL_NOWINDOWCHANGES));
  CreateSurfaces();
  CreateDepthBuffer();
  CheckDirectXResult(Direct3D_->CreateDevice(DeviceGuid_, BackSurface_, Device_));
  CheckDirectXResult(Direct3D_->CreateViewport(Viewport_));
  CheckDirectXResult(Device_->AddViewport(Viewport_));
  CheckDirectXResult(Device_->SetCurrentViewport(Viewport_));
  BackCanvas_ = std::make_unique<TDirectDrawCanvas>(BackSurface_);
  // Not checked: a failed fill only leaves the new surface's own zeros.
  const TRect Whole{0, 0, SurfaceWidth_, SurfaceHeight_};
  TBltEffects Black;
  BackSurface_->Blt(&Whole, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &Black);
}

void TDirect3DViewerCore::ChooseDevice() {
  TSurfaceDescription Mode;
  CheckDirectXResult(DirectDraw_->GetDisplayMode(Mode));
  const std::vector<TDeviceCandidate> Devices = EnumerateDevices(*Direct3D_);
  const auto Chosen = kestrava::ChooseDevice(Devices, UseDirect3DHardware_,
                                             static_cast<std::int32_t>(Mode.PixelFormat.BitCount));
  if (!Chosen)
    throw EDirectX(NoSuitableDriverText);
  DeviceGuid_ = Devices[*Chosen].Guid;
  DeviceName_ = Devices[*Chosen].Description;
  TFindDeviceResult Found;
  if (Direct3D_->FindDevice({D3DFDS_GUID, DeviceGuid_}, Found) != 0)
    throw Exception(DeviceNotLocatedText);
  DepthInVideoMemory_ = IsHardwareDevice(Found.Hardware);
  DeviceDescription_ = DepthInVideoMemory_ ? Found.Hardware : Found.Software;
}

void TDirect3DViewerCore::CreateSurfaces() {
  TSurfaceDescription Primary;
  Primary.Flags = DDSD_CAPS;
  Primary.Caps.Caps = DDSCAPS_PRIMARYSURFACE;
  CheckDirectXResult(DirectDraw_->CreateSurface(Primary, PrimarySurface_));
  CheckDirectXResult(DirectDraw_->CreateSurface(
      SizedDescription(SurfaceWidth_, SurfaceHeight_, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE),
      BackSurface_));
  CheckDirectXResult(DirectDraw_->CreateClipper(0, Clipper_));
  CheckDirectXResult(Clipper_->SetWindow(&Window_));
  CheckDirectXResult(PrimarySurface_->SetClipper(Clipper_));
}

void TDirect3DViewerCore::CreateDepthBuffer() {
  std::vector<TPixelFormat> Formats;
  Direct3D_->EnumZBufferFormats(DeviceGuid_, [&](const TPixelFormat& Format) {
    Formats.push_back(Format);
    return Formats.size() < 64;
  });
  const auto Chosen = ChooseDepthFormat(Formats, WantStencil_);
  if (!Chosen)
    throw Exception(NoZBufferFormatText);
  ZBufferFormat_ = Formats[*Chosen];
  // A device that hides surfaces by itself needs no depth buffer.
  if ((DeviceDescription_.TriangleCaps.RasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR) != 0)
    return;
  TSurfaceDescription Depth = SizedDescription(
      SurfaceWidth_, SurfaceHeight_,
      DDSCAPS_ZBUFFER | (DepthInVideoMemory_ ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY));
  Depth.Flags |= DDSD_PIXELFORMAT;
  Depth.PixelFormat = ZBufferFormat_;
  CheckDirectXResult(DirectDraw_->CreateSurface(Depth, ZBuffer_));
  CheckDirectXResult(BackSurface_->AddAttachedSurface(ZBuffer_));
}

void TDirect3DViewerCore::Paint() {
  if (!Initialised_) {
    try {
      InitialiseDevice();
    } catch (const std::exception& Failure) {
      if (!UseDirect3DHardware_) {
        // The control has no other device to try: it shows its colour below
        // and tries again at the next paint.
      } else {
        HardwareFailure_ = Failure.what();
        SetUseDirect3DHardware(false);
        InitialiseDevice(); // a software failure now reaches the caller
      }
    }
  }
  if (!Initialised_) {
    Window_.FillWithColour();
    return;
  }
  RestoreLostSurfaces();
  // A drawing that kept the canvas's painter (or failed before giving it
  // back) would lock the back surface and make every later paint fail.
  try {
    if (OnDraw)
      OnDraw(*this);
  } catch (...) {
    GiveCanvasBack();
    throw;
  }
  GiveCanvasBack();
  Present();
}

void TDirect3DViewerCore::GiveCanvasBack() {
  if (BackCanvas_)
    BackCanvas_->ReleaseCanvasDC();
}

void TDirect3DViewerCore::Present() {
  if (Width() == 0 || Height() == 0)
    return;
  if (!BackSurface_)
    throw EDirectX(NoBackSurfaceText);
  if (AnySurfaceLost())
    return; // the next paint restores them
  if (SurfaceWidth_ < Width() || SurfaceHeight_ < Height())
    throw EDirectX(WindowTooLargeText);
  const TRect Screen{Window_.ScreenLeft(), Window_.ScreenTop(), Window_.ScreenLeft() + Width(),
                     Window_.ScreenTop() + Height()};
  const TRect Source{0, 0, Width(), Height()};
  const TBltEffects NoEffects;
  CheckDirectXResult(
      PrimarySurface_->Blt(&Screen, BackSurface_.get(), &Source, DDBLT_WAIT, &NoEffects));
}

// Restore results are not checked: a surface that stays lost is skipped by
// the presentation and tried again at the next paint.
void TDirect3DViewerCore::RestoreLostSurfaces() {
  for (const auto* Surface : {&PrimarySurface_, &BackSurface_, &ZBuffer_})
    if (IsLost(*Surface))
      (*Surface)->Restore();
}

bool TDirect3DViewerCore::AnySurfaceLost() const {
  return IsLost(PrimarySurface_) || IsLost(BackSurface_) || IsLost(ZBuffer_);
}

TViewSettings TDirect3DViewerCore::CurrentView() const {
  TViewSettings View = View_;
  View.Width = Width();
  View.Height = Height();
  return View;
}

void TDirect3DViewerCore::SetViewport(bool Checked) {
  if (Width() == 0 || Height() == 0)
    return;
  const TViewportClip Clip = ViewportClip(CurrentView());
  TViewport2 Viewport;
  Viewport.Width = static_cast<std::uint32_t>(Width());
  Viewport.Height = static_cast<std::uint32_t>(Height());
  Viewport.ClipX = static_cast<float>(Clip.X);
  Viewport.ClipY = static_cast<float>(Clip.Y);
  Viewport.ClipWidth = static_cast<float>(Clip.Width);
  Viewport.ClipHeight = static_cast<float>(Clip.Height);
  const HRESULT Result = Viewport_->SetViewport2(Viewport);
  if (Checked)
    CheckDirectXResult(Result);
}

void TDirect3DViewerCore::Clear(std::uint32_t BackgroundColour, bool) {
  if (!Initialised_)
    return;
  SetViewport(false);
  // Channels over 256, not 255: the device's 8-bit clear colour of a full
  // channel is then 255/256 of full, as the workstation has always shown it.
  const auto Channel = [&](int Shift) {
    return static_cast<float>(((BackgroundColour >> Shift) & 0xFFu) / 256.0);
  };
  const TColourValue Colour{Channel(0), Channel(8), Channel(16), 0};
  BackgroundMaterial_.reset();
  std::shared_ptr<I3DMaterial> Material;
  // None of these results is checked: a failed clear leaves the old picture.
  if (Direct3D_->CreateMaterial(Material) == 0 && Material) {
    TMaterial Data;
    Data.Diffuse = Colour;
    Data.Ambient = Colour;
    Material->SetMaterial(Data);
    BackgroundMaterial_ = Material;
    Viewport_->SetBackground(BackgroundMaterial_);
  }
  const TRect Whole{0, 0, Width(), Height()};
  Viewport_->Clear(std::span<const TRect>(&Whole, 1), D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
}

void TDirect3DViewerCore::BeginScene() {
  HRESULT Result = 0;
  for (std::int32_t Attempt = 0; Attempt < MaxBeginSceneAttempts; ++Attempt) {
    Result = Device_->BeginScene();
    if (Result == 0)
      return;
    // The device refuses while its surfaces are gone; bring them back first.
    RestoreLostSurfaces();
  }
  throw EDirectX("The graphics device refused to begin drawing " +
                 std::to_string(MaxBeginSceneAttempts) +
                 " times in a row: " + DirectXErrorMessage(Result));
}

void TDirect3DViewerCore::SetGlobalStates() {
  Device_->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE);
  Device_->SetRenderState(D3DRENDERSTATE_ZENABLE, ZBufferEnabled_ ? 1 : 0);
  Device_->SetRenderState(D3DRENDERSTATE_FILLMODE, Wireframe_ ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
  if (AntiAliasing_ == AntiAliasingOn)
    Device_->SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT);
  else if (AntiAliasing_ == AntiAliasingOff)
    Device_->SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE);
  // Any other value leaves the device's own default.
}

void TDirect3DViewerCore::DrawScene(const TGraphics3DScene& Scene, const TGraphics3DFrame& Root,
                                    std::span<D3DLVERTEX> Buffer) {
  RenderTimer_.Start();
  SetViewport(true);
  const TViewSettings View = CurrentView();
  Device_->SetTransform(D3DTRANSFORMSTATE_VIEW, DeviceMatrix(ViewMatrix(View.Camera)));
  Device_->SetTransform(D3DTRANSFORMSTATE_PROJECTION, DeviceMatrix(ProjectionMatrix(View)));
  SetGlobalStates();
  const TTextureTarget Target{*DirectDraw_, *Device_, DeviceDescription_.TriangleCaps.TextureCaps,
                              TextureMode_};
  const TSceneDrawingSettings Settings{View.Camera.Position, Wireframe_, BackFaceCulling_,
                                       TextureMode_};
  TSceneDrawing(*Device_, Scene, Settings, Buffer, Textures_, Target).DrawFrame(Root);
  LastRenderTime_ = RenderTimer_.Elapsed();
}

void TDirect3DViewerCore::Render(const TGraphics3DScene& Scene, const TGraphics3DFrame& Root) {
  if (!Initialised_ || Width() == 0 || Height() == 0)
    return;
  RestoreLostSurfaces();
  std::vector<D3DLVERTEX> Buffer(static_cast<std::size_t>(Root.MaxVertexCount()));
  BeginScene();
  std::exception_ptr Failure;
  HRESULT Ended = 0;
  {
    const TFloatingPointExceptionMask Masked;
    try {
      DrawScene(Scene, Root, Buffer);
    } catch (...) {
      Failure = std::current_exception();
    }
    Ended = Device_->EndScene();
  }
  // The drawing's own failure says more than the end of the scene it cut
  // short, so that one is reported first.
  if (Failure)
    std::rethrow_exception(Failure);
  CheckDirectXResult(Ended);
}

void TDirect3DViewerCore::DrawImage(const TTextureImage& Image, std::int32_t Left,
                                    std::int32_t Bottom) {
  if (!Initialised_ || Width() == 0 || Height() == 0)
    return;
  const std::int32_t ImageW = ImageWidth(Image), ImageH = ImageHeight(Image);
  const std::int32_t Top = Height() - (ImageH + Bottom);
  const TRect Destination{Left, Top, Left + ImageW, Top + ImageH};
  TRect Clipped;
  // Nothing of the image falls inside the control: there is nothing to draw,
  // and the blit would only be asked with empty rectangles.
  if (!IntersectRectangles(Destination, {0, 0, Width(), Height()}, Clipped))
    return;
  TDirect3DTexture& Entry = Textures_.PrepareImageSurface(Image, *DirectDraw_);
  const TRect Source{Clipped.Left - Destination.Left, Clipped.Top - Destination.Top,
                     Clipped.Right - Destination.Left, Clipped.Bottom - Destination.Top};
  TBltEffects Effects;
  std::uint32_t Flags = 0;
  if (Image.Transparent) {
    const std::uint32_t Key = SwapRedAndBlue(Image.TransparentColour & 0xFFFFFFu);
    const TColourKey ColourKey{Key, Key};
    Entry.Surface->SetColorKey(DDCKEY_SRCBLT, &ColourKey);
    Device_->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 1);
    Effects.SourceColourKey = ColourKey;
    Flags = DDBLT_KEYSRCOVERRIDE;
  } else {
    Device_->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 0);
  }
  CheckDirectXResult(BackSurface_->Blt(&Clipped, Entry.Surface.get(), &Source, Flags, &Effects));
}

TVector3 TDirect3DViewerCore::ProjectToScreen(const TVector3& Point,
                                              const TGraphics3DFrame& Frame) {
  if (!Initialised_)
    return ProjectPoint(CurrentView(), Frame.GetWorldMatrix(), Point);
  Device_->SetTransform(D3DTRANSFORMSTATE_WORLD, DeviceMatrix(Frame.GetWorldMatrix()));
  TTransformVertex Vertex{static_cast<float>(Point.X), static_cast<float>(Point.Y),
                          static_cast<float>(Point.Z), 0};
  std::uint32_t OffScreen = 0;
  // Not checked: a point the device cannot place comes back as given.
  Viewport_->TransformVertices(std::span<TTransformVertex>(&Vertex, 1), D3DTRANSFORM_UNCLIPPED,
                               OffScreen);
  return {Vertex.X, Vertex.Y, Vertex.Z};
}

TVector3 TDirect3DViewerCore::FrameToScreen(const TVector3& Point, const TGraphics3DFrame& Frame) {
  if (View_.ProjectionType != ProjectionParallel)
    throw Exception(FrameToScreenParallelText);
  return FrameToScreenPoint(CurrentView(), Frame.GetWorldMatrix(), Point);
}

TVector3 TDirect3DViewerCore::ScreenToFrame(const TVector3& Screen, const TGraphics3DFrame& Frame) {
  if (View_.ProjectionType != ProjectionParallel)
    throw Exception(ScreenToFrameParallelText);
  return ScreenToFramePoint(CurrentView(), Frame.GetWorldMatrix(), Screen);
}

} // namespace kestrava

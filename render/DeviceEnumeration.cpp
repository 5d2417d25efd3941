#include "render/DeviceEnumeration.h"

#include "render/DirectXResultCodes.h"
#include "render/MemorySurface.h"
#include "render/OpenGLDevice.h"
#include "render/SoftwareDevice.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace kestrava {

namespace {

struct TDriverEntry {
  const TGuid* Guid; // null for the primary display driver
  std::string_view Description;
  std::string_view Name;
};

// The fixed driver order. A driver for the graphics card joins here with its
// own identifier, after the primary one.
constexpr std::array<TDriverEntry, 1> Drivers{{
    {nullptr, "Primary Display Driver", "display"},
}};

class TClipper final : public IDrawClipper {
public:
  HRESULT SetWindow(IPresentTarget* Window) override {
    Window_ = Window;
    return DD_OK;
  }
  IPresentTarget* Window() const override { return Window_; }

private:
  IPresentTarget* Window_ = nullptr;
};

class TMaterialObject final : public I3DMaterial {
public:
  HRESULT SetMaterial(const TMaterial& Material) override {
    Material_ = Material;
    return DD_OK;
  }
  HRESULT GetMaterial(TMaterial& Material) const override {
    Material = Material_;
    return DD_OK;
  }

private:
  TMaterial Material_;
};

TDeviceDescription SoftwareDescription(std::uint32_t ExtraTextureCaps) {
  TPrimitiveCaps Caps;
  Caps.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_FOGVERTEX;
  Caps.ZCmpCaps = 0xFF;
  Caps.ShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB |
                   D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                   D3DPSHADECAPS_FOGFLAT | D3DPSHADECAPS_FOGGOURAUD;
  Caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_TRANSPARENCY | ExtraTextureCaps;
  Caps.TextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR;
  Caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;

  TDeviceDescription D;
  D.Flags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_LINECAPS | D3DDD_TRICAPS |
            D3DDD_DEVICERENDERBITDEPTH | D3DDD_DEVICEZBUFFERBITDEPTH;
  D.ColourModel = D3DCOLOR_RGB;
  D.LineCaps = Caps;
  D.TriangleCaps = Caps;
  D.RenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  D.ZBufferBitDepth = DDBD_32;
  D.MinTextureWidth = D.MinTextureHeight = 1;
  D.MaxTextureWidth = D.MaxTextureHeight = static_cast<std::uint32_t>(MaxSurfaceSide);
  return D;
}

TPixelFormat DisplayFormat(std::int32_t Bits) {
  switch (Bits) {
  case 16:
    return {DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
  case 24:
    return {DDPF_RGB, 0, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0};
  case 32:
    return PixelFormatXRGB8888;
  default:
    return {DDPF_RGB, 0, static_cast<std::uint32_t>(std::max(Bits, 0)), 0, 0, 0, 0};
  }
}

// One device the 3D layer offers. Another device (for the graphics card)
// joins by adding an entry with its own identifier, descriptions (a non-zero
// hardware one) and factory.
struct TDeviceEntry {
  using TFactory = std::function<std::shared_ptr<I3DDevice>(std::shared_ptr<TMemorySurface>)>;
  TGuid Guid;
  std::string_view Description;
  std::string_view Name;
  TDeviceDescription Hardware;
  TDeviceDescription Software;
  TFactory Create;
};

class TDirect3DLayer final : public IDirect3DLayer {
public:
  explicit TDirect3DLayer(const TDirectDrawOptions& Options) {
    const TDeviceDescription Software = SoftwareDescription(Options.ExtraTextureCaps);
    const std::int32_t Threads = Options.RenderThreads;
    WrapDevice_ = Options.WrapDevice;
    Devices_.push_back(
        {IID_IDirect3DRGBDevice, SoftwareDeviceDescription, "RGB Emulation", TDeviceDescription{},
         Software, [Software, Threads](std::shared_ptr<TMemorySurface> Target) {
           return std::make_shared<TSoftwareDevice>(std::move(Target), Software, Threads);
         }});
    if (Options.OfferHardwareDevice) {
      AddOpenGLDevice(Options.OpenGLRenderer ? Options.OpenGLRenderer() : MachineOpenGLRenderer());
    }
  }

  HRESULT EnumDevices(const TDeviceEnumCallback& Callback) const override {
    for (const TDeviceEntry& Device : Devices_) {
      if (!Callback(Device.Guid, Device.Description, Device.Name, Device.Hardware,
                    Device.Software)) {
        break;
      }
    }
    return DD_OK;
  }

  HRESULT FindDevice(const TFindDeviceSearch& Search, TFindDeviceResult& Result) const override {
    if (Search.Flags != D3DFDS_GUID) {
      return DDERR_INVALIDPARAMS;
    }
    const TDeviceEntry* Device = Find(Search.Guid);
    if (Device == nullptr) {
      return DDERR_NOTFOUND;
    }
    Result = {Device->Guid, Device->Hardware, Device->Software};
    return DD_OK;
  }

  HRESULT
  EnumZBufferFormats(
      const TGuid& Device,
      const std::function<bool(const TPixelFormat& Format)>& Callback) const override {
    if (Find(Device) == nullptr) {
      return DDERR_INVALIDPARAMS;
    }
    Callback(PixelFormatDepth32);
    return DD_OK;
  }

  HRESULT CreateDevice(const TGuid& Device, const std::shared_ptr<IDrawSurface>& Target,
                       std::shared_ptr<I3DDevice>& Result) override {
    Result.reset();
    const TDeviceEntry* Entry = Find(Device);
    if (Entry == nullptr) {
      return DDERR_INVALIDPARAMS;
    }
    auto Surface = std::dynamic_pointer_cast<TMemorySurface>(Target);
    if (!Surface || Surface->Kind() != TSurfaceKind::Colour ||
        (Surface->Caps() & DDSCAPS_3DDEVICE) == 0) {
      return DDERR_INVALIDCAPS;
    }
    Result = Entry->Create(std::move(Surface));
    if (!Result) {
      return D3DERR_INVALID_DEVICE;
    }
    if (WrapDevice_) {
      Result = WrapDevice_(std::move(Result));
    }
    return DD_OK;
  }

  HRESULT CreateViewport(std::shared_ptr<I3DViewport>& Result) override {
    Result = std::make_shared<TSoftwareViewport>();
    return DD_OK;
  }

  HRESULT CreateMaterial(std::shared_ptr<I3DMaterial>& Result) override {
    Result = std::make_shared<TMaterialObject>();
    return DD_OK;
  }

private:
  void AddOpenGLDevice(const TOpenGLRenderer& Renderer) {
    TDeviceEntry Device{IID_IDirect3DHALDevice,
                        OpenGLDeviceDescription,
                        "Direct3D HAL",
                        OpenGLHardwareDescription(),
                        TDeviceDescription{},
                        [](std::shared_ptr<TMemorySurface> Target) {
                          std::shared_ptr<I3DDevice> Result;
                          std::string Reason;
                          CreateOpenGLDevice(std::move(Target), Result, Reason);
                          return Result;
                        }};
    if (!Renderer.Software()) {
      Devices_.push_back(std::move(Device));
      return;
    }
    // Software devices are listed from the plainest up and the last one
    // that qualifies is taken: ours draws the views several times faster.
    std::swap(Device.Hardware, Device.Software);
    Devices_.insert(Devices_.begin(), std::move(Device));
  }

  const TDeviceEntry* Find(const TGuid& Guid) const {
    const auto It = std::find_if(Devices_.begin(), Devices_.end(),
                                 [&](const TDeviceEntry& Entry) { return Entry.Guid == Guid; });
    return It != Devices_.end() ? &*It : nullptr;
  }

  std::vector<TDeviceEntry> Devices_;
  std::function<std::shared_ptr<I3DDevice>(std::shared_ptr<I3DDevice>)> WrapDevice_;
};

class TDirectDrawObject final : public IDirectDrawLayer {
public:
  explicit TDirectDrawObject(const TDirectDrawOptions& Options) : Options_(Options) {}

  HRESULT QueryDirectDraw4() const override {
    return Options_.OfferVersion6 ? DD_OK : E_NOINTERFACE;
  }

  HRESULT QueryDirect3D(std::shared_ptr<IDirect3DLayer>& Result) override {
    Result.reset();
    if (!Options_.OfferVersion6) {
      return E_NOINTERFACE;
    }
    if (!Direct3D_) {
      Direct3D_ = std::make_shared<TDirect3DLayer>(Options_);
    }
    Result = Direct3D_;
    return DD_OK;
  }

  HRESULT SetCooperativeLevel(IPresentTarget*, std::uint32_t Flags) override {
    if ((Flags & DDSCL_NORMAL) == 0 || (Flags & ~(DDSCL_NORMAL | DDSCL_NOWINDOWCHANGES)) != 0) {
      return DDERR_INVALIDPARAMS;
    }
    CooperativeLevelSet_ = true;
    return DD_OK;
  }

  HRESULT CreateSurface(const TSurfaceDescription& Description,
                        std::shared_ptr<IDrawSurface>& Result) override {
    Result.reset();
    std::shared_ptr<TMemorySurface> Surface;
    const HRESULT Code = MakeSurface(Description, Surface);
    if (Code == DD_OK) {
      Result = Surface;
    }
    return Code;
  }

  HRESULT CreateClipper(std::uint32_t Flags, std::shared_ptr<IDrawClipper>& Result) override {
    Result.reset();
    if (Flags != 0) {
      return DDERR_INVALIDPARAMS;
    }
    Result = std::make_shared<TClipper>();
    return DD_OK;
  }

  HRESULT GetDisplayMode(TSurfaceDescription& Description) const override {
    Description = {};
    Description.Flags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    Description.Width = Options_.DisplayWidth;
    Description.Height = Options_.DisplayHeight;
    Description.PixelFormat = DisplayFormat(Options_.DisplayBitsPerPixel);
    return DD_OK;
  }

  void LoseAllSurfaces() {
    for (const auto& Weak : Surfaces_) {
      if (const auto Surface = Weak.lock()) {
        Surface->MarkLost();
      }
    }
  }

private:
  HRESULT MakeSurface(const TSurfaceDescription& Asked, std::shared_ptr<TMemorySurface>& Result) {
    if (!CooperativeLevelSet_) {
      return DDERR_NOCOOPERATIVELEVELSET;
    }
    if ((Asked.Flags & DDSD_CAPS) == 0) {
      return DDERR_INVALIDPARAMS;
    }
    const std::uint32_t Caps = Asked.Caps.Caps;
    const bool Sized = (Asked.Flags & DDSD_WIDTH) != 0 && (Asked.Flags & DDSD_HEIGHT) != 0;
    if ((Caps & DDSCAPS_PRIMARYSURFACE) != 0) {
      if ((Asked.Flags & (DDSD_WIDTH | DDSD_HEIGHT)) != 0) {
        return DDERR_INVALIDPARAMS;
      }
      if (!Primary_.expired()) {
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
      }
      TSurfaceDescription D = Asked;
      D.Width = Options_.DisplayWidth;
      D.Height = Options_.DisplayHeight;
      D.PixelFormat = DisplayFormat(Options_.DisplayBitsPerPixel);
      Result = std::make_shared<TMemorySurface>(TSurfaceKind::Primary, D);
      Primary_ = Result;
      Remember(Result);
      return DD_OK;
    }
    if (!Sized || Asked.Width < 1 || Asked.Height < 1) {
      return DDERR_INVALIDPARAMS;
    }
    if (Asked.Width > MaxSurfaceSide) {
      return DDERR_TOOBIGWIDTH;
    }
    if (Asked.Height > MaxSurfaceSide) {
      return DDERR_TOOBIGHEIGHT;
    }
    const bool Given = (Asked.Flags & DDSD_PIXELFORMAT) != 0;
    if ((Caps & DDSCAPS_ZBUFFER) != 0) {
      if (!Given || !(Asked.PixelFormat == PixelFormatDepth32)) {
        return DDERR_INVALIDPIXELFORMAT;
      }
      Result = std::make_shared<TMemorySurface>(TSurfaceKind::Depth, Asked);
      Remember(Result);
      return DD_OK;
    }
    TSurfaceDescription D = Asked;
    if (!Given) {
      D.PixelFormat = PixelFormatXRGB8888;
    } else if (!(D.PixelFormat == PixelFormatXRGB8888) && !(D.PixelFormat == PixelFormatARGB8888)) {
      return DDERR_INVALIDPIXELFORMAT;
    }
    const bool Chain = (Caps & DDSCAPS_MIPMAP) != 0 && (Caps & DDSCAPS_COMPLEX) != 0 &&
                       (Caps & DDSCAPS_TEXTURE) != 0;
    if (!Chain) {
      Result = std::make_shared<TMemorySurface>(TSurfaceKind::Colour, D);
      Remember(Result);
      return DD_OK;
    }
    return MakeMipChain(D, Result);
  }

  HRESULT MakeMipChain(TSurfaceDescription D, std::shared_ptr<TMemorySurface>& Result) {
    std::uint32_t Full = 1;
    for (std::int32_t W = D.Width, H = D.Height; W > 1 || H > 1;
         W = std::max(W / 2, 1), H = std::max(H / 2, 1)) {
      ++Full;
    }
    std::uint32_t Levels = Full;
    if ((D.Flags & DDSD_MIPMAPCOUNT) != 0) {
      if (D.MipMapCount < 1 || D.MipMapCount > Full) {
        return DDERR_INVALIDPARAMS;
      }
      Levels = D.MipMapCount;
    }
    std::vector<std::shared_ptr<TMemorySurface>> Chain;
    for (std::uint32_t Level = 0; Level < Levels; ++Level) {
      D.Flags |= DDSD_MIPMAPCOUNT;
      D.MipMapCount = Levels - Level;
      Chain.push_back(std::make_shared<TMemorySurface>(TSurfaceKind::Colour, D));
      Remember(Chain.back());
      D.Width = std::max(D.Width / 2, 1);
      D.Height = std::max(D.Height / 2, 1);
    }
    for (std::size_t Level = 0; Level + 1 < Chain.size(); ++Level) {
      Chain[Level]->SetNextMipLevel(Chain[Level + 1]);
    }
    Result = Chain.front();
    return DD_OK;
  }

  void Remember(const std::shared_ptr<TMemorySurface>& Surface) {
    std::erase_if(Surfaces_, [](const std::weak_ptr<TMemorySurface>& W) { return W.expired(); });
    Surfaces_.push_back(Surface);
  }

  TDirectDrawOptions Options_;
  bool CooperativeLevelSet_ = false;
  std::weak_ptr<TMemorySurface> Primary_;
  std::vector<std::weak_ptr<TMemorySurface>> Surfaces_;
  std::shared_ptr<TDirect3DLayer> Direct3D_;
};

} // namespace

void LoseAllSurfaces(IDirectDrawLayer& Layer) {
  if (auto* Object = dynamic_cast<TDirectDrawObject*>(&Layer)) {
    Object->LoseAllSurfaces();
  }
}

HRESULT DirectDrawEnumerate(const TDriverEnumCallback& Callback) {
  for (const TDriverEntry& Driver : Drivers) {
    if (!Callback(Driver.Guid, Driver.Description, Driver.Name)) {
      break;
    }
  }
  return DD_OK;
}

HRESULT DirectDrawCreate(const TGuid* Guid, std::shared_ptr<IDirectDrawLayer>& Result,
                         const TDirectDrawOptions& Options) {
  Result.reset();
  const bool Known = std::any_of(Drivers.begin(), Drivers.end(), [&](const TDriverEntry& Driver) {
    return Guid == nullptr ? Driver.Guid == nullptr
                           : (Driver.Guid != nullptr && *Driver.Guid == *Guid);
  });
  if (!Known) {
    return DDERR_INVALIDDIRECTDRAWGUID;
  }
  Result = std::make_shared<TDirectDrawObject>(Options);
  return DD_OK;
}

} // namespace kestrava

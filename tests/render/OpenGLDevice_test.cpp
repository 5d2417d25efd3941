// The OpenGL device against the software device: the same scenes, every
// fixed-function effect, the same pixels except along edges. Needs an
// OpenGL 3.3 context (a display with Mesa's software OpenGL will do); the
// cases skip without one.

#include "DeviceTestSupport.h"
#include "render/Direct3DViewerCore.h"
#include "render/MemorySurface.h"
#include "render/OpenGLDevice.h"
#include "render/SoftwareDevice.h"
#include "render/ViewerDeviceChoice.h"

#include <cstdlib>
#include <random>

namespace kestrava {
namespace {

using testing::TTestDevice;
using testing::Vertex;

// Measured with Mesa 22.3 llvmpipe on these scenes: inside primitives the
// devices differ by at most one step per channel (interpolation, blending and
// bilinear weights round differently in the last place); larger differences
// lie only along edges, where OpenGL's subpixel grid may give a pixel to the
// neighbouring primitive: at most 3 of the 3072 pixels of a scene (wireframe).
constexpr std::uint32_t InteriorTolerance = 1;
// Edge pixels that may differ, as a share of all pixels of a scene: three
// times what was measured.
constexpr double EdgeShare = 0.003;

// Whatever the machine offers, creation answers either a working device or
// D3DERR_INVALID_DEVICE with a reason, never a half-made device.
bool OpenGLAvailable(std::string& Reason) {
  TSurfaceDescription D;
  D.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  D.Width = D.Height = 1;
  D.Caps.Caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  std::shared_ptr<I3DDevice> Device;
  const HRESULT Result =
      CreateOpenGLDevice(std::make_shared<TMemorySurface>(TSurfaceKind::Colour, D), Device, Reason);
  if (Result != DD_OK) {
    EXPECT_EQ(Result, D3DERR_INVALID_DEVICE);
    EXPECT_FALSE(Reason.empty());
  }
  EXPECT_EQ(Device != nullptr, Result == DD_OK);
  return Result == DD_OK;
}

std::uint32_t ChannelDifference(std::uint32_t A, std::uint32_t B) {
  std::uint32_t Largest = 0;
  for (const int Shift : {0, 8, 16}) {
    const auto X = static_cast<std::int32_t>((A >> Shift) & 0xFF);
    const auto Y = static_cast<std::int32_t>((B >> Shift) & 0xFF);
    Largest = std::max(Largest, static_cast<std::uint32_t>(std::abs(X - Y)));
  }
  return Largest;
}

using TScene = void (*)(TTestDevice&);

class OpenGLDevice : public ::testing::TestWithParam<std::pair<const char*, TScene>> {
protected:
  void SetUp() override {
    std::string Reason;
    if (!OpenGLAvailable(Reason)) {
      GTEST_SKIP() << "no OpenGL device: " << Reason;
    }
  }
};

constexpr std::int32_t W = 64, H = 48;

std::size_t At(std::int32_t X, std::int32_t Y) {
  return static_cast<std::size_t>(Y) * W + static_cast<std::size_t>(X);
}

// Pixels where the software picture is not flat around them count as edges.
bool OnEdge(const std::vector<std::uint32_t>& P, std::int32_t X, std::int32_t Y) {
  const std::uint32_t Centre = P[At(X, Y)];
  for (std::int32_t DY = -1; DY <= 1; ++DY) {
    for (std::int32_t DX = -1; DX <= 1; ++DX) {
      const std::int32_t NX = std::clamp(X + DX, 0, W - 1), NY = std::clamp(Y + DY, 0, H - 1);
      if (ChannelDifference(P[At(NX, NY)], Centre) > 8) {
        return true;
      }
    }
  }
  return false;
}

TEST_P(OpenGLDevice, DrawsWhatTheSoftwareDeviceDrawsExceptAlongEdges) {
  const TScene& Scene = GetParam().second;
  TTestDevice Software(W, H);
  TTestDevice Hardware(W, H, 1, true, IID_IDirect3DHALDevice);
  ASSERT_NE(Hardware.Device, nullptr);
  Scene(Software);
  Scene(Hardware);
  const auto Expected = Software.Pixels();
  const auto Got = Hardware.Pixels();
  std::int32_t EdgeDifferences = 0;
  for (std::int32_t Y = 0; Y < H; ++Y) {
    for (std::int32_t X = 0; X < W; ++X) {
      const std::size_t I = At(X, Y);
      const std::uint32_t Difference = ChannelDifference(Expected[I], Got[I]);
      if (Difference > InteriorTolerance) {
        ASSERT_TRUE(OnEdge(Expected, X, Y))
            << X << "," << Y << std::hex << " software " << Expected[I] << " OpenGL " << Got[I];
        ++EdgeDifferences;
      }
    }
  }
  EXPECT_LE(EdgeDifferences, static_cast<std::int32_t>(EdgeShare * W * H));
  RecordProperty("EdgeDifferences", EdgeDifferences);
}

// Random triangles over the whole target, partly off it.
std::vector<D3DLVERTEX> Triangles(std::uint32_t Seed, std::int32_t Count, bool Textured = false) {
  std::mt19937 Random(Seed);
  std::uniform_real_distribution<float> X(-8, W + 8), Y(-8, H + 8), Z(0.05f, 0.95f), UV(-1, 2);
  std::uniform_int_distribution<std::uint32_t> Colour(0, 0xFFFFFFFFu);
  std::vector<D3DLVERTEX> Result;
  Result.reserve(3 * static_cast<std::size_t>(Count));
  for (std::int32_t I = 0; I < 3 * Count; ++I) {
    Result.push_back(Vertex(X(Random), Y(Random), Z(Random), Colour(Random), Colour(Random),
                            Textured ? UV(Random) : 0, Textured ? UV(Random) : 0));
  }
  return Result;
}

void Textured(TTestDevice& T) {
  std::vector<std::uint32_t> Texels(std::size_t{8} * 4);
  for (std::uint32_t I = 0; I < Texels.size(); ++I) {
    Texels[I] = (I * 0x2F1B07u) & 0xFFFFFFu;
  }
  Texels[5] = 0x00FF00; // the colour key
  T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 8, 4, Texels));
}

constexpr std::pair<const char*, TScene> Scenes[] = {
    {"GouraudWithDepth",
     [](TTestDevice& T) {
       T.Clear(0x203040);
       T.Triangles(Triangles(1, 40));
     }},
    {"FlatShading",
     [](TTestDevice& T) {
       T.Clear(0x203040);
       T.State(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
       T.Triangles(Triangles(2, 30));
     }},
    {"ClockwiseCulling",
     [](TTestDevice& T) {
       T.Clear(0);
       T.State(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
       T.Triangles(Triangles(3, 40));
       T.State(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
       T.Triangles(Triangles(4, 40));
     }},
    {"Wireframe",
     [](TTestDevice& T) {
       T.Clear(0);
       T.State(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
       T.Triangles(Triangles(5, 6));
     }},
    {"Points",
     [](TTestDevice& T) {
       T.Clear(0);
       std::vector<D3DLVERTEX> Points;
       Points.reserve(200);
       for (std::int32_t I = 0; I < 200; ++I) {
         Points.push_back(Vertex(static_cast<float>(I % 61) + 0.3f,
                                 static_cast<float>(I * 7 % 45) + 0.2f, 0.5f, 0xFFFFFFFFu));
       }
       T.Draw(D3DPT_POINTLIST, Points);
     }},
    {"ModulatedPointTextureWrapped",
     [](TTestDevice& T) {
       T.Clear(0);
       Textured(T);
       T.Triangles(Triangles(6, 20, true));
     }},
    {"BilinearTextureClampedWithColourKey",
     [](TTestDevice& T) {
       T.Clear(0x101010);
       Textured(T);
       const TColourKey Key{0x00FF00, 0x00FF00};
       std::shared_ptr<I3DTexture> Texture;
       T.Device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
       T.State(D3DRENDERSTATE_TEXTUREADDRESS, D3DTADDRESS_CLAMP);
       T.State(D3DRENDERSTATE_COLORKEYENABLE, 1);
       std::shared_ptr<IDrawSurface> Surface;
       T.Device->SetTexture(0, testing::MakeTexture(*T.DirectDraw, 2, 2,
                                                    {0x00FF00, 0xFF0000, 0x0000FF, 0xFFFFFF},
                                                    &Surface));
       Surface->SetColorKey(DDCKEY_SRCBLT, &Key);
       T.Triangles(Triangles(7, 20, true));
     }},
    {"ShortestWayRoundTheTexture",
     [](TTestDevice& T) {
       T.Clear(0);
       Textured(T);
       T.State(D3DRENDERSTATE_WRAP0, D3DWRAP_U | D3DWRAP_V);
       T.Triangles(Triangles(8, 20, true));
     }},
    {"VertexFogAndSpecular",
     [](TTestDevice& T) {
       T.Clear(0);
       T.State(D3DRENDERSTATE_FOGENABLE, 1);
       T.State(D3DRENDERSTATE_FOGCOLOR, 0x8090A0);
       T.State(D3DRENDERSTATE_SPECULARENABLE, 1);
       T.Triangles(Triangles(9, 30));
     }},
    {"SourceAlphaBlending",
     [](TTestDevice& T) {
       T.Clear(0x406080);
       T.State(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
       T.State(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
       T.State(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
       T.Triangles(Triangles(10, 8));
     }},
};

INSTANTIATE_TEST_SUITE_P(Effects, OpenGLDevice, ::testing::ValuesIn(Scenes),
                         [](const auto& Info) { return std::string(Info.param.first); });

TEST(OpenGLDeviceInTheViewer, TheHardwareWishChoosesItThroughTheChoiceRules) {
  std::string Reason;
  const bool Available = OpenGLAvailable(Reason);
  TOffscreenViewerWindow Window(32, 24);
  // Whatever draws here is taken for a graphics card (a software OpenGL is
  // enumerated as software, and never chosen).
  TDirectDrawOptions Options;
  Options.OpenGLRenderer = [] {
    TOpenGLRenderer Card = MachineOpenGLRenderer();
    Card.Renderer = "a graphics card";
    return Card;
  };
  TDirect3DViewerCore Viewer(Window, Options);
  Viewer.SetUseDirect3DHardware(true);
  Viewer.OnDraw = [](TDirect3DViewerCore& Sender) {
    Sender.Clear(0x00FF0000, false);
  };
  Viewer.Paint();
  ASSERT_TRUE(Viewer.Initialised());
  // Without OpenGL the hardware attempt fails and the software device draws.
  EXPECT_EQ(Viewer.UseDirect3DHardware(), Available) << Reason;
  TDeviceDescription Hardware, Software;
  Viewer.Device()->GetCaps(Hardware, Software);
  EXPECT_EQ(IsHardwareDevice(Hardware), Available);
  EXPECT_EQ(Window.Picture().pixel(5, 5) & 0xFFFFFFu, 0x0000FEu);
}

// An executor whose context is gone for good.
class TLostContext final : public IQueueExecutor {
public:
  bool Execute(TRenderQueue&, const TRasterTarget&, TDrawStatistics&,
               const TExecuteOptions&) override {
    return false;
  }
  TDroppedParts Dropped() const override { return {}; }
  void RestoreDropped(const TRenderQueue&, const TRasterTarget&) override {}
};

TEST(OpenGLDeviceContextLoss, IsReportedAsTheLossOfTheTargetSurface) {
  TTestDevice T(8, 8);
  const auto Target = std::dynamic_pointer_cast<TMemorySurface>(T.Target);
  ASSERT_NE(Target, nullptr);
  const auto Device = std::make_shared<TSoftwareDevice>(
      Target, OpenGLHardwareDescription(), TDeviceDescription{}, std::make_unique<TLostContext>());
  ASSERT_EQ(Device->AddViewport(T.Viewport), DD_OK);
  ASSERT_EQ(Device->SetCurrentViewport(T.Viewport), DD_OK);
  ASSERT_EQ(Device->BeginScene(), DD_OK);
  ASSERT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, Triangles(11, 2), 0), DD_OK);
  ASSERT_EQ(Device->EndScene(), DD_OK);
  TLockedSurface Locked;
  EXPECT_EQ(T.Target->Lock(Locked), DDERR_SURFACELOST);
  EXPECT_EQ(T.Target->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(Device->BeginScene(), DDERR_SURFACELOST);
  ASSERT_EQ(T.Target->Restore(), DD_OK); // and it comes back like any lost surface
  EXPECT_EQ(Device->BeginScene(), DD_OK);
}

} // namespace
} // namespace kestrava

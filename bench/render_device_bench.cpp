// Cost of drawing the full endoscope model with the software device: one view
// of 1920 x 1080 and the twin views of 2 x 960 x 1080 and 2 x 1920 x 2160,
// each frame cleared, drawn and presented into window memory, next to the
// memory limit (clearing colour and depth and copying one 1920 x 1080 frame)
// and the OpenGL device on the same twin view (run under a display, e.g.
// xvfb-run, for it to find an OpenGL context).
//
// The vertices are lit once, before timing, with a simple per-vertex rule:
// lighting is the viewer's work and is measured by its own benchmark.
// KESTRAVA_BENCH_PICTURE=<file.png> saves the twin view for a look.

#include "geometry/Matrices.h"
#include "geometry/Vectors.h"
#include "imagerdata/ImagerFrame.h"
#include "imagerdata/ImagerProcedure.h"
#include "render/DeviceEnumeration.h"
#include "render/DirectXResultCodes.h"
#include "render/MemoryFill.h"
#include "render/MemorySurface.h"
#include "render/OpenGLDevice.h"
#include "render/ProcessorCache.h"
#include "scene/Graphics3DMesh.h"
#include "scene/PolygonImagerData.h"
#include "tests/support/ProcedureBuilders.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

void Check(HRESULT Result) {
  if (Result != DD_OK) {
    throw std::runtime_error("device call failed");
  }
}

// The shared bent scope with all six body markers placed.
std::unique_ptr<TImagerFrame> FullFrame() {
  auto Frame = support::BentScopeFrame();
  Frame->MarkerValid = {true, true, true, true, true, true};
  Frame->MarkerPosition[0] = {-0.5, 0.4, 0};
  Frame->MarkerPosition[1] = {-0.5, -0.2, 0};
  Frame->MarkerPosition[2] = {-0.6, 0.1, 0};
  Frame->MarkerPosition[3] = {0.4, 0.5, 0.05};
  Frame->MarkerPosition[4] = {0.1, -0.2, 0.1};
  Frame->MarkerPosition[5] = {-0.2, 0.6, -0.05};
  return Frame;
}

struct TBatch {
  TDeviceMatrix World;
  std::vector<D3DLVERTEX> Vertices;
  std::vector<std::uint16_t> Indices;
  bool Points = false;
};

TDeviceMatrix ToDevice(const TMatrix4& M) {
  TDeviceMatrix Result;
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      Result.M[I][J] = static_cast<float>(M.M[J][I]);
    }
  }
  return Result;
}

TVector3 Apply(const TMatrix4& M, const TVector3& P) {
  return {M.M[0][0] * P.X + M.M[0][1] * P.Y + M.M[0][2] * P.Z + M.M[0][3],
          M.M[1][0] * P.X + M.M[1][1] * P.Y + M.M[1][2] * P.Z + M.M[1][3],
          M.M[2][0] * P.X + M.M[2][1] * P.Y + M.M[2][2] * P.Z + M.M[2][3]};
}

// Lit by a light at Eye: ambient 0.3 plus the absolute diffuse cosine.
void Collect(const TGraphics3DFrame& Frame, const TVector3& Eye, std::vector<TBatch>& Out) {
  if (!Frame.Visible) {
    return;
  }
  for (const auto& Child : Frame.Children()) {
    Collect(*Child, Eye, Out);
  }
  const TMatrix4& World = Frame.GetWorldMatrix();
  for (const auto& Mesh : Frame.Meshes()) {
    if (Mesh->VertexCount() == 0) {
      break;
    }
    TBatch& B = Out.emplace_back();
    B.World = ToDevice(World);
    B.Points = Mesh->MeshType == MeshPoints;
    const std::uint32_t C = Mesh->Colour;
    for (const TGraphics3DVertex& V : Mesh->Vertices()) {
      const TVector3 P = Apply(World, {V.X, V.Y, V.Z});
      const TVector3 ToEye = NormalizeVector(SubtractVectors(Eye, P));
      const TVector3 N = Apply(World, {V.NX, V.NY, V.NZ});
      const TVector3 N0 = Apply(World, {0, 0, 0});
      const double Cos = std::fabs(DotProduct(NormalizeVector(SubtractVectors(N, N0)), ToEye));
      const double I = std::min(1.0, 0.3 + Cos);
      const auto Ch = [&](int Shift) {
        return static_cast<std::uint32_t>(std::lround(((C >> Shift) & 0xFF) * I));
      };
      D3DLVERTEX L;
      L.X = V.X, L.Y = V.Y, L.Z = V.Z;
      L.Diffuse = (Ch(0) << 16) | (Ch(8) << 8) | Ch(16);
      L.Specular = 0xFF000000u;
      L.TU = V.TU, L.TV = 1 - V.TV;
      B.Vertices.push_back(L);
    }
    for (const TGraphics3DFace& F : Mesh->Faces()) {
      B.Indices.insert(B.Indices.end(), {F.A, F.B, F.C});
    }
  }
}

// Memory standing in for the window: a blit to the primary lands here. Owned
// by the benchmark itself, never deleted through the interface.
class TMemoryWindow final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IPresentTarget {
public:
  TMemoryWindow(std::int32_t Width = 1920, std::int32_t Height = 1080)
      : Frame_(Width, Height, QImage::Format_RGB32) {}
  void Present(const QImage& Source, const TRect& From, const TRect& To) override {
    const std::int32_t Width = std::min(From.Right - From.Left, To.Right - To.Left);
    for (std::int32_t Y = 0; Y < From.Bottom - From.Top && To.Top + Y < Frame_.height(); ++Y) {
      std::memcpy(Frame_.scanLine(To.Top + Y) + std::ptrdiff_t{4} * To.Left,
                  Source.constScanLine(From.Top + Y) + std::ptrdiff_t{4} * From.Left,
                  static_cast<std::size_t>(std::min(Width, Frame_.width() - To.Left)) * 4);
    }
  }
  std::optional<TWindowMemory> DirectMemory() override {
    TWindowMemory Memory;
    Memory.Pixels = reinterpret_cast<std::uint32_t*>(Frame_.bits());
    Memory.Width = Frame_.width();
    Memory.Height = Frame_.height();
    Memory.Pitch = static_cast<std::size_t>(Frame_.bytesPerLine()) / 4;
    Memory.OutgrowsCache = OutgrowsCache(static_cast<std::size_t>(Frame_.sizeInBytes()));
    return Memory;
  }
  const QImage& Frame() const { return Frame_; }

private:
  QImage Frame_;
};

struct TCamera {
  TVector3 Position, Direction, Up;
};

// One view: a device of its own on a back surface, presented into a part of
// the window.
class TView {
public:
  TView(std::int32_t Width, std::int32_t Height, std::int32_t Left, std::int32_t Threads,
        TMemoryWindow& Window, const TGuid& DeviceId = IID_IDirect3DRGBDevice)
      : Width_(Width), Height_(Height), Left_(Left) {
    TDirectDrawOptions Options;
    Options.RenderThreads = Threads;
    Check(DirectDrawCreate(nullptr, DirectDraw_, Options));
    Check(DirectDraw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL | DDSCL_NOWINDOWCHANGES));
    std::shared_ptr<IDirect3DLayer> Direct3D;
    Check(DirectDraw_->QueryDirect3D(Direct3D));
    TSurfaceDescription D;
    D.Flags = DDSD_CAPS;
    D.Caps.Caps = DDSCAPS_PRIMARYSURFACE;
    Check(DirectDraw_->CreateSurface(D, Primary_));
    std::shared_ptr<IDrawClipper> Clipper;
    Check(DirectDraw_->CreateClipper(0, Clipper));
    Check(Clipper->SetWindow(&Window));
    Check(Primary_->SetClipper(Clipper));
    D.Flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    D.Width = Width;
    D.Height = Height;
    D.Caps.Caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    Check(DirectDraw_->CreateSurface(D, Back_));
    D.Flags |= DDSD_PIXELFORMAT;
    D.Caps.Caps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
    D.PixelFormat = PixelFormatDepth32;
    std::shared_ptr<IDrawSurface> Depth;
    Check(DirectDraw_->CreateSurface(D, Depth));
    Check(Back_->AddAttachedSurface(Depth));
    Check(Direct3D->CreateDevice(DeviceId, Back_, Device_));
    Check(Direct3D->CreateViewport(Viewport_));
    Check(Device_->AddViewport(Viewport_));
    Check(Device_->SetCurrentViewport(Viewport_));
    Check(Direct3D->CreateMaterial(Background_));
    TMaterial M;
    M.Diffuse = {0.2f, 0.2f, 0.4f, 0};
    Check(Background_->SetMaterial(M));
    Check(Viewport_->SetBackground(Background_));
    TViewport2 V;
    V.Width = static_cast<std::uint32_t>(Width);
    V.Height = static_cast<std::uint32_t>(Height);
    const float ScaleX = 1.0f, ScaleY = static_cast<float>(Width) / static_cast<float>(Height);
    V.ClipX = -1 / ScaleX;
    V.ClipY = 1 / ScaleY;
    V.ClipWidth = 2 / ScaleX;
    V.ClipHeight = 2 / ScaleY;
    Check(Viewport_->SetViewport2(V));
  }

  void Aim(const TCamera& C, const std::vector<TBatch>& Batches) {
    Batches_ = &Batches;
    const TVector3 R = CrossProduct(C.Direction, C.Up);
    const TVector3 Axes[3] = {R, C.Up, C.Direction};
    for (int J = 0; J < 3; ++J) {
      View_.M[0][J] = static_cast<float>(Axes[J].X);
      View_.M[1][J] = static_cast<float>(Axes[J].Y);
      View_.M[2][J] = static_cast<float>(Axes[J].Z);
      View_.M[3][J] = static_cast<float>(-DotProduct(Axes[J], C.Position));
    }
    const double N = 0.001, F = 10, T = std::tan(1.396 / 2);
    Projection_.M[2][2] = static_cast<float>(T * F / (F - N));
    Projection_.M[2][3] = static_cast<float>(T);
    Projection_.M[3][2] = static_cast<float>(-T * N * F / (F - N));
    Projection_.M[3][3] = 0;
  }

  void DrawAndPresent() {
    const TRect All{0, 0, Width_, Height_};
    Check(Viewport_->Clear({&All, 1}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    Check(Device_->BeginScene());
    Check(Device_->SetTransform(D3DTRANSFORMSTATE_VIEW, View_));
    Check(Device_->SetTransform(D3DTRANSFORMSTATE_PROJECTION, Projection_));
    Check(Device_->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE));
    Check(Device_->SetRenderState(D3DRENDERSTATE_ZENABLE, 1));
    Check(Device_->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID));
    for (const TBatch& B : *Batches_) {
      Check(Device_->SetTransform(D3DTRANSFORMSTATE_WORLD, B.World));
      Check(Device_->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW));
      Check(Device_->SetTexture(0, nullptr));
      Check(Device_->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, 0));
      Check(Device_->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD));
      Check(Device_->SetRenderState(D3DRENDERSTATE_FOGENABLE, 0));
      Check(Device_->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0));
      if (B.Points) {
        Check(Device_->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_LVERTEX, B.Vertices, 0));
      } else {
        Check(Device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, B.Vertices,
                                            B.Indices, 0));
      }
    }
    Check(Device_->EndScene());
    Present();
  }

  void ClearAndPresent() {
    const TRect All{0, 0, Width_, Height_};
    Check(Viewport_->Clear({&All, 1}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    Check(Device_->BeginScene());
    Check(Device_->EndScene());
    Present();
  }

  TDrawStatistics Statistics() const { return Device_->Statistics(); }
  void ResetStatistics() { Device_->ResetStatistics(); }

private:
  void Present() {
    const TRect Screen{Left_, 0, Left_ + Width_, Height_};
    const TRect Source{0, 0, Width_, Height_};
    Check(Primary_->Blt(&Screen, Back_.get(), &Source, DDBLT_WAIT, nullptr));
  }

  std::int32_t Width_, Height_, Left_;
  std::shared_ptr<IDirectDrawLayer> DirectDraw_;
  std::shared_ptr<IDrawSurface> Primary_, Back_;
  std::shared_ptr<I3DDevice> Device_;
  std::shared_ptr<I3DViewport> Viewport_;
  std::shared_ptr<I3DMaterial> Background_;
  TDeviceMatrix View_, Projection_;
  const std::vector<TBatch>* Batches_ = nullptr;
};

struct TScene {
  std::unique_ptr<TPolygonImagerData> Model = std::make_unique<TPolygonImagerData>();
  TCamera Front, Side;
  std::vector<TBatch> FrontBatches, SideBatches;

  TScene() {
    Model->BuildFromFrame(*FullFrame(), ProcedureColonoscopy, true);
    // Frame the model: the eye at a distance where it fills the view.
    TVector3 Low{1e9, 1e9, 1e9}, High{-1e9, -1e9, -1e9};
    Bounds(Model->RootFrame(), Low, High);
    const TVector3 Centre = ScaleVector(AddVectors(Low, High), 0.5);
    const double Size = VectorLength(SubtractVectors(High, Low));
    const double Distance = 0.55 * Size / std::tan(1.396 / 2);
    Front = {AddVectors(Centre, {0, 0, Distance}), {0, 0, -1}, {0, 1, 0}};
    Side = {AddVectors(Centre, {Distance, 0, 0}), {-1, 0, 0}, {0, 1, 0}};
    Collect(Model->RootFrame(), Front.Position, FrontBatches);
    Collect(Model->RootFrame(), Side.Position, SideBatches);
  }

  static void Bounds(const TGraphics3DFrame& Frame, TVector3& Low, TVector3& High) {
    if (!Frame.Visible) {
      return;
    }
    for (const auto& Child : Frame.Children()) {
      Bounds(*Child, Low, High);
    }
    for (const auto& Mesh : Frame.Meshes()) {
      for (const TGraphics3DVertex& V : Mesh->Vertices()) {
        const TVector3 P = Apply(Frame.GetWorldMatrix(), {V.X, V.Y, V.Z});
        Low = {std::min(Low.X, P.X), std::min(Low.Y, P.Y), std::min(Low.Z, P.Z)};
        High = {std::max(High.X, P.X), std::max(High.Y, P.Y), std::max(High.Z, P.Z)};
      }
    }
  }
};

void Report(benchmark::State& State, const std::vector<TView*>& Views) {
  TDrawStatistics Sum;
  for (TView* V : Views) {
    const TDrawStatistics S = V->Statistics();
    Sum.TrianglesSubmitted += S.TrianglesSubmitted;
    Sum.TrianglesCulled += S.TrianglesCulled;
    Sum.TrianglesDrawn += S.TrianglesDrawn;
    Sum.Scenes += S.Scenes;
  }
  const double Scenes = static_cast<double>(std::max<std::int64_t>(Sum.Scenes, 1));
  State.counters["tris_per_view"] = static_cast<double>(Sum.TrianglesSubmitted) / Scenes;
  State.counters["drawn_per_view"] = static_cast<double>(Sum.TrianglesDrawn) / Scenes;
}

// The machine is shared; with --benchmark_repetitions the fastest run is the
// best estimate of what the code costs on its own.
double Fastest(const std::vector<double>& Runs) {
  return Runs.empty() ? 0.0 : *std::min_element(Runs.begin(), Runs.end());
}

void BM_ClearCopyLimit(benchmark::State& State) {
  const std::size_t Pixels = std::size_t{1920} * 1080;
  std::vector<std::uint32_t> Colour(Pixels), Window(Pixels);
  std::vector<float> Depth(Pixels);
  for (auto _ : State) {
    FillWords(Colour.data(), Pixels, 0xFF333366u);
    FillFloats(Depth.data(), Pixels, 1.0f);
    std::memcpy(Window.data(), Colour.data(), Pixels * 4);
    benchmark::DoNotOptimize(Window.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ClearCopyLimit)->ComputeStatistics("min", Fastest)->Unit(benchmark::kMillisecond);

// A cache line passed from one core to another and back. The threads share
// the vertices and primitives of every frame, so this machine's state (its
// two virtual cores on one die or on two) moves every multi-threaded figure;
// read those next to it.
void BM_CoreToCoreRoundTrip(benchmark::State& State) {
  alignas(64) std::atomic<std::int64_t> Ball{0};
  std::atomic<bool> Stop{false};
  std::thread Partner([&] {
    std::int64_t Seen = 0;
    while (!Stop.load(std::memory_order_relaxed)) {
      const std::int64_t Now = Ball.load(std::memory_order_acquire);
      if (Now % 2 == 1 && Now != Seen) {
        Seen = Now + 1;
        Ball.store(Seen, std::memory_order_release);
      }
    }
  });
  std::int64_t Sent = 0;
  for (auto _ : State) {
    Ball.store(++Sent, std::memory_order_release);
    ++Sent;
    while (Ball.load(std::memory_order_acquire) != Sent) {
    }
  }
  Stop.store(true);
  Partner.join();
}
BENCHMARK(BM_CoreToCoreRoundTrip)->ComputeStatistics("min", Fastest)->Unit(benchmark::kNanosecond);

void BM_DeviceClearPresent(benchmark::State& State) {
  TMemoryWindow Window;
  TView View(1920, 1080, 0, static_cast<std::int32_t>(State.range(0)), Window);
  for (auto _ : State) {
    View.ClearAndPresent();
  }
}
BENCHMARK(BM_DeviceClearPresent)
    ->ComputeStatistics("min", Fastest)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

void BM_EndoscopeOneView1920x1080(benchmark::State& State) {
  const TScene Scene;
  TMemoryWindow Window;
  TView View(1920, 1080, 0, static_cast<std::int32_t>(State.range(0)), Window);
  View.Aim(Scene.Front, Scene.FrontBatches);
  View.DrawAndPresent();
  View.ResetStatistics();
  for (auto _ : State) {
    View.DrawAndPresent();
  }
  Report(State, {&View});
}
BENCHMARK(BM_EndoscopeOneView1920x1080)
    ->ComputeStatistics("min", Fastest)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

// The twin view on a window of Width x Height, each view half of it.
void TwinView(benchmark::State& State, std::int32_t Width, std::int32_t Height,
              const TGuid& DeviceId = IID_IDirect3DRGBDevice) {
  const TScene Scene;
  TMemoryWindow Window(Width, Height);
  const auto Threads = static_cast<std::int32_t>(State.range(0));
  TView Front(Width / 2, Height, 0, Threads, Window, DeviceId);
  TView Side(Width / 2, Height, Width / 2, Threads, Window, DeviceId);
  Front.Aim(Scene.Front, Scene.FrontBatches);
  Side.Aim(Scene.Side, Scene.SideBatches);
  Front.DrawAndPresent();
  Side.DrawAndPresent();
  Front.ResetStatistics();
  Side.ResetStatistics();
  for (auto _ : State) {
    Front.DrawAndPresent();
    Side.DrawAndPresent();
  }
  Report(State, {&Front, &Side});
  if (const char* Path = std::getenv("KESTRAVA_BENCH_PICTURE")) {
    Window.Frame().save(QString::fromLocal8Bit(Path));
  }
}
void BM_EndoscopeTwinView2x960x1080(benchmark::State& State) {
  TwinView(State, 1920, 1080);
}
BENCHMARK(BM_EndoscopeTwinView2x960x1080)
    ->ComputeStatistics("min", Fastest)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

// The same twin view with the OpenGL device (on this machine Mesa's llvmpipe
// rasterizer), read back into the back surfaces and presented.
void BM_EndoscopeTwinView2x960x1080OpenGL(benchmark::State& State) {
  static int Argc = 3;
  static char Name[] = "render_device_bench", Option[] = "-platform", Platform[] = "offscreen";
  static char* Argv[] = {Name, Option, Platform, nullptr};
  static const QGuiApplication Application(Argc, Argv);
  std::shared_ptr<I3DDevice> Probe;
  std::string Reason;
  TSurfaceDescription D;
  D.Width = D.Height = 1;
  if (CreateOpenGLDevice(std::make_shared<TMemorySurface>(TSurfaceKind::Colour, D), Probe,
                         Reason) != DD_OK) {
    State.SkipWithError(("no OpenGL device: " + Reason).c_str());
    return;
  }
  TwinView(State, 1920, 1080, IID_IDirect3DHALDevice);
}
BENCHMARK(BM_EndoscopeTwinView2x960x1080OpenGL)
    ->ComputeStatistics("min", Fastest)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_EndoscopeTwinView2x1920x2160(benchmark::State& State) {
  TwinView(State, 3840, 2160);
}
BENCHMARK(BM_EndoscopeTwinView2x1920x2160)
    ->ComputeStatistics("min", Fastest)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

} // namespace

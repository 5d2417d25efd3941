// Cost of one display refresh as the main window does it for every shown
// frame: rebuild the endoscope model, align the camera to the patient, then
// clear, render and label both twin views of a 1920 x 1080 window and
// present them.

#include "OffscreenBenchmarkMain.h"
#include "app/ViewCamera.h"
#include "app/ViewPicture.h"
#include "imagerdata/ImagerProcedure.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "scene/PolygonImagerData.h"
#include "tests/support/ProcedureBuilders.h"

#include <QGuiApplication>
#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

// One view set up as the main window sets its views up at start.
struct TBenchView {
  TBenchView(std::int32_t Width, std::int32_t Height) : Window(Width, Height), View(Window) {
    View.SetUseDirect3DHardware(true);
    View.SetProjectionType(ProjectionParallel);
    View.SetNearClip(0.01);
    View.SetFarClip(5.0);
    View.SetBackFaceCulling(true);
    View.SetZBufferEnabled(true);
  }
  TOffscreenViewerWindow Window;
  TDirect3DViewerCore View;
};

void TwinViewRefresh(benchmark::State& State) {
  TImagerProcedure Procedure;
  support::AddAdvancingScopeFrames(Procedure, 60);
  auto Model = std::make_unique<TPolygonImagerData>();
  const TViewPlacement Placement = PlaceViews(ViewModeTwin, {0, 0, 1920, 1080});
  const auto WidthOf = [](const TRect& R) {
    return R.Right - R.Left;
  };
  const auto HeightOf = [](const TRect& R) {
    return R.Bottom - R.Top;
  };
  TBenchView Front(WidthOf(Placement.Front), HeightOf(Placement.Front));
  TBenchView Side(WidthOf(Placement.Side), HeightOf(Placement.Side));

  std::int32_t Index = 0;
  for (auto _ : State) {
    const TImagerFrame& Frame = Procedure.GetFrame(Index);
    Index = (Index + 1) % Procedure.FrameCount();
    Model->BuildFromFrame(Frame, Procedure.ProcedureType, true);
    TViewCamera Camera;
    Camera.AlignToPatient(Frame, Procedure.ProcedureType, false);
    PointFrontView(Front.View, Camera, Front.Window.Width(), Front.Window.Height());
    PointSideView(Side.View, Camera, Side.Window.Width(), Side.Window.Height());
    const TViewPictureOptions Options{32768, true, Procedure.ProcedureType};
    for (TBenchView* View : {&Front, &Side}) {
      View->View.OnDraw = [&](TDirect3DViewerCore& Sender) {
        DrawViewPicture(Sender, Sender.BackSurfaceCanvas(), *Model, Frame, Options);
      };
      View->View.Paint();
    }
    benchmark::DoNotOptimize(Front.Window.Picture().constBits());
  }
  State.SetItemsProcessed(State.iterations());
  // Proves that the views drew the model rather than an empty picture.
  std::int64_t Drawn = 0;
  for (const TBenchView* View : {&Front, &Side})
    Drawn += View->View.Device()->Statistics().TrianglesDrawn;
  State.counters["triangles_per_refresh"] =
      static_cast<double>(Drawn) / static_cast<double>(State.iterations());
}
BENCHMARK(TwinViewRefresh)->Unit(benchmark::kMillisecond);

} // namespace

// Marker labels are text, which needs a GUI application; no screen is used.
int main(int argc, char** argv) {
  return kestrava::bench::RunOffscreenBenchmarks<QGuiApplication>(argc, argv);
}

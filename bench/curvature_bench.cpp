// Curvature profile of one 16-sensor frame, as replay runs it whenever the
// shown frame changes with the curvature graph open.
#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/ImagerFrame.h"

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

// A helix-like scope: sensors 5 cm apart, bending and twisting as in a colon.
void MakeCurvedFrame(TImagerFrame& Frame) {
  Frame.SensorCount = MaxSensors;
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    const double A = 0.3 * static_cast<double>(Slot);
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = Vector3(0.1 * std::cos(A), 0.1 * std::sin(A), 0.02 * A);
    Frame.SensorDirection[Slot] = NormalizeVector(Vector3(-std::sin(A), std::cos(A), 0.2));
    if (Slot + 1 < MaxSensors)
      Frame.SegmentLength[Slot] = 0.05;
  }
}

void BM_CurvatureOf16SensorFrame(benchmark::State& State) {
  TImagerFrame Frame;
  MakeCurvedFrame(Frame);
  TCurvatureGraphPoints Graph;
  TEndoscopeCurvatureInfos Infos;
  for ([[maybe_unused]] auto _ : State) {
    AnalyseEndoscopeCurvature(&Frame, Graph, Infos);
    benchmark::DoNotOptimize(Graph.Points().data());
  }
  State.SetItemsProcessed(State.iterations() * Infos.Count());
}
BENCHMARK(BM_CurvatureOf16SensorFrame)->Unit(benchmark::kMicrosecond);

} // namespace

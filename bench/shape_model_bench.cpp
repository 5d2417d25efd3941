// Cost of rebuilding the endoscope model, which happens for every displayed
// sample: time per build and heap allocations per build.

#include "imagerdata/ImagerFrame.h"
#include "imagerdata/ImagerProcedure.h"
#include "scene/PolygonImagerData.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

#include <benchmark/benchmark.h>

namespace {

// Counts every allocation of the process so that a benchmark can report how
// many a build makes.
std::atomic<long> Allocations{0};

} // namespace

// gcc takes the replaced operators for a mismatch between new and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t Size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* P = std::malloc(Size ? Size : 1)) {
    return P;
  }
  throw std::bad_alloc();
}
void operator delete(void* P) noexcept {
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept {
  std::free(P);
}

namespace {

using namespace kestrava;

// Sixteen sensors along a gentle S-bend in space, an overtube of the second
// kind over the operator's half, three body markers (which put a cutoff
// plane beyond the last sensor, so nothing is cut) and the hand.
std::unique_ptr<TImagerFrame> FullFrame() {
  auto Frame = std::make_unique<TImagerFrame>();
  Frame->SensorCount = MaxSensors;
  Frame->TubeRadius = DefaultTubeRadius;
  Frame->EndoscopeValid = true;
  const double Step = 0.2, Bend = 0.25, Rise = 0.01;
  for (int I = 0; I < MaxSensors; ++I) {
    const auto S = static_cast<std::size_t>(I);
    const double A = Step * I;
    Frame->SensorValid[S] = true;
    Frame->SensorPosition[S] = {Bend * std::sin(A), Bend * (1 - std::cos(A)), Rise * I};
    Frame->SensorDirection[S] =
        NormalizeVector({Bend * Step * std::cos(A), Bend * Step * std::sin(A), Rise});
    if (I + 1 < MaxSensors) {
      Frame->SegmentLength[S] = std::hypot(Bend * Step, Rise);
    }
  }
  Frame->MarkerValid = {true, true, true, false, false, false};
  Frame->MarkerPosition[0] = {-0.5, 1, 0};
  Frame->MarkerPosition[1] = {-0.5, -1, 0};
  Frame->MarkerPosition[2] = {-0.6, 0, 0}; // plane at x = -0.6, normal -X
  Frame->HandValid = true;
  Frame->HandPosition = {0.3, 0.4, 0.2};
  Frame->OvertubeKind = 2;
  const TVector3 Sensor = Frame->SensorPosition[10];
  Frame->OvertubeData2 = {0.014f, 0.1f, 0.05f, true,
                          Vector3ToSingle(AddVectors(Sensor, {0, 0, 0.01}))};
  return Frame;
}

void BM_BuildFromFrame(benchmark::State& State) {
  const auto Frame = FullFrame();
  auto Model = std::make_unique<TPolygonImagerData>();
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true); // lists reach their size
  const long Before = Allocations.load();
  for (auto _ : State) {
    Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
    benchmark::DoNotOptimize(Model->RootFrame().Meshes().data());
  }
  const double Builds = static_cast<double>(State.iterations());
  State.counters["allocs_per_build"] = static_cast<double>(Allocations.load() - Before) / Builds;
  State.counters["vertices"] = static_cast<double>(Model->TotalVertexCount());
  State.counters["meshes"] = static_cast<double>(Model->EndoscopeFrame().Meshes().size() +
                                                 Model->OvertubeFrame().Meshes().size());
}
BENCHMARK(BM_BuildFromFrame)->Unit(benchmark::kMicrosecond);

void BM_ScopeLength(benchmark::State& State) {
  const auto Frame = FullFrame();
  for (auto _ : State) {
    benchmark::DoNotOptimize(TPolygonImagerData::ScopeLength(*Frame, ProcedureColonoscopy, true));
  }
}
BENCHMARK(BM_ScopeLength);

} // namespace

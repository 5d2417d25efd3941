// Cost of rebuilding the endoscope model, which happens for every displayed
// sample: time per build and heap allocations per build.

#include "imagerdata/ImagerFrame.h"
#include "imagerdata/ImagerProcedure.h"
#include "scene/PolygonImagerData.h"
#include "tests/support/ProcedureBuilders.h"

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

void BM_BuildFromFrame(benchmark::State& State) {
  const auto Frame = support::BentScopeFrame();
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
  const auto Frame = support::BentScopeFrame();
  for (auto _ : State) {
    benchmark::DoNotOptimize(TPolygonImagerData::ScopeLength(*Frame, ProcedureColonoscopy, true));
  }
}
BENCHMARK(BM_ScopeLength);

} // namespace

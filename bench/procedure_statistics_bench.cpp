// Pain statistics of a three-hour procedure (one frame a second), recomputed
// from scratch as after every change of range or threshold.

#include "imagerdata/ImagerProcedure.h"

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

constexpr int ThreeHoursOfFrames = 10800;

void FillProcedure(TImagerProcedure& Procedure) {
  for (int i = 0; i < ThreeHoursOfFrames; ++i) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = i / 86400.0;
    Frame.PainValid = true;
    Frame.Pain = 2 + std::sin(i * 0.01) + 0.5 * std::sin(i * 0.37);
  }
}

void BM_StatisticsUpdateWholeProcedure(benchmark::State& State) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure);
  Procedure.SetPainThreshold(0.5);
  for (auto _ : State) {
    Procedure.InvalidateStatistics();
    benchmark::DoNotOptimize(Procedure.GetPainStdDev());
  }
  State.SetItemsProcessed(State.iterations() * ThreeHoursOfFrames);
}
BENCHMARK(BM_StatisticsUpdateWholeProcedure)->Unit(benchmark::kMicrosecond);

void BM_StatisticsUpdateChosenRanges(benchmark::State& State) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure);
  Procedure.SetReferenceStart(0);
  Procedure.SetReferenceEnd(600);
  Procedure.SetAnalysisStart(600);
  Procedure.SetAnalysisEnd(ThreeHoursOfFrames - 1);
  for (auto _ : State) {
    Procedure.InvalidateStatistics();
    benchmark::DoNotOptimize(Procedure.GetTimeAboveThreshold());
  }
  State.SetItemsProcessed(State.iterations() * ThreeHoursOfFrames);
}
BENCHMARK(BM_StatisticsUpdateChosenRanges)->Unit(benchmark::kMicrosecond);

} // namespace

// Cost per call of the geometry routines the shape model runs for every
// vertex of every displayed frame.

#include "geometry/Maths.h"

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

// Inputs live in the state loop and are laundered through DoNotOptimize so
// the compiler cannot fold the calls into constants.
void BM_NormalizeVector(benchmark::State& State) {
  TVector3 V{0.3, -1.2, 2.5};
  for (auto _ : State) {
    benchmark::DoNotOptimize(V);
    benchmark::DoNotOptimize(NormalizeVector(V));
  }
}
BENCHMARK(BM_NormalizeVector);

void BM_RotateFromTo(benchmark::State& State) {
  TVector3 From = NormalizeVector({1, 2, 2}), To = NormalizeVector({0, 1, 1}), V{0.2, 0.4, -1};
  for (auto _ : State) {
    benchmark::DoNotOptimize(From);
    benchmark::DoNotOptimize(V);
    benchmark::DoNotOptimize(RotateFromTo(From, V, To));
  }
}
BENCHMARK(BM_RotateFromTo);

void BM_HermiteCubicAndEvaluate(benchmark::State& State) {
  TVector3 P0{0, 0, 0}, T0{0, 0.6, 0.8}, P1{0.02, 0.01, 0.03}, T1{0.6, 0, 0.8};
  double S = 0.04, T = 0.37;
  for (auto _ : State) {
    benchmark::DoNotOptimize(P0);
    benchmark::DoNotOptimize(T);
    benchmark::DoNotOptimize(EvaluateCubic(HermiteCubic(P0, T0, P1, T1, S), T));
  }
}
BENCHMARK(BM_HermiteCubicAndEvaluate);

void BM_ClosestPointOnSegment(benchmark::State& State) {
  TVector3 P{0.5, 0.3, -0.2}, S0{0, 0, 0}, S1{1, 0.5, 0};
  for (auto _ : State) {
    double T = 0;
    TVector3 Q;
    benchmark::DoNotOptimize(P);
    ClosestPointOnSegment(P, S0, S1, T, Q);
    benchmark::DoNotOptimize(T);
    benchmark::DoNotOptimize(Q);
  }
}
BENCHMARK(BM_ClosestPointOnSegment);

void BM_MultiplyMatrix4(benchmark::State& State) {
  const TPositionOrientation Placement =
      MakePositionOrientation({0.1, 0.2, 0.3}, NormalizeVector({1, 2, 2}), {0, 0.8, -0.6});
  TMatrix4 A = OrientationToMatrix(Placement), B = OrientationToInverseMatrix(Placement);
  for (auto _ : State) {
    benchmark::DoNotOptimize(A);
    benchmark::DoNotOptimize(MultiplyMatrix4(A, B));
  }
}
BENCHMARK(BM_MultiplyMatrix4);

} // namespace

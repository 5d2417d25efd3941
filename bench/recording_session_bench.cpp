// The recording session's acquisition step while the live file's disk is
// slow: the writer takes 200 ms a frame, the steps must not notice. Runs
// 1,000 steps on the simulated driver (unpaced, 25 samples a second of
// procedure time) and reports the worst step, the 99th percentile and the
// median (target: worst under 5 ms).

#include "tests/support/SimulatedSampler.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

struct TSampleClock final : IRecordingClock {
  int Readings = 0;
  double Now() override { return 46000.0 + (Readings++) * 0.04 / SecondsPerDay; }
};

void BM_AcquisitionStepWithASlowDisk(benchmark::State& State) {
  TSampleClock Clock;
  support::TUnpacedSession Simulated(KESTRAVA_PROGRAM_DIR, Clock);
  if (!Simulated.Session) {
    State.SkipWithError(("no simulator: " + Simulated.Problem).c_str());
    return;
  }
  TRecordingSession& Session = *Simulated.Session;
  std::vector<double> Milliseconds;
  for (auto _ : State) {
    // A disk that takes 200 ms for every frame, until released (so that the
    // stop after the measurement does not wait for the backlog).
    support::THeldDisk::TGate Gate;
    Session.Start({"Bench", ProcedureColonoscopy, false},
                  std::make_unique<support::THeldDisk>(Gate, std::chrono::milliseconds(200)));
    for (int Step = 0; Step < 1000; ++Step) {
      const auto Start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(Session.Step({false, true, true}));
      Milliseconds.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start)
              .count());
    }
    Gate.Release();
    Session.Stop();
  }
  std::sort(Milliseconds.begin(), Milliseconds.end());
  const auto At = [&](double Share) {
    return Milliseconds[static_cast<std::size_t>(Share *
                                                 static_cast<double>(Milliseconds.size() - 1))];
  };
  State.counters["worst_step_ms"] = Milliseconds.back();
  State.counters["p99_step_ms"] = At(0.99);
  State.counters["median_step_ms"] = At(0.5);
  State.counters["frames_stored"] = Session.StoredFrames();
}
BENCHMARK(BM_AcquisitionStepWithASlowDisk)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrava

// The recording session's acquisition step while the live file's disk is
// slow: the writer takes 200 ms a frame, the steps must not notice. Runs
// 1,000 steps on the simulated driver (unpaced, 25 samples a second of
// procedure time) and reports the worst step, the 99th percentile and the
// median (target: worst under 5 ms).

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/RecordingSession.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/EncodedFrameSink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

constexpr const char* ProgramDir = KESTRAVA_PROGRAM_DIR;
constexpr const char* DriversDir = KESTRAVA_PROGRAM_DIR "/drivers";

struct TSampleClock final : IRecordingClock {
  int Readings = 0;
  double Now() override { return 46000.0 + (Readings++) * 0.04 / SecondsPerDay; }
};

// A disk that takes 200 ms for every frame, until told to hurry (so that
// the stop after the measurement does not wait for the backlog).
class TSlowDisk final : public IEncodedFrameSink {
public:
  explicit TSlowDisk(const std::atomic<bool>& Hurry) : Hurry_(Hurry) {}
  bool HasPainData() const override { return false; }
  const std::string& Path() const override { return Path_; }
  void Close() override {}
  void AppendEncoded(std::span<const std::uint8_t>, std::int32_t Count) override {
    for (std::int32_t I = 0; I < Count && !Hurry_; ++I)
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }

private:
  const std::atomic<bool>& Hurry_;
  std::string Path_ = "slow.img";
};

void BM_AcquisitionStepWithASlowDisk(benchmark::State& State) {
  TImagerDriver Driver = LoadImagerDriver(DriversDir, SimulatorDriverId);
  if (!Driver.Created) {
    State.SkipWithError(("no simulator: " + Driver.Problem).c_str());
    return;
  }
  Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware)->SetPacing(0);
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TImagerSampler Sampler(std::move(Driver), {DriversDir, ProgramDir}, User, Platform);
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  TSampleClock Clock;
  TRecordingSession Session(Sampler, Procedure, Frame, Clock);
  if (!Sampler.InitialiseHardware() ||
      !Session.SetUp(ProgramDirectorySetup(ProgramDir, ProcedureColonoscopy, "Catheter16.msd", "",
                                           "Generator.gen", false))) {
    State.SkipWithError("the simulator did not set up");
    return;
  }
  std::vector<double> Milliseconds;
  for (auto _ : State) {
    std::atomic<bool> Hurry = false;
    Session.Start({"Bench", ProcedureColonoscopy, false}, std::make_unique<TSlowDisk>(Hurry));
    for (int Step = 0; Step < 1000; ++Step) {
      const auto Start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(Session.Step({false, true, true}));
      Milliseconds.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start)
              .count());
    }
    Hurry = true;
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

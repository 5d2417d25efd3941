// Sample on the simulated hardware without pacing: how many samples per
// second the sampler and the simulator's model deliver together (the
// workstation needs 25). Run by hand from the build tree.

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"

#include <string>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

std::string ProgramDir() {
  return KESTRAVA_PROGRAM_DIR;
}

void SampleOnTheSimulator(benchmark::State& State, const std::string& Overtube, bool Pain) {
  TImagerDriver Driver = LoadImagerDriver(ProgramDir() + "/drivers", SimulatorDriverId);
  if (!Driver.Created) {
    State.SkipWithError(("no simulator: " + Driver.Problem).c_str());
    return;
  }
  Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware)->SetPacing(0);
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TImagerSampler Sampler(std::move(Driver), {ProgramDir() + "/drivers", ProgramDir()}, User,
                         Platform);
  const std::string Dir = ProgramDir() + "/";
  if (!Sampler.InitialiseHardware() ||
      !Sampler.Setup(ProcedureColonoscopy, Dir + "Sampler.dat", Dir + "Pain Sensor.dat", Pain,
                     Dir + Overtube, !Overtube.empty(), Dir + "Remote.dat", Dir + "Catheter16.msd",
                     Dir + "Generator.gen")) {
    State.SkipWithError("the simulator did not set up");
    return;
  }
  TImagerFrame Frame;
  for (auto _ : State) {
    Sampler.Sample(Frame, false);
    benchmark::DoNotOptimize(Frame.SensorPosition[15]);
  }
  State.SetItemsProcessed(State.iterations());
}

void BM_SampleSixteenSensors(benchmark::State& State) {
  SampleOnTheSimulator(State, "", false);
}
void BM_SampleWithOvertubeAndPain(benchmark::State& State) {
  SampleOnTheSimulator(State, "Overtube2.otb", true);
}

BENCHMARK(BM_SampleSixteenSensors);
BENCHMARK(BM_SampleWithOvertubeAndPain);

} // namespace
} // namespace kestrava

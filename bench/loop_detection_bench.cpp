// Loop detection: the time to classify one frame of 16 sensors (the
// workstation needs well under 100 us at 25 frames a second), and the
// detector's accuracy on the simulator's scripted loops, recorded through
// the sampler and the simulated driver as the workstation records them.
//
// The accuracy run goes over every scripted loop and a straight insertion
// for 20 seeds, once with the default noise and once with 3 mm of position
// noise and one sensor (a different one per seed, never the tip) dropped,
// and prints sensitivity, specificity, class accuracy, the confusion
// matrix, the onset delays and the false alarms per hour. Each frame is
// classified with the tip's depth from the procedure timeline, as the
// workstation and the tool classify them. Run by hand:
//   build/release/bench/loop_detection_bench

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/simulator/SimulatedProcedure.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "looping/LoopClassifier.h"
#include "looping/LoopScore.h"
#include "looping/LoopTracker.h"
#include "tests/support/ModelFrames.h"
#include "tests/support/SimulatedSampler.h"
#include "timeline/TimelineTracker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

std::string ProgramDir() {
  return KESTRAVA_PROGRAM_DIR;
}
constexpr int Seeds = 20;

struct TScenario {
  const char* Loop; // a DSP.DAT loop kind, or nullptr for a straight insertion
  double Seconds;
};

constexpr TScenario Scenarios[] = {
    {"alpha", 125},         {"reverse-alpha", 125},   {"n", 125},     {"gamma", 125},
    {"reverse-gamma", 125}, {"deep-transverse", 125}, {nullptr, 100},
};

std::string ScenarioScript(const TScenario& Scenario, double PositionNoise) {
  std::string Script = "sample_rate 25\npacing none\ninsertion_start 5\ninsertion_speed 0.02\n"
                       "loop_amplitude 0\nstraighten_duration 0\ncaecum_hold 5\n"
                       "press 0.5 0.4 0x01\npress 1.5 0.4 0x02\npress 2.5 0.4 0x04\n"
                       "position_noise " +
                       std::to_string(PositionNoise) + "\n";
  if (Scenario.Loop != nullptr) {
    Script += std::string("loop ") + Scenario.Loop + " 6 15 6\n";
  }
  return Script;
}

const char* Name(TLoopClass Class) {
  static std::string Texts[LoopClassCount];
  const auto I = static_cast<std::size_t>(Class);
  Texts[I] = std::string(LoopClassText(Class));
  return Texts[I].c_str();
}

TLoopClass TruthClass(const simulator::TLoopTruth& Truth) {
  return Truth.Present
             ? ParseLoopClass(simulator::LoopKindText(Truth.Kind)).value_or(TLoopClass::None)
             : TLoopClass::None;
}

// Records one scenario for one seed and adds its frames to Scorer.
bool ScoreRun(const TScenario& Scenario, std::uint64_t Seed, double Noise, int DroppedSlot,
              TLoopScorer& Scorer) {
  const std::string Script = ScenarioScript(Scenario, Noise);
  simulator::TSimulatorSettings Settings;
  std::string Error;
  if (!simulator::ParseSimulatorSettings(Script, Settings, Error)) {
    return false;
  }
  const simulator::TSimulatedProcedure Truth(Settings);
  support::TScriptedSampler Run(ProgramDir(), Script, Seed);
  if (!Run.Sampler) {
    return false;
  }
  TImagerFrame Frame;
  TLoopTracker Tracker;
  TTimelineTracker Timeline(ProcedureColonoscopy);
  double Seconds = 0;
  std::int32_t Index = 0;
  while (Seconds < Scenario.Seconds) {
    const std::uint32_t Buttons = Run.Sampler->GetRemoteButtons();
    for (std::int32_t Marker = 0; Marker < 3; ++Marker) {
      if ((Buttons & (1u << Marker)) != 0) {
        Run.Sampler->SetMarker(Frame, Marker, false);
      }
    }
    Run.Sampler->Sample(Frame, false);
    Run.Hardware->GetSampleTime(&Seconds);
    if (DroppedSlot >= 0) {
      Frame.SensorValid[static_cast<std::size_t>(DroppedSlot)] = false;
    }
    Frame.Time = Seconds / SecondsPerDay;
    Timeline.Add(Frame);
    const TLoopState State =
        ClassifyLoop(Frame, ProcedureColonoscopy, Timeline.Frame(Timeline.FrameCount() - 1).Depth);
    const bool Announced = Tracker.Update(++Index, Seconds, State);
    Scorer.Add(Seconds, TruthClass(Truth.TruthAt(Seconds)), State.Class, Announced);
  }
  Scorer.EndRun();
  return true;
}

void PrintScore(const char* Title, const TLoopScore& Score) {
  std::printf("\n%s\n", Title);
  std::printf("  frames: %lld looped, %lld not\n",
              static_cast<long long>(Score.TruePositives) + Score.FalseNegatives,
              static_cast<long long>(Score.TrueNegatives) + Score.FalsePositives);
  std::printf(
      "  sensitivity %.2f %%, specificity %.2f %%, class correct %.2f %% of looped frames\n",
      100 * Score.Sensitivity(), 100 * Score.Specificity(), 100 * Score.ClassAccuracy());
  std::vector<double> Delays = Score.OnsetDelays;
  std::sort(Delays.begin(), Delays.end());
  const double Median = Delays.empty() ? 0 : Delays[Delays.size() / 2];
  const double Worst = Delays.empty() ? 0 : Delays.back();
  std::printf("  onset to announcement: median %.2f s, longest %.2f s, %zu episodes announced, "
              "%d missed\n",
              Median, Worst, Delays.size(), Score.MissedEpisodes);
  std::printf("  false alarms: %d in %.2f h without a loop (%.2f per hour)\n", Score.FalseAlarms,
              Score.NegativeSeconds / 3600, Score.FalseAlarmsPerHour());
  std::printf("  confusion (rows truth, columns detected):\n  %16s", "");
  for (std::int32_t C = 0; C < LoopClassCount; ++C) {
    std::printf("%16s", Name(static_cast<TLoopClass>(C)));
  }
  std::printf("\n");
  for (std::int32_t T = 0; T < LoopClassCount; ++T) {
    std::printf("  %16s", Name(static_cast<TLoopClass>(T)));
    for (std::int32_t C = 0; C < LoopClassCount; ++C) {
      std::printf("%16lld",
                  static_cast<long long>(
                      Score.Confusion[static_cast<std::size_t>(T)][static_cast<std::size_t>(C)]));
    }
    std::printf("\n");
  }
}

void BM_ScriptedLoopAccuracy(benchmark::State& State, double Noise, bool DropSensor,
                             const char* Title) {
  for (auto _ : State) {
    TLoopScorer Scorer;
    for (int Seed = 1; Seed <= Seeds; ++Seed) {
      for (const TScenario& Scenario : Scenarios) {
        const int Dropped = DropSensor ? 1 + Seed % (MaxSensors - 2) : -1;
        if (!ScoreRun(Scenario, static_cast<std::uint64_t>(Seed), Noise, Dropped, Scorer)) {
          State.SkipWithError("the simulator did not set up");
          return;
        }
      }
    }
    const TLoopScore& Score = Scorer.Score();
    PrintScore(Title, Score);
    State.counters["sensitivity"] = Score.Sensitivity();
    State.counters["specificity"] = Score.Specificity();
    State.counters["class_accuracy"] = Score.ClassAccuracy();
    State.counters["false_alarms_per_hour"] = Score.FalseAlarmsPerHour();
  }
}

// One looped frame of the simulator, noise-free, for the timing.
void LoopedFrame(TImagerFrame& Frame) {
  simulator::TSimulatorSettings Settings;
  Settings.InsertionSpeed = 0.02;
  Settings.LoopAmplitude = 0;
  Settings.StraightenDuration = 0;
  Settings.Loops.push_back({simulator::TLoopKind::Gamma, 6, 15, 6});
  const simulator::TSimulatedProcedure Model(Settings);
  support::ModelFrame(Model, 60, Frame);
}

void BM_ClassifySixteenSensors(benchmark::State& State) {
  TImagerFrame Frame;
  LoopedFrame(Frame);
  for (auto _ : State) {
    TLoopState Loop = ClassifyLoop(Frame, ProcedureColonoscopy);
    benchmark::DoNotOptimize(Loop);
  }
  State.SetItemsProcessed(State.iterations());
}

BENCHMARK(BM_ClassifySixteenSensors)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ScriptedLoopAccuracy, DefaultNoise, 0.0005, false,
                  "Scripted loops, default noise (0.5 mm), 20 seeds")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_ScriptedLoopAccuracy, NoisyOneSensorDropped, 0.003, true,
                  "Scripted loops, 3 mm noise, one sensor dropped, 20 seeds")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace kestrava

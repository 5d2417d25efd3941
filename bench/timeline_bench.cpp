// The procedure timeline: how long a three-hour recording takes to analyse
// (the workstation opens files with it; the target is under 50 ms), how many
// recordings a second the tool's folder mode gets through on one thread and
// on two, and how right the timeline is against the simulator's own truth.
//
// The accuracy run records simulated colonoscopies through the sampler and
// the simulated driver, one frame per second as the workstation stores
// them: complete and incomplete examinations, with loops, inspections that
// push back in during withdrawal and pauses, each with the default noise
// and with 3 mm of position noise. Per procedure it prints whether the
// caecum was found reached rightly, the errors of the caecum time, the
// withdrawal's end and the withdrawal time (target: within 15 s) and the
// share of frames given the right colon segment among those more than 3 cm
// from a segment boundary (target: at least 90 %). Run by hand:
//   build/release/bench/timeline_bench

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/simulator/SimulatedProcedure.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "tests/support/ModelFrames.h"
#include "tests/support/SimulatedSampler.h"
#include "timeline/FolderTimelines.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineTracker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

std::string ProgramDir() {
  return KESTRAVA_PROGRAM_DIR;
}

// --- Recordings made from the simulator's model, without the driver -------

// A colonoscopy of Seconds at one frame a second, slow enough to last.
void ModelRecording(double Seconds, TImagerProcedure& Procedure) {
  simulator::TSimulatorSettings Settings;
  Settings.InsertionSpeed = 1.3 / (Seconds / 3); // a third in, two thirds out
  Settings.StartDepth = -0.05;
  Settings.EndDepth = -0.1;
  const simulator::TSimulatedProcedure Model(Settings);
  Procedure.ProcedureType = ProcedureColonoscopy;
  for (double T = 0; T < Seconds; T += 1) {
    support::ModelFrame(Model, T, Procedure.AddFrame());
  }
}

void BM_AnalyseThreeHourRecording(benchmark::State& State) {
  TImagerProcedure Procedure;
  ModelRecording(3 * 3600, Procedure);
  for (auto _ : State) {
    TTimelineAnalysis Analysis = AnalyseTimeline(Procedure);
    benchmark::DoNotOptimize(Analysis);
  }
  State.counters["frames"] = Procedure.FrameCount();
}

// The recording session's share: each stored frame added, then what the
// window asks after it (the frame's phase and segment, the summary, the
// running withdrawal timer), over a three-hour recording.
void BM_TrackFramesAndAskAfterEach(benchmark::State& State) {
  TImagerProcedure Procedure;
  ModelRecording(3 * 3600, Procedure);
  for (auto _ : State) {
    TTimelineTracker Tracker(ProcedureColonoscopy);
    for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
      Tracker.Add(Procedure.GetFrame(I));
      benchmark::DoNotOptimize(Tracker.Frame(I));
      benchmark::DoNotOptimize(Tracker.Summary());
      benchmark::DoNotOptimize(Tracker.WithdrawalSecondsAt(I));
    }
  }
  State.SetItemsProcessed(State.iterations() * Procedure.FrameCount());
}

// The folder mode: Count recordings of 20 minutes, analysed on Threads.
void BM_FolderOfRecordings(benchmark::State& State) {
  constexpr int Count = 24;
  const auto Threads = static_cast<unsigned>(State.range(0));
  const support::TScratchDirectory Scratch("kestrava-timeline-folder");
  const std::filesystem::path& Dir = Scratch.Dir;
  {
    TImagerProcedure Procedure;
    ModelRecording(20 * 60, Procedure);
    for (int I = 0; I < Count; ++I) {
      Procedure.SaveToFile((Dir / ("procedure" + std::to_string(I) + ".img")).string());
    }
  }
  const std::vector<std::filesystem::path> Files = ImagerFilesIn(Dir);
  for (auto _ : State) {
    std::vector<TFolderTimeline> Rows = AnalyseTimelines(Files, Threads);
    benchmark::DoNotOptimize(Rows);
  }
  State.SetItemsProcessed(State.iterations() * Count);
}

// --- Accuracy against the simulator's truth --------------------------------

struct TScenario {
  const char* Name;
  const char* Script; // settings beyond the common ones
};

// Complete and incomplete examinations at several speeds, with loops,
// inspections during withdrawal (readvance DEPTH DISTANCE HOLD; distance 0
// is a pause) and the sigmoid push-out of the default settings.
constexpr TScenario Scenarios[] = {
    {"complete, straight", "insertion_speed 0.005\ncaecum_hold 20\n"},
    {"complete, push-out", "insertion_speed 0.004\nloop_amplitude 0.15\ncaecum_hold 15\n"},
    {"complete, alpha", "insertion_speed 0.005\nloop alpha 8 20 8\ncaecum_hold 12\n"},
    {"complete, N", "insertion_speed 0.006\nloop n 8 20 8\ncaecum_hold 30\n"},
    {"complete, gamma", "insertion_speed 0.004\nloop gamma 8 15 8\ncaecum_hold 10\n"},
    {"complete, deep transverse",
     "insertion_speed 0.005\nloop deep-transverse 8 15 8\ncaecum_hold 25\n"},
    {"complete, caecal re-advances",
     "insertion_speed 0.005\ncaecum_hold 10\nreadvance 1.21 0.035 8\nreadvance 1.19 0.05 5\n"},
    {"complete, inspections",
     "insertion_speed 0.004\ncaecum_hold 15\nreadvance 0.95 0.06 10\nreadvance 0.62 0.04 5\n"
     "readvance 0.35 0 30\n"},
    {"complete, fast (short withdrawal)", "insertion_speed 0.008\ncaecum_hold 8\n"},
    {"complete, loops and inspections",
     "insertion_speed 0.005\nloop reverse-alpha 6 15 6\nloop reverse-gamma 6 12 6\n"
     "caecum_hold 20\nreadvance 1.0 0.05 10\nreadvance 0.4 0 20\n"},
    {"incomplete, sigmoid", "insertion_speed 0.005\nturn_back 0.42\ncaecum_hold 10\n"},
    {"incomplete, descending", "insertion_speed 0.005\nturn_back 0.68\ncaecum_hold 15\n"},
    {"incomplete, transverse", "insertion_speed 0.004\nturn_back 0.88\ncaecum_hold 15\n"},
    {"incomplete, hepatic flexure", "insertion_speed 0.005\nturn_back 1.02\ncaecum_hold 10\n"},
    {"incomplete, ascending", "insertion_speed 0.005\nturn_back 1.10\ncaecum_hold 10\n"},
    {"incomplete, N loop",
     "insertion_speed 0.005\nloop n 8 20 8\nturn_back 0.80\ncaecum_hold 10\n"},
};

// The tip waits 5 cm outside while the markers are placed and leaves the
// anus at the end; the sigmoid is not pushed out unless a scenario says so.
std::string Script(const TScenario& Scenario, double Noise) {
  const std::string Own = Scenario.Script;
  return std::string("sample_rate 4\npacing none\ninsertion_start 10\nstart_depth -0.05\n"
                     "end_depth -0.1\nstraighten_duration 10\n"
                     "press 0.5 0.4 0x01\npress 1.5 0.4 0x02\npress 2.5 0.4 0x04\n"
                     "position_noise ") +
         std::to_string(Noise) + "\n" +
         (Own.find("loop_amplitude") == std::string::npos ? "loop_amplitude 0\n" : "") + Own;
}

// Records until a minute after the model's withdrawal ends, storing a frame
// each second of procedure time as the workstation does.
bool Record(support::TScriptedSampler& Run, double Seconds, TImagerProcedure& Procedure) {
  TImagerFrame Frame;
  double Now = 0, NextStore = 1;
  while (Now < Seconds) {
    const std::uint32_t Buttons = Run.Sampler->GetRemoteButtons();
    for (std::int32_t Marker = 0; Marker < 3; ++Marker) {
      if ((Buttons & (1u << Marker)) != 0) {
        Run.Sampler->SetMarker(Frame, Marker, false);
      }
    }
    Run.Sampler->Sample(Frame, false);
    Run.Hardware->GetSampleTime(&Now);
    if (Now >= NextStore) {
      Frame.Time = Now / SecondsPerDay;
      Procedure.AddFrame().Assign(Frame);
      NextStore += 1;
    }
  }
  return Procedure.FrameCount() > 0;
}

struct TOutcome {
  std::string Name;
  bool TruthReached = false, FoundReached = false;
  std::optional<double> CaecumError, EndError, WithdrawalError;
  double TruthWithdrawal = 0;
  std::int64_t Scored = 0, Right = 0, Unmarked = 0;
};

// Seconds of procedure time of a timeline event (timeline times count from the first frame).
double ProcedureSeconds(const TImagerProcedure& Procedure, const TTimelineEvent& Event) {
  return Procedure.GetFrame(Event.Frame - 1).Time * SecondsPerDay;
}

// A frame more than Margin from every segment boundary of the truth.
bool AwayFromBoundaries(const simulator::TColonPath& Path, double Depth) {
  constexpr double Margin = 0.03;
  using simulator::TColonLandmark;
  const std::array<double, 6> Boundaries = {0,
                                            Path.LandmarkArc(TColonLandmark::Rectosigmoid),
                                            Path.LandmarkArc(TColonLandmark::DescendingJunction),
                                            Path.LandmarkArc(TColonLandmark::SplenicFlexure),
                                            Path.LandmarkArc(TColonLandmark::HepaticFlexure),
                                            Path.Length() - simulator::CaecumPartLength};
  return std::all_of(Boundaries.begin(), Boundaries.end(),
                     [Depth](double B) { return std::abs(Depth - B) > Margin; });
}

std::optional<TOutcome> Judge(const TScenario& Scenario, double Noise, std::uint64_t Seed) {
  const std::string Text = Script(Scenario, Noise);
  simulator::TSimulatorSettings Settings;
  std::string Error;
  if (!simulator::ParseSimulatorSettings(Text, Settings, Error)) {
    std::printf("%s: %s\n", Scenario.Name, Error.c_str());
    return std::nullopt;
  }
  const simulator::TSimulatedProcedure Model(Settings);
  const std::optional<double> TruthEnd = Model.WithdrawalEnd();
  support::TScriptedSampler Run(ProgramDir(), Text, Seed);
  TImagerProcedure Procedure;
  if (!TruthEnd || !Run.Sampler || !Record(Run, *TruthEnd + 60, Procedure)) {
    return std::nullopt;
  }
  const TTimelineAnalysis Analysis = AnalyseTimeline(Procedure);
  const TTimelineSummary& S = Analysis.Summary;
  TOutcome Outcome;
  Outcome.Name = Scenario.Name;
  const std::optional<double> Arrival = Model.CaecumArrival();
  Outcome.TruthReached = Arrival.has_value();
  Outcome.FoundReached = S.Caecum.has_value();
  if (S.WithdrawalEnd) {
    Outcome.EndError = ProcedureSeconds(Procedure, *S.WithdrawalEnd) - *TruthEnd;
  }
  if (Arrival && S.Caecum) {
    Outcome.CaecumError = ProcedureSeconds(Procedure, *S.Caecum) - *Arrival;
    Outcome.TruthWithdrawal = *TruthEnd - *Arrival;
    if (S.WithdrawalSeconds) {
      Outcome.WithdrawalError = *S.WithdrawalSeconds - Outcome.TruthWithdrawal;
    }
  }
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    const double Seconds = Procedure.GetFrame(I).Time * SecondsPerDay;
    const double Depth = Model.StateAt(Seconds).TipArc;
    if (!AwayFromBoundaries(Model.Path(), Depth)) {
      continue;
    }
    const TColonSegment Found = Analysis.Frames[static_cast<std::size_t>(I)].Segment;
    if (Found == TColonSegment::Unknown) {
      ++Outcome.Unmarked; // before the markers are placed
      continue;
    }
    ++Outcome.Scored;
    Outcome.Right +=
        ColonSegmentText(Found) == simulator::ColonPartText(Model.Path().PartAt(Depth));
  }
  return Outcome;
}

std::string Seconds(const std::optional<double>& Value) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "%+.0f", Value.value_or(0));
  return Value ? Text : "-";
}

void BM_TimelineAccuracy(benchmark::State& State) {
  for (auto _ : State) {
    std::vector<TOutcome> Outcomes;
    std::uint64_t Seed = 1;
    for (const double Noise : {0.0005, 0.003}) {
      for (const TScenario& Scenario : Scenarios) {
        std::optional<TOutcome> Outcome = Judge(Scenario, Noise, Seed++);
        if (!Outcome) {
          State.SkipWithError("the simulator did not set up");
          return;
        }
        Outcome->Name += Noise > 0.001 ? " (3 mm)" : "";
        Outcomes.push_back(*Outcome);
      }
    }
    std::printf("\n%-42s %7s %8s %8s %8s %8s %9s\n", "procedure", "caecum", "t error", "end err",
                "wd err", "wd time", "segments");
    int Wrong = 0;
    double Worst = 0;
    std::int64_t Scored = 0, Right = 0;
    for (const TOutcome& O : Outcomes) {
      const bool Correct = O.TruthReached == O.FoundReached;
      Wrong += Correct ? 0 : 1;
      for (const auto& Error : {O.CaecumError, O.EndError, O.WithdrawalError}) {
        Worst = std::max(Worst, std::abs(Error.value_or(0)));
      }
      Scored += O.Scored;
      Right += O.Right;
      std::printf(
          "%-42s %7s %8s %8s %8s %8.0f %8.1f%%\n", O.Name.c_str(),
          !Correct ? "WRONG" : (O.FoundReached ? "yes" : "no"), Seconds(O.CaecumError).c_str(),
          Seconds(O.EndError).c_str(), Seconds(O.WithdrawalError).c_str(), O.TruthWithdrawal,
          O.Scored > 0 ? 100.0 * static_cast<double>(O.Right) / static_cast<double>(O.Scored)
                       : 0.0);
    }
    const double Share = Scored > 0 ? static_cast<double>(Right) / static_cast<double>(Scored) : 0;
    std::printf("\n%zu procedures: caecum reached wrongly in %d; largest time error %.0f s; "
                "segment right on %.1f %% of %lld frames away from the boundaries\n",
                Outcomes.size(), Wrong, Worst, 100 * Share, static_cast<long long>(Scored));
    State.counters["caecum_wrong"] = Wrong;
    State.counters["largest_time_error_s"] = Worst;
    State.counters["segment_accuracy"] = Share;
  }
}

BENCHMARK(BM_AnalyseThreeHourRecording)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrackFramesAndAskAfterEach)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderOfRecordings)
    ->Arg(1)
    ->Arg(2)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimelineAccuracy)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace kestrava

// Loading and saving a three-hour recording (one frame a second, 16 sensors,
// pain and overtube blocks), next to a plain read of the same file's bytes,
// which is the I/O limit a load is measured against. The file stays in the
// page cache, so these compare decoding cost, not disk speed.

#include "imagerdata/ImagerProcedure.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

constexpr int ThreeHoursOfFrames = 10800;

void FillProcedure(TImagerProcedure& Procedure) {
  Procedure.PatientName = "Benchmark";
  Procedure.HasPainData = true;
  Procedure.PainUnits = "mmHg";
  for (int I = 0; I < ThreeHoursOfFrames; ++I) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = I / 86400.0;
    Frame.SensorCount = MaxSensors;
    Frame.TubeRadius = DefaultTubeRadius;
    for (int S = 0; S < MaxSensors; ++S) {
      const auto Slot = static_cast<std::size_t>(S);
      Frame.SensorValid[Slot] = true;
      Frame.SensorPosition[Slot] = {0.01 * S, std::sin(I * 0.01 + S), 0.1};
      Frame.SensorDirection[Slot] = {0, 0, 1};
    }
    Frame.SegmentLength.fill(0.05);
    Frame.MarkerValid.fill(true);
    Frame.HandValid = true;
    Frame.PainValid = true;
    Frame.Pain = 2 + std::sin(I * 0.01);
    Frame.OvertubeKind = 2;
    Frame.OvertubeData2 = {0.1f, 0.2f, 0.3f, true, {1, 2, 3}};
  }
}

// One saved file shared by the benchmarks, removed at exit.
struct TBenchFile {
  TBenchFile() {
    FillProcedure(Procedure);
    Path = Procedure.SaveToFile(
        (std::filesystem::temp_directory_path() / "kestrava-imager-file-bench.img").string());
    Bytes = static_cast<double>(std::filesystem::file_size(Path));
  }
  ~TBenchFile() { std::filesystem::remove(Path); }
  TImagerProcedure Procedure;
  std::string Path;
  double Bytes = 0;
};

TBenchFile& BenchFile() {
  static TBenchFile File;
  return File;
}

void Report(benchmark::State& State) {
  State.SetBytesProcessed(State.iterations() * static_cast<std::int64_t>(BenchFile().Bytes));
  State.counters["per_frame"] =
      benchmark::Counter(static_cast<double>(State.iterations()) * ThreeHoursOfFrames,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PlainReadOfTheFile(benchmark::State& State) {
  const std::string& Path = BenchFile().Path;
  std::vector<char> Buffer(static_cast<std::size_t>(BenchFile().Bytes));
  for (auto _ : State) {
    std::ifstream In(Path, std::ios::binary);
    In.read(Buffer.data(), static_cast<std::streamsize>(Buffer.size()));
    benchmark::DoNotOptimize(Buffer.data());
  }
  Report(State);
}
BENCHMARK(BM_PlainReadOfTheFile)->Unit(benchmark::kMillisecond);

void BM_LoadThreeHourProcedure(benchmark::State& State) {
  TImagerProcedure Procedure;
  for (auto _ : State) {
    benchmark::DoNotOptimize(Procedure.LoadFromFile(BenchFile().Path));
  }
  Report(State);
}
BENCHMARK(BM_LoadThreeHourProcedure)->Unit(benchmark::kMillisecond);

// The frame model's own cost of a load: the same number of frames, added and
// freed without any decoding.
void BM_AddFramesWithoutDecoding(benchmark::State& State) {
  TImagerProcedure Procedure;
  for (auto _ : State) {
    Procedure.Clear();
    for (int I = 0; I < ThreeHoursOfFrames; ++I) {
      benchmark::DoNotOptimize(&Procedure.AddFrame());
    }
  }
  Report(State);
}
BENCHMARK(BM_AddFramesWithoutDecoding)->Unit(benchmark::kMillisecond);

void BM_SaveThreeHourProcedure(benchmark::State& State) {
  const TImagerProcedure& Procedure = BenchFile().Procedure;
  const std::string Path = BenchFile().Path + ".save";
  for (auto _ : State) {
    benchmark::DoNotOptimize(Procedure.SaveToFile(Path));
  }
  std::filesystem::remove(std::filesystem::path(Path).replace_extension(".img"));
  Report(State);
}
BENCHMARK(BM_SaveThreeHourProcedure)->Unit(benchmark::kMillisecond);

} // namespace

// The procedure report of a three-hour recording: kestrava-tool report as
// the user runs it (the file read, the figures worked out, both pictures
// drawn on the software device, the PDF written and renamed into place;
// target under 1 s), and the figures alone for comparison. The recording
// is made once through the simulated driver, with loops on the way in, a
// long stay at the caecum and pain. Run by hand:
//   build/release/bench/report_bench

#include "app/ProcedureFigures.h"
#include "imagerdata/ImagerProcedure.h"
#include "tests/support/ScratchDirectory.h"
#include "tools/ToolApp.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

namespace fs = std::filesystem;

constexpr const char* Script = "pacing none\ninsertion_start 5\ninsertion_speed 0.01\n"
                               "loop_amplitude 0\nstraighten_duration 0\ncaecum_hold 10000\n"
                               "end_depth -0.1\npress 0.5 0.4 0x01\npress 1.5 0.4 0x02\n"
                               "press 2.5 0.4 0x04\nloop alpha 20 60 20\nloop gamma 20 60 20\n";

// The recording, made on first use.
const fs::path& Recording() {
  static const support::TScratchDirectory Scratch("kestrava-report");
  static const fs::path File = [] {
    const fs::path& Dir = Scratch.Dir;
    // The built program directory with the script in its DSP.DAT.
    const fs::path Program = Dir / "program";
    fs::copy(KESTRAVA_PROGRAM_DIR, Program, fs::copy_options::recursive);
    std::ofstream(Program / "DSP.DAT") << Script;
    std::ostringstream Out, Err;
    fs::path Recorded = Dir / "three-hours.img";
    if (RunTool({"simulate", "-o", Recorded.string(), "--seconds", "10800", "--pain",
                 "--program-dir", Program.string()},
                Out, Err) != 0) {
      std::fputs(Err.str().c_str(), stderr);
      std::abort();
    }
    return Recorded;
  }();
  return File;
}

void BM_ReportOfThreeHourRecording(benchmark::State& State) {
  const std::string File = Recording().string();
  const std::string Output = (Recording().parent_path() / "report.pdf").string();
  for (auto _ : State) {
    std::ostringstream Out, Err;
    if (RunTool({"report", File, "-o", Output}, Out, Err) != 0) {
      State.SkipWithError(Err.str().c_str());
      break;
    }
  }
  TImagerProcedure Procedure;
  Procedure.LoadFromFile(File);
  State.counters["frames"] = Procedure.FrameCount();
  State.counters["pdf_kib"] = static_cast<double>(fs::file_size(Output)) / 1024;
}
BENCHMARK(BM_ReportOfThreeHourRecording)->Unit(benchmark::kMillisecond);

void BM_FiguresOfThreeHourRecording(benchmark::State& State) {
  TImagerProcedure Procedure;
  Procedure.LoadFromFile(Recording().string());
  for (auto _ : State) {
    TProcedureFigures Figures = ProcedureFiguresOf(Procedure, {});
    benchmark::DoNotOptimize(Figures);
  }
}
BENCHMARK(BM_FiguresOfThreeHourRecording)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrava

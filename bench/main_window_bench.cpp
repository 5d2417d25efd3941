// Cost of one refresh of the real main window (offscreen platform) for a
// sixteen-sensor frame in twin view at 1920 x 1080: the model rebuilt, the
// camera aligned, both views drawn and presented into the widgets' backing
// image, the information box and the status texts filled.

#include "OffscreenBenchmarkMain.h"
#include "acquisition/ImagerSampler.h"
#include "app/OptionStore.h"
#include "app/ProcedureDetails.h"
#include "app/window/Main.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "render/Direct3DViewerControl.h"
#include "tests/support/ProcedureBuilders.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;

void MainWindowUpdate(benchmark::State& State) {
  QTemporaryDir Folder;
  const std::string Recording = QDir(Folder.path()).filePath("bench.img").toStdString();
  {
    TImagerProcedure Procedure;
    support::AddAdvancingScopeFrames(Procedure, 60);
    Procedure.HasPainData = true;
    for (int Index = 0; Index < 60; ++Index) {
      Procedure.GetFrame(Index).Pain = 1 + std::sin(Index * 0.1);
    }
    Procedure.SaveToFile(Recording);
  }
  TMemoryOptionStore UserOptions, MachineOptions;
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TMain Main({UserOptions,
              MachineOptions,
              User,
              Platform,
              Folder.path().toStdString(),
              Folder.path().toStdString(),
              32,
              {},
              {},
              nullptr,
              {},
              {}});
  Main.MutableOptions().ViewMode = 2;
  Main.resize(1920, 1080);
  Main.show();
  Main.OpenImagerFile(Recording);
  QApplication::processEvents();

  std::int32_t Step = 1;
  for (auto _ : State) {
    if (Main.Display().CurrentFrame() + Step < 1 || Main.Display().CurrentFrame() + Step > 60)
      Step = -Step;
    Main.StepFrame(Step);
    Main.Update();
  }
  State.SetItemsProcessed(State.iterations());
  State.counters["view_width"] = Main.FrontView().width();
  State.counters["view_height"] = Main.FrontView().height();
}
BENCHMARK(MainWindowUpdate)->Unit(benchmark::kMillisecond);

// One acquisition step of a live recording from the simulated driver run
// unpaced: sample, store once a second, refresh the whole window (twin view,
// 1920 x 1080). Its inverse is the live refresh rate the window can reach;
// paced at the simulator's 25 Hz, the hardware is the limit whenever a step
// takes less than 40 ms.
void MainWindowRecordingStep(benchmark::State& State) {
  namespace fs = std::filesystem;
  QTemporaryDir Folder;
  const fs::path Program = fs::path(Folder.path().toStdString()) / "program";
  fs::copy(KESTRAVA_PROGRAM_DIR, Program, fs::copy_options::recursive);
  std::ofstream(Program / "DSP.DAT") << "pacing none\n";
  TMemoryOptionStore UserOptions, MachineOptions;
  MachineOptions.WriteString("Driver ID", "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A01}");
  UserOptions.WriteString("ImagerFileStorageDirectory", Folder.path().toStdString());
  UserOptions.WriteInteger("ViewMode", 2);
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TMainEnvironment Environment{UserOptions,
                               MachineOptions,
                               User,
                               Platform,
                               Program.string(),
                               Folder.path().toStdString(),
                               32,
                               {},
                               {},
                               nullptr,
                               {},
                               {}};
  Environment.AskProcedureDetails = [](TProcedureDetails& Details) {
    Details.FileName = FullImagerFilePath(Details.StorageDirectory, "bench");
    Details.PatientName = "Bench";
    Details.SensorFile = "Catheter16.msd";
    Details.GeneratorCoilsFile = "Generator.gen";
    return true;
  };
  TMain Main(Environment);
  Main.resize(1920, 1080);
  Main.show();
  Main.activateWindow();
  QApplication::processEvents();
  Main.StartProcedure();
  if (!Main.Sampler().Ready()) {
    State.SkipWithError("the recording did not start");
    return;
  }
  for (auto _ : State) {
    bool Done = true;
    Main.AcquisitionStep(Done);
  }
  State.SetItemsProcessed(State.iterations());
  Main.StopProcedure();
}
BENCHMARK(MainWindowRecordingStep)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  return kestrava::bench::RunOffscreenBenchmarks<QApplication>(argc, argv);
}

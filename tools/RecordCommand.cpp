#include "tools/RecordCommand.h"

#include "acquisition/DriverLoader.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/QelExceptions.h"
#include "tools/RecordingCommandLine.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

namespace kestrava {

namespace {

std::string DriverIdOf(const std::filesystem::path& ProgramDir, const std::string& Driver) {
  const std::optional<std::string> Id =
      FindImagerDriverId((ProgramDir / "drivers").string(), Driver);
  if (!Id) {
    throw EUsageError("--driver " + Driver +
                      ": no installed driver answers to it (kestrava-tool drivers lists them)");
  }
  return *Id;
}

std::string ReadSettings(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    throw Exception("Cannot open file: " + Path);
  }
  std::ostringstream Content;
  Content << File.rdbuf();
  return Content.str();
}

} // namespace

int RunRecordCommand(const TRecordOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    CheckRecordingOptions(Options.Output, Options.Seconds);
    TRecordingRun Run;
    Run.Output = Options.Output;
    Run.Seconds = Options.Seconds;
    Run.ProgramDir = ProgramDirOr(Options.ProgramDir);
    Run.DriverId = DriverIdOf(Run.ProgramDir, Options.Driver);
    Run.DriverDescription = "imager driver " + Options.Driver;
    if (!Options.Truth.empty() && Run.DriverId != SimulatorDriverId) {
      throw EUsageError("--truth needs the simulator");
    }
    Run.ProcedureType = ParseProcedureType(Options.ProcedureType);
    Run.PatientName = Options.PatientName;
    Run.UsePainSensor = Options.UsePainSensor;
    Run.Catheter = Options.Catheter;
    Run.Overtube = Options.Overtube;
    Run.RealTime = Options.RealTime;
    std::optional<TPrivateSettingsDirectory> Settings;
    Run.SettingsDir = Run.ProgramDir;
    if (!Options.Settings.empty()) {
      Settings.emplace();
      Settings->Write("DSP.DAT", ReadSettings(Options.Settings));
      Run.SettingsDir = Settings->Path();
    }
    return FinishRecording(RecordProcedure(Run, Err), Run.SettingsDir, Options.Truth, Out);
  });
}

void AddRecordCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TRecordOptions>();
  CLI::App* Command = App.add_subcommand(
      "record", "Record a procedure from an installed driver, as the workstation does");
  AddRecordingOptions(*Command, Options->Output, Options->Seconds, Options->Catheter,
                      Options->Overtube, Options->ProgramDir);
  Command->add_option("--driver", Options->Driver,
                      "The driver's name or class identifier (default simulator; "
                      "kestrava-tool drivers lists them)");
  Command->add_option("--settings", Options->Settings,
                      "DSP.DAT to hand the driver (default: the program directory's)");
  Command->add_option("--patient", Options->PatientName, "Patient name (default Recorded Patient)");
  Command->add_option("--procedure-type", Options->ProcedureType,
                      "0 colonoscopy (default), 1 top, 2 peg");
  Command->add_flag("--pain", Options->UsePainSensor, "Read the pain sensor");
  Command->add_flag("--realtime", Options->RealTime,
                    "With the simulator: sample in real time (default: as fast as it can, on "
                    "its own clock); other drivers always run in real time");
  Command->add_option("--truth", Options->Truth,
                      "With the simulator: write its ground truth per stored frame to this CSV "
                      "file");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunRecordCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

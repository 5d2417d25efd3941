#include "tools/RecordingCommandLine.h"

#include "foundation/ProgramDirectory.h"
#include "tools/LoopTruthFile.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace kestrava {

void AddRecordingOptions(CLI::App& Command, std::string& Output, double& Seconds,
                         std::string& Catheter, std::string& Overtube, std::string& ProgramDir) {
  Command.add_option("-o,--output", Output, "Imager file to write (.img)")->required();
  Command.add_option("--seconds", Seconds, "Seconds of procedure time to record")->required();
  Command.add_option("--catheter", Catheter,
                     "Sensor catheter file (default Catheter16.msd): a name in the program "
                     "directory, else a path as given");
  Command.add_option("--overtube", Overtube,
                     "Overtube file (none by default), found as --catheter's");
  Command.add_option("--program-dir", ProgramDir,
                     "Where the drivers and calibration files are (default: beside the tool, or "
                     "where it is installed)");
}

std::filesystem::path ProgramDirOr(const std::string& Given) {
  return Given.empty() ? std::filesystem::path(ProgramDirectory()) : std::filesystem::path(Given);
}

int FinishRecording(const TRecordingResult& Result, const std::filesystem::path& SettingsDir,
                    const std::string& Truth, std::ostream& Out) {
  if (!Truth.empty()) {
    WriteSimulatorTruth(Result.Path, (SettingsDir / "DSP.DAT").string(), Truth);
  }
  Out << "Recorded " << Result.Path << '\n' << "Frames: " << Result.Frames << '\n';
  return RecordingExitCode(Result.End);
}

} // namespace kestrava

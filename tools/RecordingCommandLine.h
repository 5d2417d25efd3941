#pragma once
// What kestrava-tool record and simulate share on the command line: the
// options both take, worded alike, and how a finished recording is reported.
#include "tools/RecordingRun.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace kestrava {

// Registers -o, --seconds, --catheter, --overtube and --program-dir on
// Command, bound to the given fields (which must outlive Command).
void AddRecordingOptions(CLI::App& Command, std::string& Output, double& Seconds,
                         std::string& Catheter, std::string& Overtube, std::string& ProgramDir);

// The program directory given on the command line, else the program's own.
std::filesystem::path ProgramDirOr(const std::string& Given);

// Writes the simulator's truth when Truth names a file (its settings read
// from SettingsDir's DSP.DAT), prints the path written and the frame count,
// and returns the command's exit code.
int FinishRecording(const TRecordingResult& Result, const std::filesystem::path& SettingsDir,
                    const std::string& Truth, std::ostream& Out);

} // namespace kestrava

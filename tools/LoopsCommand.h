#pragma once
// kestrava-tool loops FILE [--json|--csv] [--reference FIRST:LAST]
// [--truth FILE.csv]: the loop state of every frame (the frame's own shape
// and the tracker's announcement), the episodes and the procedure's loop
// summary, with the pain inside and outside loops counted above a tenth of
// the reference pain (over --reference, as stats and report take it); with
// a ground-truth file, how well the detection matches it.

#include "tools/ToolCommand.h"

#include <optional>
#include <string>

namespace kestrava {

struct TLoopsOptions {
  std::string File;
  bool Json = false;
  bool Csv = false;
  std::optional<std::string> Reference; // "FIRST:LAST"; the whole procedure when empty
  std::string Truth;                    // none when empty
};

// Returns the exit code. A truth file that does not have one row per frame
// of FILE, numbered 1 to the frame count, is refused as a file error.
int RunLoopsCommand(const TLoopsOptions& Options, std::ostream& Out, std::ostream& Err);

void AddLoopsCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

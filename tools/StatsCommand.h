#pragma once
// kestrava-tool stats FILE [--analysis FIRST:LAST] [--reference FIRST:LAST]
// [--threshold T] [--json]: patient pain statistics of a procedure.

#include "tools/ToolCommand.h"

#include <optional>
#include <string>

namespace kestrava {

inline constexpr double DefaultPainThreshold = 0.1;

struct TStatsOptions {
  std::string File;
  std::optional<std::string> Analysis;     // "FIRST:LAST"; the whole procedure when empty
  std::optional<std::string> Reference;    // "FIRST:LAST"; the whole procedure when empty
  double Threshold = DefaultPainThreshold; // normalised pain; must be finite
  bool Json = false;
};

// Loads Options.File, sets the ranges (frame numbers from 1, converted to the
// procedure's indexes) and the threshold, and prints the statistics. Without
// a reference pain the normalised values are printed as null / "not
// available", never as numbers left over from nothing. Returns the exit code.
int RunStatsCommand(const TStatsOptions& Options, std::ostream& Out, std::ostream& Err);

void AddStatsCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

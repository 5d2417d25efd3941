#pragma once
// kestrava-tool curvature FILE --frame N [--json|--csv]: the curvature profile
// of one frame, as the replay's curvature graph would show it.

#include "tools/ToolCommand.h"

#include <cstdint>
#include <string>

namespace kestrava {

enum class TCurvatureFormat { Text, Json, Csv };

struct TCurvatureOptions {
  std::string File;
  std::int32_t Frame = 0; // frame number, from 1
  TCurvatureFormat Format = TCurvatureFormat::Text;
};

// Loads Options.File and prints the graph's point count (trailing zero points
// included) and one entry per plotted point that has an info: its graph
// index (from 0), curvature in 1/m, validity, segment, parameter and point.
// A frame number outside the procedure is a usage error. Returns the exit code.
int RunCurvatureCommand(const TCurvatureOptions& Options, std::ostream& Out, std::ostream& Err);

void AddCurvatureCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

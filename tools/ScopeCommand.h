#pragma once
// kestrava-tool scope FILE [--range FIRST:LAST] [--no-cutoff] [--json]: per
// frame, the inserted scope length, the patient axes and the size of the 3D
// endoscope model the workstation would draw.

#include "tools/ToolCommand.h"

#include <optional>
#include <string>

namespace kestrava {

struct TScopeOptions {
  std::string File;
  std::optional<std::string> Range; // "FIRST:LAST"; every frame when empty
  bool AutoCutoff = true;
  bool Json = false;
};

// Loads Options.File and builds the shape model of each chosen frame with
// every view item shown (endoscope, overtube, markers, hand). A frame whose
// model cannot be completed (coincident neighbouring sensors) is still
// reported: its counts are those of the drawable part that was built and
// model_complete is false. Returns the exit code.
int RunScopeCommand(const TScopeOptions& Options, std::ostream& Out, std::ostream& Err);

void AddScopeCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

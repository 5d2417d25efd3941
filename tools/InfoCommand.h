#pragma once
// kestrava-tool info FILE [--json]: the procedure details of an imager file.

#include "tools/ToolCommand.h"

#include <string>

namespace kestrava {

struct TInfoOptions {
  std::string File;
  bool Json = false;
};

// Loads Options.File and prints its format generation, patient, procedure
// type, start time, frame count and pain data. Returns the exit code.
int RunInfoCommand(const TInfoOptions& Options, std::ostream& Out, std::ostream& Err);

void AddInfoCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

#pragma once
// kestrava-tool convert IN OUT: rewrites an imager file of any generation as
// format 3. The output's extension becomes ".img", as for every save.

#include "tools/ToolCommand.h"

#include <string>

namespace kestrava {

struct TConvertOptions {
  std::string Input;
  std::string Output;
};

// Loads Options.Input completely, then saves it; prints the path written.
// Refuses (usage error) an output that would replace the input file itself:
// a recording is never overwritten by its own conversion. Returns the exit code.
int RunConvertCommand(const TConvertOptions& Options, std::ostream& Out, std::ostream& Err);

void AddConvertCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

#pragma once
// kestrava-tool drivers [--json]: the imager hardware drivers installed in
// the program directory's drivers/, with the name, the class identifier
// ("Driver ID") and the settings file of each.

#include "tools/ToolCommand.h"

#include <string>

namespace kestrava {

struct TDriversOptions {
  std::string ProgramDir; // empty: the program's own (foundation/ProgramDirectory.h)
  bool Json = false;
};

// Lists the drivers in the order the workstation searches them. A program
// directory without drivers/ is a file error. Returns the exit code.
int RunDriversCommand(const TDriversOptions& Options, std::ostream& Out, std::ostream& Err);

void AddDriversCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

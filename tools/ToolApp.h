#pragma once
// The kestrava-tool command line: builds the app with every command,
// parses the arguments and runs the chosen command.

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrava {

// Runs the tool on Arguments (without the program name), writing to Out and
// Err, and returns the exit status: 0 success (and --help), 1 usage error
// (bad or missing arguments included; without a command the commands are
// listed), 2 a file that cannot be read or written; --version prints the
// program's version. A failed write to Out is reported and gives 2.
int RunTool(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err);

} // namespace kestrava

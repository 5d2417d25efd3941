#pragma once
// What every kestrava-tool command shares with the command line.
//
// A command is one unit: an options struct, a Run function that takes the
// parsed options and the two streams and returns the exit code (testable
// without a process), and an Add function that declares the subcommand on
// the CLI11 app and wires it to Run. ToolApp registers each Add function.

#include <iosfwd>

namespace CLI {
class App;
}

namespace kestrava {

// The streams a command writes to and the exit code its run leaves. The
// streams outlive the app; ExitCode is set by the subcommand that ran.
struct TToolContext {
  std::ostream& Out;
  std::ostream& Err;
  int ExitCode = 0;
};

// Signature of a command's registration with the app.
using TAddCommand = void (*)(CLI::App& App, TToolContext& Context);

} // namespace kestrava

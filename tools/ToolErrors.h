#pragma once
// Exit codes of kestrava-tool and the one place that turns failures into
// them, so that every command reports a bad file or a bad option alike.

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace kestrava {

enum TToolExitCode : int {
  ExitSuccess = 0,
  ExitUsageError = 1, // an option or argument the command cannot use
  ExitFileError = 2,  // a file cannot be read or written, or is not an imager file
};

// Raised by the commands for option values they refuse (bad ranges, bad
// numbers). The message is shown to the user as it is.
class EUsageError : public std::runtime_error {
public:
  explicit EUsageError(const std::string& Message) : std::runtime_error(Message) {}
};

// The user's text for a load that no reader accepted.
inline constexpr const char* UnrecognisedFormatText = "File format not recognised";

// Runs Body and returns its exit code. A usage error, a load or save failure
// or any other exception is written to Err as one line and mapped to its exit
// code instead of escaping: the tool never ends on an uncaught exception.
int RunReportingErrors(std::ostream& Err, const std::function<int()>& Body);

} // namespace kestrava

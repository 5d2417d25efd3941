#pragma once
// Exit codes of kestrava-tool and the one place that turns failures into
// them, so that every command reports a bad file or a bad option alike. The
// exit code follows from the type of the failure, never from its wording.

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace kestrava {

// Every exit code of the tool.
enum TToolExitCode : int {
  ExitSuccess = 0,
  ExitUsageError = 1, // an option or argument the command cannot use
  ExitFileError = 2,  // a file cannot be read or written, or is not an imager file
  // simulate: the recording could not start, or the hardware stopped it early
  // (what was recorded until then is saved)
  ExitHardwareError = 3,
  // simulate: stopped by SIGINT or SIGTERM after saving what was recorded
  // (128 + SIGINT, as a shell reports an interrupted command)
  ExitInterrupted = 130,
};

// Raised by the commands for option values they refuse (bad ranges, bad
// numbers). The message is shown to the user as it is.
class EUsageError : public std::runtime_error {
public:
  explicit EUsageError(const std::string& Message) : std::runtime_error(Message) {}
};

// Raised when the imager hardware (a driver plugin) cannot be loaded, will
// not start or stops answering sensibly. The message is shown as it is.
class EHardwareFault : public std::runtime_error {
public:
  explicit EHardwareFault(const std::string& Message) : std::runtime_error(Message) {}
};

// The user's text for a load that no reader accepted.
inline constexpr const char* UnrecognisedFormatText = "File format not recognised";
// The first line of a failed save, as the workstation shows it.
inline constexpr const char* SaveFailedText = "A problem occurred saving the imager file.";

// Refuses, as a usage error naming Option, an output file name that is empty
// or names a directory (a save would otherwise write a hidden ".img" in it).
void CheckOutputFileName(const std::string& Name, const std::string& Option);

// Runs Body and returns its exit code. A usage error, a load or save failure
// or any other exception is written to Err (the designed first line, then
// the reason where one is known) and mapped to its exit code instead of
// escaping: the tool never ends on an uncaught exception.
int RunReportingErrors(std::ostream& Err, const std::function<int()>& Body);

} // namespace kestrava

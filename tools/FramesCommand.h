#pragma once
// kestrava-tool frames FILE [--range FIRST:LAST] [--json|--csv]: the frames of
// an imager file, one per line (text), array item (JSON) or row (CSV).

#include "tools/ToolCommand.h"

#include <optional>
#include <string>

namespace kestrava {

class TImagerFrame;

enum class TFramesFormat { Text, Json, Csv };

struct TFramesOptions {
  std::string File;
  std::optional<std::string> Range; // "FIRST:LAST" frame numbers; all frames when empty
  TFramesFormat Format = TFramesFormat::Text;
};

// Loads Options.File and writes the frames of the range to Out, one at a
// time: memory use does not grow with the output. Returns the exit code.
int RunFramesCommand(const TFramesOptions& Options, std::ostream& Out, std::ostream& Err);

// The CSV header row, and the row of one frame with its number (from 1);
// both without the line end. Every row has as many cells as the header.
std::string FramesCsvHeader();
std::string FramesCsvRow(const TImagerFrame& Frame, int FrameNumber);

void AddFramesCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

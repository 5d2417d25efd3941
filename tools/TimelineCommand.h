#pragma once
// kestrava-tool timeline FILE [--json|--csv] and kestrava-tool timeline DIR
// --csv: the procedure timeline of a colonoscopy (see
// timeline/TimelineTracker.h), with the operator's marks from the side file
// beside the recording (timeline/TimelineSideFile.h).
//
// For a FILE: the insertion start, caecum, deepest point, withdrawal end and
// the times between them, the lesions tagged, and with --json or --csv the
// phase, segment and depth of every frame. Times are seconds since the
// first frame, frames numbered from 1, depths metres from the anal verge;
// JSON values that do not apply are null.
//
// For a DIR: one CSV row per imager file of the folder (not its
// sub-folders), analysed on every core; a file that cannot be read, or
// whose side file cannot, gets its row with the reason and the rest go on.

#include "tools/ToolCommand.h"

#include <string>

namespace kestrava {

struct TTimelineOptions {
  std::string Path;
  bool Json = false;
  bool Csv = false;
  // Threads for a folder; 0: one per core.
  unsigned Threads = 0;
};

// Returns the exit code.
int RunTimelineCommand(const TTimelineOptions& Options, std::ostream& Out, std::ostream& Err);

void AddTimelineCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

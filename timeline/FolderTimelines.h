#pragma once
// The timelines of a folder of recordings, for researchers who hold
// collections of a thousand procedures: every imager file of the folder
// loaded with its side file and analysed, on several threads at once.
//
// Thread: call from one thread; it runs Threads workers of its own, each
// on its own files, and returns when all are done.

#include "timeline/TimelineResult.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

namespace kestrava {

// What a folder row says about one procedure: not its frames, which for a
// thousand long recordings would not fit in memory together.
struct TProcedureTimeline {
  std::int32_t FrameCount = 0;
  TTimelineSummary Summary;
  std::int32_t LesionCount = 0;
};

struct TFolderTimeline {
  std::filesystem::path File;
  std::optional<TProcedureTimeline> Timeline;
  // Why the file could not be analysed (the loader's or the side file's
  // exception), when Timeline is none.
  std::exception_ptr Failure;
};

// The imager files of Folder (".img" in any case, not in sub-folders), in
// order of their names. Raises Exception when the folder cannot be listed.
std::vector<std::filesystem::path> ImagerFilesIn(const std::filesystem::path& Folder);

// Each of Files analysed, in the same order, on Threads threads (at least
// one). A file that cannot be read gets its failure; it never stops the rest.
std::vector<TFolderTimeline> AnalyseTimelines(const std::vector<std::filesystem::path>& Files,
                                              unsigned Threads);

} // namespace kestrava

#include "timeline/FolderTimelines.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineSideFile.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>

namespace kestrava {

namespace {

bool IsImagerFileName(const std::filesystem::path& Path) {
  std::string Extension = Path.extension().string();
  std::transform(Extension.begin(), Extension.end(), Extension.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Extension == ".img";
}

TFolderTimeline AnalyseFile(const std::filesystem::path& File) {
  TFolderTimeline Row;
  Row.File = File;
  try {
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(File.string());
    const TTimelineAnalysis Analysis =
        AnalyseTimeline(Procedure, LoadTimelineSideFile(File.string()));
    Row.Timeline = TProcedureTimeline{Procedure.FrameCount(), Analysis.Summary,
                                      static_cast<std::int32_t>(Analysis.Lesions.size())};
  } catch (...) {
    // Whatever a file does to its reader stays that file's row.
    Row.Failure = std::current_exception();
  }
  return Row;
}

} // namespace

std::vector<std::filesystem::path> ImagerFilesIn(const std::filesystem::path& Folder) {
  std::vector<std::filesystem::path> Files;
  std::error_code Error;
  std::filesystem::directory_iterator Entries(Folder, Error);
  if (Error) {
    throw Exception("Cannot read folder: " + Folder.string() + " (" + Error.message() + ")");
  }
  for (const std::filesystem::directory_entry& Entry : Entries) {
    std::error_code Ignored; // an entry that vanished meanwhile is simply not listed
    if (Entry.is_regular_file(Ignored) && IsImagerFileName(Entry.path())) {
      Files.push_back(Entry.path());
    }
  }
  std::sort(Files.begin(), Files.end());
  return Files;
}

std::vector<TFolderTimeline> AnalyseTimelines(const std::vector<std::filesystem::path>& Files,
                                              unsigned Threads) {
  std::vector<TFolderTimeline> Rows(Files.size());
  // Files are handed out one at a time, so a long recording on one thread
  // does not leave the others idle at the end.
  std::atomic<std::size_t> Next{0};
  const auto Work = [&] {
    for (std::size_t I = Next++; I < Files.size(); I = Next++) {
      Rows[I] = AnalyseFile(Files[I]);
    }
  };
  const unsigned Workers = std::clamp<unsigned>(
      Threads, 1, static_cast<unsigned>(std::max<std::size_t>(Files.size(), 1)));
  {
    std::vector<std::jthread> Pool;
    for (unsigned W = 1; W < Workers; ++W) {
      Pool.emplace_back(Work);
    }
    Work();
  } // every worker has joined: Rows is complete
  return Rows;
}

} // namespace kestrava

#include "TimelineTestTracks.h"
#include "imagerdata/ImagerFileErrors.h"
#include "tests/support/ScratchDirectory.h"
#include "timeline/FolderTimelines.h"
#include "timeline/TimelineSideFile.h"

#include <fstream>
#include <utility>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(FolderTimelines, AnalysesEveryImagerFileOnEveryThreadAndKeepsEachFailureToItsRow) {
  const support::TScratchDirectory Scratch("kestrava-folder");
  ASSERT_TRUE(Scratch.Made());
  const std::filesystem::path& Dir = Scratch.Dir;
  const testing::TTestColon Colon;
  for (const auto& [Name, Deepest] :
       {std::pair{"a", 0.5}, std::pair{"b", Colon.Length()}, std::pair{"c", Colon.Length()}}) {
    TImagerProcedure Procedure;
    testing::Examine(Colon, {{0, -0.05}, {10, -0.05}, {300, Deepest}, {700, -0.1}}, Procedure);
    Procedure.SaveToFile((Dir / (std::string(Name) + ".img")).string());
  }
  std::filesystem::rename(Dir / "b.img", Dir / "b.IMG");
  std::ofstream(Dir / "c.timeline.json") << "{";
  std::ofstream(Dir / "x.img") << "not an imager file";
  std::ofstream(Dir / "notes.txt") << "not even listed";
  std::filesystem::create_directory(Dir / "folder.img");

  const std::vector<std::filesystem::path> Files = ImagerFilesIn(Dir);
  ASSERT_EQ(Files.size(), 4u);
  EXPECT_EQ(Files[1].filename(), "b.IMG");
  EXPECT_EQ(Files[3].filename(), "x.img");
  const std::vector<TFolderTimeline> Two = AnalyseTimelines(Files, 2);
  ASSERT_EQ(Two.size(), Files.size());
  EXPECT_EQ(Two[3].File, Files[3]);
  EXPECT_EQ(Two[1].Timeline->Summary, AnalyseTimelines({Files[1]}, 1)[0].Timeline->Summary);
  EXPECT_TRUE(Two[0].Timeline && !Two[0].Timeline->Summary.Caecum);
  EXPECT_TRUE(Two[1].Timeline && Two[1].Timeline->Summary.Caecum);
  EXPECT_THROW(std::rethrow_exception(Two[2].Failure), Exception) << "its side file is corrupt";
  EXPECT_THROW(std::rethrow_exception(Two[3].Failure), EImagerFileNotRecognised);
  EXPECT_THROW(ImagerFilesIn(Dir / "missing"), Exception);
}

} // namespace
} // namespace kestrava

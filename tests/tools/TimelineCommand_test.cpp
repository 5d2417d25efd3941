#include "ToolTestSupport.h"
#include "tests/timeline/TimelineTestTracks.h"
#include "timeline/TimelineSideFile.h"
#include "tools/ToolErrors.h"

#include <fstream>

namespace kestrava {
namespace {

class TimelineCommand : public testing::TToolTest {
protected:
  // A complete examination without pain data, out again after about 14 min.
  std::string SaveExamination(const std::string& Name, double Deepest) {
    const testing::TTestColon Colon;
    TImagerProcedure Procedure;
    testing::Examine(Colon, {{0, -0.05}, {10, -0.05}, {286, Deepest}, {300, Deepest}, {880, -0.1}},
                     Procedure);
    return Procedure.SaveToFile(PathOf(Name));
  }
};

TEST_F(TimelineCommand, JsonIsOneDocumentWithTheMomentsLesionsAndEveryFrame) {
  const std::string File = SaveExamination("exam.img", testing::TTestColon().Length());
  TOperatorMarks Marks;
  Marks.TagLesion(700);
  SaveTimelineSideFile(File, Marks, {});
  const testing::TToolRun Result = Run({"timeline", File, "--json"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const TJson Json = Result.Json();
  std::vector<std::string> Keys;
  for (const auto& Item : Json.items()) {
    Keys.push_back(Item.key());
  }
  EXPECT_EQ(Keys,
            (std::vector<std::string>{"insertion_start_s", "caecum_reached", "caecum_s",
                                      "caecum_frame", "caecum_confirmed_by_operator", "deepest_s",
                                      "deepest_segment", "withdrawal_end_s", "insertion_time_s",
                                      "withdrawal_time_s", "reason", "lesions", "frames"}));
  EXPECT_EQ(Json["caecum_reached"], true);
  EXPECT_EQ(Json["caecum_s"].get<double>() + 1, Json["caecum_frame"].get<double>());
  EXPECT_EQ(Json["deepest_segment"], "caecum");
  EXPECT_TRUE(Json["reason"].is_null());
  ASSERT_EQ(Json["lesions"].size(), 1u);
  EXPECT_EQ(Json["lesions"][0]["frame"], 700);
  EXPECT_EQ(Json["lesions"][0]["time_s"], 699.0);
  EXPECT_EQ(Json["lesions"][0]["segment"], "sigmoid");
  ASSERT_EQ(Json["frames"].size(), 881u);
  EXPECT_EQ(Json["frames"][0], TJson::parse(R"({"frame": 1, "time_s": 0.0, "phase": "outside",
                                                "segment": "unknown", "depth_m": null})"));
  EXPECT_EQ(Json["frames"][200]["phase"], "insertion");
}

TEST_F(TimelineCommand, CsvGivesFramesOrOneRowPerProcedureOfAFolderWhateverItsFilesHold) {
  SaveExamination("a.img", testing::TTestColon().Length());
  SaveExamination("b.img", 0.7);
  WriteBytes("c.img", "not an imager file");
  const testing::TToolRun Frames = Run({"timeline", PathOf("a.img"), "--csv"});
  ASSERT_EQ(Frames.Code, 0) << Frames.Err;
  EXPECT_EQ(Frames.Out.substr(0, Frames.Out.find('\n', 40) + 1),
            "frame,time_s,phase,segment,depth_m\n1,0,outside,unknown,\n");

  const testing::TToolRun Folder = Run({"timeline", Dir.string(), "--csv"});
  ASSERT_EQ(Folder.Code, 0) << Folder.Err;
  std::istringstream Lines(Folder.Out);
  std::vector<std::string> Rows;
  for (std::string Line; std::getline(Lines, Line);) {
    Rows.push_back(Line);
  }
  ASSERT_EQ(Rows.size(), 4u) << Folder.Out;
  EXPECT_EQ(Rows[1].rfind("a.img,881,", 0), 0u) << Rows[1];
  EXPECT_NE(Rows[2].find(",the tip turned back in the descending colon"), std::string::npos)
      << Rows[2];
  EXPECT_EQ(Rows[3], "c.img,,,,,,,,,,,,,File format not recognised: unknown signature");

  EXPECT_EQ(Run({"timeline", Dir.string()}).Code, ExitUsageError);
  EXPECT_EQ(Run({"timeline", PathOf("a.img"), "--json", "--csv"}).Code, ExitUsageError);
  EXPECT_EQ(Run({"timeline", PathOf("missing.img")}).Code, ExitFileError);
  std::ofstream(TimelineSideFilePath(PathOf("a.img"))) << "[]";
  const testing::TToolRun Corrupt = Run({"timeline", PathOf("a.img")});
  EXPECT_EQ(Corrupt.Code, ExitFileError);
  EXPECT_NE(Corrupt.Err.find("cannot be used: not a timeline file"), std::string::npos)
      << Corrupt.Err;
}

} // namespace
} // namespace kestrava

#include "foundation/QelExceptions.h"
#include "tests/support/ScratchDirectory.h"
#include "timeline/TimelineSideFile.h"

#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrava {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

class TimelineSideFile : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Scratch.Made()); }
  void WriteSide(const std::string& Text) const {
    std::ofstream(TimelineSideFilePath(Recording), std::ios::binary) << Text;
  }

  support::TScratchDirectory Scratch{"kestrava-timeline"};
  const std::filesystem::path& Dir = Scratch.Dir;
  const std::string Recording = Scratch.PathOf("patient.img");
};

TEST_F(TimelineSideFile, KeepsTheMarksBesideTheRecordingAndReadsThemBack) {
  EXPECT_EQ(TimelineSideFilePath(Recording), (Dir / "patient.timeline.json").string());
  EXPECT_EQ(LoadTimelineSideFile(Recording), TOperatorMarks{}) << "no side file, no marks";
  TOperatorMarks Marks;
  Marks.Caecum = TCaecumMark{true, 459};
  Marks.TagLesion(700);
  Marks.TagLesion(12);
  TLesionTag Tag{1, 700, 699, Vector3(0.01, 0.12, -0.05), 0.62, TColonSegment::Transverse};
  SaveTimelineSideFile(Recording, Marks, {Tag});
  EXPECT_EQ(LoadTimelineSideFile(Recording), Marks);
  const std::string Text = TimelineSideFileText(Recording, Marks, {Tag});
  EXPECT_NE(Text.find("\"recording\": \"patient.img\""), std::string::npos) << Text;
  EXPECT_NE(Text.find("\"segment\": \"transverse\""), std::string::npos) << Text;

  Marks.Caecum = TCaecumMark{false, 0};
  SaveTimelineSideFile(Recording, Marks, {});
  EXPECT_EQ(LoadTimelineSideFile(Recording), Marks);
  // A save that cannot replace the file leaves the marks that were there.
  std::filesystem::remove(TimelineSideFilePath(Recording));
  std::filesystem::create_directory(TimelineSideFilePath(Recording));
  EXPECT_THROW(SaveTimelineSideFile(Recording, {}, {}), Exception);
  EXPECT_TRUE(std::filesystem::is_directory(TimelineSideFilePath(Recording)));
}

TEST_F(TimelineSideFile, RefusesWhatIsNotSuchAFileWithAReason) {
  const std::string Head = R"({"format": "kestrava-timeline", "version": 1, )";
  std::string Many = Head + R"("lesions": [)";
  for (std::size_t I = 1; I <= MaxLesionTags + 1; ++I) {
    // Appended piece by piece: gcc 12 warns falsely about a literal added to
    // a short string inline.
    Many += I > 1 ? R"(, {"number": )" : R"({"number": )";
    Many += std::to_string(I);
    Many += R"(, "frame": 1})";
  }
  const struct {
    std::string Text;
    const char* Why;
  } Cases[] = {
      {"", "not valid JSON"},
      {"{\"format\": \"kestrava-timeline\"", "not valid JSON"},
      {"[1, 2]", "not a timeline file"},
      {R"({"format": 3, "version": 1})", "not a timeline file"},
      {R"({"format": "kestrava-timeline", "version": 2})", "version 1 is the only one known"},
      {R"({"format": "kestrava-timeline", "version": "1"})", "version 1 is the only one known"},
      {Head + R"("caecum": {"frame": 3}})", "\"caecum\" must say whether it was \"reached\""},
      {Head + R"("caecum": {"reached": true, "frame": 0}})", "\"frame\" must be a whole number"},
      {Head + R"("lesions": [{"number": 1, "frame": 2.5}]})", "\"frame\" must be a whole number"},
      {Head + R"("lesions": [{"number": 1, "frame": 1e300}]})", "\"frame\" must be a whole number"},
      {Head + R"("lesions": [{"number": 1}]})", "\"frame\" must be a number"},
      {Head + R"("lesions": [{"number": 1, "frame": 2}, {"number": 1, "frame": 3}]})",
       "lesion 1 is given twice"},
      {Head + R"("lesions": {"number": 1}})", "\"lesions\" must be a list"},
      {Head + R"("lesions": [7]})", "a lesion must be an object"},
      {Many + "]}", "more than 1000 lesions"},
      {std::string(100000, '[') + std::string(100000, ']'), "nested too deeply"},
      {R"({"a": "[[[[[[[[[[[[[[[[[[[[[[\"[["})", "not a timeline file"},
      {std::string(MaxSideFileBytes + 1, ' '), "larger than 262144 bytes"},
  };
  const std::string Named =
      "The timeline file " + TimelineSideFilePath(Recording) + " cannot be used: ";
  for (const auto& Case : Cases) {
    WriteSide(Case.Text);
    EXPECT_THAT([this] { LoadTimelineSideFile(Recording); },
                ThrowsMessage<Exception>(AllOf(StartsWith(Named), HasSubstr(Case.Why))))
        << Case.Text.substr(0, 80);
  }
}

} // namespace
} // namespace kestrava

#include "ToolTestSupport.h"
#include "tests/imagerdata/ImagerFileTestSupport.h"

namespace kestrava::testing {
namespace {

class ConvertCommand : public TToolTest {
protected:
  static std::string Contents(const std::string& File) {
    std::ifstream Stream(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(Stream), {}};
  }
};

TEST_F(ConvertCommand, RewritesAnOlderFormatAsFormat3WithImgExtension) {
  const std::vector<std::uint8_t> Old = test::Format2File();
  WriteBytes("old.img", {Old.begin(), Old.end()});
  const TToolRun Result = Run({"convert", PathOf("old.img"), PathOf("new.dat")});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  EXPECT_EQ(Result.Out, PathOf("new.img") + "\n");

  const TJson Info = Run({"info", PathOf("new.img"), "--json"}).Json();
  EXPECT_EQ(Info["format"], 3);
  EXPECT_EQ(Info["procedure_type"], ProcedurePeg);
  const TJson Frame = Run({"frames", PathOf("new.img"), "--json"}).Json().at(0);
  EXPECT_EQ(Frame["sensors"][0]["position"], TJson::parse("[1, 0, 0]"));
  EXPECT_EQ(Frame["sensors"][0]["direction"], TJson::parse("[0, 0, 1]")); // no longer reversed
  EXPECT_EQ(Frame["segment_lengths"], TJson::parse("[0.5, 0.25]"));
  EXPECT_EQ(Frame["pain"], 3.5);
}

TEST_F(ConvertCommand, NeverOverwritesItsInput) {
  const std::string File = SavePains("keep.img", {1, 2});
  const std::string Before = Contents(File);
  for (const std::string& Output : {File, PathOf("keep.dat"), PathOf("keep")}) {
    const TToolRun Result = Run({"convert", File, Output});
    EXPECT_EQ(Result.Code, 1) << Output;
    EXPECT_NE(Result.Err.find("overwrite"), std::string::npos);
  }
  EXPECT_EQ(Contents(File), Before);
}

} // namespace
} // namespace kestrava::testing

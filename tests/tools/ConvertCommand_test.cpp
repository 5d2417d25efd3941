#include "ToolTestSupport.h"

#include <cstring>

namespace kestrava::testing {
namespace {

class ConvertCommand : public TToolTest {
protected:
  template <class T> static void Put(std::string& Bytes, std::size_t Offset, T Value) {
    std::memcpy(Bytes.data() + Offset, &Value, sizeof Value);
  }

  // A format 2 file: one Peg frame with one sensor pointing along +Z (stored
  // reversed) and a pain reading.
  void WriteFormat2(const std::string& Name) const {
    std::string Bytes(8 + 97 + 654, '\0');
    Bytes.replace(0, 4, "\x1A\x33\x49\x71");
    Bytes.replace(8, 3, "Old");
    Put<std::int32_t>(Bytes, 8 + 64, ProcedurePeg);
    Put<std::int32_t>(Bytes, 8 + 76, 1);
    Bytes[8 + 80] = 1; // HasPainData
    const std::size_t Record = 8 + 97;
    Put<std::uint16_t>(Bytes, Record, 1);
    Bytes[Record + 2] = 1;
    for (int Axis = 0; Axis < 3; ++Axis)
      Put<float>(Bytes, Record + 18 + 4 * Axis, static_cast<float>(Axis + 1));
    Put<float>(Bytes, Record + 210 + 8, -1.0f);
    Put<double>(Bytes, Record + 646, 12.5);
    WriteBytes(Name, Bytes);
  }

  static std::string Contents(const std::string& File) {
    std::ifstream Stream(File, std::ios::binary);
    return {std::istreambuf_iterator<char>(Stream), {}};
  }
};

TEST_F(ConvertCommand, RewritesAnOlderFormatAsFormat3WithImgExtension) {
  WriteFormat2("old.img");
  const TToolRun Result = Run({"convert", PathOf("old.img"), PathOf("new.dat")});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  EXPECT_EQ(Result.Out, PathOf("new.img") + "\n");

  const TJson Info = Run({"info", PathOf("new.img"), "--json"}).Json();
  EXPECT_EQ(Info["format"], 3);
  EXPECT_EQ(Info["procedure_type"], 2);
  const TJson Frame = Run({"frames", PathOf("new.img"), "--json"}).Json().at(0);
  EXPECT_EQ(Frame["sensors"][0]["position"], TJson::parse("[1, 2, 3]"));
  EXPECT_EQ(Frame["sensors"][0]["direction"], TJson::parse("[0, 0, 1]"));
  EXPECT_EQ(Frame["pain"], 12.5);
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

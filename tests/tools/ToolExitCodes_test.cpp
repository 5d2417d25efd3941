// Exit codes and error messages as a script calling the tool sees them.
#include "ToolTestSupport.h"
#include "tests/imagerdata/ImagerFileTestSupport.h"

#include <cstdint>
#include <tuple>
#include <unistd.h>

namespace kestrava::testing {
namespace {

class ToolExitCodes : public TToolTest {};

// A format 1 header, for the loader messages only that format has.
std::string LegacyHeader(std::uint16_t NumSensors) {
  const std::vector<std::uint8_t> Header = test::Format1Header(NumSensors, 0);
  return {Header.begin(), Header.end()};
}

TEST_F(ToolExitCodes, UnreadableFilesExitWithTwoTheLoadersTextAndTheReason) {
  const std::string Missing = PathOf("missing.img");
  const TToolRun NoFile = Run({"info", Missing});
  EXPECT_EQ(std::pair(NoFile.Code, NoFile.Err),
            std::pair(2, "Cannot open file: " + Missing + " (no such file)\n"));
  std::filesystem::create_directory(PathOf("folder.img"));
  EXPECT_EQ(Run({"info", PathOf("folder.img")}).Err,
            "Cannot open file: " + PathOf("folder.img") + " (is a directory)\n");
  const std::string Locked = SavePains("locked.img", {1});
  std::filesystem::permissions(Locked, std::filesystem::perms::none);
  if (geteuid() != 0) { // root reads it anyway
    EXPECT_EQ(Run({"info", Locked}).Err, "Cannot open file: " + Locked + " (permission denied)\n");
  }

  WriteBytes("noise.img", std::string(300, 'x'));
  EXPECT_EQ(Run({"stats", PathOf("noise.img")}).Err,
            "File format not recognised\nunknown signature\n");

  const std::string Cut = SavePains("cut.img", {1, 2, 3});
  std::filesystem::resize_file(Cut, std::filesystem::file_size(Cut) - 100);
  const TToolRun CutRun = Run({"frames", "--json", Cut}); // nothing half-printed
  EXPECT_EQ(std::tuple(CutRun.Code, CutRun.Err, CutRun.Out),
            std::tuple(2, "File format not recognised\ntruncated in frame 3 of 3\n", ""));
  // A sensor count no frame can hold, in the second frame's record.
  const std::string Bad = SavePains("bad.img", {1, 2, 3});
  std::string Bytes;
  {
    std::ifstream In(Bad, std::ios::binary);
    Bytes.assign(std::istreambuf_iterator<char>(In), {});
  }
  const std::size_t FirstFrame = Bytes.size() - 3 * std::size_t{651 + 9};
  Bytes[FirstFrame + 651 + 9] = 99;
  WriteBytes("bad.img", Bytes);
  EXPECT_EQ(Run({"info", Bad}).Err,
            "File format not recognised\nframe 2 of 3 holds invalid data\n");

  WriteBytes("many.img", LegacyHeader(19));
  WriteBytes("many.end", std::string(380, '\0'));
  EXPECT_EQ(Run({"frames", PathOf("many.img")}).Err, "File error: 'NumSensors' is invalid.\n");

  WriteBytes("empty.img", LegacyHeader(4));
  WriteBytes("empty.end", "");
  const TToolRun Empty = Run({"info", "--json", PathOf("empty.img")});
  EXPECT_EQ(std::pair(Empty.Code, Empty.Err),
            std::pair(2, "Imager file " + PathOf("empty.img") + " is empty\n"));
}

TEST_F(ToolExitCodes, UsageErrorsExitWithOneAndHelpWithZero) {
  const std::string File = SavePains("p.img", {1, 2, 3});
  const std::vector<std::vector<std::string>> Misuses = {
      {},
      {"unknown", File},
      {"info"},
      {"frames", File, "--json", "--csv"},
      {"frames", File, "--range", "3:2"},
      {"frames", File, "--range", "2:4"},
      {"scope", File, "--range", "1:4"},
      {"frames", PathOf("missing.img"), "--range", "x"}, // refused before any load
      {"stats", File, "--analysis", "0:2"},
      {"stats", File, "--threshold", "abc"},
      {"stats", File, "--threshold", "nan"},
      {"convert", File},
      {"convert", File, ""},
      {"convert", File, Dir.string() + "/"},
      {"convert", File, Dir.string()},
      {"--pain"},
  };
  for (const auto& Arguments : Misuses) {
    const TToolRun Result = Run(Arguments);
    EXPECT_EQ(Result.Code, 1) << ::testing::PrintToString(Arguments);
    EXPECT_FALSE(Result.Err.empty()) << ::testing::PrintToString(Arguments);
  }
  EXPECT_EQ(Run({"stats", "--help"}).Code, 0);
  EXPECT_FALSE(std::filesystem::exists(Dir / ".img"));

  const TToolRun NoCommand = Run({});
  for (const char* Command :
       {"info", "frames", "stats", "convert", "scope", "curvature", "render", "simulate"})
    EXPECT_NE(NoCommand.Err.find(Command), std::string::npos) << Command;
  const TToolRun Version = Run({"--version"});
  EXPECT_EQ(std::pair(Version.Code, Version.Out),
            std::pair(0, std::string("kestrava-tool 4.5.0\n")));
}

TEST_F(ToolExitCodes, AFailedSaveGivesTheDesignedLineThenThePathAndTheReason) {
  const std::string File = SavePains("p.img", {1, 2});
  const std::string Target = PathOf("no-such-dir/out.img");
  const TToolRun Result = Run({"convert", File, Target});
  EXPECT_EQ(std::pair(Result.Code, Result.Err),
            std::pair(2, "A problem occurred saving the imager file.\n" + Target +
                             ": no such file or directory\n"));
}

} // namespace
} // namespace kestrava::testing

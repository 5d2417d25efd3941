#include "foundation/ProgramDirectory.h"
#include "tests/support/ScratchDirectory.h"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDirectory, PrefersDriversBesideTheExecutableThenTheInstalledDirectory) {
  const support::TScratchDirectory Scratch("kestrava-program-dir");
  const fs::path Root = Scratch.Dir / "root";
  // The directories there are, and the program directory, under Root.
  const std::pair<std::vector<const char*>, const char*> Cases[] = {
      {{"usr/bin/drivers", "usr/lib/kestrava"}, "usr/bin"},  // a build folder
      {{"usr/bin", "usr/lib/kestrava"}, "usr/lib/kestrava"}, // installed
      {{"usr/bin"}, "usr/bin"}, // neither: what is missing is named beside the program
  };
  for (const auto& [Directories, Expected] : Cases) {
    fs::remove_all(Root);
    for (const char* Directory : Directories)
      fs::create_directories(Root / Directory);
    EXPECT_EQ(ProgramDirectoryFor(Root / "usr/bin", "../lib/kestrava"), Root / Expected);
  }
}

} // namespace
} // namespace kestrava

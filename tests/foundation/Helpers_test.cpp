#include "foundation/BuildStamp.h"
#include "foundation/FileNames.h"
#include "foundation/FloatingPointMask.h"
#include "foundation/QelExceptions.h"
#include "foundation/Rectangle.h"
#include "tests/support/ScratchDirectory.h"

#include <cfenv>
#include <fstream>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(FileNames, CutTheExtensionAfterTheLastSeparatorAndKeepARootsSeparator) {
  EXPECT_EQ(FileNameWithoutExtension("C:\\Data\\scan.v2.img"), "C:\\Data\\scan.v2");
  EXPECT_EQ(FileNameWithoutExtension("C:\\my.dir\\scan"), "C:\\my.dir\\scan");
  EXPECT_EQ(FileNameWithoutExtension("dir/.hidden"), "dir/");
  EXPECT_EQ(FileNameWithoutExtension("scan."), "scan");
  // The directory loses its separator, but a root keeps it.
  EXPECT_EQ(DirectoryWithoutSeparator("C:\\Data\\scan.img"), "C:\\Data");
  EXPECT_EQ(DirectoryWithoutSeparator("C:\\scan.img"), "C:\\");
  EXPECT_EQ(DirectoryWithoutSeparator("/scan.img"), "/");
  EXPECT_EQ(DirectoryWithoutSeparator("C:scan.img"), "C:");
  EXPECT_EQ(DirectoryWithoutSeparator("scan.img"), "");
}

TEST(BuildStamp, CombinesDateAndTimeIntoTwoNumbersAndReadsThemFromAFile) {
  using namespace std::chrono;
  const auto Instant = sys_days{2026y / December / 6} + hours{19} + minutes{5} + seconds{9};
  // 6 + 12 * 31 + 2026 * 372 and 9 + 5 * 60 + 19 * 3600; milliseconds never round up.
  EXPECT_EQ(BuildStampOf(Instant + milliseconds{999}).Text(), "754050-68709");

  const support::TScratchDirectory Scratch("kestrava-stamp");
  const auto Path = Scratch.Dir / "stamped";
  std::ofstream(Path) << "x";
  const sys_seconds Written = sys_days{2024y / February / 29} + hours{23};
  std::filesystem::last_write_time(Path, file_clock::from_sys(Written));
  EXPECT_EQ(BuildStampOfFile(Path), BuildStampOf(Written));
  std::filesystem::remove(Path);
  EXPECT_THROW(BuildStampOfFile(Path), E_Qel_FileDoesNotExist);
}

TEST(IntersectRectangles, GivesTheOverlapAndClearsTheResultWhenEdgesOnlyTouch) {
  TRect Result{1, 1, 1, 1};
  EXPECT_TRUE(IntersectRectangles({0, 0, 10, 10}, {5, -5, 20, 7}, Result));
  EXPECT_EQ(Result, (TRect{5, 0, 10, 7}));
  EXPECT_FALSE(IntersectRectangles({0, 0, 10, 10}, {10, 0, 20, 10}, Result)); // edges only touch
  EXPECT_EQ(Result, TRect{});
}

#if defined(__GLIBC__)
TEST(FloatingPointMask, MasksInsideAndRestoresTheTrapsThatWereOn) {
  std::feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(FE_DIVBYZERO);
  {
    TFloatingPointExceptionMask Guard;
    EXPECT_EQ(fegetexcept() & (FE_INVALID | FE_DIVBYZERO), 0);
    std::feraiseexcept(FE_DIVBYZERO); // would trap without the guard
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
  }
  const std::pair RestoredAndPending(fegetexcept(), std::fetestexcept(FE_ALL_EXCEPT));
  fedisableexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(RestoredAndPending, std::pair(FE_DIVBYZERO, 0));

  {
    TFloatingPointExceptionMask Guard; // already masked: stays masked afterwards
  }
  EXPECT_EQ(fegetexcept(), 0);
}
#endif

} // namespace
} // namespace kestrava

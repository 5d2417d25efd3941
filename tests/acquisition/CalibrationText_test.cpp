#include "acquisition/CalibrationText.h"
#include "tests/support/ScratchDirectory.h"

#include <filesystem>
#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(CalibrationText, ReadsItemsAcrossLinesAndSkipsTheRestOfALine) {
  TCalibrationText Text("3 trailing words\r\n  -7\t+2.5e1\n\n.5 x\rmm Hg \n");
  std::int32_t Count = 0, Negative = 0;
  double Real = 0, Half = 0;
  ASSERT_TRUE(Text.ReadInteger(Count));
  Text.SkipLine();
  // A line short of items lends them from the next: the empty line is passed.
  ASSERT_TRUE(Text.ReadInteger(Negative) && Text.ReadReal(Real) && Text.ReadReal(Half));
  EXPECT_EQ(std::tuple(Count, Negative, Real, Half), std::tuple(3, -7, 25.0, 0.5));
  Text.SkipLine();
  EXPECT_EQ(Text.ReadLine(), "mm Hg ");
  EXPECT_EQ(Text.ReadLine(), "");
  EXPECT_FALSE(Text.ReadReal(Real));
}

TEST(CalibrationText, RefusesWhatIsNotAPlainDecimalNumber) {
  for (const char* Bad : {"1.5", "3x", "+-3", "2147483648", "", "   \n "}) {
    TCalibrationText Text(Bad);
    std::int32_t Value = 0;
    EXPECT_FALSE(Text.ReadInteger(Value)) << Bad;
  }
  for (const char* Bad : {"inf", "nan", "0x10", "1e", "e5", ".", "-", "1e999", "1.2.3", "1,5"}) {
    TCalibrationText Text(Bad);
    double Value = 0;
    EXPECT_FALSE(Text.ReadReal(Value)) << Bad;
  }
}

TEST(CalibrationText, ReadsSmallFilesOnlyAndDropsAByteOrderMark) {
  const support::TScratchDirectory Scratch("kestrava-calibration");
  const std::string Small = Scratch.PathOf("small.dat"), Big = Scratch.PathOf("big.dat");
  std::ofstream(Small, std::ios::binary) << "\xEF\xBB\xBF"
                                         << "12\n";
  std::ofstream(Big, std::ios::binary) << std::string(MaxCalibrationFileBytes + 1, '1');
  EXPECT_EQ(ReadCalibrationFile(Small), "12\n");
  EXPECT_FALSE(ReadCalibrationFile(Big));
  EXPECT_FALSE(ReadCalibrationFile(Scratch.Dir.string()));
}

} // namespace
} // namespace kestrava

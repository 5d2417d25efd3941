#include "imagerdata/ImagerFileDateTime.h"
#include "imagerdata/ImagerFileText.h"

#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

std::string Decode(std::vector<std::uint8_t> Bytes) {
  return AnsiToUtf8(Bytes);
}

TEST(ImagerFileText, DecodesWindows1252) {
  EXPECT_EQ(Decode({0x80, 0x9F, 0xE9, 0x41}), "€Ÿé"
                                              "A");
  EXPECT_EQ(Decode({0x81}), "\xC2\x81"); // unassigned in 1252: its C1 control
  EXPECT_EQ(Decode({0x41, 0x00, 0x42}), "A");
}

TEST(ImagerFileText, EncodesWhatTheCodePageHoldsAndQuestionMarksTheRest) {
  EXPECT_EQ(Utf8ToAnsi("Zoë €", 63), "Zo\xEB \x80");
  EXPECT_EQ(Utf8ToAnsi("日本", 63), "??");
  EXPECT_EQ(Utf8ToAnsi("\xC3(\xFF", 63), "?(?"); // malformed sequences
  EXPECT_EQ(Utf8ToAnsi("\xC0\xAF", 63), "??");   // overlong '/'
  EXPECT_EQ(Utf8ToAnsi(std::string("a\0b", 3), 63), "a");
  EXPECT_EQ(Utf8ToAnsi(std::string(70, 'x'), 63).size(), 63u);
  EXPECT_EQ(Utf8ToAnsi("ééé", 2), "\xE9\xE9"); // the limit counts stored bytes
}

TEST(ImagerFileDateTime, CountsDaysFrom30December1899) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0), 36526.5);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
  EXPECT_TRUE(EncodeDateTime(2000, 2, 29, 0, 0, 0)); // leap years skip centuries but not 2000
  EXPECT_FALSE(EncodeDateTime(2004, 2, 30, 0, 0, 0) || EncodeDateTime(2100, 2, 29, 0, 0, 0));
}

TEST(ImagerFileDateTime, UnpacksFatTimesAndZeroesInvalidOnes) {
  const auto Fat = [](unsigned Y, unsigned Mo, unsigned D, unsigned H, unsigned Mi, unsigned S) {
    return ((Y - 1980) << 25) | (Mo << 21) | (D << 16) | (H << 11) | (Mi << 5) | (S / 2);
  };
  EXPECT_DOUBLE_EQ(FatToDateTime(Fat(2005, 3, 14, 10, 30, 58)),
                   38425 + (10 * 3600 + 30 * 60 + 58) / 86400.0);
  for (const std::uint32_t Invalid :
       {Fat(2005, 13, 1, 0, 0, 0), Fat(2005, 2, 29, 0, 0, 0), Fat(2005, 1, 0, 0, 0, 0),
        Fat(2005, 1, 1, 24, 0, 0), Fat(2005, 1, 1, 0, 60, 0), 0u}) {
    EXPECT_EQ(FatToDateTime(Invalid), 0) << std::hex << Invalid;
  }
}

} // namespace
} // namespace kestrava

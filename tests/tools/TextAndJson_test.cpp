#include "tools/DateTimeText.h"
#include "tools/DisplayText.h"
#include "tools/JsonValues.h"

#include <limits>
#include <sstream>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TJson ReadBack(const TJson& Value) {
  std::ostringstream Out;
  WriteJson(Out, Value);
  return TJson::parse(Out.str());
}

TEST(JsonValues, NonFiniteNumbersBecomeNullAndOthersKeepEveryDigit) {
  EXPECT_EQ(ReadBack(JsonVector(Vector3(1, Nan, -Inf))), TJson::parse("[1, null, null]"));
  EXPECT_TRUE(JsonNumber(std::numeric_limits<float>::infinity()).is_null());
  EXPECT_EQ(ReadBack(JsonNumber(0.1 + 0.2)).get<double>(), 0.1 + 0.2);
  EXPECT_EQ(JsonNumber(0.009f).get<double>(), 0.009);
  EXPECT_EQ(static_cast<float>(JsonNumber(1.0f / 3.0f).get<double>()), 1.0f / 3.0f);
}

TEST(DisplayText, ReadsNonUtf8TextAsWindowsAnsiAndMasksTerminalControls) {
  EXPECT_EQ(TextFromAnsi("M\xFCller"), "M\u00FCller");
  EXPECT_EQ(TextFromAnsi("M\u00FCller"), "M\u00FCller"); // already UTF-8: unchanged
  // Broken sequences, overlong forms and surrogates must not reach the JSON writer.
  for (const char* Bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\x81"})
    EXPECT_TRUE(ReadBack(JsonText(Bad)).is_string()) << Bad;
  // Terminal control characters are masked, the 8-bit CSI too.
  EXPECT_EQ(PrintableText("\x1B[31mRed\n"), "?[31mRed?");
  EXPECT_EQ(PrintableText("a\xC2\x9B"
                          "b"),
            "a?b");
}

TEST(DateTimeText, FormatsStoredDateTimesToTheSecond) {
  EXPECT_EQ(DateTimeToIsoText(2.75), "1900-01-01T18:00:00");
  EXPECT_EQ(DateTimeToIsoText(-1.25), "1899-12-29T06:00:00"); // fraction counts forward
  EXPECT_EQ(DateTimeToIsoText(36526.0 - 0.1 / 86400), "2000-01-01T00:00:00");
  EXPECT_EQ(DateTimeToIsoText(DateTimeFromCivil(2024, 2, 29, 23, 59, 59)), "2024-02-29T23:59:59");
  EXPECT_EQ(DateTimeFromCivil(1899, 12, 29, 6, 0, 0), -1.25);
  EXPECT_EQ(DateTimeToIsoText(-693593.0), "0001-01-01T00:00:00");
  for (const double Bad : {Nan, Inf, 2958466.0, -693594.0, 1e300})
    EXPECT_FALSE(DateTimeToIsoText(Bad).has_value()) << Bad;
}

} // namespace
} // namespace kestrava

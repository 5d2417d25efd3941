#include "tools/DisplayText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kestrava {

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char32_t, 32> Windows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t ReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& Out, char32_t Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | (Code >> 6));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xE0 | (Code >> 12));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

// Length of the well-formed UTF-8 sequence at Text[At], or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(const std::string& Text, std::size_t At) {
  const auto Byte = [&](std::size_t I) {
    return static_cast<std::uint8_t>(Text[I]);
  };
  const std::uint8_t Lead = Byte(At);
  if (Lead < 0x80)
    return 1;
  std::size_t Length = 0;
  std::uint8_t Low = 0x80, High = 0xBF; // allowed range of the second byte
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    Low = Lead == 0xE0 ? 0xA0 : 0x80;
    High = Lead == 0xED ? 0x9F : 0xBF;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    Low = Lead == 0xF0 ? 0x90 : 0x80;
    High = Lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (At + Length > Text.size() || Byte(At + 1) < Low || Byte(At + 1) > High)
    return 0;
  for (std::size_t I = 2; I < Length; ++I)
    if (Byte(At + I) < 0x80 || Byte(At + I) > 0xBF)
      return 0;
  return Length;
}

bool IsValidUtf8(const std::string& Text) {
  for (std::size_t At = 0; At < Text.size();) {
    const std::size_t Length = Utf8SequenceLength(Text, At);
    if (Length == 0)
      return false;
    At += Length;
  }
  return true;
}

std::string NonFiniteText(double Value) {
  if (std::isnan(Value))
    return "nan";
  return Value < 0 ? "-inf" : "inf";
}

template <class TFloat> std::string ShortestDecimal(TFloat Value) {
  if (!std::isfinite(Value))
    return NonFiniteText(Value);
  std::array<char, 64> Buffer{};
  const auto Result = std::to_chars(Buffer.data(), Buffer.data() + Buffer.size(), Value);
  return std::string(Buffer.data(), Result.ptr);
}

} // namespace

std::string TextFromAnsi(const std::string& Text) {
  if (IsValidUtf8(Text))
    return Text;
  std::string Out;
  Out.reserve(Text.size() * 2);
  for (const char Character : Text) {
    const auto Byte = static_cast<std::uint8_t>(Character);
    char32_t Code = Byte;
    if (Byte >= 0x80 && Byte <= 0x9F)
      Code = Windows1252High[Byte - 0x80] ? Windows1252High[Byte - 0x80] : ReplacementCharacter;
    AppendUtf8(Out, Code);
  }
  return Out;
}

std::string PrintableText(const std::string& Text) {
  const std::string Utf8 = TextFromAnsi(Text);
  std::string Out;
  Out.reserve(Utf8.size());
  for (std::size_t At = 0; At < Utf8.size(); ++At) {
    const auto Byte = static_cast<std::uint8_t>(Utf8[At]);
    const bool C0 = Byte < 0x20 || Byte == 0x7F;
    // U+0080..U+009F, encoded C2 80..C2 9F, include the 8-bit CSI.
    const bool C1 =
        Byte == 0xC2 && At + 1 < Utf8.size() && static_cast<std::uint8_t>(Utf8[At + 1]) <= 0x9F;
    if (C1)
      ++At;
    Out += C0 || C1 ? '?' : Utf8[At];
  }
  return Out;
}

std::string FormatNumber(double Value) {
  return ShortestDecimal(Value);
}
std::string FormatNumber(float Value) {
  return ShortestDecimal(Value);
}

std::string FormatReadable(double Value, int Digits) {
  if (!std::isfinite(Value))
    return NonFiniteText(Value);
  std::array<char, 64> Buffer{};
  const auto Result = std::to_chars(Buffer.data(), Buffer.data() + Buffer.size(), Value,
                                    std::chars_format::general, Digits);
  return std::string(Buffer.data(), Result.ptr);
}

} // namespace kestrava

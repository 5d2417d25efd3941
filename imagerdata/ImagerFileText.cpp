#include "imagerdata/ImagerFileText.h"

#include <array>

namespace kestrava {

namespace {

// Code points of bytes 0x80-0x9F in code page 1252.
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t Replacement = 0xFFFD;

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

char32_t AnsiToCodePoint(std::uint8_t Byte) {
  return (Byte >= 0x80 && Byte <= 0x9F) ? Cp1252High[Byte - 0x80] : Byte;
}

// The byte of C in code page 1252, or '?' when it has none.
char CodePointToAnsi(char32_t C) {
  if (C < 0x80 || (C >= 0xA0 && C <= 0xFF)) {
    return static_cast<char>(C);
  }
  for (std::size_t I = 0; I < Cp1252High.size(); ++I) {
    if (Cp1252High[I] == C) {
      return static_cast<char>(0x80 + I);
    }
  }
  return '?';
}

// Decodes one UTF-8 sequence at Text[Pos], advancing Pos past it; malformed,
// overlong or surrogate sequences give Replacement and skip one byte.
char32_t NextCodePoint(std::string_view Text, std::size_t& Pos) {
  const auto Byte = [&](std::size_t I) {
    return static_cast<std::uint8_t>(Text[I]);
  };
  const std::uint8_t Lead = Byte(Pos);
  std::size_t Length = 0;
  char32_t C = 0;
  char32_t Minimum = 0;
  if (Lead < 0x80) {
    ++Pos;
    return Lead;
  } else if ((Lead & 0xE0) == 0xC0) {
    Length = 2, C = Lead & 0x1F, Minimum = 0x80;
  } else if ((Lead & 0xF0) == 0xE0) {
    Length = 3, C = Lead & 0x0F, Minimum = 0x800;
  } else if ((Lead & 0xF8) == 0xF0) {
    Length = 4, C = Lead & 0x07, Minimum = 0x10000;
  } else {
    ++Pos;
    return Replacement;
  }
  if (Pos + Length > Text.size()) {
    ++Pos;
    return Replacement;
  }
  for (std::size_t I = 1; I < Length; ++I) {
    if ((Byte(Pos + I) & 0xC0) != 0x80) {
      ++Pos;
      return Replacement;
    }
    C = (C << 6) | (Byte(Pos + I) & 0x3F);
  }
  if (C < Minimum || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) {
    ++Pos;
    return Replacement;
  }
  Pos += Length;
  return C;
}

} // namespace

std::string AnsiToUtf8(std::span<const std::uint8_t> Bytes) {
  std::string Out;
  for (const std::uint8_t Byte : Bytes) {
    if (Byte == 0) {
      break;
    }
    AppendUtf8(Out, AnsiToCodePoint(Byte));
  }
  return Out;
}

std::string Utf8ToAnsi(std::string_view Text, std::size_t MaxBytes) {
  std::string Out;
  std::size_t Pos = 0;
  while (Pos < Text.size() && Out.size() < MaxBytes) {
    const char32_t C = NextCodePoint(Text, Pos);
    if (C == 0) {
      break;
    }
    Out += CodePointToAnsi(C);
  }
  return Out;
}

} // namespace kestrava

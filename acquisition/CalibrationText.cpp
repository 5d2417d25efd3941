#include "acquisition/CalibrationText.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace kestrava {

namespace {

bool IsLineEnd(char C) {
  return C == '\n' || C == '\r';
}

// Control characters count as blanks too, as they did for the files' original
// readers; only printable text can form a number anyway.
bool IsSeparator(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

std::size_t SkipDigits(std::string_view Text, std::size_t Position) {
  while (Position < Text.size() && IsDigit(Text[Position])) {
    ++Position;
  }
  return Position;
}

// from_chars would also take "inf", "nan" and forms without digits; the files
// know only plain decimal numbers, so the grammar is checked here first.
bool IsDecimalReal(std::string_view Token) {
  std::size_t Position = 0;
  if (Position < Token.size() && (Token[Position] == '+' || Token[Position] == '-')) {
    ++Position;
  }
  const std::size_t IntegerStart = Position;
  Position = SkipDigits(Token, Position);
  bool HasDigits = Position > IntegerStart;
  if (Position < Token.size() && Token[Position] == '.') {
    const std::size_t FractionStart = ++Position;
    Position = SkipDigits(Token, Position);
    HasDigits = HasDigits || Position > FractionStart;
  }
  if (!HasDigits) {
    return false;
  }
  if (Position < Token.size() && (Token[Position] == 'e' || Token[Position] == 'E')) {
    ++Position;
    if (Position < Token.size() && (Token[Position] == '+' || Token[Position] == '-')) {
      ++Position;
    }
    const std::size_t ExponentStart = Position;
    Position = SkipDigits(Token, Position);
    if (Position == ExponentStart) {
      return false;
    }
  }
  return Position == Token.size();
}

std::string_view WithoutPlusSign(std::string_view Token) {
  if (!Token.empty() && Token.front() == '+') {
    Token.remove_prefix(1);
  }
  return Token;
}

} // namespace

std::optional<std::string> ReadCalibrationFile(const std::string& Path) {
  std::error_code Error;
  if (!std::filesystem::is_regular_file(Path, Error)) {
    return std::nullopt;
  }
  std::ifstream Stream(Path, std::ios::binary);
  if (!Stream) {
    return std::nullopt;
  }
  // Read one byte past the limit rather than trusting the size the file
  // system reports, which a growing or special file can belie.
  std::string Content(MaxCalibrationFileBytes + 1, '\0');
  Stream.read(Content.data(), static_cast<std::streamsize>(Content.size()));
  if (Stream.bad()) {
    return std::nullopt;
  }
  const auto Count = static_cast<std::size_t>(Stream.gcount());
  if (Count > MaxCalibrationFileBytes) {
    return std::nullopt;
  }
  Content.resize(Count);
  // A byte-order mark, as some Windows editors write, is not part of the text.
  if (Content.starts_with("\xEF\xBB\xBF")) {
    Content.erase(0, 3);
  }
  return Content;
}

std::optional<std::string_view> TCalibrationText::NextToken() {
  while (Position_ < Text_.size() && IsSeparator(Text_[Position_])) {
    ++Position_;
  }
  if (Position_ >= Text_.size()) {
    return std::nullopt;
  }
  const std::size_t Start = Position_;
  while (Position_ < Text_.size() && !IsSeparator(Text_[Position_])) {
    ++Position_;
  }
  return Text_.substr(Start, Position_ - Start);
}

bool TCalibrationText::ReadInteger(std::int32_t& Value) {
  const std::optional<std::string_view> Token = NextToken();
  if (!Token) {
    return false;
  }
  const std::string_view Digits = WithoutPlusSign(*Token);
  // A second sign ("+-3") is not a number; from_chars would take the '-'.
  if (Digits.size() != Token->size() && Digits.starts_with('-')) {
    return false;
  }
  std::int32_t Parsed = 0;
  const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Parsed);
  if (Error != std::errc() || End != Digits.data() + Digits.size()) {
    return false;
  }
  Value = Parsed;
  return true;
}

bool TCalibrationText::ReadReal(double& Value) {
  const std::optional<std::string_view> Token = NextToken();
  if (!Token || !IsDecimalReal(*Token)) {
    return false;
  }
  const std::string_view Number = WithoutPlusSign(*Token);
  double Parsed = 0;
  const auto [End, Error] = std::from_chars(Number.data(), Number.data() + Number.size(), Parsed);
  if (Error != std::errc() || End != Number.data() + Number.size() || !std::isfinite(Parsed)) {
    return false;
  }
  Value = Parsed;
  return true;
}

void TCalibrationText::SkipLine() {
  while (Position_ < Text_.size() && !IsLineEnd(Text_[Position_])) {
    ++Position_;
  }
  if (Position_ < Text_.size()) {
    const bool CarriageReturn = Text_[Position_] == '\r';
    ++Position_;
    if (CarriageReturn && Position_ < Text_.size() && Text_[Position_] == '\n') {
      ++Position_;
    }
  }
}

std::string TCalibrationText::ReadLine() {
  const std::size_t Start = Position_;
  while (Position_ < Text_.size() && !IsLineEnd(Text_[Position_])) {
    ++Position_;
  }
  std::string Line(Text_.substr(Start, Position_ - Start));
  SkipLine();
  return Line;
}

} // namespace kestrava

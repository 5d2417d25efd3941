#pragma once
// Conversion between the program's UTF-8 strings and the single-byte Windows
// ANSI (code page 1252) texts stored in imager files.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrava {

// Decodes Windows-1252 bytes up to the first zero byte or the end of Bytes.
// 0x80-0x9F follow code page 1252 (its five unassigned bytes map to the C1
// controls of the same number); every other byte is its Latin-1 character.
std::string AnsiToUtf8(std::span<const std::uint8_t> Bytes);

// Encodes Text as Windows-1252, at most MaxBytes bytes. A character that the
// code page cannot hold, and a malformed UTF-8 sequence, become '?'. Encoding
// stops at an embedded zero, which could not be stored in a terminated field.
std::string Utf8ToAnsi(std::string_view Text, std::size_t MaxBytes);

} // namespace kestrava

#pragma once
// Turning stored values into text for the user: the texts of imager files
// (single-byte Windows ANSI) into UTF-8, and numbers into their shortest
// exact decimal form.

#include <string>

namespace kestrava {

// Text from a file as UTF-8. Text that already is valid UTF-8 is returned
// unchanged; anything else is read as Windows-1252, so a name typed on the
// recording workstation ("Müller" stored as one byte per letter) shows
// correctly and can never make the JSON writer fail.
std::string TextFromAnsi(const std::string& Text);

// TextFromAnsi, with control characters replaced by '?' so that a name from
// a damaged file cannot move the cursor or recolour the user's terminal.
std::string PrintableText(const std::string& Text);

// The shortest decimal that reads back as exactly Value ("0.1", "1e-07");
// "nan", "inf" and "-inf" for the non-finite values.
std::string FormatNumber(double Value);
// The same for a single: the shortest decimal of the float itself, so a
// stored 0.009f prints as "0.009", not as its double expansion.
std::string FormatNumber(float Value);

// Value rounded to Digits significant digits for reading ("299", "0.290548");
// "nan", "inf" and "-inf" as above. Text output only: JSON and CSV keep
// every digit.
std::string FormatReadable(double Value, int Digits = 6);

// "yes" or "no".
inline const char* YesNo(bool Value) {
  return Value ? "yes" : "no";
}

} // namespace kestrava

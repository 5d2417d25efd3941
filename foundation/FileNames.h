#pragma once
// File-name splitting that works on the text alone (the file need not exist).
//
// Both '\' and '/' count as separators, so that names written on the
// workstation and names typed on another system split the same way; ':'
// ends a drive prefix ("C:").

#include <string>

namespace kestrava {

// The name with its extension cut off. The extension starts at the last '.'
// after the last separator, dot included: "a\b.c.img" -> "a\b.c",
// "a.b\c" -> "a.b\c", "a\.ini" -> "a\".
std::string FileNameWithoutExtension(const std::string& FileName);

// The directory part without the trailing separator: "C:\Data\x.img" ->
// "C:\Data". A root keeps its separator ("C:\x" -> "C:\", "/x" -> "/"), since
// without it the result would name the current directory instead. A bare
// name gives "".
std::string DirectoryWithoutSeparator(const std::string& FileName);

} // namespace kestrava

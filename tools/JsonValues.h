#pragma once
// Building the tool's JSON output. Keys keep the order they are written in
// (ordered_json), numbers keep full precision, and nothing stored in a file
// can make the output invalid JSON: non-finite numbers become null and file
// texts are converted to UTF-8 first.

#include "geometry/Vectors.h"

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

namespace kestrava {

using TJson = nlohmann::ordered_json;

// A double as a JSON number; null when NaN or infinite.
TJson JsonNumber(double Value);
// A single as the JSON number of its shortest decimal (0.009f gives 0.009);
// null when NaN or infinite.
TJson JsonNumber(float Value);
// [x, y, z], each component as above.
TJson JsonVector(const TVector3& Value);
TJson JsonVector(const TVector3Single& Value);
// A text from an imager file (see TextFromAnsi).
TJson JsonText(const std::string& Value);

// Value as compact JSON (Indent < 0) or indented by Indent spaces, without a
// trailing newline. Never throws for text: invalid UTF-8 that got past
// JsonText is replaced rather than reported.
void WriteJson(std::ostream& Out, const TJson& Value, int Indent = -1);

} // namespace kestrava

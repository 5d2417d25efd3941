#include "tools/JsonValues.h"

#include "tools/DisplayText.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace kestrava {

TJson JsonNumber(double Value) {
  if (!std::isfinite(Value))
    return nullptr;
  return Value;
}

TJson JsonNumber(float Value) {
  if (!std::isfinite(Value))
    return nullptr;
  // The float's shortest decimal read back as a double is the double the
  // user would have typed for it.
  const std::string Text = FormatNumber(Value);
  double Widened = Value;
  std::from_chars(Text.data(), Text.data() + Text.size(), Widened);
  return Widened;
}

TJson JsonVector(const TVector3& Value) {
  return TJson::array({JsonNumber(Value.X), JsonNumber(Value.Y), JsonNumber(Value.Z)});
}

TJson JsonVector(const TVector3Single& Value) {
  return TJson::array({JsonNumber(Value.X), JsonNumber(Value.Y), JsonNumber(Value.Z)});
}

TJson JsonText(const std::string& Value) {
  return TextFromAnsi(Value);
}

void WriteJson(std::ostream& Out, const TJson& Value, int Indent) {
  Out << Value.dump(Indent, ' ', false, nlohmann::detail::error_handler_t::replace);
}

} // namespace kestrava

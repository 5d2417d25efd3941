#include "looping/LoopClass.h"

#include <array>

namespace kestrava {

namespace {

constexpr std::array<std::string_view, LoopClassCount> Texts = {
    "none", "alpha", "reverse-alpha", "n", "gamma", "reverse-gamma", "deep-transverse", "atypical"};

} // namespace

std::string_view LoopClassText(TLoopClass Class) {
  const auto Index = static_cast<std::size_t>(Class);
  return Index < Texts.size() ? Texts[Index] : "none";
}

std::optional<TLoopClass> ParseLoopClass(std::string_view Text) {
  for (std::size_t Index = 0; Index < Texts.size(); ++Index) {
    if (Texts[Index] == Text) {
      return static_cast<TLoopClass>(Index);
    }
  }
  return std::nullopt;
}

} // namespace kestrava

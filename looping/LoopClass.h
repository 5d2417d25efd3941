#pragma once
// The loop classes the detector tells apart, and their texts as the tool,
// the ground-truth files and (later) the workstation show them.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrava {

enum class TLoopClass : std::int32_t {
  None = 0,
  Alpha,          // crossing in the lower abdomen, tip-side limb in front
  ReverseAlpha,   // crossing in the lower abdomen, tip-side limb behind
  N,              // no crossing: the sigmoid pushed up into a hairpin
  Gamma,          // crossing in the mid or upper abdomen, tip-side limb in front
  ReverseGamma,   // crossing in the mid or upper abdomen, tip-side limb behind
  DeepTransverse, // the transverse part sagging into the pelvis
  Atypical,       // excess length without any of the shapes above
};

inline constexpr std::int32_t LoopClassCount = 8;

// "none", "alpha", "reverse-alpha", "n", "gamma", "reverse-gamma",
// "deep-transverse", "atypical".
std::string_view LoopClassText(TLoopClass Class);
// The class of one of those texts (exactly as written); none for any other text.
std::optional<TLoopClass> ParseLoopClass(std::string_view Text);

} // namespace kestrava

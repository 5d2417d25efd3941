#pragma once
// Tiny integer helpers that several drawing and file routines share.

#include <cstddef>
#include <cstdint>

namespace kestrava {

constexpr std::int32_t SmallerOf(std::int32_t A, std::int32_t B) {
  return B < A ? B : A;
}

// The index of a container element for a count-style signed position
// (which the caller knows is not negative).
constexpr std::size_t Slot(std::int32_t I) {
  return static_cast<std::size_t>(I);
}

constexpr void Swap32(std::uint32_t& A, std::uint32_t& B) {
  const std::uint32_t Kept = A;
  A = B;
  B = Kept;
}

} // namespace kestrava

#pragma once
// Two tiny integer helpers that several drawing and file routines share.

#include <cstdint>

namespace kestrava {

constexpr std::int32_t SmallerOf(std::int32_t A, std::int32_t B) {
  return B < A ? B : A;
}

constexpr void Swap32(std::uint32_t& A, std::uint32_t& B) {
  const std::uint32_t Kept = A;
  A = B;
  B = Kept;
}

} // namespace kestrava

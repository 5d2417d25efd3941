#pragma once
// Integer rectangles in device pixels, with the platform's convention that
// Right and Bottom lie just outside (a rectangle is Right - Left wide).

#include <cstdint>

namespace kestrava {

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// The rectangle at Left, Top of the given size. A negative size gives an
// empty rectangle rather than a reversed one, so that a window too small for
// its controls squeezes them to nothing.
constexpr TRect RectOf(std::int32_t Left, std::int32_t Top, std::int32_t Width,
                       std::int32_t Height) {
  return {Left, Top, Left + (Width > 0 ? Width : 0), Top + (Height > 0 ? Height : 0)};
}

// The common part of A and B. When they do not overlap (or either is empty)
// Result is the all-zero rectangle and the answer is false.
bool IntersectRectangles(const TRect& A, const TRect& B, TRect& Result);

} // namespace kestrava

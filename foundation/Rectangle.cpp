#include "foundation/Rectangle.h"

#include <algorithm>

namespace kestrava {

bool IntersectRectangles(const TRect& A, const TRect& B, TRect& Result) {
  const TRect Common{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
                     std::min(A.Bottom, B.Bottom)};
  if (A.IsEmpty() || B.IsEmpty() || Common.IsEmpty()) {
    Result = TRect{};
    return false;
  }
  Result = Common;
  return true;
}

} // namespace kestrava

#include "imagerdata/CurvatureGraphPoints.h"

#include <algorithm>

namespace kestrava {

void TCurvatureGraphPoints::SetPointCount(std::int32_t Count) {
  Points_.assign(static_cast<std::size_t>(std::max(Count, 0)), 0.0);
}

void TCurvatureGraphPoints::SetPoint(std::int32_t Index, double Value) {
  if (Index >= 0 && Index < PointCount())
    Points_[static_cast<std::size_t>(Index)] = Value;
}

} // namespace kestrava

#include "controls/GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrava {

namespace {

// Follow-latest keeps this many pixels free right of the newest sample, and
// the scroll range reaches this far beyond the last tick.
constexpr std::int32_t RightMargin = 20;

std::int32_t Saturate(double Value) {
  constexpr double Low = std::numeric_limits<std::int32_t>::min();
  constexpr double High = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(Value))
    return 0;
  return static_cast<std::int32_t>(std::clamp(Value, Low, High));
}

} // namespace

std::int32_t RoundTiesToEven(double Value) {
  return Saturate(std::nearbyint(Value)); // the default rounding mode is to nearest, ties even
}

std::int32_t TGraphGeometry::PointToX(std::int32_t Index) const {
  const std::int64_t X = UseScrollPosition ? std::int64_t{Index} + HorzBorder - ScrollPosition
                                           : std::int64_t{Index} - StartPoint + HorzBorder;
  return Saturate(static_cast<double>(X));
}

std::int32_t TGraphGeometry::XToPoint(std::int32_t X) const {
  const std::int64_t Index = UseScrollPosition ? std::int64_t{X} - HorzBorder + ScrollPosition
                                               : std::int64_t{X} + StartPoint - HorzBorder;
  return Saturate(static_cast<double>(Index));
}

std::int32_t TGraphGeometry::ValueToY(double Value) const {
  const std::int32_t Middle = ClientHeight / 2; // whole pixels
  const double Y = static_cast<double>(Middle) -
                   static_cast<double>(RoundTiesToEven(static_cast<double>(YScale) * Value)) -
                   YOffset;
  return Saturate(Y);
}

std::int32_t IndexAtX(const TGraphGeometry& Geometry, std::int32_t X, std::int32_t PointCount) {
  if (PointCount <= 0)
    return -1;
  return std::clamp(Geometry.XToPoint(X), 0, PointCount - 1);
}

std::int32_t TickCount(std::int32_t PointCount, std::int32_t Periodicity) {
  const std::int64_t LastIndex = std::int64_t{PointCount} - 1;
  if (LastIndex <= 0)
    return 0;
  const std::int64_t Period = std::max(Periodicity, 1);
  return static_cast<std::int32_t>((LastIndex + Period - 1) / Period);
}

std::int32_t GraphScrollRange(std::int32_t PointCount, std::int32_t Periodicity,
                              bool FollowLatest) {
  if (FollowLatest)
    return 0;
  const std::int64_t Range =
      std::int64_t{std::max(Periodicity, 1)} * TickCount(PointCount, Periodicity) + RightMargin;
  return Saturate(static_cast<double>(Range));
}

std::int32_t FollowLatestStartPoint(std::int32_t PointCount, std::int32_t ClientWidth) {
  const std::int64_t Start =
      std::int64_t{PointCount} - 1 - (std::int64_t{ClientWidth} - RightMargin);
  return Saturate(static_cast<double>(std::max<std::int64_t>(Start, 0)));
}

} // namespace kestrava

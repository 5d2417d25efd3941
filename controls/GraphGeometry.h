#pragma once
// The arithmetic of the time-line graph, apart from any widget: where a
// sample is drawn, which sample lies under a pixel, the tick layout and the
// scroll range. Pixels are device pixels of the graph's client area.

#include <cstdint>

namespace kestrava {

// Nearest integer, ties to even (2.5 gives 2, 3.5 gives 4). Values beyond
// the 32-bit range saturate and NaN gives 0, so a wild sample can never turn
// into undefined behaviour on its way to a pixel.
std::int32_t RoundTiesToEven(double Value);

struct TGraphGeometry {
  std::int32_t HorzBorder = 10;
  std::int32_t StartPoint = 0;
  std::int32_t ScrollPosition = 0; // horizontal scroll bar position
  bool UseScrollPosition = true;   // scroll bar shown and not following the newest sample
  std::int32_t ClientHeight = 0;
  float YScale = 10.0f; // pixels per unit of value
  std::int32_t YOffset = 0;

  std::int32_t PointToX(std::int32_t Index) const;
  // The exact inverse of PointToX (not clamped).
  std::int32_t XToPoint(std::int32_t X) const;
  // Larger values higher: ClientHeight / 2 - round(YScale * Value) - YOffset.
  std::int32_t ValueToY(double Value) const;
};

// The sample under X, clamped into 0 .. PointCount - 1; -1 without samples.
std::int32_t IndexAtX(const TGraphGeometry& Geometry, std::int32_t X, std::int32_t PointCount);

// Ticks after the first: ceil((PointCount - 1) / Periodicity), 0 for an empty
// graph. Periodicity below 1 is taken as 1.
std::int32_t TickCount(std::int32_t PointCount, std::int32_t Periodicity);

// The horizontal scroll range: 0 while following the newest sample, else
// Periodicity * TickCount + 20.
std::int32_t GraphScrollRange(std::int32_t PointCount, std::int32_t Periodicity, bool FollowLatest);

// The StartPoint that puts the newest sample 20 pixels short of the right
// edge (never below 0).
std::int32_t FollowLatestStartPoint(std::int32_t PointCount, std::int32_t ClientWidth);

} // namespace kestrava

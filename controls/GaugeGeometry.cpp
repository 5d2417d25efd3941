#include "controls/GaugeGeometry.h"

#include "controls/GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace kestrava {

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void ThrowRange(std::int64_t Low, std::int64_t High) {
  char Text[80];
  std::snprintf(Text, sizeof Text, "Value must be between %lld and %lld",
                static_cast<long long>(Low), static_cast<long long>(High));
  throw EInvalidOperation(Text);
}

} // namespace

std::int32_t GaugePercentDone(std::int32_t Progress, std::int32_t Min, std::int32_t Max) {
  if (Max == Min)
    return 0;
  return static_cast<std::int32_t>((std::int64_t{Progress} - Min) * 100 /
                                   (std::int64_t{Max} - Min));
}

void TGaugeRange::SetMinValue(std::int32_t Value, bool Loading) {
  if (!Loading && Value > Max_)
    ThrowRange(-Int32Max, std::int64_t{Max_} - 1);
  Min_ = Value;
  Progress_ = std::max(Progress_, Min_);
}

void TGaugeRange::SetMaxValue(std::int32_t Value, bool Loading) {
  if (!Loading && Value < Min_)
    ThrowRange(std::int64_t{Min_} + 1, Int32Max);
  Max_ = Value;
  Progress_ = std::min(Progress_, Max_);
}

bool TGaugeRange::SetProgress(std::int32_t Value) {
  const std::int32_t Before = PercentDone();
  Progress_ = std::clamp(Value, std::min(Min_, Max_), std::max(Min_, Max_));
  return PercentDone() != Before;
}

std::optional<TGaugeRect> HorizontalBarFill(const TGaugeRect& R, std::int32_t PercentDone) {
  const std::int32_t W = R.Right - R.Left + 1, H = R.Bottom - R.Top + 1;
  const auto Filled = static_cast<std::int32_t>(std::trunc(W * PercentDone * 0.01));
  const std::int32_t Right = std::min(Filled, W);
  if (Right <= 0)
    return std::nullopt;
  return TGaugeRect{R.Left, R.Top, Right, H};
}

std::optional<TGaugeRect> VerticalBarFill(const TGaugeRect& R, std::int32_t PercentDone) {
  const std::int32_t W = R.Right - R.Left + 1, H = R.Bottom - R.Top + 1;
  auto Filled = static_cast<std::int32_t>(std::trunc(H * PercentDone * 0.01));
  if (Filled <= 0)
    return std::nullopt;
  if (Filled >= H)
    Filled = H - 1;
  return TGaugeRect{R.Left, H - Filled, W, H};
}

TGaugePoint PieStartPoint(std::int32_t W, std::int32_t H, std::int32_t PercentDone) {
  const double A = (PercentDone / 50.0 + 0.5) * std::numbers::pi;
  // The radii are whole pixels, halved as integers.
  const std::int32_t HalfW = W / 2, HalfH = H / 2;
  return {RoundTiesToEven(HalfW * (1 - std::cos(A))), RoundTiesToEven(HalfH * (1 - std::sin(A)))};
}

TGaugePoint NeedleEndPoint(std::int32_t ControlWidth, std::int32_t Bottom,
                           std::int32_t PercentDone) {
  const double A = PercentDone / 100.0 * std::numbers::pi;
  return {RoundTiesToEven(ControlWidth / 2.0 * (1 - std::cos(A))),
          RoundTiesToEven((Bottom - 1) * (1 - std::sin(A)))};
}

} // namespace kestrava

#pragma once
// The gauge's value range and the arithmetic of its pictures, apart from
// any widget. Rectangles keep the drawing convention of the platform the
// gauge came from: Left and Top inclusive, Right and Bottom exclusive.

#include "foundation/QelExceptions.h"

#include <cstdint>
#include <optional>

namespace kestrava {

// A call that the object's state does not allow; the message is for the user.
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

// (Progress - Min) * 100 / (Max - Min), truncated; 0 for an empty range.
// Computed in 64 bits: the full 32-bit range must not overflow.
std::int32_t GaugePercentDone(std::int32_t Progress, std::int32_t Min, std::int32_t Max);

// MinValue <= Progress <= MaxValue at all times.
class TGaugeRange {
public:
  std::int32_t MinValue() const { return Min_; }
  std::int32_t MaxValue() const { return Max_; }
  std::int32_t Progress() const { return Progress_; }
  std::int32_t PercentDone() const { return GaugePercentDone(Progress_, Min_, Max_); }

  // EInvalidOperation "Value must be between -2147483647 and <MaxValue - 1>"
  // when Value > MaxValue (unless Loading). Raises Progress to Value if needed.
  void SetMinValue(std::int32_t Value, bool Loading = false);
  // EInvalidOperation "Value must be between <MinValue + 1> and 2147483647"
  // when Value < MinValue (unless Loading). Lowers Progress to Value if needed.
  void SetMaxValue(std::int32_t Value, bool Loading = false);
  // Clamped into the range. True when PercentDone changed (the picture must
  // be repainted).
  bool SetProgress(std::int32_t Value);

private:
  std::int32_t Min_ = 0;
  std::int32_t Max_ = 100;
  std::int32_t Progress_ = 0;
};

struct TGaugeRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TGaugeRect&, const TGaugeRect&) = default;
};

struct TGaugePoint {
  std::int32_t X = 0, Y = 0;
  friend bool operator==(const TGaugePoint&, const TGaugePoint&) = default;
};

// The filled part of a bar in the rectangle R; empty when nothing is filled.
std::optional<TGaugeRect> HorizontalBarFill(const TGaugeRect& R, std::int32_t PercentDone);
std::optional<TGaugeRect> VerticalBarFill(const TGaugeRect& R, std::int32_t PercentDone);

// The pie's start point on an ellipse W x H; the wedge is drawn anticlockwise
// from it to the top centre (W / 2, 0), so it fills clockwise from 12 o'clock.
TGaugePoint PieStartPoint(std::int32_t W, std::int32_t H, std::int32_t PercentDone);
// The needle's outer end for a control ControlWidth wide whose base line
// lies at Bottom; the needle turns from pointing left (0 %) to right (100 %).
TGaugePoint NeedleEndPoint(std::int32_t ControlWidth, std::int32_t Bottom,
                           std::int32_t PercentDone);

} // namespace kestrava

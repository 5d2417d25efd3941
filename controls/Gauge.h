#pragma once
// TGauge: the pain gauge. Shows Progress within MinValue .. MaxValue as text,
// a horizontal or vertical bar, a pie or a needle, with the percentage drawn
// inverted (exclusive-or) over the picture.
//
// Thread: the user-interface thread only.

#include "controls/ControlColors.h"
#include "controls/GaugeGeometry.h"

#include <QImage>
#include <QWidget>

namespace kestrava {

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum class TGaugeBorderStyle { bsNone, bsSingle };

class TGauge : public QWidget {
public:
  explicit TGauge(QWidget* Parent = nullptr); // 100 x 100 pixels

  TGaugeKind Kind() const { return Kind_; }
  void SetKind(TGaugeKind Value);
  bool ShowText() const { return ShowText_; }
  void SetShowText(bool Value);
  TGaugeBorderStyle BorderStyle() const { return BorderStyle_; }
  void SetBorderStyle(TGaugeBorderStyle Value);
  TColor ForeColor() const { return ForeColor_; }
  void SetForeColor(TColor Value);
  TColor BackColor() const { return BackColor_; }
  void SetBackColor(TColor Value);
  // The control's own colour, round the pie and the needle.
  TColor Color() const { return Color_; }
  void SetColor(TColor Value);

  std::int32_t MinValue() const { return Range_.MinValue(); }
  std::int32_t MaxValue() const { return Range_.MaxValue(); }
  std::int32_t Progress() const { return Range_.Progress(); }
  std::int32_t PercentDone() const { return Range_.PercentDone(); }
  // EInvalidOperation "Value must be between %d and %d" for an inverted range;
  // Progress follows the range.
  void SetMinValue(std::int32_t Value);
  void SetMaxValue(std::int32_t Value);
  // Clamped into the range; repaints only when the percentage changes.
  void SetProgress(std::int32_t Value);

  // The picture as the next paint will show it.
  QImage RenderImage() const;

protected:
  void paintEvent(QPaintEvent* Event) override;

private:
  TGaugeRect DrawingRect() const;
  void DrawKind(QPainter& Canvas, const TGaugeRect& R) const;
  void DrawBars(QPainter& Canvas, const TGaugeRect& R) const;
  void DrawPie(QPainter& Canvas, const TGaugeRect& R) const;
  void DrawNeedle(QPainter& Canvas, const TGaugeRect& R) const;
  void XorText(QImage& Image) const;

  TGaugeKind Kind_ = TGaugeKind::gkHorizontalBar;
  bool ShowText_ = true;
  TGaugeBorderStyle BorderStyle_ = TGaugeBorderStyle::bsSingle;
  TColor ForeColor_ = ColorBlack;
  TColor BackColor_ = ColorWhite;
  TColor Color_ = 0xF0F0F0;
  TGaugeRange Range_;
};

} // namespace kestrava

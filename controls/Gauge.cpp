#include "controls/Gauge.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace kestrava {

namespace {

constexpr int DefaultSize = 100;

QRect ToQRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom) {
  return QRect(QPoint(Left, Top), QPoint(Right - 1, Bottom - 1));
}

QRect ToQRect(const TGaugeRect& R) {
  return ToQRect(R.Left, R.Top, R.Right, R.Bottom);
}

// Qt angle (1/16 degree, anticlockwise from 3 o'clock) of a point seen from
// the centre of Box.
int AngleOf(const QRect& Box, const TGaugePoint& P) {
  const QPointF Centre = QRectF(Box).center();
  const double Degrees =
      std::atan2(-(P.Y - Centre.y()), P.X - Centre.x()) * 180.0 / std::numbers::pi;
  return static_cast<int>(std::lround(Degrees * 16));
}

// A wedge drawn anticlockwise from the radial through Start to the one
// through End; coinciding radials give the whole ellipse.
void DrawWedge(QPainter& Canvas, const QRect& Box, const TGaugePoint& Start,
               const TGaugePoint& End) {
  const int From = AngleOf(Box, Start);
  int Span = AngleOf(Box, End) - From;
  while (Span <= 0)
    Span += 360 * 16;
  Canvas.drawPie(Box, From, Span);
}

void XorInto(QImage& Image, const QImage& Overlay) {
  for (int Y = 0; Y < Image.height(); ++Y) {
    auto* Target = reinterpret_cast<QRgb*>(Image.scanLine(Y));
    const auto* Source = reinterpret_cast<const QRgb*>(Overlay.constScanLine(Y));
    for (int X = 0; X < Image.width(); ++X)
      Target[X] ^= Source[X] & 0x00FFFFFFu;
  }
}

} // namespace

TGauge::TGauge(QWidget* Parent) : QWidget(Parent) {
  resize(DefaultSize, DefaultSize);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::SetKind(TGaugeKind Value) {
  Kind_ = Value;
  update();
}
void TGauge::SetShowText(bool Value) {
  ShowText_ = Value;
  update();
}
void TGauge::SetBorderStyle(TGaugeBorderStyle Value) {
  BorderStyle_ = Value;
  update();
}
void TGauge::SetForeColor(TColor Value) {
  ForeColor_ = Value;
  update();
}
void TGauge::SetBackColor(TColor Value) {
  BackColor_ = Value;
  update();
}
void TGauge::SetColor(TColor Value) {
  Color_ = Value;
  update();
}

void TGauge::SetMinValue(std::int32_t Value) {
  Range_.SetMinValue(Value);
  update();
}

void TGauge::SetMaxValue(std::int32_t Value) {
  Range_.SetMaxValue(Value);
  update();
}

void TGauge::SetProgress(std::int32_t Value) {
  if (Range_.SetProgress(Value))
    update();
}

TGaugeRect TGauge::DrawingRect() const {
  const int Inset = BorderStyle_ == TGaugeBorderStyle::bsSingle ? 1 : 0;
  return {Inset, Inset, width() - Inset, height() - Inset};
}

QImage TGauge::RenderImage() const {
  QImage Image(size(), QImage::Format_RGB32);
  Image.fill(Qt::black);
  const TGaugeRect R = DrawingRect();
  {
    QPainter Canvas(&Image);
    DrawKind(Canvas, R);
  }
  // Only the text is combined by exclusive-or: an overlay with nothing drawn
  // on it is black, and black changes no pixel.
  if (ShowText_)
    XorText(Image);
  return Image;
}

void TGauge::DrawKind(QPainter& Canvas, const TGaugeRect& R) const {
  switch (Kind_) {
  case TGaugeKind::gkText:
    Canvas.fillRect(ToQRect(R), ToQColor(BackColor_));
    break;
  case TGaugeKind::gkHorizontalBar:
  case TGaugeKind::gkVerticalBar:
    DrawBars(Canvas, R);
    break;
  case TGaugeKind::gkPie:
    DrawPie(Canvas, R);
    break;
  case TGaugeKind::gkNeedle:
    DrawNeedle(Canvas, R);
    break;
  }
}

void TGauge::DrawBars(QPainter& Canvas, const TGaugeRect& R) const {
  Canvas.fillRect(ToQRect(R), ToQColor(BackColor_));
  const auto Fill = Kind_ == TGaugeKind::gkHorizontalBar ? HorizontalBarFill(R, PercentDone())
                                                         : VerticalBarFill(R, PercentDone());
  if (Fill)
    Canvas.fillRect(ToQRect(*Fill), ToQColor(ForeColor_));
}

void TGauge::DrawPie(QPainter& Canvas, const TGaugeRect& R) const {
  const int Extra = BorderStyle_ == TGaugeBorderStyle::bsSingle ? 1 : 0;
  const int W = R.Right - R.Left + Extra, H = R.Bottom - R.Top + Extra;
  Canvas.fillRect(ToQRect(R), ToQColor(Color_));
  const QRect Box = ToQRect(R.Left, R.Top, W, H);
  Canvas.setPen(ToQColor(ForeColor_));
  Canvas.setBrush(ToQColor(BackColor_));
  Canvas.drawEllipse(Box);
  if (PercentDone() >= 1) {
    Canvas.setBrush(ToQColor(ForeColor_));
    DrawWedge(Canvas, Box, PieStartPoint(W, H, PercentDone()), {W / 2, 0});
  }
}

void TGauge::DrawNeedle(QPainter& Canvas, const TGaugeRect& R) const {
  const int Extra = BorderStyle_ == TGaugeBorderStyle::bsSingle ? 1 : 0;
  const int W = R.Right - R.Left + Extra, H = R.Bottom - R.Top + Extra;
  const int Bottom = R.Bottom;
  Canvas.fillRect(ToQRect(R), ToQColor(Color_));
  Canvas.setPen(ToQColor(ForeColor_));
  Canvas.setBrush(ToQColor(BackColor_));
  Canvas.drawPie(ToQRect(R.Left, R.Top, W, 2 * H - 1), 0, 180 * 16); // the upper half
  Canvas.drawLine(R.Left, Bottom, R.Left + W, Bottom);
  if (PercentDone() >= 1) {
    const TGaugePoint End = NeedleEndPoint(width(), Bottom, PercentDone());
    Canvas.drawLine(width() / 2, Bottom - 1, End.X, End.Y);
  }
}

void TGauge::XorText(QImage& Image) const {
  QImage Overlay(Image.size(), QImage::Format_RGB32);
  Overlay.fill(Qt::black);
  {
    QPainter Canvas(&Overlay);
    QFont TextFont = font();
    // Exclusive-or of grey edge pixels would give stray colours.
    TextFont.setStyleStrategy(QFont::NoAntialias);
    Canvas.setFont(TextFont);
    Canvas.setPen(Qt::white);
    const QString Text = QString::asprintf("%d%%", PercentDone());
    const QFontMetrics Metrics(TextFont);
    const int X = (width() - Metrics.horizontalAdvance(Text)) / 2;
    const int Y = (height() - Metrics.height()) / 2;
    Canvas.drawText(X, Y + Metrics.ascent(), Text);
  }
  XorInto(Image, Overlay);
}

void TGauge::paintEvent(QPaintEvent* /*Event*/) {
  QPainter Canvas(this);
  Canvas.drawImage(0, 0, RenderImage());
}

} // namespace kestrava

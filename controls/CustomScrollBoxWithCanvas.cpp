#include "controls/CustomScrollBoxWithCanvas.h"

#include <QPainter>
#include <QScrollBar>

namespace kestrava {

TCustomScrollBoxWithCanvas::TCustomScrollBoxWithCanvas(QWidget* Parent)
    : QAbstractScrollArea(Parent) {
  // Paint covers every pixel, so the toolkit need not erase first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  horizontalScrollBar()->setTracking(true);
  verticalScrollBar()->setTracking(true);
}

void TCustomScrollBoxWithCanvas::SetColor(TColor Value) {
  Color_ = Value;
  viewport()->update();
}

QImage TCustomScrollBoxWithCanvas::RenderImage() {
  QImage Image(viewport()->size(), QImage::Format_RGB32);
  Image.fill(Qt::black);
  QPainter Canvas(&Image);
  Paint(Canvas);
  return Image;
}

std::int32_t TCustomScrollBoxWithCanvas::ClientWidth() const {
  return viewport()->width();
}

std::int32_t TCustomScrollBoxWithCanvas::ClientHeight() const {
  return viewport()->height();
}

std::int32_t TCustomScrollBoxWithCanvas::HorzScrollPosition() const {
  return horizontalScrollBar()->value();
}

std::int32_t TCustomScrollBoxWithCanvas::VertScrollPosition() const {
  return verticalScrollBar()->value();
}

void TCustomScrollBoxWithCanvas::Paint(QPainter& /*Canvas*/) {}

void TCustomScrollBoxWithCanvas::paintEvent(QPaintEvent* /*Event*/) {
  QPainter Canvas(viewport());
  Paint(Canvas);
}

void TCustomScrollBoxWithCanvas::resizeEvent(QResizeEvent* Event) {
  QAbstractScrollArea::resizeEvent(Event);
  viewport()->update();
}

void TCustomScrollBoxWithCanvas::scrollContentsBy(int /*DX*/, int /*DY*/) {
  viewport()->update();
}

} // namespace kestrava

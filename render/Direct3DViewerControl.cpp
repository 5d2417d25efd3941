#include "render/Direct3DViewerControl.h"

#include <QPaintEvent>
#include <QPainter>

namespace kestrava {

TDirect3DViewerControl::TDirect3DViewerControl(QWidget* Parent, const TDirectDrawOptions& Options)
    : QWidget(Parent), TDirect3DViewerCore(static_cast<IViewerWindow&>(*this), Options) {
  // The back surface covers the whole widget: Qt has nothing to erase.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TDirect3DViewerControl::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  PaintingWith_ = &Painter;
  // Cleared however the paint ends: an exception from the drawing goes on
  // to the application's exception handler, and the painter must not be
  // used after this event.
  try {
    Paint();
  } catch (...) {
    PaintingWith_ = nullptr;
    throw;
  }
  PaintingWith_ = nullptr;
}

void TDirect3DViewerControl::resizeEvent(QResizeEvent* Event) {
  BoundsChanged();
  update();
  QWidget::resizeEvent(Event);
}

void TDirect3DViewerControl::moveEvent(QMoveEvent* Event) {
  BoundsChanged();
  QWidget::moveEvent(Event);
}

std::int32_t TDirect3DViewerControl::ScreenLeft() const {
  return mapToGlobal(QPoint(0, 0)).x();
}

std::int32_t TDirect3DViewerControl::ScreenTop() const {
  return mapToGlobal(QPoint(0, 0)).y();
}

void TDirect3DViewerControl::FillWithColour() {
  if (PaintingWith_ != nullptr)
    PaintingWith_->fillRect(rect(), palette().window());
}

void TDirect3DViewerControl::Present(const QImage& Source, const TRect& SourceRect,
                                     const TRect& ScreenRect) {
  if (PaintingWith_ == nullptr)
    return; // only a paint event can show anything
  const QPoint Origin = mapFromGlobal(QPoint(ScreenRect.Left, ScreenRect.Top));
  const QRect Target(Origin.x(), Origin.y(), ScreenRect.Right - ScreenRect.Left,
                     ScreenRect.Bottom - ScreenRect.Top);
  const QRect From(SourceRect.Left, SourceRect.Top, SourceRect.Right - SourceRect.Left,
                   SourceRect.Bottom - SourceRect.Top);
  PaintingWith_->drawImage(Target, Source, From);
}

} // namespace kestrava

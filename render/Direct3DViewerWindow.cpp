#include "render/Direct3DViewerWindow.h"

#include "render/ProcessorCache.h"
#include "render/SceneLighting.h"

#include <QPainter>

namespace kestrava {

namespace {

QRect QRectOf(const TRect& R) {
  return {R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top};
}

} // namespace

TOffscreenViewerWindow::TOffscreenViewerWindow(std::int32_t Width, std::int32_t Height,
                                               std::uint32_t Colour)
    : Width_(Width), Height_(Height), Colour_(Colour) {
  SetSize(Width, Height);
}

void TOffscreenViewerWindow::SetSize(std::int32_t Width, std::int32_t Height) {
  Width_ = std::max(Width, 0);
  Height_ = std::max(Height, 0);
  Picture_ = QImage(Width_, Height_, QImage::Format_RGB32);
  Picture_.fill(QColor::fromRgb(0xFF000000u | SwapRedAndBlue(Colour_ & 0xFFFFFFu)));
}

void TOffscreenViewerWindow::FillWithColour() {
  ++Fills_;
  Picture_.fill(QColor::fromRgb(0xFF000000u | SwapRedAndBlue(Colour_ & 0xFFFFFFu)));
}

void TOffscreenViewerWindow::Present(const QImage& Source, const TRect& SourceRect,
                                     const TRect& ScreenRect) {
  ++Presents_;
  if (Picture_.isNull())
    return;
  QPainter Painter(&Picture_);
  // The screen is this window: its client area starts at (0, 0).
  Painter.drawImage(QRectOf(ScreenRect), Source, QRectOf(SourceRect));
}

std::optional<TWindowMemory> TOffscreenViewerWindow::DirectMemory() {
  ++Presents_;
  if (Picture_.isNull())
    return TWindowMemory{};
  TWindowMemory Memory;
  Memory.Pixels = reinterpret_cast<std::uint32_t*>(Picture_.bits());
  Memory.Width = Picture_.width();
  Memory.Height = Picture_.height();
  Memory.Pitch = static_cast<std::size_t>(Picture_.bytesPerLine()) / 4;
  Memory.OutgrowsCache = OutgrowsCache(static_cast<std::size_t>(Picture_.sizeInBytes()));
  return Memory;
}

} // namespace kestrava

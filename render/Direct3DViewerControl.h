#pragma once
// The 3D view as a window: a Qt widget that hosts a viewer core, fires the
// application's drawing from its paint event and shows the back surface.
// Everything else - device, camera, drawing, conversions - is the core's.
//
// The widget is opaque (Qt never paints a background behind it); while it
// has no device it shows its palette's window colour. Moving or resizing it
// drops the device, which the next paint rebuilds at the new size.
//
// Ownership: the widget's parent (or whoever created it) destroys it; the
// viewer interface carries no reference counting. Thread: GUI thread only.

#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"

#include <QWidget>

namespace kestrava {

class TDirect3DViewerControl : public QWidget, private IViewerWindow, public TDirect3DViewerCore {
public:
  explicit TDirect3DViewerControl(QWidget* Parent = nullptr,
                                  const TDirectDrawOptions& Options = {});

protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void moveEvent(QMoveEvent* Event) override;

private:
  std::int32_t Width() const override { return width(); }
  std::int32_t Height() const override { return height(); }
  std::int32_t ScreenLeft() const override;
  std::int32_t ScreenTop() const override;
  void FillWithColour() override;
  void Present(const QImage& Source, const TRect& SourceRect, const TRect& ScreenRect) override;

  // The painter of the paint event in progress: presenting happens inside it.
  QPainter* PaintingWith_ = nullptr;
};

} // namespace kestrava

#pragma once
// A scrollable window that paints itself: subclasses override Paint and draw
// the whole visible area with the painter they are given. Base of the
// information list and the time-line graph.
//
// Thread: the user-interface thread only, like every widget.

#include "controls/ControlColors.h"

#include <QAbstractScrollArea>
#include <QImage>

class QPainter;

namespace kestrava {

class TCustomScrollBoxWithCanvas : public QAbstractScrollArea {
public:
  explicit TCustomScrollBoxWithCanvas(QWidget* Parent = nullptr);

  TColor Color() const { return Color_; }
  void SetColor(TColor Value);

  // The visible area as Paint draws it, on an image of the viewport's size:
  // what a screen grab would show, without needing a screen.
  QImage RenderImage();

  std::int32_t ClientWidth() const;
  std::int32_t ClientHeight() const;
  std::int32_t HorzScrollPosition() const;
  std::int32_t VertScrollPosition() const;

protected:
  // Draws the visible area; the painter is bound to the viewport (or the
  // image of RenderImage) for this call only. Empty here.
  virtual void Paint(QPainter& Canvas);

  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  // Scrolling repaints everything: the picture depends on the positions.
  void scrollContentsBy(int DX, int DY) override;

private:
  TColor Color_ = ColorWhite;
};

} // namespace kestrava

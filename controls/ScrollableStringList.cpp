#include "controls/ScrollableStringList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace kestrava {

TScrollableStringList::TScrollableStringList(QWidget* Parent) : TCustomScrollBoxWithCanvas(Parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

std::int32_t TScrollableStringList::AddLine(const std::string& Text) {
  Lines_.push_back(Text);
  viewport()->update();
  return NumItems() - 1;
}

void TScrollableStringList::Clear() {
  Lines_.clear();
  Selected_ = -1;
  viewport()->update();
}

void TScrollableStringList::ClearTabStops() {
  TabStops_.Clear();
  viewport()->update();
}

void TScrollableStringList::AddTabStop(std::int32_t X) {
  TabStops_.Add(X);
  viewport()->update();
}

void TScrollableStringList::SetSelectionColor(TColor Value) {
  SelectionColor_ = Value;
  viewport()->update();
}

void TScrollableStringList::SetFontColor(TColor Value) {
  FontColor_ = Value;
  viewport()->update();
}

std::int32_t TScrollableStringList::LineHeight() const {
  return std::max(fontMetrics().height(), 1);
}

std::int32_t TScrollableStringList::LineAtY(std::int32_t Y) const {
  const std::int64_t Content = std::int64_t{Y} + VertScrollPosition();
  if (Content < 0)
    return -1;
  const std::int64_t Index = Content / LineHeight();
  return Index < NumItems() ? static_cast<std::int32_t>(Index) : -1;
}

void TScrollableStringList::SetRanges(std::int32_t Horz, std::int32_t Vert) {
  HorzRange_ = Horz;
  VertRange_ = Vert;
  // Changing a range inside a paint schedules at most one more paint: the
  // ranges only change with the content.
  horizontalScrollBar()->setRange(0, std::max(Horz - ClientWidth(), 0));
  verticalScrollBar()->setRange(0, std::max(Vert - ClientHeight(), 0));
  verticalScrollBar()->setSingleStep(LineHeight());
}

void TScrollableStringList::Paint(QPainter& Canvas) {
  Canvas.fillRect(QRect(0, 0, ClientWidth(), ClientHeight()), ToQColor(Color()));
  Canvas.setFont(font());
  const QFontMetrics Metrics(font());
  const std::int32_t Height = LineHeight();
  const auto Width = [&](const std::string& Text) {
    return Metrics.horizontalAdvance(QString::fromStdString(Text));
  };
  std::int32_t Widest = 0;
  for (std::int32_t I = 0; I < NumItems(); ++I) {
    const int Y = I * Height - VertScrollPosition();
    const bool Selected = I == Selected_;
    if (Selected)
      Canvas.fillRect(QRect(0, Y, ClientWidth(), Height), ToQColor(SelectionColor_));
    Canvas.setPen(Selected ? ToQColor(ColorWhite) : ToQColor(FontColor_));
    const TLineLayout Layout = LayOutLine(Lines_[static_cast<std::size_t>(I)], TabStops_, Width);
    for (const TTextSegment& Segment : Layout.Segments)
      Canvas.drawText(Segment.X - HorzScrollPosition(), Y + Metrics.ascent(),
                      QString::fromStdString(Segment.Text));
    Widest = std::max(Widest, Layout.EndX);
  }
  SetRanges(Widest, NumItems() * Height);
}

void TScrollableStringList::mousePressEvent(QMouseEvent* Event) {
  if (SelectableItems_ && Event->button() == Qt::LeftButton) {
    Selected_ = LineAtY(static_cast<std::int32_t>(Event->position().y()));
    viewport()->update();
  }
  TCustomScrollBoxWithCanvas::mousePressEvent(Event);
}

} // namespace kestrava

#include "controls/ECGGraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <algorithm>

namespace kestrava {

namespace {

constexpr int TickLength = 4;
constexpr int LabelGap = 2;
constexpr int CursorTop = 10;

} // namespace

TECGGraph::TECGGraph(QWidget* Parent) : TCustomScrollBoxWithCanvas(Parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  UpdateLayout();
}

void TECGGraph::SetNumPoints(std::int32_t Value) {
  Points_.assign(static_cast<std::size_t>(std::max(Value, 0)), 0.0f);
  Changed();
}

void TECGGraph::AddPoint(double Value) {
  Points_.push_back(static_cast<float>(Value));
  Changed();
}

void TECGGraph::SetPoint(std::int32_t Index, double Value) {
  if (Index < 0 || Index >= NumPoints())
    return;
  Points_[static_cast<std::size_t>(Index)] = static_cast<float>(Value);
  Changed();
}

double TECGGraph::GetPoint(std::int32_t Index) const {
  if (Index < 0 || Index >= NumPoints())
    return 0;
  return Points_[static_cast<std::size_t>(Index)];
}

void TECGGraph::ClearPoints() {
  Points_.clear();
  Changed();
}

std::int32_t TECGGraph::IndexAtX(std::int32_t X) const {
  return kestrava::IndexAtX(Geometry(), X, NumPoints());
}

void TECGGraph::SetPenColor(TColor Value) {
  PenColor_ = Value;
  Changed();
}
void TECGGraph::SetYScale(float Value) {
  YScale_ = Value;
  Changed();
}
void TECGGraph::SetYOffset(std::int32_t Value) {
  YOffset_ = Value;
  Changed();
}
void TECGGraph::SetStartPoint(std::int32_t Value) {
  StartPoint_ = Value;
  Changed();
}
void TECGGraph::SetHorzBorder(std::int32_t Value) {
  HorzBorder_ = Value;
  Changed();
}
void TECGGraph::SetCursorPosition(std::int32_t Value) {
  CursorPosition_ = Value;
  Changed();
}
void TECGGraph::SetCursorColor(TColor Value) {
  CursorColor_ = Value;
  Changed();
}
void TECGGraph::SetFontColor(TColor Value) {
  FontColor_ = Value;
  Changed();
}
void TECGGraph::SetEnableAxisLabelling(bool Value) {
  EnableAxisLabelling_ = Value;
  Changed();
}
void TECGGraph::SetXTickPeriodicity(std::int32_t Value) {
  XTickPeriodicity_ = std::max(Value, 1);
  Changed();
}
void TECGGraph::SetXTickInterval(std::int32_t Value) {
  XTickInterval_ = Value;
  Changed();
}
void TECGGraph::SetFollowLatest(bool Value) {
  FollowLatest_ = Value;
  Changed();
}

TGraphGeometry TECGGraph::Geometry() const {
  TGraphGeometry G;
  G.HorzBorder = HorzBorder_;
  G.StartPoint = StartPoint_;
  G.ScrollPosition = HorzScrollPosition();
  G.UseScrollPosition = !FollowLatest_ && horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  G.ClientHeight = ClientHeight();
  G.YScale = YScale_;
  G.YOffset = YOffset_;
  return G;
}

void TECGGraph::Changed() {
  UpdateLayout();
  viewport()->update();
}

void TECGGraph::UpdateLayout() {
  ScrollRange_ = GraphScrollRange(NumPoints(), XTickPeriodicity_, FollowLatest_);
  horizontalScrollBar()->setRange(0, std::max(ScrollRange_ - ClientWidth(), 0));
  horizontalScrollBar()->setPageStep(std::max(ClientWidth(), 1));
  if (FollowLatest_)
    StartPoint_ = FollowLatestStartPoint(NumPoints(), ClientWidth());
}

void TECGGraph::Paint(QPainter& Canvas) {
  UpdateLayout();
  Canvas.setFont(font());
  Canvas.fillRect(QRect(0, 0, ClientWidth(), ClientHeight()), ToQColor(Color()));
  if (OnUserPreDraw)
    OnUserPreDraw(*this, Canvas);
  Canvas.setPen(QPen(ToQColor(PenColor_), 0));
  if (!Points_.empty()) {
    DrawSeries(Canvas);
    DrawAxis(Canvas);
  }
  if (CursorPosition_ != -1)
    DrawCursor(Canvas);
  if (OnUserDraw)
    OnUserDraw(*this, Canvas);
}

void TECGGraph::DrawSeries(QPainter& Canvas) const {
  const TGraphGeometry G = Geometry();
  const int Height = ClientHeight();
  QPolygon Line(NumPoints());
  for (std::int32_t I = 0; I < NumPoints(); ++I)
    Line[I] = QPoint(G.PointToX(I),
                     std::clamp(G.ValueToY(Points_[static_cast<std::size_t>(I)]), 0, Height));
  Canvas.drawPolyline(Line);
}

void TECGGraph::DrawAxis(QPainter& Canvas) const {
  const TGraphGeometry G = Geometry();
  const std::int32_t Ticks = TickCount(NumPoints(), XTickPeriodicity_);
  const int Y0 = G.ValueToY(0);
  Canvas.drawLine(G.PointToX(0), Y0, G.PointToX(XTickPeriodicity_ * Ticks), Y0);
  if (!EnableAxisLabelling_)
    return;
  const QFontMetrics Metrics(Canvas.font());
  for (std::int32_t K = 0; K <= Ticks; ++K) {
    const std::int32_t P = XTickPeriodicity_ * K;
    Canvas.drawLine(G.PointToX(P), Y0, G.PointToX(P), Y0 + TickLength);
    const QString Label = QString::number(static_cast<qint64>(XTickInterval_) * K);
    const int Left = G.PointToX(P - RoundTiesToEven(Metrics.horizontalAdvance(Label) / 2.0));
    Canvas.save();
    Canvas.setPen(ToQColor(FontColor_));
    Canvas.drawText(Left, Y0 + LabelGap + Metrics.ascent(), Label);
    Canvas.restore();
  }
}

void TECGGraph::DrawCursor(QPainter& Canvas) const {
  const TGraphGeometry G = Geometry();
  Canvas.save();
  Canvas.setPen(QPen(ToQColor(CursorColor_), 0));
  const int X = G.PointToX(CursorPosition_);
  Canvas.drawLine(X, G.ValueToY(0), X, CursorTop);
  Canvas.restore();
}

void TECGGraph::mousePressEvent(QMouseEvent* Event) {
  if (OnMouseDown)
    OnMouseDown(*this, Event->button(), Event->position().toPoint().x(),
                Event->position().toPoint().y());
}

void TECGGraph::mouseMoveEvent(QMouseEvent* Event) {
  if (OnMouseMove)
    OnMouseMove(*this, Event->button(), Event->position().toPoint().x(),
                Event->position().toPoint().y());
}

void TECGGraph::mouseReleaseEvent(QMouseEvent* Event) {
  if (OnMouseUp)
    OnMouseUp(*this, Event->button(), Event->position().toPoint().x(),
              Event->position().toPoint().y());
}

} // namespace kestrava

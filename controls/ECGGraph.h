#pragma once
// TECGGraph: one series of values drawn as a polyline across a horizontally
// scrollable strip, one pixel per sample, with a zero axis, ticks, numeric
// labels and an optional vertical cursor. The time line of patient pain and
// the curvature graph are both one of these; the curvature analysis fills it
// through ICurvatureGraph, whose selection is the cursor.
//
// Samples are kept as 32-bit floats (doubles are narrowed). Thread: the
// user-interface thread only.

#include "controls/CustomScrollBoxWithCanvas.h"
#include "controls/GraphGeometry.h"
#include "imagerdata/CurvatureGraphPoints.h"

#include <functional>
#include <vector>

namespace kestrava {

class TECGGraph;

// Called with the graph and the painter bound to it, before and after the
// graph draws itself; the owner draws its own marks (analysis ranges) here.
using TECGUserDrawEvent = std::function<void(TECGGraph& Sender, QPainter& Canvas)>;
// Mouse events passed through: button and position in client pixels.
using TECGMouseEvent = std::function<void(TECGGraph& Sender, Qt::MouseButton Button, int X, int Y)>;

class TECGGraph : public TCustomScrollBoxWithCanvas, public ICurvatureGraph {
public:
  explicit TECGGraph(QWidget* Parent = nullptr);

  std::int32_t NumPoints() const { return static_cast<std::int32_t>(Points_.size()); }
  // Discards every sample and creates Value zero samples (negative: none).
  void SetNumPoints(std::int32_t Value);
  void AddPoint(double Value);
  // Index outside 0 .. NumPoints - 1 is ignored (reads give 0): a stale index
  // from the caller must not write past the samples.
  void SetPoint(std::int32_t Index, double Value) override;
  double GetPoint(std::int32_t Index) const;
  virtual void ClearPoints();

  // ICurvatureGraph
  void SetPointCount(std::int32_t Count) override { SetNumPoints(Count); }
  std::int32_t PointCount() const override { return NumPoints(); }
  std::int32_t SelectedIndex() const override { return CursorPosition_; }
  void SetSelectedIndex(std::int32_t Index) override { SetCursorPosition(Index); }

  // Coordinate mapping in client pixels; see GraphGeometry.h.
  std::int32_t PointToX(std::int32_t Index) const { return Geometry().PointToX(Index); }
  std::int32_t XToPoint(std::int32_t X) const { return Geometry().XToPoint(X); }
  std::int32_t ValueToY(double Value) const { return Geometry().ValueToY(Value); }
  std::int32_t IndexAtX(std::int32_t X) const;

  TColor PenColor() const { return PenColor_; }
  void SetPenColor(TColor Value);
  float YScale() const { return YScale_; }
  void SetYScale(float Value);
  std::int32_t YOffset() const { return YOffset_; }
  void SetYOffset(std::int32_t Value);
  std::int32_t StartPoint() const { return StartPoint_; }
  void SetStartPoint(std::int32_t Value);
  std::int32_t HorzBorder() const { return HorzBorder_; }
  void SetHorzBorder(std::int32_t Value);
  // -1 hides the cursor; any other value (even negative) draws it there.
  std::int32_t CursorPosition() const { return CursorPosition_; }
  void SetCursorPosition(std::int32_t Value);
  TColor CursorColor() const { return CursorColor_; }
  void SetCursorColor(TColor Value);
  TColor FontColor() const { return FontColor_; }
  void SetFontColor(TColor Value);
  bool EnableAxisLabelling() const { return EnableAxisLabelling_; }
  void SetEnableAxisLabelling(bool Value);
  std::int32_t XTickPeriodicity() const { return XTickPeriodicity_; }
  // Values below 1 are stored as 1: a zero period has no ticks to lay out.
  void SetXTickPeriodicity(std::int32_t Value);
  std::int32_t XTickInterval() const { return XTickInterval_; }
  void SetXTickInterval(std::int32_t Value);
  // Set while recording: the newest sample stays in view, no scrolling.
  bool FollowLatest() const { return FollowLatest_; }
  void SetFollowLatest(bool Value);

  // The horizontal scroll range of the last layout (content width in pixels).
  std::int32_t ScrollRange() const { return ScrollRange_; }
  // Recomputes the scroll range and, when following, StartPoint. Painting
  // does this first; callers that read either before a paint may call it.
  void UpdateLayout();

  TECGUserDrawEvent OnUserPreDraw, OnUserDraw;
  TECGMouseEvent OnMouseDown, OnMouseMove, OnMouseUp;

protected:
  void Paint(QPainter& Canvas) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

private:
  TGraphGeometry Geometry() const;
  void Changed();
  void DrawSeries(QPainter& Canvas) const;
  void DrawAxis(QPainter& Canvas) const;
  void DrawCursor(QPainter& Canvas) const;

  std::vector<float> Points_;
  TColor PenColor_ = ColorBlack;
  TColor CursorColor_ = ColorGreen;
  TColor FontColor_ = ColorBlack;
  float YScale_ = 10.0f;
  std::int32_t YOffset_ = 0;
  std::int32_t StartPoint_ = 0;
  std::int32_t HorzBorder_ = 10;
  std::int32_t CursorPosition_ = -1;
  bool EnableAxisLabelling_ = true;
  std::int32_t XTickPeriodicity_ = 50;
  std::int32_t XTickInterval_ = 1;
  bool FollowLatest_ = false;
  std::int32_t ScrollRange_ = 0;
};

} // namespace kestrava

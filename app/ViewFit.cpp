#include "app/ViewFit.h"

#include "imagerdata/ImagerFrame.h"

#include <algorithm>
#include <limits>

namespace kestrava {

namespace {

// The smallest and largest coordinate of the points along one axis.
struct TSpan {
  double Low = std::numeric_limits<double>::infinity();
  double High = -std::numeric_limits<double>::infinity();
  void Add(double Value) {
    Low = std::min(Low, Value);
    High = std::max(High, Value);
  }
  double Middle() const { return (Low + High) / 2; }
  double HalfWidth() const { return (High - Low) / 2 + FitPointRadius; }
};

TSpan SpanAlong(const std::vector<TVector3>& Points, const TVector3& Axis) {
  TSpan Span;
  for (const TVector3& Point : Points)
    Span.Add(DotProduct(Point, Axis));
  return Span;
}

// The zoom at which a view of Width x Height shows HalfX either side of its
// centre across and HalfY up and down, with the margin (see ViewScalesFor:
// the view shows 1 / scale either side).
double ZoomToShow(double HalfX, double HalfY, std::int32_t Width, std::int32_t Height) {
  const TViewScales Unzoomed = ViewScalesFor(Width, Height, 1.0);
  const double Room = 1 - FitMargin;
  return std::min(Room / (Unzoomed.X * HalfX), Room / (Unzoomed.Y * HalfY));
}

} // namespace

std::vector<TVector3> FramePointsToShow(const TImagerFrame& Frame) {
  std::vector<TVector3> Points;
  const int Slots = std::clamp(Frame.SensorCount, 0, MaxSensors);
  for (int Slot = 0; Slot < Slots; ++Slot)
    if (Frame.SensorValid[Slot])
      Points.push_back(Frame.SensorPosition[Slot]);
  for (int Marker = 0; Marker < MarkerCount; ++Marker)
    if (Frame.MarkerValid[Marker])
      Points.push_back(Frame.MarkerPosition[Marker]);
  if (Frame.HandValid)
    Points.push_back(Frame.HandPosition);
  if (Frame.OvertubeKind == 1 && Frame.OvertubeData1.Valid)
    Points.push_back(SingleToVector3(Frame.OvertubeData1.Position));
  if (Frame.OvertubeKind == 2 && Frame.OvertubeData2.Valid)
    Points.push_back(SingleToVector3(Frame.OvertubeData2.Position));
  return Points;
}

void FitCamera(TViewCamera& Camera, const std::vector<TVector3>& Points, std::int32_t ViewMode,
               std::int32_t Width, std::int32_t Height) {
  if (Points.empty() || Width < 1 || Height < 1)
    return;
  // The front view looks along Direction, the side view along Direction x
  // Up; both have Up upwards, so the three axes cover both views.
  const TPositionOrientation& Look = Camera.Camera();
  const TVector3 Across = CrossProduct(Look.Up, Look.Direction);
  const TSpan Horizontal = SpanAlong(Points, Across);
  const TSpan Vertical = SpanAlong(Points, Look.Up);
  const TSpan Depth = SpanAlong(Points, Look.Direction);
  Camera.CentreOn(AddThreeVectors(ScaleVector(Across, Horizontal.Middle()),
                                  ScaleVector(Look.Up, Vertical.Middle()),
                                  ScaleVector(Look.Direction, Depth.Middle())));

  const TViewPlacement Placement = PlaceViews(ViewMode, {0, 0, Width, Height});
  const TRect& Front = Placement.Front;
  double Zoom = ZoomToShow(Horizontal.HalfWidth(), Vertical.HalfWidth(), Front.Right - Front.Left,
                           Front.Bottom - Front.Top);
  if (ViewMode == ViewModeTwin && !Placement.Side.IsEmpty()) {
    const TRect& Side = Placement.Side;
    // Across the side view lies the front view's depth.
    Zoom = std::min(Zoom, ZoomToShow(Depth.HalfWidth(), Vertical.HalfWidth(),
                                     Side.Right - Side.Left, Side.Bottom - Side.Top));
  }
  Camera.Zoom(Zoom / Camera.ZoomFactor());
}

} // namespace kestrava

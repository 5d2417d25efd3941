#include "app/ViewFit.h"

#include "imagerdata/ImagerFrame.h"
#include "scene/PolygonImagerData.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kestrava {

namespace {

// What a fit of a single point spans at least, so that its zoom stays finite.
constexpr double MinimumSpan = 0.01;

// One view as the fit sees it: the world directions that run right and up
// on its screen, and its size.
struct TViewAxes {
  TVector3 Right;
  TVector3 Up;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// One screen axis of a view: the world direction its pixels count along,
// its length in pixels and the label room needed below and above a
// labelled point along it.
struct TScreenAxis {
  TVector3 Direction;
  std::int32_t Pixels = 0;
  std::int32_t LabelBelow = 0;
  std::int32_t LabelAbove = 0;
};

// Where the points lie along an axis, their radii included.
struct TSpan {
  double Low = std::numeric_limits<double>::infinity();
  double High = -std::numeric_limits<double>::infinity();
};

TSpan SpanAlong(const std::vector<TFitPoint>& Points, const TVector3& Axis) {
  TSpan Span;
  for (const TFitPoint& Point : Points) {
    const double Along = DotProduct(Point.Position, Axis);
    Span.Low = std::min(Span.Low, Along - Point.Radius);
    Span.High = std::max(Span.High, Along + Point.Radius);
  }
  return Span;
}

// The front view looks along Direction; the side view along Direction x Up,
// so that Direction runs to the left on its screen.
std::vector<TViewAxes> ViewsOf(const TPositionOrientation& Look, const TFitViews& Views) {
  std::vector<TViewAxes> Result;
  if (Views.FrontWidth > 0 && Views.FrontHeight > 0)
    Result.push_back(
        {CrossProduct(Look.Direction, Look.Up), Look.Up, Views.FrontWidth, Views.FrontHeight});
  if (Views.Twin && Views.SideWidth > 0 && Views.SideHeight > 0)
    Result.push_back({NegateVector(Look.Direction), Look.Up, Views.SideWidth, Views.SideHeight});
  return Result;
}

// Pixels per metre of a view at zoom 1; the same across and up.
double PixelsPerMetre(const TViewAxes& View) {
  return View.Width / 2.0 * ViewScalesFor(View.Width, View.Height, 1.0).X;
}

std::vector<TScreenAxis> ScreenAxesOf(const TViewAxes& View, const TLabelRoom& Labels) {
  // Labels go right of their marker and down below it.
  return {{View.Right, View.Width, 0, Labels.Right}, {View.Up, View.Height, Labels.Down, 0}};
}

// Where the points, their radii and labels lie along Axis in pixels at Scale
// pixels per metre (the labels do not scale).
TSpan PixelSpanAlong(const TScreenAxis& Axis, const std::vector<TFitPoint>& Points, double Scale) {
  TSpan Span;
  for (const TFitPoint& Point : Points) {
    const double Pixel = Scale * DotProduct(Point.Position, Axis.Direction);
    const double Radius = Scale * Point.Radius;
    Span.Low = std::min(Span.Low, Pixel - Radius - (Point.Labelled ? Axis.LabelBelow : 0));
    Span.High = std::max(Span.High, Pixel + Radius + (Point.Labelled ? Axis.LabelAbove : 0));
  }
  return Span;
}

// The zoom at which the points just fit along Axis, or none when the axis
// cannot hold the margins and the labels. The span grows with the scale, so
// the largest scale that fits is found by halving; without labels the first
// guess fits exactly.
std::optional<double> ZoomAlong(const TScreenAxis& Axis, const std::vector<TFitPoint>& Points,
                                double PixelsPerMetreAtOne) {
  const double Room = Axis.Pixels * (1 - FitMargin);
  const auto Fits = [&](double Scale) {
    const TSpan Span = PixelSpanAlong(Axis, Points, Scale);
    return Span.High - Span.Low <= Room;
  };
  const TSpan Metres = SpanAlong(Points, Axis.Direction);
  double High = Room / std::max(Metres.High - Metres.Low, MinimumSpan);
  if (!Fits(0))
    return std::nullopt;
  if (!Fits(High)) {
    double Low = 0;
    for (int Halving = 0; Halving < 40; ++Halving) {
      const double Middle = (Low + High) / 2;
      (Fits(Middle) ? Low : High) = Middle;
    }
    High = Low;
  }
  if (High <= 0)
    return std::nullopt;
  return High / PixelsPerMetreAtOne;
}

// Where along Axis (metres) the view's centre must lie for the points, their
// radii and labels to sit in the middle at Scale pixels per metre.
double CentreAlong(const TScreenAxis& Axis, const std::vector<TFitPoint>& Points, double Scale) {
  const TSpan Span = PixelSpanAlong(Axis, Points, Scale);
  return (Span.Low + Span.High) / 2 / Scale;
}

bool Finite(const TVector3& V) {
  return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
}

void AddVertices(const TGraphics3DFrame& Frame, std::vector<TFitPoint>& Points) {
  if (!Frame.Visible)
    return;
  for (const auto& Child : Frame.Children())
    AddVertices(*Child, Points);
  const TMatrix4& World = Frame.GetWorldMatrix();
  for (const auto& Mesh : Frame.Meshes()) {
    // As in drawing, an empty mesh ends the frame's list.
    if (Mesh->VertexCount() == 0)
      break;
    for (const TGraphics3DVertex& Vertex : Mesh->Vertices()) {
      const TVector4 At = TransformVector4(World, {Vertex.X, Vertex.Y, Vertex.Z, 1});
      const TVector3 Position{At.X, At.Y, At.Z};
      if (Finite(Position))
        Points.push_back({Position, 0, false});
    }
  }
}

} // namespace

std::vector<TFitPoint> ModelPointsToShow(const TPolygonImagerData& Model,
                                         const TImagerFrame& Frame) {
  std::vector<TFitPoint> Points;
  AddVertices(Model.RootFrame(), Points);
  for (std::int32_t Marker = 0; Marker < MarkerCount; ++Marker) {
    const TVector3& Centre = Frame.MarkerPosition[static_cast<std::size_t>(Marker)];
    if (Model.MarkerFrame(Marker).Visible && Frame.MarkerValid[static_cast<std::size_t>(Marker)] &&
        Finite(Centre))
      Points.push_back({Centre, 0, true});
  }
  return Points;
}

TFitViews FitViewsOfPicture(std::int32_t ViewMode, std::int32_t Width, std::int32_t Height) {
  const TViewPlacement Placement = PlaceViews(ViewMode, {0, 0, Width, Height});
  const TRect& Front = Placement.Front;
  const TRect& Side = Placement.Side;
  return {Front.Right - Front.Left, Front.Bottom - Front.Top, ViewMode == ViewModeTwin,
          Side.Right - Side.Left, Side.Bottom - Side.Top};
}

void FitCamera(TViewCamera& Camera, const std::vector<TFitPoint>& Points, const TFitViews& Views,
               const TLabelRoom& Labels) {
  const TPositionOrientation Look = Camera.Camera();
  const std::vector<TViewAxes> Axes = ViewsOf(Look, Views);
  if (Points.empty() || Axes.empty())
    return;
  std::optional<double> Zoom;
  for (const TViewAxes& View : Axes)
    for (const TScreenAxis& Axis : ScreenAxesOf(View, Labels)) {
      const std::optional<double> Along = ZoomAlong(Axis, Points, PixelsPerMetre(View));
      if (!Along)
        return;
      Zoom = Zoom ? std::min(*Zoom, *Along) : *Along;
    }

  // Across the front view, up both, and along the depth either across the
  // side view or (a single view) through the middle of the points.
  const TViewAxes& Front = Axes.front();
  const std::vector<TScreenAxis> FrontAxes = ScreenAxesOf(Front, Labels);
  const double FrontScale = PixelsPerMetre(Front) * *Zoom;
  const double Across = CentreAlong(FrontAxes[0], Points, FrontScale);
  const double Up = CentreAlong(FrontAxes[1], Points, FrontScale);
  const TSpan Through = SpanAlong(Points, Look.Direction);
  double Depth = (Through.Low + Through.High) / 2;
  if (Axes.size() > 1) {
    const TViewAxes& Side = Axes.back();
    Depth = -CentreAlong(ScreenAxesOf(Side, Labels)[0], Points, PixelsPerMetre(Side) * *Zoom);
  }
  Camera.CentreOn(AddThreeVectors(ScaleVector(Front.Right, Across), ScaleVector(Look.Up, Up),
                                  ScaleVector(Look.Direction, Depth)));
  Camera.SetZoom(*Zoom);
}

bool PointsLeaveViews(const TViewCamera& Camera, const std::vector<TFitPoint>& Points,
                      const TFitViews& Views) {
  const TPositionOrientation& Look = Camera.Camera();
  for (const TViewAxes& View : ViewsOf(Look, Views)) {
    const double Scale = PixelsPerMetre(View) * Camera.ZoomFactor();
    for (const TFitPoint& Point : Points) {
      const TVector3 Offset = SubtractVectors(Point.Position, Look.Position);
      const double X = Scale * DotProduct(Offset, View.Right);
      const double Y = Scale * DotProduct(Offset, View.Up);
      const double Radius = Scale * Point.Radius;
      if (std::abs(X) + Radius > View.Width / 2.0 || std::abs(Y) + Radius > View.Height / 2.0)
        return true;
    }
  }
  return false;
}

} // namespace kestrava

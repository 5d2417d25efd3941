#include "app/ViewCamera.h"

#include "imagerdata/ImagerFrame.h"
#include "scene/Graphics3DViewer.h"

#include <algorithm>
#include <numbers>

namespace kestrava {

TPositionOrientation TViewCamera::StartCamera() {
  return MakePositionOrientation({0.4, 0, 0}, {-1, 0, 0}, {0, 1, 0});
}

void TViewCamera::ResetCamera() {
  Camera_ = StartCamera();
  Zoom_ = StartZoom;
  AlignedTo_.reset();
}

void TViewCamera::Zoom(double Factor) {
  Zoom_ *= Factor;
}

void TViewCamera::PanSideways(double Distance) {
  const TVector3 Side = CrossProduct(Camera_.Direction, Camera_.Up);
  Camera_.Position = SubtractVectors(Camera_.Position, ScaleVector(Side, Distance));
}

void TViewCamera::PanUp(double Distance) {
  Camera_.Position = SubtractVectors(Camera_.Position, ScaleVector(Camera_.Up, Distance));
}

void TViewCamera::PanForward(double Distance) {
  Camera_.Position = SubtractVectors(Camera_.Position, ScaleVector(Camera_.Direction, Distance));
}

// The turns renormalise every vector they produce so that repeated key
// presses do not let rounding shrink or stretch the axes.
void TViewCamera::Pitch(double Angle) {
  const TVector3 Axis = CrossProduct(Camera_.Up, Camera_.Direction);
  Camera_.Direction = NormalizeVector(RotateAboutAxis(Camera_.Direction, Axis, Angle));
  Camera_.Up = NormalizeVector(RotateAboutAxis(Camera_.Up, Axis, Angle));
}

void TViewCamera::Yaw(double Angle) {
  Camera_.Direction = NormalizeVector(RotateAboutAxis(Camera_.Direction, Camera_.Up, -Angle));
}

void TViewCamera::Roll(double Angle) {
  Camera_.Up = NormalizeVector(RotateAboutAxis(Camera_.Up, Camera_.Direction, Angle));
}

std::optional<TViewCamera::TAlignment>
TViewCamera::AlignmentOf(const TImagerFrame& Frame, std::int32_t ProcedureType, bool Lateral) {
  TAlignment Alignment;
  if (!Frame.GetPatientAxes(ProcedureType, Alignment.Centre, Alignment.Normal, Alignment.Axis))
    return std::nullopt;
  Alignment.Lateral = Lateral;
  return Alignment;
}

void TViewCamera::Align(const TAlignment& Alignment) {
  Camera_.Position = Alignment.Centre;
  Camera_.Direction = NegateVector(Alignment.Normal);
  Camera_.Up = Alignment.Axis;
  if (Alignment.Lateral)
    Yaw(std::numbers::pi / 2);
  AlignedTo_ = Alignment;
}

bool TViewCamera::AlignToPatient(const TImagerFrame& Frame, std::int32_t ProcedureType,
                                 bool Lateral) {
  const std::optional<TAlignment> Alignment = AlignmentOf(Frame, ProcedureType, Lateral);
  if (Alignment)
    Align(*Alignment);
  return Alignment.has_value();
}

bool TViewCamera::FollowPatient(const TImagerFrame& Frame, std::int32_t ProcedureType,
                                bool Lateral) {
  const std::optional<TAlignment> Alignment = AlignmentOf(Frame, ProcedureType, Lateral);
  if (!Alignment || Alignment == AlignedTo_)
    return false;
  Align(*Alignment);
  return true;
}

TViewScales ViewScalesFor(std::int32_t Width, std::int32_t Height, double Zoom) {
  TViewScales Scales;
  // A view with no pixels at all would get 0 / 0; it draws nothing, so it
  // keeps the square scales instead of carrying NaN into later conversions.
  if (Width > 0 || Height > 0) {
    if (Width < Height)
      Scales.Y = static_cast<double>(Width) / Height;
    else
      Scales.X = static_cast<double>(Height) / Width;
  }
  Scales.X *= 4.0 * Zoom;
  Scales.Y *= 4.0 * Zoom;
  return Scales;
}

namespace {

void PointView(IGraphics3DViewer& View, const TViewCamera& Camera, const TVector3& Direction,
               std::int32_t Width, std::int32_t Height) {
  const TPositionOrientation& Look = Camera.Camera();
  View.SetCamera(
      MakePositionOrientation(SubtractVectors(Look.Position, Direction), Direction, Look.Up));
  const TViewScales Scales = ViewScalesFor(Width, Height, Camera.ZoomFactor());
  View.SetScaleX(Scales.X);
  View.SetScaleY(Scales.Y);
}

} // namespace

void PointFrontView(IGraphics3DViewer& View, const TViewCamera& Camera, std::int32_t Width,
                    std::int32_t Height) {
  PointView(View, Camera, Camera.Camera().Direction, Width, Height);
}

void PointSideView(IGraphics3DViewer& View, const TViewCamera& Camera, std::int32_t Width,
                   std::int32_t Height) {
  const TPositionOrientation& Look = Camera.Camera();
  PointView(View, Camera, CrossProduct(Look.Direction, Look.Up), Width, Height);
}

TViewPlacement PlaceViews(std::int32_t ViewMode, const TRect& Area) {
  const std::int32_t Width = Area.Right - Area.Left;
  const std::int32_t Height = Area.Bottom - Area.Top;
  TViewPlacement Placement;
  if (ViewMode != ViewModeTwin) {
    Placement.Front = RectOf(Area.Left, Area.Top, Width, Height);
    return Placement;
  }
  const std::int32_t Half = (Width - 4) / 2; // C++ division truncates toward zero
  Placement.Front = RectOf(Area.Left, Area.Top, Half, Height);
  Placement.Side = RectOf(Area.Left + Width - Half, Area.Top, Half, Height);
  return Placement;
}

} // namespace kestrava

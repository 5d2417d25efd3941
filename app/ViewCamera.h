#pragma once
// The camera of the main window's views and the arithmetic that points each
// view at the endoscope before it is drawn.
//
// The camera's Position is the point looked at; each view puts its eye one
// unit behind that point along its own viewing direction. Lengths in metres,
// angles in radians, view sizes in pixels. Thread: user-interface thread.

#include "foundation/Rectangle.h"
#include "geometry/Matrices.h"

#include <cstdint>
#include <optional>

namespace kestrava {

class IGraphics3DViewer;
class TImagerFrame;

enum TViewMode : std::int32_t {
  ViewModeAP = 0,
  ViewModeLateral = 1,
  ViewModeTwin = 2,
};

class TViewCamera {
public:
  // Looking from +X towards the origin with +Y up, unzoomed.
  static TPositionOrientation StartCamera();
  static constexpr double StartZoom = 1.0;

  const TPositionOrientation& Camera() const { return Camera_; }
  double ZoomFactor() const { return Zoom_; }

  // Also forgets the patient axes last aligned to (see FollowPatient).
  void ResetCamera();
  void Zoom(double Factor);
  void SetZoom(double Zoom) { Zoom_ = Zoom; }
  // Makes Point the point looked at, keeping the viewing direction.
  void CentreOn(const TVector3& Point) { Camera_.Position = Point; }
  // The pans move the point looked at against the given axis: a positive
  // distance moves the picture's content along the axis on the screen.
  void PanSideways(double Distance);
  void PanUp(double Distance);
  void PanForward(double Distance);
  void Pitch(double Angle);
  void Yaw(double Angle);
  void Roll(double Angle);

  // Looks at the patient's centre along the negated patient normal with the
  // patient axis up; the lateral view then turns a quarter to the side.
  // False, camera unchanged, when the frame cannot give the patient axes.
  bool AlignToPatient(const TImagerFrame& Frame, std::int32_t ProcedureType, bool Lateral);
  // AlignToPatient only when the frame's patient axes differ from those the
  // camera was last aligned to (a marker placed or moved), or after
  // ResetCamera: the operator's own turns, pans and zoom stay in between.
  // True when it aligned.
  bool FollowPatient(const TImagerFrame& Frame, std::int32_t ProcedureType, bool Lateral);

private:
  struct TAlignment {
    TVector3 Centre, Normal, Axis;
    bool Lateral = false;
    friend bool operator==(const TAlignment&, const TAlignment&) = default;
  };
  static std::optional<TAlignment> AlignmentOf(const TImagerFrame& Frame,
                                               std::int32_t ProcedureType, bool Lateral);
  void Align(const TAlignment& Alignment);

  TPositionOrientation Camera_ = StartCamera();
  double Zoom_ = StartZoom;
  std::optional<TAlignment> AlignedTo_;
};

// The visible-extent scales of a view of Width x Height pixels: the shorter
// side spans the unit, the longer one more, times 4 x Zoom.
struct TViewScales {
  double X = 1.0;
  double Y = 1.0;
};
TViewScales ViewScalesFor(std::int32_t Width, std::int32_t Height, double Zoom);

// Points the front view along the camera's direction and the twin side view
// along Direction x Up, each with its eye one unit behind the camera's
// Position, and sets their scales from their sizes.
void PointFrontView(IGraphics3DViewer& View, const TViewCamera& Camera, std::int32_t Width,
                    std::int32_t Height);
void PointSideView(IGraphics3DViewer& View, const TViewCamera& Camera, std::int32_t Width,
                   std::int32_t Height);

// Where the views go in the area left for them (Left, Top, Width, Height of
// Area): a single view fills it and the side view gets an empty rectangle;
// twin views get (Width - 4) / 2 pixels each, the side view flush right.
// Rectangles are Left/Top/Right/Bottom; negative extents become empty.
struct TViewPlacement {
  TRect Front;
  TRect Side;
};
TViewPlacement PlaceViews(std::int32_t ViewMode, const TRect& Area);

} // namespace kestrava

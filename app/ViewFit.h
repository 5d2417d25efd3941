#pragma once
// Fitting the views to what they show: the camera that puts the whole of a
// frame as drawn (endoscope, body markers and their labels, hand, overtube)
// inside every view, filling it with a small margin, instead of the fixed
// camera that crops a scope lying away from the patient's centre. The
// window's "Fit endoscope" and its auto fit, and kestrava-tool render --fit,
// share this arithmetic.
//
// A view maps its camera's view axes to pixels as the viewer does (parallel
// projection, see ViewScalesFor): the same number of pixels per metre
// across and up, the point looked at in the view's centre. Lengths in
// metres, sizes in pixels. Thread: any (plain functions).

#include "app/ViewCamera.h"
#include "geometry/Vectors.h"

#include <cstdint>
#include <vector>

namespace kestrava {

class TImagerFrame;
class TPolygonImagerData;

// Room left between what is fitted and each edge, as a fraction of the
// view's half-size.
inline constexpr double FitMargin = 0.08;

// A point the views must show, with Radius around it; a labelled one (a
// body marker) also keeps its label, which is drawn to the right of it and
// below it, inside.
struct TFitPoint {
  TVector3 Position;
  double Radius = 0;
  bool Labelled = false;
};

// What the views draw of Frame as Model was built from it (its View options
// and the cut-off plane applied): every vertex of its visible meshes, and the
// centre of each visible body marker, labelled.
std::vector<TFitPoint> ModelPointsToShow(const TPolygonImagerData& Model,
                                         const TImagerFrame& Frame);

// The pixels a marker's label covers beside the marker: Right of it and Down
// below it, the label's offset included.
struct TLabelRoom {
  std::int32_t Right = 0;
  std::int32_t Down = 0;
};

// The sizes of the views the camera is fitted to: the front view and, in
// twin view, the side view (which looks along Direction x Up).
struct TFitViews {
  std::int32_t FrontWidth = 0;
  std::int32_t FrontHeight = 0;
  bool Twin = false;
  std::int32_t SideWidth = 0;
  std::int32_t SideHeight = 0;
};

// The views of a picture Width x Height in ViewMode, placed as PlaceViews
// places them.
TFitViews FitViewsOfPicture(std::int32_t ViewMode, std::int32_t Width, std::int32_t Height);

// Keeps Camera's direction and up, centres it on Points and sets its zoom so
// that every point (its radius around it, and a labelled point's label) lies
// inside each view, FitMargin from its edges. No points, or views too small
// to hold the margins and labels, leave the camera as it is.
void FitCamera(TViewCamera& Camera, const std::vector<TFitPoint>& Points, const TFitViews& Views,
               const TLabelRoom& Labels);

// Whether any point (its radius around it; labels aside) reaches beyond an
// edge of a view of Views with Camera as it is.
bool PointsLeaveViews(const TViewCamera& Camera, const std::vector<TFitPoint>& Points,
                      const TFitViews& Views);

} // namespace kestrava

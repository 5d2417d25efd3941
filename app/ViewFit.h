#pragma once
// render --fit and the report's pictures: the camera that shows the whole of
// a frame (endoscope, body markers, hand and overtube) filling the picture
// with a small margin, instead of the workstation's fixed design camera that
// can crop a scope lying away from the patient's centre.

#include "app/ViewCamera.h"
#include "geometry/Vectors.h"

#include <cstdint>
#include <vector>

namespace kestrava {

class TImagerFrame;

// Room left around the fitted points, as a fraction of the view's half-size.
inline constexpr double FitMargin = 0.08;
// Added around every point for what is drawn about it (the tube's radius,
// the marker and hand glyphs), in metres.
inline constexpr double FitPointRadius = 0.015;

// The positions of Frame's valid sensors, markers, hand and overtube.
std::vector<TVector3> FramePointsToShow(const TImagerFrame& Frame);

// Keeps Camera's direction, centres it on Points and sets its zoom so that
// every point (with FitPointRadius around it) lies inside each view that
// ViewMode draws in a picture of Width x Height pixels, FitMargin from its
// edges. No points leave the camera as it is.
void FitCamera(TViewCamera& Camera, const std::vector<TVector3>& Points, std::int32_t ViewMode,
               std::int32_t Width, std::int32_t Height);

} // namespace kestrava

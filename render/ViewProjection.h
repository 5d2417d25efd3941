#pragma once
// The viewer's camera, projection and viewport arithmetic, and the
// conversions between a point of a frame and window pixels.
//
// Matrices here follow the program's convention (row-major, multiplying
// column vectors, translation in column 3); the device takes each one
// transposed and in single precision (DeviceMatrix). Pixels count from the
// control's top-left corner, y downwards. Pure functions: any thread.

#include "geometry/Matrices.h"
#include "render/DeviceTypes.h"

#include <cstdint>

namespace kestrava {

// What the arithmetic needs to know of a viewer.
struct TViewSettings {
  TPositionOrientation Camera{{0, 0, 0}, {0, 0, -1}, {0, 1, 0}};
  std::int32_t ProjectionType = 0; // 0 perspective, 1 parallel, others: identity
  double ScaleX = 1.0;
  double ScaleY = 1.0;
  double NearClip = 0.001;
  double FarClip = 10.0;
  double FieldOfView = 1.396; // radians, full opening angle
  std::int32_t Width = 0;     // control size in pixels
  std::int32_t Height = 0;
};

// World to view: x along Direction x Up (right), y along Up, z along
// Direction (depth). Direction and Up are used as given (unit, perpendicular).
TMatrix4 ViewMatrix(const TPositionOrientation& Camera);

// View to clip space for the projection type: perspective divides x and y by
// tan(FieldOfView / 2) * depth and maps NearClip..FarClip to 0..1; parallel
// keeps x and y and maps the depth linearly; any other type is the identity.
TMatrix4 ProjectionMatrix(const TViewSettings& View);

// The device's form of a matrix: transposed (row vectors, translation in
// the fourth row), single precision.
TDeviceMatrix DeviceMatrix(const TMatrix4& M);

// Projected x, y (after the homogeneous divide) to pixels:
// x = Width/2 (1 + ScaleX x), y = Height/2 (1 - ScaleY y).
double ViewportX(const TViewSettings& View, double ProjectedX);
double ViewportY(const TViewSettings& View, double ProjectedY);

// The viewport's clipping volume: x within +-1/ScaleX, y within +-1/ScaleY.
struct TViewportClip {
  double X, Y, Width, Height;
};
TViewportClip ViewportClip(const TViewSettings& View);

// A point of a frame (world matrix FrameWorld) all the way to pixels and
// 0..1 depth with the view and projection of View, without clipping. A point
// at depth 0 under a perspective projection has no picture position: its x
// and y come out infinite or NaN, as the device's own transform gives them.
TVector3 ProjectPoint(const TViewSettings& View, const TMatrix4& FrameWorld, const TVector3& Point);

// Parallel projection only (the callers check): a point of the frame to
// pixels with z = depth along the camera Direction in world units, and back.
TVector3 FrameToScreenPoint(const TViewSettings& View, const TMatrix4& FrameWorld,
                            const TVector3& Point);
// FrameWorld must be a rotation and a translation. A control with no width
// (height) maps every x (y) to the centre line.
TVector3 ScreenToFramePoint(const TViewSettings& View, const TMatrix4& FrameWorld,
                            const TVector3& Screen);

} // namespace kestrava

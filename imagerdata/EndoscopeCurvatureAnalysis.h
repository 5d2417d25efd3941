#pragma once
// The curvature profile of one frame along the endoscope.
//
// Each segment between neighbouring sensor slots is modelled as the Hermite
// cubic through its two sensors and sampled at t = k / 49; every sample is one
// graph point (curvature in 1/m) and one info saying where it lies. Adjacent
// segments share their joining sample, so segment i contributes 50 points
// when it starts the profile or follows a gap of the other kind, else 49
// (48 for an unmeasured segment after a measured one). The graph is sized
// (n - 1) * 50 + 1 for n slots; the last n - 1 points stay 0 and have no info.
//
// Plain logic on the user-interface thread; nothing is kept between calls.

#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureInfo.h"

#include <cstdint>

namespace kestrava {

class TImagerFrame;

// Samples per segment including both ends; the parameter step is 1 / 49.
inline constexpr std::int32_t CurvatureSamplesPerSegment = 50;

// The graph's point count for a frame with SensorCount slots: 0 without
// slots, else (SensorCount - 1) * 50 + 1. Counts beyond the frame's capacity
// are taken as MaxSensors, since no slot beyond it holds data.
std::int32_t CurvatureGraphPointCount(std::int32_t SensorCount);

// Fills Graph and Infos from Frame (null: no procedure loaded). Without a
// frame or slots the graph gets 0 points and the list is emptied, so no info
// of an earlier frame outlives it. A selection at or beyond the new point
// count is cleared to -1.
void AnalyseEndoscopeCurvature(const TImagerFrame* Frame, ICurvatureGraph& Graph,
                               TEndoscopeCurvatureInfos& Infos);

// Curvature |D1 x D2| / |D1|^3 from the first and second derivative of a
// curve; 0 where the first derivative vanishes.
double CurvatureOf(const TVector3& D1, const TVector3& D2);

} // namespace kestrava

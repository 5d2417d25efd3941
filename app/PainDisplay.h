#pragma once
// How patient pain is put on the screen: the time line's points and vertical
// scale, and the gauge's reading. Thread: any.

#include <cstdint>
#include <vector>

namespace kestrava {

class TImagerProcedure;

// The time line of a procedure: one point per frame (its pain), the largest
// pain and the scale that makes it 40 pixels tall (0 when it is 0).
struct TTimeLinePoints {
  std::vector<double> Points;
  double MaxPain = 0;
  double YScale = 0;
};
TTimeLinePoints TimeLinePointsOf(const TImagerProcedure& Procedure);

// The gauge's progress in percent before the gauge clamps it: the pain as a
// share of Divisor (the reference pain in replay, the largest pain so far
// while recording), rounded to nearest with ties to even; 0 when Divisor is
// 0 (or in any other mode, where the caller passes 0).
std::int32_t GaugeProgress(double Pain, double Divisor);

} // namespace kestrava

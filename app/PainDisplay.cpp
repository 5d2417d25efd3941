#include "app/PainDisplay.h"

#include "app/ProcedureRecorder.h"
#include "imagerdata/ImagerFrame.h"
#include "imagerdata/ImagerProcedure.h"

#include <cmath>
#include <limits>

namespace kestrava {

TTimeLinePoints TimeLinePointsOf(const TImagerProcedure& Procedure) {
  TTimeLinePoints Line;
  const std::int32_t Count = Procedure.FrameCount();
  Line.Points.reserve(static_cast<std::size_t>(Count));
  for (std::int32_t I = 0; I < Count; ++I) {
    // A corrupt reading is drawn as none rather than scaling the line away.
    const double Stored = Procedure.GetFrame(I).Pain;
    const double Pain = std::isfinite(Stored) ? Stored : 0;
    if (Pain > Line.MaxPain)
      Line.MaxPain = Pain;
    Line.Points.push_back(Pain);
  }
  Line.YScale = TimeLineScaleForPain(Line.MaxPain);
  return Line;
}

std::int32_t GaugeProgress(double Pain, double Divisor) {
  if (Divisor == 0)
    return 0;
  const double Percent = std::nearbyint(100.0 * (1.0 / Divisor) * Pain);
  // A corrupt reading must not overflow the conversion; the gauge clamps to
  // its range anyway.
  constexpr double Limit = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(Percent))
    return 0;
  if (Percent >= Limit)
    return std::numeric_limits<std::int32_t>::max();
  if (Percent <= -Limit)
    return -std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(Percent);
}

} // namespace kestrava

#pragma once
// The report's plot of the procedure over time, as geometry in page points:
// the patient's pain (left axis, the recording's units) and the tip's depth
// from the anal verge (right axis, cm) as lines, the loop episodes as bands
// across the plot, the phases as a strip under it and the lesions as ticks
// along its top. The PDF layer draws what this says.
//
// A line keeps at most two points per half point of width (each column's
// lowest and highest, in the order they came), so that a three-hour
// recording draws as fast and looks the same as a short one; it is broken
// wherever a frame has no value. Axes run from 0 to a round number at or
// above the largest value, with ticks at round steps. Times are seconds
// from the first frame. Thread: any (plain values).

#include "app/ReportLayout.h"
#include "timeline/ColonSegment.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

class TImagerProcedure;
struct TProcedureFigures;

// The plot's own colours, 0x00BBGGRR. The phases and lesion ticks take the
// window's time line colours (TimelineBand.h), and the loops its warning
// orange, lightened to lie behind the lines.
inline constexpr std::uint32_t PainLineColour = 0x1E1EC8;  // red
inline constexpr std::uint32_t DepthLineColour = 0xC8501E; // blue
inline constexpr std::uint32_t LoopBandColour = 0x99CCFF;  // light orange

struct TPlotSpan {
  double From = 0;
  double To = 0;
};

struct TPhaseSpan {
  double From = 0;
  double To = 0;
  TProcedurePhase Phase = TProcedurePhase::Outside;
};

// What is plotted, per frame and per event.
struct TPlotData {
  std::vector<double> Seconds;              // each frame's time
  std::vector<std::optional<double>> Pain;  // none: no reading (or no pain data)
  std::vector<std::optional<double>> Depth; // metres; none: the tip not inside
  std::vector<TPlotSpan> Loops;             // seconds
  std::vector<TPhaseSpan> Phases;           // seconds, in order
  std::vector<double> Lesions;              // seconds, in the tags' order
  std::string PainUnits;
  bool HasPain = false;
};
TPlotData PlotDataOf(const TImagerProcedure& Procedure, const TProcedureFigures& Figures);

struct TPlotPoint {
  double X = 0;
  double Y = 0;
  friend bool operator==(const TPlotPoint&, const TPlotPoint&) = default;
};
using TPlotLine = std::vector<TPlotPoint>;

struct TPlotTick {
  double At = 0; // X for the time axis, Y for the value axes
  std::string Label;
};

struct TPlotGeometry {
  TPageBox Area;
  std::vector<TPlotLine> Pain;
  std::vector<TPlotLine> Depth;
  std::vector<TPlotSpan> Loops;   // X ranges
  std::vector<TPhaseSpan> Phases; // X ranges
  std::vector<double> Lesions;    // X, in the tags' order (numbered from 1)
  std::vector<TPlotTick> TimeTicks, PainTicks, DepthTicks;
  std::string TimeTitle, PainTitle, DepthTitle; // "min", "Pain (mmHg)", "Tip depth (cm)"
};

TPlotGeometry PlanPlot(const TPlotData& Data, const TPageBox& Area);

// The round step (1, 2 or 5 times a power of ten) that cuts 0 .. Top into
// at most MaxSteps steps; 1 for a Top that is not above 0 or not finite.
double RoundStep(double Top, std::int32_t MaxSteps);

} // namespace kestrava

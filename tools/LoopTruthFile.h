#pragma once
// The ground-truth file of a simulated recording: per stored frame, the loop
// the simulator had formed and where the tip was. CSV with the header line
//   frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m,
//   segment,depth_m,caecum_arrival_s
// (one line) then one row per frame in order, frames numbered from 1, class
// one of the loop class texts (see looping/LoopClass.h), the extent
// (endoscope metres from the tip) empty when there is no loop; segment one
// of the colon segment texts (see timeline/ColonSegment.h) but never
// "unknown", depth the colon metres from the anus to the tip (empty outside),
// caecum_arrival_s the time the tip first reached the caecum once it has
// (empty before, and throughout when it never does). Files of the first
// five columns alone, as earlier simulators wrote them, are read too.

#include "looping/LoopClass.h"
#include "timeline/ColonSegment.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

class TImagerProcedure;

struct TLoopTruthRow {
  std::int32_t Frame = 0;
  double TimeSeconds = 0;
  TLoopClass Class = TLoopClass::None;
  bool HasExtent = false;
  double ExtentNear = 0, ExtentFar = 0;
  // None in files of five columns.
  std::optional<TColonSegment> Segment;
  std::optional<double> Depth;
  std::optional<double> CaecumArrival;
};

// Writes the simulator's truth for every frame of the recording at
// RecordingPath, made with the simulator settings file DspPath, to
// TruthPath. Raises Exception naming the file that cannot be read or written.
void WriteSimulatorTruth(const std::string& RecordingPath, const std::string& DspPath,
                         const std::string& TruthPath);

// Reads a truth file. Raises Exception("FILE line N: why") for anything
// that is not such a file; at most MaxTruthRows rows are accepted.
inline constexpr std::size_t MaxTruthRows = 10'000'000;
std::vector<TLoopTruthRow> ReadLoopTruth(const std::string& Path);

} // namespace kestrava

#pragma once
// What the main window's time line draws over its pain curve, in the order
// drawn: the loop episodes as a band along its top, the analysis and
// reference markers from the zero line up, a short tick below the zero line
// under every frame with an endoscope, and for a colonoscopy the phases as
// a band along its foot and a tick at every lesion tag.
// Colours are 0x00BBGGRR; coordinates are the graph's pixels.
//
// Thread: any.

#include "imagerdata/ImagerProcedure.h"
#include "looping/LoopTracker.h"
#include "timeline/TimelineTracker.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kestrava {

inline constexpr std::uint32_t AnalysisMarkerColour = 0x40FF40;  // RGB (64, 255, 64)
inline constexpr std::uint32_t ReferenceMarkerColour = 0xFFFF00; // RGB (0, 255, 255)

struct TTimeLineShape {
  enum TKind : std::uint8_t { Line, Box };
  TKind Kind = Line;
  // A line from (X1, Y1) to (X2, Y2), both drawn; a box from its top-left
  // corner (X1, Y1) to (X2, Y2) just outside it.
  std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::uint32_t Colour = 0;
  friend bool operator==(const TTimeLineShape&, const TTimeLineShape&) = default;
};

struct TTimeLineGeometry {
  // The x of a frame index (from 0).
  std::function<std::int32_t(std::int32_t)> XOfIndex;
  std::int32_t ZeroY = 0;
  std::int32_t Height = 0;
};

// LoopEpisodes: null while loops are not shown.
std::vector<TTimeLineShape> TimeLineOverlay(const TImagerProcedure& Procedure,
                                            const TTimelineTracker& Timeline,
                                            const std::vector<TLoopEpisode>* LoopEpisodes,
                                            const TTimeLineGeometry& Geometry);

} // namespace kestrava

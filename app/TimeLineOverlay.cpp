#include "app/TimeLineOverlay.h"

#include "app/TimelineBand.h"
#include "looping/LoopHighlight.h"

#include <algorithm>

namespace kestrava {

namespace {

constexpr std::int32_t LoopBandTop = 2;
constexpr std::int32_t LoopBandHeight = 5;
constexpr std::int32_t MarkerTop = 10;
// The endoscope ticks, below the zero line.
constexpr std::int32_t ModelTickTop = 15;
constexpr std::int32_t ModelTickBottom = 23;
constexpr std::uint32_t ModelTickColour = 0xFFFFFF;
constexpr std::int32_t LesionTickTop = 2;
constexpr std::int32_t LesionTickBottom = 16;
constexpr std::int32_t LesionTickHalfWidth = 2;

// A band at least a pixel wide, however short its run.
TTimeLineShape OverlayBand(std::int32_t Left, std::int32_t Right, std::int32_t Top,
                           std::int32_t Height, std::uint32_t Colour) {
  return {TTimeLineShape::Box, Left, Top, Left + std::max(Right - Left, 1), Top + Height, Colour};
}

TTimeLineShape OverlayLine(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                           std::uint32_t Colour) {
  return {TTimeLineShape::Line, X1, Y1, X2, Y2, Colour};
}

} // namespace

std::vector<TTimeLineShape> TimeLineOverlay(const TImagerProcedure& Procedure,
                                            const TTimelineTracker& Timeline,
                                            const std::vector<TLoopEpisode>* LoopEpisodes,
                                            const TTimeLineGeometry& Geometry) {
  const auto X = Geometry.XOfIndex;
  std::vector<TTimeLineShape> Shapes;
  if (LoopEpisodes != nullptr)
    for (const TLoopEpisode& Episode : *LoopEpisodes)
      Shapes.push_back(OverlayBand(X(Episode.FirstFrame - 1), X(Episode.LastFrame - 1), LoopBandTop,
                                   LoopBandHeight, LoopWarningColour));
  const std::pair<std::int32_t, std::uint32_t> Markers[] = {
      {Procedure.AnalysisStart(), AnalysisMarkerColour},
      {Procedure.AnalysisEnd(), AnalysisMarkerColour},
      {Procedure.ReferenceStart(), ReferenceMarkerColour},
      {Procedure.ReferenceEnd(), ReferenceMarkerColour},
  };
  for (const auto& [Index, Colour] : Markers)
    if (Index != -1)
      Shapes.push_back(OverlayLine(X(Index), Geometry.ZeroY, X(Index), MarkerTop, Colour));
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I)
    if (Procedure.GetFrame(I).EndoscopeValid)
      Shapes.push_back(OverlayLine(X(I), Geometry.ZeroY + ModelTickTop, X(I),
                                   Geometry.ZeroY + ModelTickBottom, ModelTickColour));
  if (!Timeline.Colonoscopy())
    return Shapes;
  const std::int32_t Foot = Geometry.Height - PhaseBandHeight;
  for (const TPhaseRun& Run : Timeline.PhaseBand())
    Shapes.push_back(OverlayBand(X(Run.FirstFrame - 1), X(Run.LastFrame), Foot, PhaseBandHeight,
                                 PhaseColour(Run.Phase)));
  for (const TLesionTag& Tag : Timeline.Lesions()) {
    const std::int32_t At = X(Tag.Frame - 1);
    Shapes.push_back(OverlayLine(At, LesionTickTop, At, LesionTickBottom, LesionTickColour));
    Shapes.push_back(OverlayLine(At - LesionTickHalfWidth, LesionTickTop, At + LesionTickHalfWidth,
                                 LesionTickTop, LesionTickColour));
  }
  return Shapes;
}

} // namespace kestrava

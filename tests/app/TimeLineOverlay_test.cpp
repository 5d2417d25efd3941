// The time line's overlay: what is drawn where, in the order drawn, for a
// colonoscopy with loops shown and for another procedure type without.

#include "app/TimeLineOverlay.h"
#include "app/TimelineBand.h"
#include "looping/LoopHighlight.h"
#include "timeline/TimelineAnalysis.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using TShape = TTimeLineShape;

TEST(TimeLineOverlay, DrawsLoopsMarkersModelTicksPhasesAndLesionsInTheirPlaces) {
  TImagerProcedure Procedure;
  for (int I = 0; I < 4; ++I) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = I / 86400.0;
    Frame.EndoscopeValid = I % 2 == 1;
  }
  Procedure.SetAnalysisStart(2);
  Procedure.SetReferenceEnd(0);
  std::vector<TLoopEpisode> Episodes(1);
  Episodes[0].FirstFrame = Episodes[0].LastFrame = 2;
  // A frame every 10 pixels from 5; the zero line at 50 of 98.
  const TTimeLineGeometry Geometry{[](std::int32_t I) { return 5 + 10 * I; }, 50, 98};

  TTimelineTracker Colonoscopy = TrackTimeline(Procedure);
  Colonoscopy.TagLesion(2);
  std::vector<TShape> Expected{
      {TShape::Box, 15, 2, 16, 7, LoopWarningColour}, // one frame: a pixel wide
      {TShape::Line, 25, 50, 25, 10, AnalysisMarkerColour},
      {TShape::Line, 5, 50, 5, 10, ReferenceMarkerColour},
      {TShape::Line, 15, 65, 15, 73, 0xFFFFFF},
      {TShape::Line, 35, 65, 35, 73, 0xFFFFFF},
  };
  std::vector<TShape> WithPhases = Expected;
  for (const TPhaseRun& Run : Colonoscopy.PhaseBand())
    WithPhases.push_back({TShape::Box, 5 + 10 * (Run.FirstFrame - 1), 95, 5 + 10 * Run.LastFrame,
                          98, PhaseColour(Run.Phase)});
  WithPhases.push_back({TShape::Line, 25, 2, 25, 16, LesionTickColour});
  WithPhases.push_back({TShape::Line, 23, 2, 27, 2, LesionTickColour});
  EXPECT_EQ(TimeLineOverlay(Procedure, Colonoscopy, &Episodes, Geometry), WithPhases);

  // Another procedure type has no timeline to show, and loops off no band.
  Expected.erase(Expected.begin());
  EXPECT_EQ(TimeLineOverlay(Procedure, TTimelineTracker(ProcedureTop), nullptr, Geometry),
            Expected);
}

} // namespace
} // namespace kestrava

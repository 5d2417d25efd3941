#include "timeline/TimelineAnalysis.h"

#include "imagerdata/ImagerProcedure.h"

#include <utility>

namespace kestrava {

TTimelineTracker TrackTimeline(const TImagerProcedure& Procedure, TOperatorMarks Marks) {
  TTimelineTracker Tracker(Procedure.ProcedureType);
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    Tracker.Add(Procedure.Frames().At(I));
  }
  Tracker.SetMarks(std::move(Marks));
  return Tracker;
}

TTimelineAnalysis AnalyseTimeline(const TImagerProcedure& Procedure, const TOperatorMarks& Marks) {
  return TrackTimeline(Procedure, Marks).Analysis();
}

} // namespace kestrava

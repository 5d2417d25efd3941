#include "timeline/TimelineAnalysis.h"

#include "imagerdata/ImagerProcedure.h"

#include <utility>

namespace kestrava {

TTimelineAnalysis AnalyseTimeline(const TImagerProcedure& Procedure, const TOperatorMarks& Marks) {
  TTimelineTracker Tracker(Procedure.ProcedureType);
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    Tracker.Add(Procedure.Frames().At(I));
  }
  Tracker.SetMarks(Marks);
  return Tracker.Analysis();
}

} // namespace kestrava

#pragma once
// The timeline of a whole recorded procedure: what a file opened for
// replay, the tool and the benchmarks start from. The same as a
// TTimelineTracker given every frame in order (TimelineTracker.h says how
// it decides). Thread: any (the procedure is only read).

#include "timeline/OperatorMarks.h"
#include "timeline/TimelineResult.h"

namespace kestrava {

class TImagerProcedure;

TTimelineAnalysis AnalyseTimeline(const TImagerProcedure& Procedure,
                                  const TOperatorMarks& Marks = {});

} // namespace kestrava

#pragma once
// The timeline of a whole recorded procedure: what a file opened for
// replay, the tool and the benchmarks start from. The same as a
// TTimelineTracker given every frame in order (TimelineTracker.h says how
// it decides). Thread: any (the procedure is only read).

#include "timeline/OperatorMarks.h"
#include "timeline/TimelineResult.h"
#include "timeline/TimelineTracker.h"

namespace kestrava {

class TImagerProcedure;

// A tracker that has taken every frame of Procedure, with Marks: for a
// file opened in replay, so that the window asks it what it would ask
// while recording (a frame's phase and segment, the running withdrawal
// timer, the band) and tags lesions on it.
TTimelineTracker TrackTimeline(const TImagerProcedure& Procedure, TOperatorMarks Marks = {});

// Everything the timeline finds in Procedure at once.
TTimelineAnalysis AnalyseTimeline(const TImagerProcedure& Procedure,
                                  const TOperatorMarks& Marks = {});

} // namespace kestrava

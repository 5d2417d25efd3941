#pragma once
// The figures a recorded procedure is judged by, worked out in one place for
// everyone who shows them: kestrava-tool's timeline, loops and stats print
// them, the procedure report lays them out. The timeline with the
// operator's marks, the loops with the pain inside and outside them, and
// the pain statistics over the procedure's analysis and reference ranges,
// exactly as the information box reads them.
//
// Times in seconds from the first frame, lengths in metres, pain in the
// recording's units unless said otherwise. Thread: user-interface thread
// (the procedure's statistics are a cache it fills).

#include "looping/LoopSummary.h"
#include "timeline/OperatorMarks.h"
#include "timeline/TimelineResult.h"

namespace kestrava {

class TImagerProcedure;

// The procedure's pain statistics as its getters give them for the ranges
// and threshold it holds. Without a reference pain (HasReference false) the
// normalised values mean nothing and are left at 0.
struct TPainStatistics {
  double ReferencePain = 0; // the pain's units
  bool HasReference = false;
  double AnalysisDuration = 0;                      // seconds
  double MaxPain = 0, MeanPain = 0, PainStdDev = 0; // normalised
  double PainIntegral = 0;                          // normalised pain x seconds
  double TimeAboveThreshold = 0;                    // seconds
};
TPainStatistics PainStatisticsOf(TImagerProcedure& Procedure);

// Time in loops counts as painful above this share of the reference pain.
inline constexpr double LoopPainThresholdShare = 0.1;
// That threshold in the pain's units for the procedure's reference range; 0
// without a reference pain.
double LoopPainThreshold(TImagerProcedure& Procedure);

struct TProcedureFigures {
  TTimelineAnalysis Timeline;
  TLoopAnalysis Loops;
  double LoopPainThreshold = 0; // the pain's units
  TPainStatistics Pain;
};

// All of them for Procedure as it stands (ranges and threshold set), with
// the operator's Marks.
TProcedureFigures ProcedureFiguresOf(TImagerProcedure& Procedure, const TOperatorMarks& Marks);

} // namespace kestrava

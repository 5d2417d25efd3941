#include "app/ProcedureFigures.h"

#include "imagerdata/ImagerProcedure.h"
#include "timeline/TimelineAnalysis.h"

namespace kestrava {

TPainStatistics PainStatisticsOf(TImagerProcedure& Procedure) {
  TPainStatistics Statistics;
  Statistics.ReferencePain = Procedure.GetReferencePain();
  Statistics.HasReference = Procedure.GetHasReference();
  Statistics.AnalysisDuration = Procedure.GetAnalysisDuration();
  if (!Statistics.HasReference) {
    // The procedure leaves stale values there.
    return Statistics;
  }
  Statistics.MaxPain = Procedure.GetMaxPain();
  Statistics.MeanPain = Procedure.GetMeanPain();
  Statistics.PainStdDev = Procedure.GetPainStdDev();
  Statistics.PainIntegral = Procedure.GetPainIntegral();
  Statistics.TimeAboveThreshold = Procedure.GetTimeAboveThreshold();
  return Statistics;
}

double LoopPainThreshold(TImagerProcedure& Procedure) {
  return Procedure.GetHasReference() ? LoopPainThresholdShare * Procedure.GetReferencePain() : 0;
}

TProcedureFigures ProcedureFiguresOf(TImagerProcedure& Procedure, const TOperatorMarks& Marks) {
  TProcedureFigures Figures;
  Figures.Timeline = AnalyseTimeline(Procedure, Marks);
  Figures.LoopPainThreshold = LoopPainThreshold(Procedure);
  Figures.Loops = AnalyseLoops(Procedure, Figures.LoopPainThreshold);
  Figures.Pain = PainStatisticsOf(Procedure);
  return Figures;
}

} // namespace kestrava

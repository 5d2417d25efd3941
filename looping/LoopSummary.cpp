#include "looping/LoopSummary.h"

#include "imagerdata/ImagerProcedure.h"
#include "scene/DrawableFrame.h"
#include "timeline/TimelineTracker.h"

#include <algorithm>

namespace kestrava {

namespace {

struct TPainSums {
  double Seconds = 0, Integral = 0, Above = 0;
  void Add(double Pain, double Seconds_, double Threshold) {
    Seconds += Seconds_;
    Integral += Pain * Seconds_;
    if (Pain > Threshold) {
      Above += Seconds_;
    }
  }
  TLoopPain Result() const {
    if (Seconds <= 0) {
      return {};
    }
    return {Seconds, Integral / Seconds, Integral, Above / Seconds};
  }
};

bool InEpisode(const std::vector<TLoopEpisode>& Episodes, std::int32_t FrameNumber) {
  return std::any_of(Episodes.begin(), Episodes.end(), [&](const TLoopEpisode& E) {
    return FrameNumber >= E.FirstFrame && FrameNumber <= E.LastFrame;
  });
}

void SummarisePain(const TImagerProcedure& Procedure, const std::vector<TLoopFrame>& Frames,
                   double Threshold, TLoopSummary& Summary) {
  Summary.HasPain = Procedure.HasPainData;
  if (!Summary.HasPain) {
    return;
  }
  TPainSums Inside, Outside;
  for (std::size_t I = 0; I + 1 < Frames.size(); ++I) {
    const TImagerFrame& Frame = Procedure.GetFrame(static_cast<std::int32_t>(I));
    const double Span = Frames[I + 1].TimeSeconds - Frames[I].TimeSeconds;
    if (!Frame.PainValid || !(Span > 0)) {
      continue;
    }
    const bool Looped = InEpisode(Summary.Episodes, static_cast<std::int32_t>(I) + 1);
    (Looped ? Inside : Outside).Add(Frame.Pain, Span, Threshold);
  }
  Summary.PainInsideLoops = Inside.Result();
  Summary.PainOutsideLoops = Outside.Result();
}

} // namespace

TLoopAnalysis AnalyseLoops(const TImagerProcedure& Procedure, double PainThreshold) {
  TLoopAnalysis Analysis;
  TLoopTracker Tracker;
  // The tip's depth along the colon tells loops that neither cross nor close.
  TTimelineTracker Timeline(Procedure.ProcedureType);
  const std::int32_t Count = Procedure.FrameCount();
  Analysis.Frames.reserve(static_cast<std::size_t>(Count));
  // Frames are classified as the workstation shows them: without what no
  // model can be built from, which is named.
  TImagerFrame Frame;
  for (std::int32_t I = 0; I < Count; ++I) {
    TLoopFrame Result;
    Result.Problem = FrameCheckText(MakeDrawableFrame(Procedure.GetFrame(I), Frame));
    Result.TimeSeconds = Frame.Time * SecondsPerDay;
    Timeline.Add(Frame);
    Result.TipDepth = Timeline.Frame(I).Depth;
    Result.State = ClassifyLoop(Frame, Procedure.ProcedureType, Result.TipDepth);
    Result.Announced = Tracker.Update(I + 1, Result.TimeSeconds, Result.State);
    TLoopSummary& Summary = Analysis.Summary;
    if (!Result.State.Reason.empty()) {
      ++Summary.UnclassifiedFrames;
    }
    Summary.LargestInsertedLength =
        std::max(Summary.LargestInsertedLength, Result.State.InsertedLength);
    Analysis.Frames.push_back(Result);
  }
  Tracker.Finish();
  TLoopSummary& Summary = Analysis.Summary;
  Summary.Episodes = Tracker.Episodes();
  for (const TLoopEpisode& Episode : Summary.Episodes) {
    Summary.SecondsLooped += Episode.EndSeconds - Episode.StartSeconds;
  }
  SummarisePain(Procedure, Analysis.Frames, PainThreshold, Summary);
  return Analysis;
}

} // namespace kestrava

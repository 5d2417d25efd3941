#pragma once
// Looping over a whole recorded procedure: the state of every frame, the
// tracker's episodes, how long the endoscope was looped, the largest
// inserted length and the patient's pain inside and outside the loops.
//
// Times in seconds from the procedure's start, lengths in metres, pain in
// the recording's own units. Thread: any (the procedure is only read).

#include "looping/LoopTracker.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

class TImagerProcedure;

struct TLoopFrame {
  double TimeSeconds = 0;
  // The tip's depth from the anal verge along the colon, when the procedure
  // timeline knows it; the classification used it.
  std::optional<double> TipDepth;
  TLoopState State;
  bool Announced = false; // the tracker's state after this frame
  // What was wrong with the frame's numbers (see DrawableFrame.h); empty
  // when nothing was.
  std::string Problem;
};

// Pain over one part of the procedure. Each frame stands for the time until
// the next frame (the last frame for none).
struct TLoopPain {
  double Seconds = 0;
  double Mean = 0;                // time-weighted
  double Integral = 0;            // pain x seconds
  double ShareAboveThreshold = 0; // of Seconds, 0 .. 1
};

struct TLoopSummary {
  std::vector<TLoopEpisode> Episodes;
  double SecondsLooped = 0; // the episodes' spans, summed
  double LargestInsertedLength = 0;
  std::int32_t UnclassifiedFrames = 0; // frames that gave a reason instead
  bool HasPain = false;
  TLoopPain PainInsideLoops;
  TLoopPain PainOutsideLoops;
};

struct TLoopAnalysis {
  std::vector<TLoopFrame> Frames; // one per frame of the procedure, in order
  TLoopSummary Summary;
};

// Classifies every frame (numbered from 1 in the episodes), with the tip's
// depth from the procedure timeline, and runs the tracker over them. Pain counts only frames with a
// valid reading, and only when the procedure has pain data; PainThreshold is in the pain's units.
TLoopAnalysis AnalyseLoops(const TImagerProcedure& Procedure, double PainThreshold);

inline TLoopSummary SummariseLoops(const TImagerProcedure& Procedure, double PainThreshold = 0) {
  return AnalyseLoops(Procedure, PainThreshold).Summary;
}

} // namespace kestrava

#include "imagerdata/ImagerProcedure.h"

#include "foundation/QelExceptions.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

// A reference pain at or below this is too small to normalise by.
constexpr double MinimumReferencePain = 0.1;

// A range of frame indexes, First..Last inclusive; empty when Last < First.
struct TFrameRange {
  std::int32_t First = 0;
  std::int32_t Last = -1;
  std::int32_t Size() const { return Last >= First ? Last - First + 1 : 0; }
};

// The set range when both ends are set, else all frames. Ends are stored
// indexes that may outlive the frames they named (a procedure with fewer
// frames than an earlier one), so only the frames that exist are used.
TFrameRange ResolveRange(std::int32_t Start, std::int32_t End, std::int32_t FrameCount) {
  const bool Set = Start >= 0 && End >= 0;
  TFrameRange Range{Set ? Start : 0, Set ? End : FrameCount - 1};
  Range.Last = std::min(Range.Last, FrameCount - 1);
  return Range;
}

// Stores Index into Target, which is Start or End of one range (any negative
// value means "not set"), then puts that range in order.
void SetRangeEnd(std::int32_t& Target, std::int32_t Index, std::int32_t& Start, std::int32_t& End) {
  Target = Index < 0 ? -1 : Index;
  if (Start >= 0 && End >= 0 && Start > End) {
    std::swap(Start, End);
  }
}

// The largest raw pain over Range, never below 0.
double LargestPain(const TImagerFrames& Frames, TFrameRange Range) {
  double Largest = 0;
  for (std::int32_t i = Range.First; i <= Range.Last; ++i) {
    Largest = std::max(Largest, Frames.At(i).Pain);
  }
  return Largest;
}

struct TPainSpread {
  double Max = 0, Mean = 0, StdDev = 0;
};

// Largest, mean and population standard deviation of Pain / Reference.
TPainSpread SpreadOfPain(const TImagerFrames& Frames, TFrameRange Range, double Reference) {
  TPainSpread Spread;
  const std::int32_t N = Range.Size();
  if (N == 0) {
    return Spread;
  }
  Spread.Max = Frames.At(Range.First).Pain / Reference;
  double Sum = 0;
  for (std::int32_t i = Range.First; i <= Range.Last; ++i) {
    const double P = Frames.At(i).Pain / Reference;
    Spread.Max = std::max(Spread.Max, P);
    Sum += P;
  }
  Spread.Mean = Sum / N;
  // Deviations from the mean rather than the mean of squares: a steady pain
  // reading must give 0, not the rounding noise of two nearly equal sums.
  double SquaredDeviations = 0;
  for (std::int32_t i = Range.First; i <= Range.Last; ++i) {
    const double Deviation = Frames.At(i).Pain / Reference - Spread.Mean;
    SquaredDeviations += Deviation * Deviation;
  }
  const double Variance = SquaredDeviations / N;
  Spread.StdDev = Variance > 0 ? std::sqrt(Variance) : 0;
  return Spread;
}

struct TPainOverTime {
  double Integral = 0, SecondsAboveThreshold = 0;
};

// Trapezoid integral of Pain / Reference over the seconds of Range, and the
// seconds of the frame pairs whose mean exceeds Threshold.
TPainOverTime PainOverTime(const TImagerFrames& Frames, TFrameRange Range, double Reference,
                           double Threshold) {
  TPainOverTime Result;
  for (std::int32_t i = Range.First; i < Range.Last; ++i) {
    const TImagerFrame& Earlier = Frames.At(i);
    const TImagerFrame& Later = Frames.At(i + 1);
    const double Seconds = (Later.Time - Earlier.Time) * SecondsPerDay;
    const double Average = (Earlier.Pain / Reference + Later.Pain / Reference) / 2;
    Result.Integral += Average * Seconds;
    if (Average > Threshold) {
      Result.SecondsAboveThreshold += Seconds;
    }
  }
  return Result;
}

} // namespace

const char* ProcedureTypeText(std::int32_t ProcedureType) {
  switch (ProcedureType) {
  case ProcedureColonoscopy:
    return "Colonoscopy / Sigmoidoscopy";
  case ProcedureTop:
    return "Top";
  case ProcedurePeg:
    return "Peg";
  default:
    return "";
  }
}

void TImagerProcedure::Clear() {
  StatisticsValid_ = false;
  Frames_.Clear();
  AnalysisStart_ = AnalysisEnd_ = ReferenceStart_ = ReferenceEnd_ = -1;
}

TImagerFrame& TImagerProcedure::AddFrame() {
  StatisticsValid_ = false;
  auto Frame = std::make_unique<TImagerFrame>();
  TImagerFrame& Added = *Frame;
  Frames_.Add(std::unique_ptr<TQelObject>(std::move(Frame)));
  return Added;
}

TImagerFrame& TImagerProcedure::GetFrame(std::int32_t Index) const {
  if (FrameCount() == 0) {
    throw E_Qel_InvalidListItemIndex();
  }
  return Frames_.At(std::clamp<std::int32_t>(Index, 0, FrameCount() - 1));
}

void TImagerProcedure::SetAnalysisStart(std::int32_t Index) {
  SetRangeEnd(AnalysisStart_, Index, AnalysisStart_, AnalysisEnd_);
  StatisticsValid_ = false;
}

void TImagerProcedure::SetAnalysisEnd(std::int32_t Index) {
  SetRangeEnd(AnalysisEnd_, Index, AnalysisStart_, AnalysisEnd_);
  StatisticsValid_ = false;
}

void TImagerProcedure::SetReferenceStart(std::int32_t Index) {
  SetRangeEnd(ReferenceStart_, Index, ReferenceStart_, ReferenceEnd_);
  StatisticsValid_ = false;
}

void TImagerProcedure::SetReferenceEnd(std::int32_t Index) {
  SetRangeEnd(ReferenceEnd_, Index, ReferenceStart_, ReferenceEnd_);
  StatisticsValid_ = false;
}

void TImagerProcedure::SetPainThreshold(double Value) {
  PainThreshold_ = Value;
  StatisticsValid_ = false;
}

void TImagerProcedure::UpdateStatistics() {
  if (StatisticsValid_) {
    return;
  }
  const std::int32_t Count = FrameCount();
  const TFrameRange Reference = ResolveRange(ReferenceStart_, ReferenceEnd_, Count);
  const TFrameRange Analysis = ResolveRange(AnalysisStart_, AnalysisEnd_, Count);

  AnalysisDuration_ =
      Analysis.Size() != 0
          ? (Frames_.At(Analysis.Last).Time - Frames_.At(Analysis.First).Time) * SecondsPerDay
          : 0;
  ReferencePain_ = LargestPain(Frames_, Reference);
  HasReference_ = std::abs(ReferencePain_) > MinimumReferencePain;
  StatisticsValid_ = true;
  if (!HasReference_) {
    return; // readers check HasReference; the rest keep their earlier values
  }
  const TPainSpread Spread = SpreadOfPain(Frames_, Analysis, ReferencePain_);
  MaxPain_ = Spread.Max;
  MeanPain_ = Spread.Mean;
  PainStdDev_ = Spread.StdDev;
  const TPainOverTime OverTime = PainOverTime(Frames_, Analysis, ReferencePain_, PainThreshold_);
  PainIntegral_ = OverTime.Integral;
  TimeAboveThreshold_ = OverTime.SecondsAboveThreshold;
}

double TImagerProcedure::GetMaxPain() {
  UpdateStatistics();
  return MaxPain_;
}

double TImagerProcedure::GetMeanPain() {
  UpdateStatistics();
  return MeanPain_;
}

double TImagerProcedure::GetPainStdDev() {
  UpdateStatistics();
  return PainStdDev_;
}

double TImagerProcedure::GetTimeAboveThreshold() {
  UpdateStatistics();
  return TimeAboveThreshold_;
}

double TImagerProcedure::GetReferencePain() {
  UpdateStatistics();
  return ReferencePain_;
}

bool TImagerProcedure::GetHasReference() {
  UpdateStatistics();
  return HasReference_;
}

double TImagerProcedure::GetPainIntegral() {
  UpdateStatistics();
  return PainIntegral_;
}

double TImagerProcedure::GetAnalysisDuration() {
  UpdateStatistics();
  return AnalysisDuration_;
}

} // namespace kestrava

#include "timeline/TimelineTracker.h"

#include "foundation/IntegerHelpers.h"
#include "imagerdata/ImagerProcedure.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

// The colon's parts as a reason reads them.
std::string PartName(TColonSegment Segment) {
  switch (Segment) {
  case TColonSegment::Rectum:
    return "rectum";
  case TColonSegment::Caecum:
    return "caecum";
  default:
    return std::string(ColonSegmentText(Segment)) + " colon";
  }
}

} // namespace

TTimelineTracker::TTimelineTracker(std::int32_t ProcedureType)
    : Colonoscopy_(ProcedureType == ProcedureColonoscopy) {}

void TTimelineTracker::Add(const TImagerFrame& Frame) {
  const double Days = std::isfinite(Frame.Time) ? Frame.Time : 0;
  if (!FirstDays_) {
    FirstDays_ = Days;
  }
  TRecord Record;
  // A time before the one before is taken as that one, so durations never run backwards.
  Record.Seconds = std::max((Days - *FirstDays_) * SecondsPerDay,
                            Records_.empty() ? 0.0 : Records_.back().Seconds);
  const auto Index = static_cast<std::int32_t>(Records_.size());
  Records_.push_back(Record);
  if (!Colonoscopy_) {
    return;
  }
  const TTipSample Sample = SampleTip(Frame);
  TRecord& Stored = Records_.back();
  Stored.Status = Sample.Status;
  Stored.Tip = Sample.Tip;
  if (Sample.Status == TTipStatus::NoMarkers) {
    return;
  }
  SawMarkers_ = true;
  HipWidth_ = Sample.HipWidth;
  Follow(Index, Sample);
}

void TTimelineTracker::Follow(std::int32_t Index, const TTipSample& Sample) {
  const double Seconds = Records_[Slot(Index)].Seconds;
  if (Sample.Status == TTipStatus::Outside) {
    // Back out: the tip comes in again at the anal verge.
    PreviousDepth_ = 0;
    if (OutsideSince_ < 0 && FirstInside_ >= 0) {
      OutsideSince_ = Index;
    }
    return;
  }
  if (Sample.Status != TTipStatus::Inside) {
    return; // a lost tip neither starts nor ends a stay outside
  }
  OutsideSince_ = -1;
  if (FirstInside_ < 0) {
    FirstInside_ = Index;
  }
  const double Window = PreviousSeconds_
                            ? std::max(MinWindow, WindowSpeed * (Seconds - *PreviousSeconds_))
                            : MinWindow;
  const double Depth = Map_.Follow(Sample.Patient, Sample.AnalVerge, PreviousDepth_, Window);
  PreviousDepth_ = Depth;
  PreviousSeconds_ = Seconds;
  Records_[Slot(Index)].Depth = Depth;
  TakeDepth(Index, Depth);
}

void TTimelineTracker::TakeDepth(std::int32_t Index, double Depth) {
  if (Deepest_ < 0 || Depth > DeepestDepth_) {
    Deepest_ = Index;
    DeepestDepth_ = Depth;
    ShallowestSinceDeepest_ = Depth;
    LastInCaecumBand_ = Index;
    // The bands only rise, so the first frame in them only moves on.
    while (!NearDeepest(Arrival_, ArrivalBand)) {
      ++Arrival_;
    }
    while (!NearDeepest(DwellFrom_, DwellBand)) {
      ++DwellFrom_;
    }
    CountDwell();
    return;
  }
  ShallowestSinceDeepest_ = std::min(ShallowestSinceDeepest_, Depth);
  if (NearDeepest(Index, CaecumBand)) {
    LastInCaecumBand_ = Index;
  }
  if (Index > 0 && NearDeepest(Index, DwellBand) && NearDeepest(Index - 1, DwellBand)) {
    DwellSeconds_ += Records_[Slot(Index)].Seconds - Records_[Slot(Index - 1)].Seconds;
  }
}

bool TTimelineTracker::NearDeepest(std::int32_t Index, double Band) const {
  const TRecord& R = Records_[Slot(Index)];
  return R.Status == TTipStatus::Inside && R.Depth >= DeepestDepth_ - Band;
}

// Time spent within DwellBand of a new deepest depth: pairs of neighbouring
// frames both within it, from the first frame within it on.
void TTimelineTracker::CountDwell() {
  DwellSeconds_ = 0;
  for (std::int32_t I = DwellFrom_ + 1; I < FrameCount(); ++I) {
    if (NearDeepest(I, DwellBand) && NearDeepest(I - 1, DwellBand)) {
      DwellSeconds_ += Records_[Slot(I)].Seconds - Records_[Slot(I - 1)].Seconds;
    }
  }
}

const TColonLandmarks& TTimelineTracker::Landmarks() const {
  if (!Landmarks_ || LandmarksVersion_ != Map_.Version() || LandmarksHipWidth_ != HipWidth_) {
    Landmarks_ = FindColonLandmarks(Map_.Points(), HipWidth_);
    LandmarksVersion_ = Map_.Version();
    LandmarksHipWidth_ = HipWidth_;
  }
  return *Landmarks_;
}

TTimelineTracker::TEvents TTimelineTracker::Events() const {
  TEvents E;
  E.InsertionStart = FirstInside_;
  if (Marks_.Caecum && (!Marks_.Caecum->Reached ||
                        (Marks_.Caecum->Frame >= 1 && Marks_.Caecum->Frame <= FrameCount()))) {
    E.ByOperator = true;
    E.Caecum = Marks_.Caecum->Reached ? Marks_.Caecum->Frame - 1 : -1;
  } else if (Deepest_ >= 0 && Landmarks().CaecumStart && DwellSeconds_ >= CaecumDwell) {
    E.Caecum = Arrival_;
  }
  E.Turn = E.Caecum >= 0 ? E.Caecum : Deepest_;
  if (E.Caecum >= 0) {
    E.CaecumEnd = std::max(E.Caecum, LastInCaecumBand_) + 1;
  }
  if (OutsideSince_ > E.Turn && E.Turn >= 0) {
    E.WithdrawalEnd = OutsideSince_;
  }
  E.TurnedBack = E.WithdrawalEnd >= 0 || ShallowestSinceDeepest_ <= DeepestDepth_ - TurnBack;
  return E;
}

TProcedurePhase TTimelineTracker::PhaseOf(std::int32_t Index, const TEvents& E) const {
  if (E.InsertionStart < 0 || Index < E.InsertionStart ||
      (E.WithdrawalEnd >= 0 && Index >= E.WithdrawalEnd)) {
    return TProcedurePhase::Outside;
  }
  if (E.Caecum >= 0) {
    if (Index < E.Caecum) {
      return TProcedurePhase::Insertion;
    }
    return Index < E.CaecumEnd ? TProcedurePhase::Caecum : TProcedurePhase::Withdrawal;
  }
  return E.TurnedBack && Index > E.Turn ? TProcedurePhase::Withdrawal : TProcedurePhase::Insertion;
}

TColonSegment TTimelineTracker::SegmentOf(const TRecord& Record) const {
  switch (Record.Status) {
  case TTipStatus::Inside:
    return Landmarks().SegmentAt(Record.Depth);
  case TTipStatus::Outside:
    return TColonSegment::Outside;
  default:
    return TColonSegment::Unknown;
  }
}

TTimelineEvent TTimelineTracker::Event(std::int32_t Index) const {
  return {Index + 1, Records_[Slot(Index)].Seconds};
}

std::string TTimelineTracker::NoCaecumReason(const TEvents& E) const {
  if (!Colonoscopy_) {
    return "not a colonoscopy";
  }
  if (!SawMarkers_) {
    return "body markers 1-3 are missing or in a line";
  }
  if (E.InsertionStart < 0) {
    return "the tip never passed the anal verge";
  }
  if (E.ByOperator) {
    return "the operator marked the caecum as not reached";
  }
  const TColonSegment Deepest = Landmarks().SegmentAt(DeepestDepth_);
  if (Deepest == TColonSegment::Caecum) {
    return "the tip has not stayed at the caecum";
  }
  if (!E.TurnedBack) {
    return "the tip has not reached the caecum yet";
  }
  return "the tip turned back in the " + PartName(Deepest);
}

TTimelineSummary TTimelineTracker::Summary() const {
  TTimelineSummary S;
  const TEvents E = Events();
  if (E.InsertionStart >= 0) {
    S.InsertionStart = Event(E.InsertionStart);
  }
  if (Deepest_ >= 0) {
    S.Deepest = Event(Deepest_);
    S.DeepestDepth = DeepestDepth_;
    S.DeepestSegment = Landmarks().SegmentAt(DeepestDepth_);
  }
  if (E.WithdrawalEnd >= 0) {
    S.WithdrawalEnd = Event(E.WithdrawalEnd);
  }
  if (E.Caecum < 0) {
    S.Reason = NoCaecumReason(E);
    return S;
  }
  S.Caecum = Event(E.Caecum);
  S.CaecumConfirmedByOperator = E.ByOperator;
  if (S.InsertionStart && S.InsertionStart->Frame <= S.Caecum->Frame) {
    S.InsertionSeconds = S.Caecum->Seconds - S.InsertionStart->Seconds;
  }
  if (S.WithdrawalEnd) {
    S.WithdrawalSeconds = S.WithdrawalEnd->Seconds - S.Caecum->Seconds;
  }
  return S;
}

TTimelineFrame TTimelineTracker::FrameOf(std::int32_t Index, const TEvents& E) const {
  const TRecord& R = Records_[Slot(Index)];
  TTimelineFrame Result;
  Result.Seconds = R.Seconds;
  Result.Phase = PhaseOf(Index, E);
  Result.Segment = SegmentOf(R);
  if (R.Status == TTipStatus::Inside) {
    Result.Depth = R.Depth;
  }
  return Result;
}

TTimelineFrame TTimelineTracker::Frame(std::int32_t Index) const {
  return FrameOf(Index, Events());
}

std::optional<double> TTimelineTracker::WithdrawalSecondsAt(std::int32_t Index) const {
  const TEvents E = Events();
  if (E.Caecum < 0 || Index < E.Caecum || Index >= FrameCount()) {
    return std::nullopt;
  }
  const std::int32_t Until = E.WithdrawalEnd >= 0 ? std::min(Index, E.WithdrawalEnd) : Index;
  return Records_[Slot(Until)].Seconds - Records_[Slot(E.Caecum)].Seconds;
}

std::vector<TPhaseRun> TTimelineTracker::PhaseBand() const {
  const TEvents E = Events();
  // The phases change only at these frames; each run is checked at its start.
  std::vector<std::int32_t> Starts = {0,           E.InsertionStart, E.Caecum,
                                      E.CaecumEnd, E.Turn + 1,       E.WithdrawalEnd};
  std::sort(Starts.begin(), Starts.end());
  std::vector<TPhaseRun> Runs;
  for (const std::int32_t Start : Starts) {
    if (Start < 0 || Start >= FrameCount() || (!Runs.empty() && Start < Runs.back().FirstFrame)) {
      continue;
    }
    const TProcedurePhase Phase = PhaseOf(Start, E);
    if (!Runs.empty() && Runs.back().Phase == Phase) {
      continue;
    }
    if (!Runs.empty()) {
      Runs.back().LastFrame = Start; // numbered from 1: the frame before Start
    }
    Runs.push_back({Start + 1, FrameCount(), Phase});
  }
  return Runs;
}

std::vector<TLesionTag> TTimelineTracker::Lesions() const {
  std::vector<TLesionTag> Tags;
  for (const TLesionMark& Mark : Marks_.Lesions) {
    if (Mark.Frame < 1 || Mark.Frame > FrameCount()) {
      continue;
    }
    const TRecord& R = Records_[Slot(Mark.Frame - 1)];
    TLesionTag Tag;
    Tag.Number = Mark.Number;
    Tag.Frame = Mark.Frame;
    Tag.Seconds = R.Seconds;
    if (R.Status == TTipStatus::Inside || R.Status == TTipStatus::Outside) {
      Tag.Tip = R.Tip;
    }
    if (R.Status == TTipStatus::Inside) {
      Tag.Depth = R.Depth;
    }
    Tag.Segment = SegmentOf(R);
    Tags.push_back(Tag);
  }
  return Tags;
}

TTimelineAnalysis TTimelineTracker::Analysis() const {
  TTimelineAnalysis A;
  const TEvents E = Events();
  A.Frames.reserve(Records_.size());
  for (std::int32_t I = 0; I < FrameCount(); ++I) {
    A.Frames.push_back(FrameOf(I, E));
  }
  A.Summary = Summary();
  A.Lesions = Lesions();
  return A;
}

} // namespace kestrava

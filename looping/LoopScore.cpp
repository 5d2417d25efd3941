#include "looping/LoopScore.h"

#include "looping/LoopTracker.h"

#include <limits>

namespace kestrava {

namespace {

double Ratio(double Part, double Whole) {
  return Whole > 0 ? Part / Whole : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

double TLoopScore::Sensitivity() const {
  return Ratio(static_cast<double>(TruePositives),
               static_cast<double>(TruePositives + FalseNegatives));
}

double TLoopScore::Specificity() const {
  return Ratio(static_cast<double>(TrueNegatives),
               static_cast<double>(TrueNegatives + FalsePositives));
}

double TLoopScore::ClassAccuracy() const {
  return Ratio(static_cast<double>(ClassCorrect),
               static_cast<double>(TruePositives + FalseNegatives));
}

double TLoopScore::FalseAlarmsPerHour() const {
  return Ratio(FalseAlarms * 3600.0, NegativeSeconds);
}

void TLoopScorer::Add(double TimeSeconds, TLoopClass Truth, TLoopClass Detected, bool Announced) {
  const bool Positive = Truth != TLoopClass::None;
  const bool Found = Detected != TLoopClass::None;
  if (Started_ && !PreviousTruth_ && TimeSeconds > PreviousSeconds_) {
    Score_.NegativeSeconds += TimeSeconds - PreviousSeconds_;
  }
  Started_ = true;
  PreviousSeconds_ = TimeSeconds;
  PreviousTruth_ = Positive;
  ++Score_.Confusion[static_cast<std::size_t>(Truth)][static_cast<std::size_t>(Detected)];
  if (Positive) {
    (Found ? Score_.TruePositives : Score_.FalseNegatives) += 1;
    Score_.ClassCorrect += Truth == Detected ? 1 : 0;
    LastPositiveSeconds_ = TimeSeconds;
  } else {
    (Found ? Score_.FalsePositives : Score_.TrueNegatives) += 1;
  }

  if (Positive && !TruthOpen_) {
    TruthOpen_ = true;
    TruthAnnounced_ = false;
    TruthOnset_ = TimeSeconds;
  } else if (!Positive && TruthOpen_) {
    TruthOpen_ = false;
    Score_.MissedEpisodes += TruthAnnounced_ ? 0 : 1;
  }
  if (TruthOpen_ && Announced && !TruthAnnounced_) {
    TruthAnnounced_ = true;
    Score_.OnsetDelays.push_back(TimeSeconds - TruthOnset_);
  }

  if (Announced && !AlarmOpen_) {
    AlarmOpen_ = true;
    AlarmTrue_ = TimeSeconds - LastPositiveSeconds_ <= TLoopTracker::ClearAfter;
  } else if (!Announced && AlarmOpen_) {
    AlarmOpen_ = false;
    Score_.FalseAlarms += AlarmTrue_ ? 0 : 1;
  }
  AlarmTrue_ = AlarmTrue_ || (AlarmOpen_ && Positive);
}

void TLoopScorer::EndRun() {
  if (TruthOpen_) {
    Score_.MissedEpisodes += TruthAnnounced_ ? 0 : 1;
  }
  if (AlarmOpen_) {
    Score_.FalseAlarms += AlarmTrue_ ? 0 : 1;
  }
  Started_ = false;
  PreviousTruth_ = false;
  TruthOpen_ = TruthAnnounced_ = false;
  AlarmOpen_ = AlarmTrue_ = false;
  LastPositiveSeconds_ = -1e300;
}

} // namespace kestrava

#include "timeline/TimelineTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrava {

std::string MinutesAndSeconds(double Seconds) {
  const double Whole = std::isfinite(Seconds) ? std::floor(std::max(0.0, Seconds)) : 0;
  const auto Total = static_cast<long long>(std::min(Whole, 1e12));
  char Text[32];
  std::snprintf(Text, sizeof Text, "%02lld:%02lld", Total / 60, Total % 60);
  return Text;
}

std::vector<std::string> TimelineInformationLines(const TTimelineTracker& Tracker,
                                                  std::int32_t Index) {
  if (!Tracker.Colonoscopy() || Index < 0 || Index >= Tracker.FrameCount()) {
    return {};
  }
  const TTimelineSummary Summary = Tracker.Summary();
  std::string Caecum = "not reached";
  if (Summary.Caecum) {
    Caecum = MinutesAndSeconds(Summary.Caecum->Seconds) +
             (Summary.CaecumConfirmedByOperator ? " confirmed" : "");
  }
  const std::optional<double> Withdrawal = Tracker.WithdrawalSecondsAt(Index);
  return {"Segment:\t" + std::string(ColonSegmentText(Tracker.Frame(Index).Segment)),
          "Caecum:\t" + Caecum,
          "Withdrawal:\t" + (Withdrawal ? MinutesAndSeconds(*Withdrawal) + " of " +
                                              MinutesAndSeconds(MinimumWithdrawalSeconds)
                                        : std::string("-")),
          "Lesions:\t" + std::to_string(Tracker.Lesions().size())};
}

std::string ShortWithdrawalAlertText(const TTimelineSummary& Summary) {
  if (!Summary.WithdrawalSeconds || *Summary.WithdrawalSeconds >= MinimumWithdrawalSeconds) {
    return {};
  }
  return "Short withdrawal: " + MinutesAndSeconds(*Summary.WithdrawalSeconds) + " (under " +
         MinutesAndSeconds(MinimumWithdrawalSeconds) + ")";
}

} // namespace kestrava

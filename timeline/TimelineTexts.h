#pragma once
// How the timeline speaks to the operator: the information box's lines
// (after the box's own, each "Name:\tvalue" with the value at the box's tab
// stop, short enough for its 250 pixels) and the status bar's alert when a
// withdrawal shorter than the guidelines' six minutes ends. Thread: any.

#include "timeline/TimelineTracker.h"

#include <string>
#include <vector>

namespace kestrava {

// "07:38": minutes (as many as there are) and seconds, rounded down.
std::string MinutesAndSeconds(double Seconds);

// For frame Index (from 0) of a colonoscopy, as the tracker sees it now:
//   "Segment:\ttransverse"              the tip's segment at that frame
//   "Caecum:\t07:38" / "Caecum:\t07:38 confirmed" / "Caecum:\tnot reached"
//   "Withdrawal:\t04:12 of 06:00"       from the caecum to that frame (or to
//                                       the withdrawal's end); "-" before
//   "Lesions:\t2"
// No lines for other procedure types.
std::vector<std::string> TimelineInformationLines(const TTimelineTracker& Tracker,
                                                  std::int32_t Index);

// "Short withdrawal: 04:12 (under 06:00)" once the withdrawal has ended in
// less than the minimum; empty otherwise.
std::string ShortWithdrawalAlertText(const TTimelineSummary& Summary);

} // namespace kestrava

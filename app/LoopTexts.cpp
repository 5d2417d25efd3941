#include "app/LoopTexts.h"

#include "app/InformationBoxLines.h"

namespace kestrava {

std::string LoopInformationLine(const TLoopState& State) {
  return "Loop:\t" + LoopStateText(State);
}

std::string LoopStateText(const TLoopState& State) {
  if (!State.Reason.empty())
    return "none (" + std::string(State.Reason) + ")";
  std::string Line(LoopClassText(State.Class));
  if (State.Present && State.HasExtent)
    Line += ", " + FormatFixed(State.ExtentNear, 2) + "-" + FormatFixed(State.ExtentFar, 2) +
            " m from tip";
  return Line;
}

std::string LoopAlertText(TLoopClass Class) {
  return "Loop forming: " + std::string(LoopClassText(Class));
}

} // namespace kestrava

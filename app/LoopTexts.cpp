#include "app/LoopTexts.h"

#include "app/InformationBoxLines.h"

namespace kestrava {

namespace {

std::string ExtentText(const TLoopState& State) {
  return FormatFixed(State.ExtentNear, 2) + "-" + FormatFixed(State.ExtentFar, 2) + " m";
}

} // namespace

std::vector<std::string> LoopInformationLines(const TLoopState& State) {
  if (!State.Reason.empty())
    return {"Loop:\tnot classified"};
  std::vector<std::string> Lines{"Loop:\t" + std::string(LoopClassText(State.Class))};
  if (State.Present && State.HasExtent)
    Lines.push_back("Loop extent:\t" + ExtentText(State));
  return Lines;
}

std::string LoopDetailText(const TLoopState& State) {
  return "Loop: " + LoopStateText(State);
}

std::string LoopStateText(const TLoopState& State) {
  if (!State.Reason.empty())
    return "none (" + std::string(State.Reason) + ")";
  std::string Line(LoopClassText(State.Class));
  if (State.Present && State.HasExtent)
    Line += ", " + ExtentText(State) + " from tip";
  return Line;
}

std::string LoopAlertText(TLoopClass Class) {
  return "Loop forming: " + std::string(LoopClassText(Class));
}

} // namespace kestrava

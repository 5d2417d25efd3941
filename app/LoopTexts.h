#pragma once
// How loop detection speaks to the operator: the information box's "Loop:"
// line and the status bar's alert while recording. Thread: any.

#include "looping/LoopClassifier.h"

#include <string>

namespace kestrava {

// "Loop:\talpha, 0.21-0.55 m from tip", "Loop:\tnone", or the reason a frame
// cannot be classified.
std::string LoopInformationLine(const TLoopState& State);

// The state alone: "alpha, 0.21-0.55 m from tip", "none", "none (reason)".
std::string LoopStateText(const TLoopState& State);

// "Loop forming: alpha".
std::string LoopAlertText(TLoopClass Class);

} // namespace kestrava

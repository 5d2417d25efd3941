#pragma once
// How loop detection speaks to the operator: the information box's loop
// lines, the details behind them, the stream's loop state and the status
// bar's alert while recording. Thread: any.

#include "looping/LoopClassifier.h"

#include <string>
#include <vector>

namespace kestrava {

// The information box's lines, short enough for its value column:
// "Loop:\talpha" and, with an extent, "Loop extent:\t0.21-0.55 m" (metres of
// endoscope from the tip); "Loop:\tnone"; "Loop:\tnot classified" for a
// frame that cannot be classified (LoopDetailText says why).
std::vector<std::string> LoopInformationLines(const TLoopState& State);

// The same in full, for the box's tool tip: "Loop: alpha, 0.21-0.55 m from
// tip", "Loop: none (body markers 1-3 are missing or in a line)".
std::string LoopDetailText(const TLoopState& State);

// The state alone: "alpha, 0.21-0.55 m from tip", "none", "none (reason)".
std::string LoopStateText(const TLoopState& State);

// "Loop forming: alpha".
std::string LoopAlertText(TLoopClass Class);

} // namespace kestrava

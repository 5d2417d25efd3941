#pragma once
// The time line's pop-up menu: set or clear the procedure's analysis and
// reference ranges at the time-line point under the mouse. The procedure
// swaps a range given backwards and recomputes its statistics on the next
// request; the window refreshes after each command.
//
// Thread: user-interface thread.

#include "imagerdata/ImagerProcedure.h"

#include <array>
#include <cstdint>

namespace kestrava {

enum class TTimeLineCommand : std::uint8_t {
  SetAnalysisStart,
  SetAnalysisEnd,
  ClearAnalysis,
  SetReferenceStart,
  SetReferenceEnd,
  ClearReference,
};

// The menu's items in their order.
inline constexpr std::array<TTimeLineCommand, 6> TimeLineMenuCommands{
    TTimeLineCommand::SetAnalysisStart, TTimeLineCommand::SetAnalysisEnd,
    TTimeLineCommand::ClearAnalysis,    TTimeLineCommand::SetReferenceStart,
    TTimeLineCommand::SetReferenceEnd,  TTimeLineCommand::ClearReference,
};

// The item's caption, e.g. "Set analysis start marker".
const char* TimeLineCommandCaption(TTimeLineCommand Command);

// The four items that set a marker need a point under the mouse
// (TimeLineIndex not -1); clearing is always possible.
bool TimeLineCommandEnabled(TTimeLineCommand Command, std::int32_t TimeLineIndex);

// TimeLineIndex: the 0-based frame under the mouse at the right-button
// release; ignored by the clearing commands.
void ApplyTimeLineCommand(TImagerProcedure& Procedure, TTimeLineCommand Command,
                          std::int32_t TimeLineIndex);

} // namespace kestrava

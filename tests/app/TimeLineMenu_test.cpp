// The time line's pop-up: which items may be chosen, how they set and clear
// the ranges, and the statistics the information box then reads.

#include "app/InformationBoxLines.h"
#include "app/TimeLineMenu.h"
#include "tests/support/ProcedureBuilders.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using TLines = std::vector<std::string>;
using Command = TTimeLineCommand;

void AddFrames(TImagerProcedure& Procedure, std::initializer_list<double> Pains) {
  support::AddPainFrames(Procedure, Pains);
  Procedure.SetPainThreshold(0.1);
}

// The box's analysis lines, from "  Analysis interval:" on.
TLines AnalysisLines(TImagerProcedure& Procedure) {
  const TInformationBoxState Replay{1, "a.img", 1, 0, -1, 0, ""};
  const TLines Lines = InformationBoxLines(Replay, Procedure, TImagerFrame(), QLocale::c()).Lines;
  const auto Interval = std::find_if(Lines.begin(), Lines.end(), [](const std::string& Line) {
    return Line.starts_with("  Analysis interval:");
  });
  return TLines(Interval, Lines.end());
}

TEST(TimeLineMenu, MarkerItemsNeedAPointUnderTheMouse) {
  std::vector<std::string> Enabled;
  for (const Command Item : TimeLineMenuCommands) {
    EXPECT_TRUE(TimeLineCommandEnabled(Item, 0));
    if (TimeLineCommandEnabled(Item, -1)) {
      Enabled.emplace_back(TimeLineCommandCaption(Item));
    }
  }
  EXPECT_EQ(Enabled,
            (std::vector<std::string>{"Clear analysis markers", "Clear reference markers"}));
}

TEST(TimeLineMenu, ReversedRangesAreSwappedAndClearingRestoresTheWholeProcedure) {
  TImagerProcedure Procedure;
  AddFrames(Procedure, {1.0, 0.5, 0.3, 0.5});
  ApplyTimeLineCommand(Procedure, Command::SetAnalysisStart, 3);
  ApplyTimeLineCommand(Procedure, Command::SetAnalysisEnd, 1);
  ApplyTimeLineCommand(Procedure, Command::SetReferenceEnd, 1);
  ApplyTimeLineCommand(Procedure, Command::SetReferenceStart, 2);
  EXPECT_EQ(std::pair(Procedure.AnalysisStart(), Procedure.AnalysisEnd()), std::pair(1, 3));
  EXPECT_EQ(std::pair(Procedure.ReferenceStart(), Procedure.ReferenceEnd()), std::pair(1, 2));
  EXPECT_EQ(AnalysisLines(Procedure)[0], "  Analysis interval: \t2.00 secs");
  EXPECT_EQ(AnalysisLines(Procedure)[1], "  Max: \t1.000");

  ApplyTimeLineCommand(Procedure, Command::ClearAnalysis, 2);
  ApplyTimeLineCommand(Procedure, Command::ClearReference, 2);
  EXPECT_EQ(std::pair(Procedure.AnalysisStart(), Procedure.AnalysisEnd()), std::pair(-1, -1));
  EXPECT_EQ(std::pair(Procedure.ReferenceStart(), Procedure.ReferenceEnd()), std::pair(-1, -1));
  EXPECT_EQ(
      AnalysisLines(Procedure),
      (TLines{"  Analysis interval: \t3.00 secs", "  Max: \t1.000", "  Integral: \t1.550",
              "  Average: \t0.575", "  Standard dev: \t0.259", "  Above threshold: \t3.00 secs"}));
}

} // namespace
} // namespace kestrava

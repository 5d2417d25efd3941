#include "TimelineTestTracks.h"
#include "timeline/TimelineTexts.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(TimelineTexts, TheBoxShowsTheSegmentCaecumRunningWithdrawalAndLesions) {
  const testing::TTestColon Colon;
  const double L = Colon.Length();
  // At the pole at about 4:46, out at about 14:40.
  TImagerProcedure Procedure;
  testing::Examine(Colon, {{0, -0.05}, {10, -0.05}, {286, L}, {300, L}, {880, -0.1}}, Procedure);
  TTimelineTracker Tracker(ProcedureColonoscopy);
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    Tracker.Add(Procedure.GetFrame(I));
  }
  Tracker.TagLesion(400);
  const TTimelineSummary Summary = Tracker.Summary();
  ASSERT_TRUE(Summary.Caecum && Summary.WithdrawalSeconds);
  const std::string Caecum = "Caecum:\t" + MinutesAndSeconds(Summary.Caecum->Seconds);
  EXPECT_EQ(
      TimelineInformationLines(Tracker, 100),
      (std::vector<std::string>{"Segment:\tsigmoid", Caecum, "Withdrawal:\t-", "Lesions:\t1"}));
  const std::int32_t Later = Summary.Caecum->Frame - 1 + 252;
  EXPECT_EQ(TimelineInformationLines(Tracker, Later)[2], "Withdrawal:\t04:12 of 06:00");
  EXPECT_EQ(TimelineInformationLines(Tracker, Tracker.FrameCount() - 1)[2],
            "Withdrawal:\t" + MinutesAndSeconds(*Summary.WithdrawalSeconds) + " of 06:00");
  EXPECT_EQ(ShortWithdrawalAlertText(Summary), "") << "over six minutes";

  Tracker.ConfirmCaecum(299);
  EXPECT_EQ(TimelineInformationLines(Tracker, 0)[1], "Caecum:\t04:59 confirmed");
  TTimelineSummary Short;
  Short.WithdrawalSeconds = 252.9;
  EXPECT_EQ(ShortWithdrawalAlertText(Short), "Short withdrawal: 04:12 (under 06:00)");
  EXPECT_TRUE(TimelineInformationLines(TTimelineTracker(ProcedurePeg), 0).empty());
  EXPECT_EQ(MinutesAndSeconds(4000.5), "66:40");
  EXPECT_EQ(MinutesAndSeconds(std::nan("")), "00:00");
}

} // namespace
} // namespace kestrava

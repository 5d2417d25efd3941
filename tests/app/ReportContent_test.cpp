// What the report says for the procedures that read differently: complete,
// turned back, without body markers; with and without pain and a reference.

#include "app/ReportContent.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TReportDetails Details() {
  TReportDetails D;
  D.PatientName = "Jane Doe";
  D.FrameCount = 900;
  D.DurationSeconds = 899;
  D.ProgramVersion = "4.5.0";
  D.HasPainData = true;
  D.PainUnits = "mmHg";
  D.PainThreshold = 0.1;
  D.Analysis = D.Reference = TFrameSpan{1, 900};
  return D;
}

// 900 frames a second apart, the tip in the transverse colon throughout.
TProcedureFigures Figures() {
  TProcedureFigures F;
  for (int I = 0; I < 900; ++I) {
    F.Timeline.Frames.push_back(
        {static_cast<double>(I), TProcedurePhase::Insertion, TColonSegment::Transverse, 0.5});
    F.Loops.Frames.push_back({static_cast<double>(I), 0.5, {}, false, {}});
  }
  return F;
}

std::string Value(const TReportSection& Section, const std::string& Label) {
  const auto Line = std::find_if(Section.Lines.begin(), Section.Lines.end(),
                                 [&](const TReportLine& L) { return L.Label == Label; });
  return Line == Section.Lines.end() ? "(none)" : Line->Value;
}

TEST(ReportContent, QualitySaysWhetherTheCaecumWasReachedAndHowTheWithdrawalMeasuresUp) {
  struct TCase {
    const char* Name;
    void (*Arrange)(TProcedureFigures&);
    std::string Lead, Withdrawal, Deepest;
  };
  const TCase Cases[] = {
      {"confirmed, short withdrawal",
       [](TProcedureFigures& F) {
         F.Timeline.Summary.Caecum = TTimelineEvent{459, 458.0};
         F.Timeline.Summary.CaecumConfirmedByOperator = true;
         F.Timeline.Summary.WithdrawalSeconds = 252.9;
       },
       "Caecum reached at 07:38 (frame 459), confirmed by the operator.",
       "04:12, under the 6-minute standard", "(none)"},
      {"found, long withdrawal",
       [](TProcedureFigures& F) {
         F.Timeline.Summary.Caecum = TTimelineEvent{459, 458.0};
         F.Timeline.Summary.WithdrawalSeconds = 430;
       },
       "Caecum reached at 07:38 (frame 459).", "07:10, meets the 6-minute standard", "(none)"},
      {"turned back",
       [](TProcedureFigures& F) {
         F.Timeline.Summary.Reason = "the tip turned back in the descending colon";
         F.Timeline.Summary.Deepest = TTimelineEvent{312, 311.0};
         F.Timeline.Summary.DeepestDepth = 0.523;
         F.Timeline.Summary.DeepestSegment = TColonSegment::Descending;
       },
       "Caecum not reached: the tip turned back in the descending colon.", "- (no caecum)",
       "descending, 52.3 cm from the anal verge, at 05:11 (frame 312)"},
      {"no body markers",
       [](TProcedureFigures& F) {
         F.Timeline.Summary.Reason = "body markers 1-3 are missing or in a line";
         for (TTimelineFrame& Frame : F.Timeline.Frames) {
           Frame.Segment = TColonSegment::Unknown;
         }
       },
       "Caecum not assessed: body markers 1-3 are missing or in a line.", "- (no caecum)",
       "(none)"},
  };
  for (const TCase& Case : Cases) {
    TProcedureFigures F = Figures();
    Case.Arrange(F);
    const TReportContent Content = ReportContentOf(Details(), F);
    EXPECT_EQ(Content.Quality.Lead, Case.Lead) << Case.Name;
    EXPECT_EQ(Value(Content.Quality, "Withdrawal time:"), Case.Withdrawal) << Case.Name;
    EXPECT_EQ(Value(Content.Quality, "Deepest point:"), Case.Deepest) << Case.Name;
  }
}

TEST(ReportContent, PainShowsTheBoxsStatisticsOnlyWhereThereIsAReference) {
  TProcedureFigures F = Figures();
  F.Pain = {61.56, true, 899, 1, 0.1514, 0.2236, 45.1271, 61};
  F.LoopPainThreshold = 6.156;
  F.Loops.Summary.HasPain = true;
  F.Loops.Summary.PainInsideLoops = {25, 53.08, 1327, 1};
  TReportContent Content = ReportContentOf(Details(), F);
  EXPECT_EQ(Value(Content.Pain, "Max:"), "1.000");
  EXPECT_EQ(Value(Content.Pain, "Average:"), "0.151");
  EXPECT_EQ(Value(Content.Pain, "Above threshold:"), "61.00 secs (threshold 0.100)");
  EXPECT_EQ(Value(Content.Pain, "Inside loops:"),
            "mean 53.08 mmHg over 00:25, 100 % of it above 6.16 mmHg");
  EXPECT_EQ(Value(Content.Pain, "Outside loops:"), "-");

  F.Pain = {0.05, false, 899, 9, 9, 9, 9, 9};
  Content = ReportContentOf(Details(), F);
  EXPECT_EQ(Content.Pain.Lead, "No reference pain above 0.1: the statistics are not available.");
  EXPECT_EQ(Value(Content.Pain, "Max:"), "(none)");
  EXPECT_EQ(Value(Content.Pain, "Reference:"), "0.05 mmHg");

  TReportDetails NoPain = Details();
  NoPain.HasPainData = false;
  Content = ReportContentOf(NoPain, F);
  EXPECT_EQ(Content.Pain.Lead, "No pain data in this recording.");
  EXPECT_TRUE(Content.Pain.Lines.empty());
}

TEST(ReportContent, PicturesShowTheTurnAndTheWorstMomentOfTheLargestLoop) {
  TProcedureFigures F = Figures();
  EXPECT_EQ(ReportContentOf(Details(), F).Turn.Index, 899) << "nothing better: the last frame";
  EXPECT_EQ(ReportContentOf(Details(), F).Loop.Caption, "No loop episodes");
  F.Timeline.Summary.Deepest = TTimelineEvent{312, 311.0};
  EXPECT_EQ(ReportContentOf(Details(), F).Turn.Index, 311);
  F.Timeline.Summary.Caecum = TTimelineEvent{459, 458.0};
  EXPECT_EQ(ReportContentOf(Details(), F).Turn.Caption,
            "Twin view at the caecum, frame 459 at 07:38");

  F.Loops.Summary.Episodes = {{100, 120, 99, 119, TLoopClass::Alpha, 0, 0, 0.05},
                              {200, 230, 199, 229, TLoopClass::N, 0, 0, 0.12}};
  F.Loops.Frames[209].State.ExcessLength = 0.12; // frame 210
  F.Loops.Frames[110].State.ExcessLength = 0.2;  // in the smaller episode
  const TReportPicture Loop = ReportContentOf(Details(), F).Loop;
  EXPECT_EQ(Loop.Index, 209);
  EXPECT_EQ(Loop.Caption, "Twin view at the largest loop (n), frame 210 at 03:29, excess 12.0 cm");
}

TEST(ReportContent, TablesListEveryEpisodeAndLesionWithTheirPlaces) {
  TProcedureFigures F = Figures();
  F.Loops.Summary.Episodes = {{40, 64, 39, 63, TLoopClass::Alpha, 0, 0, 0.319}};
  F.Timeline.Lesions = {{1, 700, 699, std::nullopt, 0.62, TColonSegment::Transverse},
                        {2, 750, 749, std::nullopt, std::nullopt, TColonSegment::Unknown}};
  const TReportContent Content = ReportContentOf(Details(), F);
  EXPECT_EQ(Content.Episodes.Table.Rows,
            (std::vector<std::vector<std::string>>{{"1", "alpha", "00:39", "00:24", "31.9 cm"}}));
  EXPECT_EQ(Content.Lesions.Table.Rows,
            (std::vector<std::vector<std::string>>{{"1", "700", "11:39", "62.0 cm", "transverse"},
                                                   {"2", "750", "12:29", "-", "unknown"}}));
  EXPECT_EQ(Content.Header[4], (TReportLine{"Duration:", "00:14:59 (900 frames)"}));
}

} // namespace
} // namespace kestrava

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <cmath>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

struct TSample {
  double Seconds, Pain;
};

void AddSamples(TImagerProcedure& Procedure, const std::vector<TSample>& Samples) {
  for (const TSample& Sample : Samples) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Sample.Seconds / 86400;
    Frame.Pain = Sample.Pain;
  }
}

// Reference 3 (the largest pain), so p = 1/3, 2/3, 1, 2/3 at 0, 1, 2 and 4 s.
void AddHandWorkedSeries(TImagerProcedure& Procedure) {
  AddSamples(Procedure, {{0, 1}, {1, 2}, {2, 3}, {4, 2}});
}

TEST(ImagerProcedure, StatisticsOfAHandWorkedSeries) {
  TImagerProcedure Procedure;
  AddHandWorkedSeries(Procedure);
  Procedure.SetPainThreshold(0.6);
  EXPECT_TRUE(Procedure.GetHasReference() && Procedure.GetReferencePain() == 3);
  EXPECT_DOUBLE_EQ(Procedure.GetMaxPain(), 1);
  EXPECT_DOUBLE_EQ(Procedure.GetMeanPain(), 2.0 / 3);
  EXPECT_NEAR(Procedure.GetPainStdDev(), std::sqrt(2.0) / 6, 1e-12); // population, not sample
  EXPECT_NEAR(Procedure.GetAnalysisDuration(), 4, 1e-9);
  EXPECT_NEAR(Procedure.GetPainIntegral(), 3, 1e-9);       // 1/2 * 1 s + 5/6 * 1 s + 5/6 * 2 s
  EXPECT_NEAR(Procedure.GetTimeAboveThreshold(), 3, 1e-9); // the two pairs averaging 5/6
}

TEST(ImagerProcedure, StatisticsOverChosenRanges) {
  TImagerProcedure Procedure;
  AddHandWorkedSeries(Procedure);
  Procedure.SetReferenceStart(0);
  Procedure.SetReferenceEnd(1); // reference 2
  Procedure.SetAnalysisStart(1);
  Procedure.SetAnalysisEnd(2); // p = 1, 1.5 over 1 s
  EXPECT_EQ(Procedure.GetReferencePain(), 2);
  EXPECT_DOUBLE_EQ(Procedure.GetMaxPain(), 1.5);
  EXPECT_DOUBLE_EQ(Procedure.GetMeanPain(), 1.25);
  EXPECT_DOUBLE_EQ(Procedure.GetPainStdDev(), 0.25);
  EXPECT_NEAR(Procedure.GetPainIntegral(), 1.25, 1e-9);
  Procedure.SetPainThreshold(1.25); // the pair's mean must exceed it, not equal it
  EXPECT_EQ(Procedure.GetTimeAboveThreshold(), 0);
  AddSamples(Procedure, {{5, 6}}); // outside both ranges
  EXPECT_FALSE(Procedure.StatisticsValid());
  EXPECT_EQ(Procedure.GetReferencePain(), 2);
}

TEST(ImagerProcedure, SingleFrameAndSteadyPainHaveNoSpread) {
  TImagerProcedure Single;
  AddSamples(Single, {{7, 0.8}});
  EXPECT_EQ(std::tuple(Single.GetAnalysisDuration(), Single.GetMeanPain(), Single.GetPainStdDev()),
            std::tuple(0.0, 1.0, 0.0));

  TImagerProcedure Steady;
  std::vector<TSample> Samples{{0, 1}};
  for (int i = 1; i < 1000; ++i) {
    Samples.push_back({static_cast<double>(i), 0.7});
  }
  AddSamples(Steady, Samples);
  Steady.SetAnalysisStart(1);
  Steady.SetAnalysisEnd(999);
  EXPECT_NEAR(Steady.GetPainStdDev(), 0, 1e-12); // no cancellation noise
}

TEST(ImagerProcedure, ReferenceOfExactlyPointOneKeepsEarlierStatistics) {
  TImagerProcedure Procedure;
  AddSamples(Procedure, {{0, 0.1}, {1, 2}, {3, 4}});
  const double Mean = Procedure.GetMeanPain();
  Procedure.SetReferenceStart(0);
  Procedure.SetReferenceEnd(0);
  Procedure.SetAnalysisEnd(1);
  Procedure.SetAnalysisStart(0);
  EXPECT_TRUE(!Procedure.GetHasReference() && Procedure.GetMeanPain() == Mean);
  EXPECT_NEAR(Procedure.GetAnalysisDuration(), 1, 1e-9); // still follows the range

  TImagerProcedure Negative;
  AddSamples(Negative, {{0, -5}});
  EXPECT_EQ(Negative.GetReferencePain(), 0);
}

TEST(ImagerProcedure, RangeSettersSwapReversedEnds) {
  TImagerProcedure Procedure;
  Procedure.SetAnalysisEnd(10);
  Procedure.SetAnalysisStart(50);
  EXPECT_TRUE(Procedure.AnalysisStart() == 10 && Procedure.AnalysisEnd() == 50);
  Procedure.SetReferenceStart(8);
  EXPECT_EQ(Procedure.ReferenceStart(), 8); // the other end unset: nothing to order
  Procedure.SetReferenceEnd(3);
  EXPECT_TRUE(Procedure.ReferenceStart() == 3 && Procedure.ReferenceEnd() == 8);
}

TEST(ImagerProcedure, RangesBeyondTheFramesUseOnlyFramesThatExist) {
  TImagerProcedure Procedure;
  AddHandWorkedSeries(Procedure);
  Procedure.SetAnalysisStart(2);
  Procedure.SetAnalysisEnd(500); // frames 2 and 3: p = 1, 2/3
  EXPECT_DOUBLE_EQ(Procedure.GetMeanPain(), 5.0 / 6);
  Procedure.SetAnalysisStart(400); // no frame inside
  EXPECT_EQ(std::tuple(Procedure.GetAnalysisDuration(), Procedure.GetMeanPain(),
                       Procedure.GetPainIntegral()),
            std::tuple(0.0, 0.0, 0.0));
  Procedure.SetReferenceStart(100);
  Procedure.SetReferenceEnd(200);
  EXPECT_FALSE(Procedure.GetHasReference());
}

TEST(ImagerProcedure, GetFrameClampsTheIndexAndClearKeepsOnlyTheDetails) {
  TImagerProcedure Procedure;
  EXPECT_THROW(Procedure.GetFrame(0), E_Qel_InvalidListItemIndex);
  Procedure.PatientName = "A. Patient";
  Procedure.SetPainThreshold(0.4);
  AddHandWorkedSeries(Procedure);
  EXPECT_EQ(&Procedure.GetFrame(-5), &Procedure.GetFrame(0));
  EXPECT_EQ(&Procedure.GetFrame(Procedure.FrameCount() + 3), &Procedure.GetFrame(3));
  Procedure.SetAnalysisStart(1);
  Procedure.SetReferenceEnd(2);
  Procedure.Clear(); // drops frames and ranges
  EXPECT_EQ(Procedure.FrameCount(), 0);
  EXPECT_TRUE(Procedure.AnalysisStart() == -1 && Procedure.ReferenceEnd() == -1);
  EXPECT_TRUE(Procedure.PatientName == "A. Patient" && Procedure.PainThreshold() == 0.4);
  EXPECT_EQ(Procedure.AddFrame().TubeRadius, 0); // a fresh frame is zero-filled
}

} // namespace
} // namespace kestrava

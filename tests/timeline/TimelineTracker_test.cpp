#include "TimelineTestTracks.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineTracker.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;
using S = TColonSegment;
using P = TProcedurePhase;

constexpr double In = 0.005, Out = 0.0025; // metres a second

// Waits outside, goes in to Deepest, stays Hold seconds and comes out.
TSchedule Straight(double Deepest, double Hold = 20) {
  const double Arrive = 10 + (Deepest + 0.05) / In, Leave = Arrive + Hold;
  return {{0, -0.05},
          {10, -0.05},
          {Arrive, Deepest},
          {Leave, Deepest},
          {Leave + (Deepest + 0.1) / Out, -0.1}};
}

// The frames of Schedule, numbered from 1, at which the tip first passes
// Depth going in and last comes back out of the anal verge.
std::int32_t FirstFrameAt(const TSchedule& Schedule, double Depth) {
  std::int32_t Second = 0;
  while (DepthAt(Schedule, Second) < Depth) {
    ++Second;
  }
  return Second + 1;
}

TTimelineAnalysis Analyse(const TTestColon& Colon, const TSchedule& Schedule,
                          const TOperatorMarks& Marks = {}, int MarkersFrom = 3) {
  TImagerProcedure Procedure;
  Examine(Colon, Schedule, Procedure, MarkersFrom);
  return AnalyseTimeline(Procedure, Marks);
}

std::vector<P> Phases(const TTimelineAnalysis& A) {
  std::vector<P> Seen;
  for (const TTimelineFrame& F : A.Frames) {
    if (Seen.empty() || Seen.back() != F.Phase) {
      Seen.push_back(F.Phase);
    }
  }
  return Seen;
}

TEST(TimelineTracker, FindsTheCaecumTheTimesAndTheSegmentsInPatientsOfEverySize) {
  for (const TPatient Patient : {TPatient{0.8, 0}, TPatient{1.0, 20}, TPatient{1.2, 45},
                                 TPatient{0.8, 45}, TPatient{1.2, 10}}) {
    SCOPED_TRACE(::testing::Message()
                 << "scale " << Patient.Scale << ", tilt " << Patient.TiltDegrees);
    const TTestColon Colon(Patient);
    const TSchedule Schedule = Straight(Colon.Length());
    const TTimelineAnalysis A = Analyse(Colon, Schedule);
    const TTimelineSummary& Sum = A.Summary;
    ASSERT_TRUE(Sum.Caecum && Sum.InsertionStart && Sum.WithdrawalEnd) << Sum.Reason;
    EXPECT_NEAR(Sum.InsertionStart->Frame, FirstFrameAt(Schedule, 0.005), 1);
    EXPECT_NEAR(Sum.Caecum->Frame, FirstFrameAt(Schedule, Colon.Length() - ArrivalBand), 3);
    EXPECT_NEAR(Sum.WithdrawalEnd->Seconds, Schedule.back().first - 0.1 / Out, 3);
    EXPECT_NEAR(*Sum.WithdrawalSeconds, Sum.WithdrawalEnd->Seconds - Sum.Caecum->Seconds, 1e-9);
    EXPECT_EQ(Sum.DeepestSegment, S::Caecum);
    EXPECT_FALSE(Sum.CaecumConfirmedByOperator);
    EXPECT_EQ(Phases(A),
              (std::vector<P>{P::Outside, P::Insertion, P::Caecum, P::Withdrawal, P::Outside}));
    int Scored = 0, Right = 0;
    for (std::size_t I = 3; I < A.Frames.size(); ++I) {
      const double Depth = DepthAt(Schedule, static_cast<double>(I));
      const std::vector<double> Bounds = Colon.Boundaries();
      if (std::any_of(Bounds.begin(), Bounds.end(),
                      [&](double B) { return std::abs(Depth - B) < 0.03; })) {
        continue;
      }
      ++Scored;
      Right += A.Frames[I].Segment == Colon.SegmentAt(Depth);
    }
    EXPECT_GE(Right, Scored * 98 / 100);
  }
}

TEST(TimelineTracker, AnIncompleteExaminationHasNoCaecumAndSaysWhereItTurned) {
  const TTestColon Colon;
  const struct {
    double Deepest;
    const char* Reason;
  } Cases[] = {{0.35, "the tip turned back in the sigmoid colon"},
               {0.65, "the tip turned back in the descending colon"},
               {0.95, "the tip turned back in the transverse colon"},
               {1.25, "the tip turned back in the ascending colon"}};
  for (const auto& Case : Cases) {
    const TTimelineAnalysis A = Analyse(Colon, Straight(Case.Deepest));
    EXPECT_FALSE(A.Summary.Caecum) << Case.Deepest;
    EXPECT_EQ(A.Summary.Reason, Case.Reason);
    EXPECT_FALSE(A.Summary.WithdrawalSeconds);
    EXPECT_TRUE(A.Summary.WithdrawalEnd);
    EXPECT_EQ(Phases(A), (std::vector<P>{P::Outside, P::Insertion, P::Withdrawal, P::Outside}));
    // Withdrawal starts right after the deepest point.
    EXPECT_EQ(A.Frames[static_cast<std::size_t>(A.Summary.Deepest->Frame)].Phase, P::Withdrawal);
  }
}

TEST(TimelineTracker, ReadvancesInTheCaecumKeepTheFirstArrivalAndTheCaecumPhaseUntilTheLast) {
  const TTestColon Colon;
  const double L = Colon.Length();
  // At the pole at 286 s; back 4 cm, in again, back 3 cm, in again, then out.
  const double Pole = 10 + (L + 0.05) / In, Gone = 352 + (L + 0.1) / Out;
  const TSchedule Schedule = {{0, -0.05}, {10, -0.05},     {Pole, L}, {300, L}, {316, L - 0.04},
                              {324, L},   {340, L - 0.03}, {346, L},  {352, L}, {Gone, -0.1}};
  const TTimelineAnalysis A = Analyse(Colon, Schedule);
  ASSERT_TRUE(A.Summary.Caecum);
  EXPECT_NEAR(A.Summary.Caecum->Frame, FirstFrameAt(Schedule, L - ArrivalBand), 3);
  EXPECT_EQ(A.Frames[340].Phase, P::Caecum);
  EXPECT_EQ(A.Frames[380].Phase, P::Withdrawal);
  EXPECT_NEAR(*A.Summary.WithdrawalSeconds, Gone - 0.1 / Out - A.Summary.Caecum->Seconds, 3);
}

TEST(TimelineTracker, ATipThatLeavesAndComesBackEndsTheWithdrawalOnlyWhenItStaysOut) {
  const TTestColon Colon;
  const double L = Colon.Length();
  // Slips out early in the insertion; after the examination, out and in again.
  const double Out1 = 70 + L / In + (L + 0.1) / Out;
  const TSchedule Schedule = {{0, -0.05},       {10, -0.05},      {30, 0.06},       {40, -0.02},
                              {50, 0.06},       {50 + L / In, L}, {70 + L / In, L}, {Out1, -0.1},
                              {Out1 + 20, 0.1}, {Out1 + 40, -0.1}};
  TImagerProcedure Procedure;
  Examine(Colon, Schedule, Procedure);
  TTimelineTracker Tracker(ProcedureColonoscopy);
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    Tracker.Add(Procedure.GetFrame(I));
    if (I == static_cast<std::int32_t>(Out1) + 20) {
      const TTimelineSummary Back = Tracker.Summary();
      EXPECT_FALSE(Back.WithdrawalEnd) << "in again: the withdrawal goes on";
      EXPECT_NEAR(*Tracker.WithdrawalSecondsAt(I), I - Back.Caecum->Seconds, 1e-9);
    }
  }
  const TTimelineSummary Sum = Tracker.Summary();
  EXPECT_EQ(Sum.InsertionStart->Frame, FirstFrameAt(Schedule, 0.005));
  ASSERT_TRUE(Sum.Caecum && Sum.WithdrawalEnd);
  EXPECT_NEAR(Sum.WithdrawalEnd->Seconds, Out1 + 30, 2);
  EXPECT_EQ(Tracker.Frame(Tracker.FrameCount() - 1).Phase, P::Outside);
}

TEST(TimelineTracker, WithoutMarkersOrOutsideAColonoscopyNothingIsInvented) {
  const TTestColon Colon;
  const TSchedule Schedule = Straight(Colon.Length());
  const TTimelineAnalysis None = Analyse(Colon, Schedule, {}, 1000000);
  TTimelineSummary Nothing;
  Nothing.Reason = "body markers 1-3 are missing or in a line";
  EXPECT_EQ(None.Summary, Nothing);
  for (const TTimelineFrame& F : None.Frames) {
    ASSERT_EQ(F.Segment, S::Unknown);
    ASSERT_FALSE(F.Depth);
  }
  // Markers placed with the tip already 10 cm in: the timeline starts there.
  const TTimelineAnalysis Late = Analyse(Colon, Schedule, {}, 40);
  EXPECT_EQ(Late.Frames[39].Segment, S::Unknown);
  EXPECT_EQ(Late.Summary.InsertionStart->Frame, 41);
  EXPECT_TRUE(Late.Summary.Caecum);

  TImagerProcedure Upper;
  Examine(Colon, Schedule, Upper);
  Upper.ProcedureType = ProcedureTop;
  Nothing.Reason = "not a colonoscopy";
  EXPECT_EQ(AnalyseTimeline(Upper).Summary, Nothing);
}

TEST(TimelineTracker, TheOperatorsMarksOverrideTheFindingAndTagLesionsWhereTheTipWas) {
  const TTestColon Colon;
  const TSchedule Short = Straight(0.95);
  TOperatorMarks Marks;
  Marks.Caecum = TCaecumMark{true, 200};
  const std::int32_t Lesion = Marks.TagLesion(150);
  Marks.TagLesion(100000); // beyond the recording: kept, not shown
  const TTimelineAnalysis A = Analyse(Colon, Short, Marks);
  ASSERT_TRUE(A.Summary.Caecum);
  EXPECT_EQ(A.Summary.Caecum->Frame, 200);
  EXPECT_TRUE(A.Summary.CaecumConfirmedByOperator);
  EXPECT_TRUE(A.Summary.Reason.empty());
  EXPECT_NEAR(*A.Summary.WithdrawalSeconds, A.Summary.WithdrawalEnd->Seconds - 199, 1e-9);
  const TLesionTag Tag{
      Lesion, 150, 149, Colon.At(DepthAt(Short, 149)), A.Frames[149].Depth, A.Frames[149].Segment};
  EXPECT_EQ(A.Lesions, std::vector<TLesionTag>{Tag});
  EXPECT_EQ(Tag.Segment, S::Descending);

  Marks.Caecum = TCaecumMark{false, 0};
  const TTimelineAnalysis Denied = Analyse(Colon, Straight(Colon.Length()), Marks);
  EXPECT_FALSE(Denied.Summary.Caecum);
  EXPECT_EQ(Denied.Summary.Reason, "the operator marked the caecum as not reached");
}

} // namespace
} // namespace kestrava

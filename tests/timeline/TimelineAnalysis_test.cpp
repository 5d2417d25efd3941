#include "drivers/simulator/SimulatedProcedure.h"
#include "imagerdata/ImagerProcedure.h"
#include "tests/support/ModelFrames.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineTracker.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// A simulated examination with a loop, an inspection during withdrawal and
// the tip leaving the anus, one frame a second, with a little noise.
void SimulatedExamination(TImagerProcedure& Procedure) {
  simulator::TSimulatorSettings Settings;
  Settings.InsertionSpeed = 0.01;
  Settings.StartDepth = -0.05;
  Settings.EndDepth = -0.1;
  Settings.InsertionStart = 5;
  Settings.Loops.push_back({simulator::TLoopKind::Gamma, 5, 10, 5});
  Settings.Readvances.push_back({0.9, 0.05, 5});
  const simulator::TSimulatedProcedure Model(Settings);
  std::uint64_t Noise = 1;
  const auto Jitter = [&Noise] {
    Noise = Noise * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(Noise >> 40) / static_cast<double>(1ull << 24) * 0.004 - 0.002;
  };
  for (double T = 0; T < *Model.WithdrawalEnd() + 20; T += 1) {
    TImagerFrame& Frame = Procedure.AddFrame();
    support::ModelFrame(Model, T, Frame);
    Frame.SensorPosition[0] = AddVectors(Frame.SensorPosition[0], {Jitter(), Jitter(), Jitter()});
    Frame.MarkerValid = {T >= 2, T >= 2, T >= 2, false, false, false};
  }
}

TEST(TimelineAnalysis, TheTrackerAfterEachFrameAgreesWithAFreshAnalysisOfTheFramesSoFar) {
  TImagerProcedure Whole;
  SimulatedExamination(Whole);
  TOperatorMarks Marks;
  Marks.TagLesion(200);
  TTimelineTracker Tracker(ProcedureColonoscopy);
  Tracker.SetMarks(Marks);
  TImagerProcedure SoFar;
  int Compared = 0;
  for (std::int32_t I = 0; I < Whole.FrameCount(); ++I) {
    const TImagerFrame& Frame = Whole.GetFrame(I);
    Tracker.Add(Frame);
    SoFar.AddFrame().Assign(Frame);
    // What the window asks for after every frame; the answers are kept in caches.
    const TTimelineFrame Current = Tracker.Frame(I);
    const TTimelineSummary Summary = Tracker.Summary();
    ASSERT_EQ(Current, Tracker.Analysis().Frames.back());
    if (I % 20 == 19 || I + 1 == Whole.FrameCount()) {
      ASSERT_EQ(Tracker.Analysis(), AnalyseTimeline(SoFar, Marks)) << "after frame " << I + 1;
      ASSERT_EQ(Summary, Tracker.Summary());
      ++Compared;
    }
  }
  // The examination was found: the caecum, the withdrawal, the lesion.
  const TTimelineAnalysis Final = Tracker.Analysis();
  EXPECT_TRUE(Final.Summary.Caecum && Final.Summary.WithdrawalEnd);
  EXPECT_EQ(Final.Lesions.size(), 1u);
  EXPECT_GT(Compared, 20);
  // The band is the frames' phases in runs.
  const std::vector<TPhaseRun> Band = Tracker.PhaseBand();
  ASSERT_EQ(Band.size(), 5u);
  for (const TPhaseRun& Run : Band) {
    for (std::int32_t F = Run.FirstFrame; F <= Run.LastFrame; ++F) {
      ASSERT_EQ(Final.Frames[static_cast<std::size_t>(F - 1)].Phase, Run.Phase) << F;
    }
  }
  EXPECT_EQ(Band.back().LastFrame, Whole.FrameCount());
}

} // namespace
} // namespace kestrava

#include "ToolTestSupport.h"

#include <cmath>

namespace kestrava::testing {
namespace {

class StatsCommand : public TToolTest {
protected:
  TJson Stats(const std::vector<std::string>& Options) {
    std::vector<std::string> Arguments = {"stats", File, "--json"};
    Arguments.insert(Arguments.end(), Options.begin(), Options.end());
    const TToolRun Result = Run(Arguments);
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    return Result.Json();
  }
  // Saved only once SetUp has made the temporary directory.
  void SetUp() override {
    TToolTest::SetUp();
    // One frame per second; normalised by the largest, pain is 0, .5, 1, .5.
    File = SavePains("pain.img", {0, 10, 20, 10});
  }
  std::string File;
};

TEST_F(StatsCommand, CoversTheWholeProcedureByDefault) {
  const TJson S = Stats({});
  EXPECT_EQ(S["reference_pain"], 20.0);
  EXPECT_EQ(S["has_reference"], true);
  EXPECT_DOUBLE_EQ(S["analysis_duration"].get<double>(), 3.0);
  EXPECT_EQ(S["max_pain"], 1.0);
  EXPECT_DOUBLE_EQ(S["mean_pain"].get<double>(), 0.5);
  EXPECT_DOUBLE_EQ(S["pain_std_dev"].get<double>(), std::sqrt(0.125));
  EXPECT_DOUBLE_EQ(S["pain_integral"].get<double>(), 1.75);
  EXPECT_DOUBLE_EQ(S["time_above_threshold"].get<double>(), 3.0); // threshold 0.1
  EXPECT_EQ(S["analysis"], TJson::parse(R"({"first": 1, "last": 4})"));
}

TEST_F(StatsCommand, RangesAreFrameNumbersCountedFromOne) {
  // Frame 3 is the pain of 20; frames 2..3 are the pains 10 and 20.
  const TJson S = Stats({"--analysis", "2:3", "--reference", "3:3", "--threshold", "0.8"});
  EXPECT_EQ(S["reference_pain"], 20.0);
  EXPECT_DOUBLE_EQ(S["analysis_duration"].get<double>(), 1.0);
  EXPECT_EQ(S["max_pain"], 1.0);
  EXPECT_DOUBLE_EQ(S["mean_pain"].get<double>(), 0.75);
  EXPECT_DOUBLE_EQ(S["pain_integral"].get<double>(), 0.75);
  EXPECT_EQ(S["time_above_threshold"], 0.0); // the pair's mean 0.75 is not above 0.8
}

TEST_F(StatsCommand, WithoutReferencePainTheNormalisedValuesAreNull) {
  File = SavePains("faint.img", {0.05, 0.1, 0.02});
  const TJson S = Stats({});
  EXPECT_EQ(S["has_reference"], false);
  EXPECT_EQ(S["reference_pain"], 0.1);
  EXPECT_DOUBLE_EQ(S["analysis_duration"].get<double>(), 2.0);
  for (const char* Key :
       {"max_pain", "mean_pain", "pain_std_dev", "pain_integral", "time_above_threshold"})
    EXPECT_TRUE(S[Key].is_null()) << Key;
}

} // namespace
} // namespace kestrava::testing

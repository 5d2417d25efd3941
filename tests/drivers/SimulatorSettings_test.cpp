#include "DriverTestSupport.h"
#include "drivers/simulator/SimulatorSettings.h"

#include <gtest/gtest.h>

namespace kestrava::simulator {
namespace {

TEST(SimulatorSettings, ReadsEverySettingAndIgnoresCommentsAndBlankLines) {
  const std::string Text = "# a comment\n"
                           "\n"
                           "seed 18446744073709551615  # trailing comment\n"
                           "sample_rate 50\r\n"
                           "pacing none\n"
                           "insertion_start 4\n"
                           "insertion_speed 0.02\n"
                           "loop_amplitude 0.1\n"
                           "straighten_duration 8\n"
                           "caecum_hold 3\n"
                           "position_noise 0\n"
                           "direction_noise 0.01\n"
                           "pain_baseline 2\n"
                           "pain_loop 40\n"
                           "pain_noise 0.5\n"
                           "sample_timeout 30\n"
                           "pain_timeout 20\n"
                           "coils_disconnected 5 7\n"
                           "coils_disconnected 9 9.5\n"
                           "fail_initialise\n"
                           "fail_pain_initialise 2\n"
                           "press 1 0.5 0x3\n"
                           "\tpress 2 0.25 64\n"
                           "start_depth -0.05\n"
                           "end_depth -0.1\n"
                           "turn_back 0.9\n"
                           "readvance 0.6 0.05 10\n"
                           "readvance 0.3 0 20";
  TSimulatorSettings S;
  std::string Error;
  ASSERT_TRUE(ParseSimulatorSettings(Text, S, Error)) << Error;
  EXPECT_EQ(S.Seed, 18446744073709551615ull);
  EXPECT_EQ(S.SampleRate, 50);
  EXPECT_FALSE(S.RealTime);
  EXPECT_EQ(S.InsertionStart, 4);
  EXPECT_EQ(S.InsertionSpeed, 0.02);
  EXPECT_EQ(S.LoopAmplitude, 0.1);
  EXPECT_EQ(S.StraightenDuration, 8);
  EXPECT_EQ(S.CaecumHold, 3);
  EXPECT_EQ(S.PositionNoise, 0);
  EXPECT_EQ(S.DirectionNoise, 0.01);
  EXPECT_EQ(S.PainBaseline, 2);
  EXPECT_EQ(S.PainLoop, 40);
  EXPECT_EQ(S.PainNoise, 0.5);
  EXPECT_EQ(S.SampleTimeoutAt, 30);
  EXPECT_EQ(S.PainTimeoutAt, 20);
  ASSERT_EQ(S.CoilsDisconnected.size(), 2u);
  EXPECT_EQ(S.CoilsDisconnected[1].From, 9);
  EXPECT_EQ(S.CoilsDisconnected[1].Until, 9.5);
  EXPECT_TRUE(S.FailInitialise);
  EXPECT_EQ(S.FailPainInitialise, 2);
  ASSERT_EQ(S.Presses.size(), 2u);
  EXPECT_EQ(S.Presses[0].Mask, 3u);
  EXPECT_EQ(S.Presses[1].Mask, 64u);
  EXPECT_EQ(S.Presses[1].Duration, 0.25);
  EXPECT_EQ(S.StartDepth, -0.05);
  EXPECT_EQ(S.EndDepth, -0.1);
  EXPECT_EQ(S.TurnBackDepth, 0.9);
  ASSERT_EQ(S.Readvances.size(), 2u);
  EXPECT_EQ(S.Readvances[0].Distance, 0.05);
  EXPECT_EQ(S.Readvances[1].Hold, 20);
}

TEST(SimulatorSettings, RefusesBadLinesNamingTheLineAndKeepsTheSettings) {
  const struct {
    const char* Text;
    const char* Error;
  } Cases[] = {
      {"seed 1\nspeed 3\n", "line 2: unknown setting 'speed'"},
      {"seed\n", "line 1: seed takes 1 value(s)"},
      {"fail_initialise now\n", "line 1: fail_initialise takes 0 value(s)"},
      {"seed 1\nseed 2\n", "line 2: seed is given more than once"},
      {"insertion_speed 0.01x\n", "line 1: '0.01x' is not a number"},
      {"insertion_speed nan\n", "line 1: 'nan' is not a number"},
      {"seed -1\n", "line 1: '-1' is not a whole number"},
      {"sample_rate 1\n", "line 1: sample_rate must lie between 2 and 1000"},
      {"sample_timeout -1\n", "line 1: a time must lie between 0 and 1e+07"},
      {"coils_disconnected 5 5\n", "line 1: the interval must end after it starts"},
      {"press 1 1 0\n", "line 1: the button mask must lie between 0x1 and 0x3FF"},
      {"press 1 1 0x400\n", "line 1: the button mask must lie between 0x1 and 0x3FF"},
      {"press 1 0 1\n", "line 1: the duration must lie between 1e-06 and 1e+07"},
      {"pacing fast\n", "line 1: pacing must be 'realtime' or 'none'"},
      {"start_depth -1\n", "line 1: a depth at rest must lie between -0.4 and 0.5"},
      {"turn_back 0\n", "line 1: turn_back must lie between 0.05 and 3"},
      {"readvance 0.5 0.6 1\n", "line 1: a readvance's distance must lie between 0 and 0.5"},
  };
  for (const auto& Case : Cases) {
    TSimulatorSettings S;
    S.Seed = 99;
    std::string Error;
    EXPECT_FALSE(ParseSimulatorSettings(Case.Text, S, Error)) << Case.Text;
    EXPECT_EQ(Error, Case.Error) << Case.Text;
    EXPECT_EQ(S.Seed, 99u) << "a refused file must leave the settings as they were";
  }
}

TEST(SimulatorSettings, RefusesMoreScriptedEventsThanTheLimit) {
  std::string Text;
  for (std::size_t I = 0; I <= MaxScriptedEvents; ++I) {
    Text += "press " + std::to_string(I) + " 0.5 1\n";
  }
  TSimulatorSettings S;
  std::string Error;
  EXPECT_FALSE(ParseSimulatorSettings(Text, S, Error));
  EXPECT_EQ(Error, "line 257: more than 256 scripted events");
}

TEST(SimulatorSettings, SurvivesArbitraryTextWithAReasonOrAValidResult) {
  // Words of real settings mixed with noise, so that many lines get past
  // the keyword check and exercise the value checks.
  const char* const Words[] = {"seed",   "press", "coils_disconnected", "0x", "1e308", "-0",
                               "inf",    "#",     "sample_rate",        "\t", "0x3FF", "99999",
                               "pacing", "none",  "fail_initialise",    "\0", "1.5e",  ""};
  std::uint64_t State = 12345;
  for (int Case = 0; Case < 2000; ++Case) {
    std::string Text;
    const int Count = static_cast<int>(State % 9);
    for (int W = 0; W < Count; ++W) {
      State = State * 6364136223846793005ull + 1442695040888963407ull;
      Text += Words[(State >> 33) % std::size(Words)];
      Text += (State >> 20) % 4 == 0 ? "\n" : " ";
    }
    State = State * 6364136223846793005ull + 1442695040888963407ull;
    TSimulatorSettings S;
    std::string Error;
    if (ParseSimulatorSettings(Text, S, Error)) {
      EXPECT_GE(S.SampleRate, 2) << Text;
      EXPECT_LE(S.SampleRate, 1000) << Text;
      for (const TButtonPress& Press : S.Presses) {
        EXPECT_GT(Press.Duration, 0) << Text;
        EXPECT_LE(Press.Mask, AllRemoteButtons) << Text;
      }
    } else {
      EXPECT_EQ(Error.rfind("line ", 0), 0u) << Text;
    }
  }
}

TEST(SimulatorSettings, ButtonsAreHeldFromThePressForItsDurationOnly) {
  TSimulatorSettings S;
  S.Presses = {{1.0, 0.5, 0x01}, {1.25, 1.0, 0x40}};
  EXPECT_EQ(S.ButtonsAt(0.99), 0u);
  EXPECT_EQ(S.ButtonsAt(1.0), 0x01u);
  EXPECT_EQ(S.ButtonsAt(1.3), 0x41u);
  EXPECT_EQ(S.ButtonsAt(1.5), 0x40u);
  EXPECT_EQ(S.ButtonsAt(2.25), 0u);
  S.CoilsDisconnected = {{2, 3}};
  EXPECT_FALSE(S.CoilsDisconnectedAt(1.999));
  EXPECT_TRUE(S.CoilsDisconnectedAt(2));
  EXPECT_FALSE(S.CoilsDisconnectedAt(3));
}

TEST(SimulatorSettings, LoadingRefusesMissingOversizedAndBinaryFiles) {
  const std::filesystem::path Dir = testing::MakeTemporaryDirectory();
  TSimulatorSettings S;
  std::string Error;
  EXPECT_FALSE(LoadSimulatorSettings(Dir / "DSP.DAT", S, Error));
  EXPECT_NE(Error.find("cannot open"), std::string::npos) << Error;

  testing::WriteText(Dir / "DSP.DAT", std::string(MaxSettingsFileBytes, '\n'));
  EXPECT_TRUE(LoadSimulatorSettings(Dir / "DSP.DAT", S, Error)) << Error;
  testing::WriteText(Dir / "DSP.DAT", std::string(MaxSettingsFileBytes + 1, '\n'));
  EXPECT_FALSE(LoadSimulatorSettings(Dir / "DSP.DAT", S, Error));
  EXPECT_EQ(Error, "DSP.DAT is larger than 65536 bytes");

  testing::WriteText(Dir / "DSP.DAT", std::string("seed 1\0\n", 8));
  EXPECT_FALSE(LoadSimulatorSettings(Dir / "DSP.DAT", S, Error));
  EXPECT_EQ(Error, "DSP.DAT is not a text file");

  testing::WriteText(Dir / "DSP.DAT", "seed 7\nbogus 1\n");
  EXPECT_FALSE(LoadSimulatorSettings(Dir / "DSP.DAT", S, Error));
  EXPECT_EQ(Error, "DSP.DAT line 2: unknown setting 'bogus'");
  std::filesystem::remove_all(Dir);
}

} // namespace
} // namespace kestrava::simulator

#include "DriverTestSupport.h"
#include "drivers/simulator/SimulatorSettings.h"

#include <tuple>

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
                           "readvance 0.3 0 20\n"
                           "loop reverse-gamma 4 10 5\n"
                           "loop n 1 1 1"; // the last line without its end
  TSimulatorSettings S;
  std::string Error;
  ASSERT_TRUE(ParseSimulatorSettings(Text, S, Error)) << Error;
  EXPECT_EQ(
      std::tuple(S.Seed, S.SampleRate, S.RealTime, S.InsertionStart, S.InsertionSpeed,
                 S.LoopAmplitude, S.StraightenDuration, S.CaecumHold, S.PositionNoise,
                 S.DirectionNoise, S.PainBaseline, S.PainLoop, S.PainNoise),
      std::tuple(18446744073709551615ull, 50, false, 4, 0.02, 0.1, 8, 3, 0, 0.01, 2, 40, 0.5));
  EXPECT_EQ(std::tuple(S.SampleTimeoutAt, S.PainTimeoutAt, S.FailInitialise, S.FailPainInitialise,
                       S.StartDepth, S.EndDepth, S.TurnBackDepth),
            std::tuple(30, 20, true, 2, -0.05, -0.1, 0.9));
  ASSERT_EQ(
      std::tuple(S.CoilsDisconnected.size(), S.Presses.size(), S.Readvances.size(), S.Loops.size()),
      std::tuple(2u, 2u, 2u, 2u));
  EXPECT_EQ(std::tuple(S.CoilsDisconnected[1].From, S.CoilsDisconnected[1].Until, S.Presses[0].Mask,
                       S.Presses[1].Mask, S.Presses[1].Duration, S.Readvances[0].Distance,
                       S.Readvances[1].Hold, S.Loops[0].Kind, S.Loops[0].Hold),
            std::tuple(9, 9.5, 3u, 64u, 0.25, 0.05, 20, TLoopKind::ReverseGamma, 10));
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
      {"loop omega 4 10 5\n", "line 1: 'omega' is not a loop (alpha, reverse-alpha, n, gamma, "
                              "reverse-gamma, deep-transverse)"},
      {"loop alpha 0 10 5\n", "line 1: a loop's durations must lie between 0.1 and 100000"},
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
  // Loops count as events as presses do.
  for (std::size_t I = 0; I <= MaxScriptedEvents; ++I) {
    Text += (I % 2 == 0 ? "press " : "loop alpha ") + std::to_string(I + 1) + " 0.5 1\n";
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
  const support::TScratchDirectory Scratch;
  const std::filesystem::path Path = Scratch.Dir / "DSP.DAT";
  TSimulatorSettings S;
  std::string Error;
  EXPECT_FALSE(LoadSimulatorSettings(Path, S, Error));
  EXPECT_NE(Error.find("cannot open"), std::string::npos) << Error;

  testing::WriteText(Path, std::string(MaxSettingsFileBytes, '\n'));
  EXPECT_TRUE(LoadSimulatorSettings(Path, S, Error)) << Error;
  const std::pair<std::string, const char*> Cases[] = {
      {std::string(MaxSettingsFileBytes + 1, '\n'), "DSP.DAT is larger than 65536 bytes"},
      {std::string("seed 1\0\n", 8), "DSP.DAT is not a text file"},
      {"seed 7\nbogus 1\n", "DSP.DAT line 2: unknown setting 'bogus'"},
  };
  for (const auto& [Text, Expected] : Cases) {
    testing::WriteText(Path, Text);
    EXPECT_FALSE(LoadSimulatorSettings(Path, S, Error));
    EXPECT_EQ(Error, Expected);
  }
}

} // namespace
} // namespace kestrava::simulator

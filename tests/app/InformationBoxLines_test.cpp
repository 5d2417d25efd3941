// The information box's text in replay and recording, line by line, and the
// number, date and time formats it uses.

#include "app/InformationBoxLines.h"
#include "imagerdata/ImagerFileDateTime.h"
#include "tests/support/ProcedureBuilders.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using TLines = std::vector<std::string>;
constexpr double Second = 1.0 / 86400;
QLocale British() {
  return {QLocale::English, QLocale::UnitedKingdom};
}

// Frames one second apart with the given pains.
void FillProcedure(TImagerProcedure& Procedure, std::initializer_list<double> Pains) {
  support::AddPainFrames(Procedure, Pains);
  Procedure.PatientName = "Jane Doe";
  Procedure.ProcedureType = ProcedureTop;
  Procedure.StartTime = *EncodeDateTime(2024, 3, 5, 9, 7, 30);
  Procedure.SetPainThreshold(0.1);
}

// The window's copy of the frame on show.
struct TShownFrame : TImagerFrame {
  TShownFrame(double ElapsedDays, double PainValue) {
    Time = ElapsedDays;
    Pain = PainValue;
  }
};

TLines From(const TLines& Lines, std::size_t First) {
  return First < Lines.size()
             ? TLines(Lines.begin() + static_cast<std::ptrdiff_t>(First), Lines.end())
             : TLines{};
}

TEST(InformationBoxLines, ReplayShowsEveryLineWithItsFormat) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure, {0.5, 2.0, 1.0});
  // Over a day into the procedure: the elapsed time is a time of day.
  const TShownFrame Frame((25 * 3600 + 62) * Second, 2.0);
  const TInformationBoxState State{1, "/data/imager/Jane Doe.img", 2, 0.8549, 3, 4.0, "x.msd"};
  const TInformationBoxText Text = InformationBoxLines(State, Procedure, Frame, British());
  EXPECT_EQ(Text.TabStop, 100);
  EXPECT_EQ(Text.Lines, (TLines{
                            "File name:\tJane Doe.img",
                            "Patient name:\tJane Doe",
                            "Procedure type: \tTop",
                            "Num frames: \t3",
                            "Current frame: \t2",
                            "Procedure time: \t09:07",
                            "Procedure date: \t05/03/2024",
                            "Elapsed time: \t01:01:02",
                            "Scope length: \t0.85",
                            "Curvature: \t4.00 per m",
                            "Radius of curvature: 0.250 m",
                            "",
                            "Patient pain (general):",
                            "  Current (abs): \t2.00 mmHg",
                            "  Current (norm): \t1.000",
                            "  Reference: \t2.00 mmHg",
                            "",
                            "Patient pain (analysis):",
                            "  Analysis interval: \t2.00 secs",
                            "  Max: \t1.000",
                            "  Integral: \t1.375",
                            "  Average: \t0.583",
                            "  Standard dev: \t0.312",
                            "  Above threshold: \t2.00 secs",
                        }));
}

TEST(InformationBoxLines, CurvatureLinesFollowTheSelection) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure, {1.0});
  Procedure.HasPainData = false;
  Procedure.ProcedureType = 7;
  TInformationBoxState State{1, "a.img", 1, 0.0, -1, 5.0, ""};
  TLines Lines = InformationBoxLines(State, Procedure, TShownFrame(0, 0), British()).Lines;
  EXPECT_EQ(Lines[2], "Procedure type: \tUnknown");
  EXPECT_EQ(From(Lines, 8),
            (TLines{"Scope length: \t0.00", "Curvature: ", "Radius of curvature: "}));

  State.SelectedCurvaturePoint = 0;
  State.Curvature = 0.0999;
  Lines = InformationBoxLines(State, Procedure, TShownFrame(0, 0), British()).Lines;
  EXPECT_EQ(From(Lines, 9), (TLines{"Curvature: \t0.10 per m", "Radius of curvature: Infinite"}));
}

TEST(InformationBoxLines, WithoutAReferenceOnlyAbsolutePainAndTheIntervalShow) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure, {0.1, 0.05});
  const TInformationBoxState State{1, "a.img", 1, 0.0, -1, 0, ""};
  const TLines Lines = InformationBoxLines(State, Procedure, TShownFrame(0, 0.1), British()).Lines;
  EXPECT_EQ(From(Lines, 11), (TLines{"", "Patient pain (general):", "  Current (abs): \t0.10 mmHg",
                                     "  Reference: \t0.10 mmHg", "", "Patient pain (analysis):",
                                     "  Analysis interval: \t1.00 secs"}));
}

TEST(InformationBoxLines, RecordingShowsTheSensorAndTheLivePain) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure, {0.5, 2.0});
  const TInformationBoxState State{
      2, "/data/Jane Doe.img", 7, 0.321, 2, 4.0, "/opt/kestrava/Catheter 16.v2.msd"};
  const TShownFrame Live(59 * Second, 1.0);
  EXPECT_EQ(
      InformationBoxLines(State, Procedure, Live, British()).Lines,
      (TLines{"File name:\tJane Doe.img", "Patient name:\tJane Doe", "Procedure type: \tTop",
              "Sensor: \tCatheter 16.v2", "Current frame: \t7", "Procedure time: \t09:07",
              "Procedure date: \t05/03/2024", "Elapsed time: \t00:00:59", "Scope length: \t0.32",
              "", "Patient pain:", "  Absolute: \t1.00 mmHg", "  Normalised: \t0.500"}));

  Procedure.HasPainData = false;
  EXPECT_EQ(InformationBoxLines(State, Procedure, Live, British()).Lines.size(), 9u);
  EXPECT_TRUE(InformationBoxLines({}, Procedure, Live, British()).Lines.empty()) << "idle";
}

TEST(InformationBoxLines, NumbersUseADotAndDatesTheLocalesSeparators) {
  EXPECT_EQ(FormatFixed(2.0 / 3, 3), "0.667");
  EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");

  const TDateTimeSeparators German = DateTimeSeparatorsOf(QLocale(QLocale::German));
  EXPECT_EQ(German.Date, ".");
  EXPECT_EQ(German.Time, ":");
  EXPECT_EQ(DateTimeSeparatorsOf(QLocale(QLocale::Swedish)).Date, "-");
  EXPECT_EQ(DateTimeSeparatorsOf(QLocale(QLocale::Finnish)).Time, ".");

  const double Start = *EncodeDateTime(2024, 3, 5, 0, 0, 0);
  EXPECT_EQ(FormatDate(Start, German), "05.03.2024");
  // Rounded to the millisecond before the fields are taken.
  const double AlmostMidnight = Start + 1 - 0.0004 * Second;
  EXPECT_EQ(FormatClockTime(AlmostMidnight, {}), "00:00");
  EXPECT_EQ(FormatDate(AlmostMidnight, {}), "06/03/2024");
  EXPECT_EQ(FormatElapsedTime(1.5, {}), "12:00:00");
  for (const double Unusable : {std::numeric_limits<double>::quiet_NaN(), 1e300, -1e7}) {
    EXPECT_EQ(FormatDate(Unusable, {}), "30/12/1899");
    EXPECT_EQ(FormatClockTime(Unusable, {}), "00:00");
  }
}

} // namespace
} // namespace kestrava

// The report read back as a reader reads it (pdftotext, pdftoppm): its
// figures are the ones timeline, loops and stats print for the same file,
// its first page shows the plot and both pictures, and an output it cannot
// write leaves nothing behind.

#include "ToolTestSupport.h"
#include "app/InformationBoxLines.h"
#include "app/OffscreenViews.h"
#include "app/ReportPlot.h"
#include "timeline/TimelineSideFile.h"
#include "timeline/TimelineTexts.h"
#include "tools/ToolErrors.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <set>

namespace kestrava {
namespace {

// An examination through the simulated driver: markers placed (unless
// NoMarkers), an alpha loop on the way in, the caecum (or a turn in the
// sigmoid) and out of the anus again.
constexpr const char* Examination =
    "pacing none\ninsertion_start 3\ninsertion_speed 0.03\nloop_amplitude 0\n"
    "straighten_duration 0\ncaecum_hold 10\nend_depth -0.1\nloop alpha 4 8 4\n";
constexpr const char* Markers = "press 0.5 0.4 0x01\npress 1.5 0.4 0x02\npress 2.5 0.4 0x04\n";

class ReportCommand : public testing::TToolTest {
protected:
  std::string Simulate(const std::string& Name, const std::string& Script, bool Pain) {
    const std::filesystem::path Program = ScriptedProgramDir(Script, true);
    std::vector<std::string> Arguments = {
        "simulate", "-o", PathOf(Name), "--seconds", "170", "--program-dir", Program.string()};
    if (Pain) {
      Arguments.emplace_back("--pain");
    }
    const testing::TToolRun Run_ = Run(Arguments);
    EXPECT_EQ(Run_.Code, 0) << Run_.Err;
    return PathOf(Name);
  }

  // The report of File as pdftotext lays its text out.
  std::string ReportText(const std::string& File) {
    const testing::TToolRun Report = Run({"report", File, "-o", File + ".pdf"});
    EXPECT_EQ(Report.Code, 0) << Report.Err;
    const std::string Command = "pdftotext -layout '" + File + ".pdf' '" + File + ".txt'";
    EXPECT_EQ(std::system(Command.c_str()), 0) << "pdftotext (poppler-utils) is needed";
    std::ifstream In(File + ".txt");
    return {std::istreambuf_iterator<char>(In), {}};
  }

  static TJson Json(const std::vector<std::string>& Arguments) {
    const testing::TToolRun Result = Run(Arguments);
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    return Result.Json();
  }

  std::set<std::filesystem::path> Listing() const {
    std::set<std::filesystem::path> Found;
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Scratch.Dir)) {
      Found.insert(Entry.path());
    }
    return Found;
  }
};

// What follows Label on its line, without the blanks between.
std::string After(const std::string& Text, const std::string& Label) {
  const std::size_t At = Text.find(Label);
  if (At == std::string::npos) {
    return "(no " + Label + ")";
  }
  const std::size_t Start = Text.find_first_not_of(' ', At + Label.size());
  return Text.substr(Start, Text.find('\n', Start) - Start);
}

// Whether a line holds Cells in order, each apart from what surrounds it.
bool HasRow(const std::string& Text, const std::vector<std::string>& Cells) {
  std::istringstream Lines(Text);
  for (std::string Line; std::getline(Lines, Line);) {
    Line.insert(0, " ");
    Line += ' ';
    std::size_t At = 0;
    for (const std::string& Cell : Cells) {
      At = Line.find(" " + Cell + " ", At);
      if (At == std::string::npos) {
        break;
      }
      At += Cell.size() + 1;
    }
    if (At != std::string::npos) {
      return true;
    }
  }
  return false;
}

std::string Time(const TJson& Seconds) {
  return MinutesAndSeconds(Seconds.get<double>());
}

TEST_F(ReportCommand, SaysWhatTimelineLoopsAndStatsSayForTheSameFile) {
  const std::string Complete = Simulate("complete.img", std::string(Examination) + Markers, true);
  TOperatorMarks Marks;
  Marks.TagLesion(110);
  Marks.TagLesion(140);
  SaveTimelineSideFile(Complete, Marks, {});
  const struct {
    std::string File, Caecum;
  } Cases[] = {
      {Complete, "Caecum reached at "},
      {Simulate("turned.img", std::string(Examination) + Markers + "turn_back 0.4\n", false),
       "Caecum not reached: "},
      {Simulate("unmarked.img", Examination, true), "Caecum not assessed: "},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.File);
    const std::string Text = ReportText(Case.File);
    const TJson Timeline = Json({"timeline", Case.File, "--json"});
    // Held: a range-for over a member of a temporary would outlive it.
    const TJson LoopsJson = Json({"loops", Case.File, "--json"});
    const TJson& Loops = LoopsJson["summary"];
    const TJson Stats = Json({"stats", Case.File, "--json"});

    const std::string Caecum =
        Timeline["caecum_reached"]
            ? Time(Timeline["caecum_s"]) + " (frame " + Timeline["caecum_frame"].dump() + ")."
            : Timeline["reason"].get<std::string>() + ".";
    EXPECT_NE(Text.find(Case.Caecum + Caecum), std::string::npos) << Text;
    if (!Timeline["caecum_reached"] && !Timeline["deepest_s"].is_null()) {
      EXPECT_EQ(After(Text, "Deepest point:").rfind(Timeline["deepest_segment"], 0), 0u);
    }
    EXPECT_EQ(After(Text, "Insertion time:"),
              Timeline["insertion_time_s"].is_null() ? "-" : Time(Timeline["insertion_time_s"]));
    if (!Timeline["withdrawal_time_s"].is_null()) {
      EXPECT_EQ(After(Text, "Withdrawal time:").substr(0, 5), Time(Timeline["withdrawal_time_s"]));
    }
    EXPECT_EQ(After(Text, "Time looped:")
                  .rfind(Time(Loops["seconds_looped"]) + " in " + Loops["episode_count"].dump() +
                             " episode",
                         0),
              0u);
    EXPECT_EQ(After(Text, "Largest inserted length:"),
              FormatFixed(Loops["largest_inserted_length_m"].get<double>(), 2) + " m");
    for (const TJson& Lesion : Timeline["lesions"]) {
      EXPECT_TRUE(
          HasRow(Text, {Lesion["number"].dump(), Lesion["frame"].dump(), Time(Lesion["time_s"]),
                        Lesion["depth_m"].is_null()
                            ? "-"
                            : FormatFixed(Lesion["depth_m"].get<double>() * 100, 1) + " cm",
                        Lesion["segment"].get<std::string>()}));
    }
    for (const TJson& Episode : LoopsJson["episodes"]) {
      EXPECT_TRUE(
          HasRow(Text, {Episode["class"].get<std::string>(), Time(Episode["start_seconds"])}));
    }
    if (Loops["pain"].is_null()) {
      EXPECT_NE(Text.find("No pain data in this recording."), std::string::npos);
      continue;
    }
    for (const auto& [Label, Key] : {std::pair{"Max:", "max_pain"},
                                     {"Integral:", "pain_integral"},
                                     {"Average:", "mean_pain"},
                                     {"Standard dev:", "pain_std_dev"}})
      EXPECT_EQ(After(Text, Label), FormatFixed(Stats[Key].get<double>(), 3)) << Label;
    EXPECT_EQ(After(Text, "Above threshold:")
                  .rfind(FormatFixed(Stats["time_above_threshold"].get<double>(), 2) + " secs", 0),
              0u);
    EXPECT_EQ(
        After(Text, "Outside loops:")
            .rfind("mean " + FormatFixed(Loops["pain"]["outside_loops"]["mean"].get<double>(), 2),
                   0),
        0u);
  }
}

// Pixels near Colour (0x00BBGGRR).
bool Near(QRgb Pixel, std::uint32_t Colour, int Tolerance) {
  return std::abs(qRed(Pixel) - static_cast<int>(Colour & 0xFF)) <= Tolerance &&
         std::abs(qGreen(Pixel) - static_cast<int>(Colour >> 8 & 0xFF)) <= Tolerance &&
         std::abs(qBlue(Pixel) - static_cast<int>(Colour >> 16 & 0xFF)) <= Tolerance;
}

struct TRegion {
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1, Count = 0;
  void Add(int X, int Y) {
    Left = std::min(Left, X), Top = std::min(Top, Y);
    Right = std::max(Right, X), Bottom = std::max(Bottom, Y);
    ++Count;
  }
};

TEST_F(ReportCommand, TheFirstPageShowsThePlotAboveTwoPicturesOfTheEndoscope) {
  const std::string File = Simulate("complete.img", std::string(Examination) + Markers, true);
  ASSERT_EQ(Run({"report", File, "-o", PathOf("r.pdf")}).Code, 0);
  const std::string Command = "pdftoppm -r 100 -f 1 -l 1 -png -singlefile '" + PathOf("r.pdf") +
                              "' '" + PathOf("page") + "'";
  ASSERT_EQ(std::system(Command.c_str()), 0) << "pdftoppm (poppler-utils) is needed";
  const QImage Page(QString::fromStdString(PathOf("page.png")));
  ASSERT_FALSE(Page.isNull());

  // The program's green behind each picture, left and right of the middle,
  // with the endoscope drawn on it; the plot's lines and loop band above.
  const std::uint32_t Green = ProgramBackground;
  TRegion Pictures[2];
  for (int Y = 0; Y < Page.height(); ++Y) {
    for (int X = 0; X < Page.width(); ++X) {
      if (Near(Page.pixel(X, Y), Green, 6)) {
        Pictures[X < Page.width() / 2 ? 0 : 1].Add(X, Y);
      }
    }
  }
  const auto InPicture = [&](int X, int Y) {
    return std::any_of(std::begin(Pictures), std::end(Pictures), [&](const TRegion& R) {
      return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
    });
  };
  TRegion Pain, Depth, Loop, Drawn[2];
  for (int Y = 0; Y < Page.height(); ++Y) {
    for (int X = 0; X < Page.width(); ++X) {
      const QRgb P = Page.pixel(X, Y);
      if (InPicture(X, Y)) {
        if (!Near(P, Green, 6) && !Near(P, 0xF0F0F0, 6)) { // the gap between the views
          Drawn[X < Page.width() / 2 ? 0 : 1].Add(X, Y);
        }
        continue;
      }
      if (Near(P, PainLineColour, 40)) {
        Pain.Add(X, Y);
      }
      if (Near(P, DepthLineColour, 40)) {
        Depth.Add(X, Y);
      }
      if (Near(P, LoopBandColour, 6)) {
        Loop.Add(X, Y);
      }
    }
  }
  for (int I = 0; I < 2; ++I) {
    const TRegion& Picture = Pictures[I];
    const int Area = (Picture.Right - Picture.Left + 1) * (Picture.Bottom - Picture.Top + 1);
    EXPECT_GT(Area, Page.width() * Page.height() / 40) << "a picture a fortieth of the page";
    EXPECT_GT(Drawn[I].Count, 300) << "the endoscope drawn on the green";
    EXPECT_GT(Picture.Top, std::max({Pain.Bottom, Depth.Bottom, Loop.Bottom}));
  }
  EXPECT_GT(Pain.Count, 100);
  EXPECT_GT(Depth.Count, 100);
  EXPECT_GT(Loop.Count, 100) << "the loop's band";
  EXPECT_LT(Pictures[0].Right, Pictures[1].Left);
}

TEST_F(ReportCommand, RefusesWhatItCannotReadOrWriteAndLeavesNothingBehind) {
  SavePains("rec.img", {1, 2, 3});
  WriteBytes("bad.img", "not an imager file");
  std::filesystem::create_directory(Scratch.Dir / "folder");
  const auto Before = Listing();
  const testing::TGolden Cases[] = {
      {{"report", "@rec.img", "-o", "@folder"}, ExitFileError, {"(it is a directory)"}},
      {{"report", "@rec.img", "-o", "@missing/r.pdf"}, ExitFileError, {"Cannot write file: "}},
      {{"report", "@rec.img", "-o", "@rec.img"},
       ExitFileError,
       {"(it is the recording's own file)"}},
      {{"report", "@bad.img", "-o", "@r.pdf"}, ExitFileError, {"File format not recognised"}},
      {{"report", "@none.img", "-o", "@r.pdf"}, ExitFileError, {"none.img"}},
      {{"report", "@rec.img", "-o", "@r.pdf", "--analysis", "2:9"}, ExitUsageError, {"1 to 3"}},
  };
  for (const testing::TGolden& Case : Cases) {
    ExpectGolden(Case);
    EXPECT_EQ(Listing(), Before);
  }
}

} // namespace
} // namespace kestrava

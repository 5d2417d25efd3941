#include "tools/TimelineCommand.h"

#include "imagerdata/ImagerProcedure.h"
#include "timeline/FolderTimelines.h"
#include "timeline/TimelineAnalysis.h"
#include "timeline/TimelineSideFile.h"
#include "tools/DisplayText.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <thread>

namespace kestrava {

namespace {

TJson Seconds(const std::optional<TTimelineEvent>& Event) {
  return Event ? JsonNumber(Event->Seconds) : TJson(nullptr);
}

TJson Number(const std::optional<double>& Value) {
  return Value ? JsonNumber(*Value) : TJson(nullptr);
}

std::string SegmentText(TColonSegment Segment) {
  return std::string(ColonSegmentText(Segment));
}

TJson LesionJson(const TLesionTag& Tag) {
  return {{"number", Tag.Number},
          {"frame", Tag.Frame},
          {"time_s", JsonNumber(Tag.Seconds)},
          {"depth_m", Number(Tag.Depth)},
          {"segment", SegmentText(Tag.Segment)},
          {"tip_m", Tag.Tip ? JsonVector(*Tag.Tip) : TJson(nullptr)}};
}

TJson DocumentJson(const TTimelineAnalysis& A) {
  const TTimelineSummary& S = A.Summary;
  TJson Lesions = TJson::array();
  for (const TLesionTag& Tag : A.Lesions) {
    Lesions.push_back(LesionJson(Tag));
  }
  TJson Frames = TJson::array();
  for (std::size_t I = 0; I < A.Frames.size(); ++I) {
    const TTimelineFrame& F = A.Frames[I];
    Frames.push_back({{"frame", I + 1},
                      {"time_s", JsonNumber(F.Seconds)},
                      {"phase", std::string(ProcedurePhaseText(F.Phase))},
                      {"segment", SegmentText(F.Segment)},
                      {"depth_m", Number(F.Depth)}});
  }
  return {{"insertion_start_s", Seconds(S.InsertionStart)},
          {"caecum_reached", S.Caecum.has_value()},
          {"caecum_s", Seconds(S.Caecum)},
          {"caecum_frame", S.Caecum ? TJson(S.Caecum->Frame) : TJson(nullptr)},
          {"caecum_confirmed_by_operator", S.CaecumConfirmedByOperator},
          {"deepest_s", Seconds(S.Deepest)},
          {"deepest_segment", S.Deepest ? TJson(SegmentText(S.DeepestSegment)) : TJson(nullptr)},
          {"withdrawal_end_s", Seconds(S.WithdrawalEnd)},
          {"insertion_time_s", Number(S.InsertionSeconds)},
          {"withdrawal_time_s", Number(S.WithdrawalSeconds)},
          {"reason", S.Reason.empty() ? TJson(nullptr) : TJson(S.Reason)},
          {"lesions", Lesions},
          {"frames", Frames}};
}

std::string Time(const std::optional<TTimelineEvent>& Event) {
  return Event
             ? FormatReadable(Event->Seconds, 6) + " s (frame " + std::to_string(Event->Frame) + ")"
             : "-";
}

std::string Duration(const std::optional<double>& Seconds) {
  if (!Seconds) {
    return "-";
  }
  const long long Whole = std::llround(*Seconds);
  std::ostringstream Text;
  Text << FormatReadable(*Seconds, 6) << " s (" << Whole / 60 << " min " << Whole % 60 << " s)";
  return Text.str();
}

void WriteSummaryText(std::ostream& Out, const TTimelineAnalysis& A) {
  const TTimelineSummary& S = A.Summary;
  Out << "Insertion start: " << Time(S.InsertionStart) << '\n';
  Out << "Caecum reached: " << YesNo(S.Caecum.has_value());
  if (S.Caecum) {
    Out << ", at " << Time(S.Caecum) << (S.CaecumConfirmedByOperator ? ", by the operator" : "");
  } else {
    Out << " (" << S.Reason << ")";
  }
  Out << '\n';
  Out << "Deepest point: " << Time(S.Deepest);
  if (S.Deepest) {
    Out << ", " << SegmentText(S.DeepestSegment) << ", "
        << FormatReadable(S.DeepestDepth.value_or(0), 3) << " m";
  }
  Out << '\n';
  Out << "Withdrawal end: " << Time(S.WithdrawalEnd) << '\n';
  Out << "Insertion time: " << Duration(S.InsertionSeconds) << '\n';
  Out << "Withdrawal time: " << Duration(S.WithdrawalSeconds) << '\n';
  Out << "Lesions: " << A.Lesions.size() << '\n';
  for (const TLesionTag& Tag : A.Lesions) {
    Out << "Lesion " << Tag.Number << ": frame " << Tag.Frame << ", "
        << FormatReadable(Tag.Seconds, 6) << " s, " << SegmentText(Tag.Segment);
    if (Tag.Depth) {
      Out << ", " << FormatReadable(*Tag.Depth * 100, 3) << " cm from the anal verge";
    }
    Out << '\n';
  }
}

std::string CsvNumber(const std::optional<double>& Value) {
  return Value ? FormatReadable(*Value, 17) : "";
}

std::string CsvSeconds(const std::optional<TTimelineEvent>& Event) {
  return Event ? FormatReadable(Event->Seconds, 17) : "";
}

void WriteFramesCsv(std::ostream& Out, const TTimelineAnalysis& A) {
  Out << "frame,time_s,phase,segment,depth_m\n";
  for (std::size_t I = 0; I < A.Frames.size(); ++I) {
    const TTimelineFrame& F = A.Frames[I];
    Out << I + 1 << ',' << FormatReadable(F.Seconds, 17) << ',' << ProcedurePhaseText(F.Phase)
        << ',' << ColonSegmentText(F.Segment) << ',' << CsvNumber(F.Depth) << '\n';
  }
}

// A cell that may hold anything: quoted, with its quotes doubled, when it
// holds a separator, a quote or a line end.
std::string CsvText(const std::string& Text) {
  if (Text.find_first_of(",\"\r\n") == std::string::npos) {
    return Text;
  }
  std::string Quoted = "\"";
  for (const char C : Text) {
    Quoted += C == '"' ? std::string("\"\"") : std::string(1, C);
  }
  return Quoted + "\"";
}

// What the tool would have said about a file, on one line.
std::string FailureText(const std::exception_ptr& Failure) {
  std::ostringstream Said;
  RunReportingErrors(Said, [&]() -> int { std::rethrow_exception(Failure); });
  std::string Text = Said.str();
  while (!Text.empty() && Text.back() == '\n') {
    Text.pop_back();
  }
  for (std::size_t At = Text.find('\n'); At != std::string::npos; At = Text.find('\n', At)) {
    Text.replace(At, 1, ": ");
  }
  return Text;
}

void WriteFolderCsv(std::ostream& Out, const std::vector<TFolderTimeline>& Rows) {
  Out << "file,frames,insertion_start_s,caecum_reached,caecum_s,caecum_frame,"
         "caecum_confirmed_by_operator,deepest_s,deepest_segment,withdrawal_end_s,"
         "insertion_time_s,withdrawal_time_s,lesions,reason\n";
  for (const TFolderTimeline& Row : Rows) {
    Out << CsvText(Row.File.filename().string()) << ',';
    if (!Row.Timeline) {
      Out << ",,,,,,,,,,,," << CsvText(FailureText(Row.Failure)) << '\n';
      continue;
    }
    const TTimelineSummary& S = Row.Timeline->Summary;
    Out << Row.Timeline->FrameCount << ',' << CsvSeconds(S.InsertionStart) << ','
        << (S.Caecum ? 1 : 0) << ',' << CsvSeconds(S.Caecum) << ','
        << (S.Caecum ? std::to_string(S.Caecum->Frame) : "") << ','
        << (S.CaecumConfirmedByOperator ? 1 : 0) << ',' << CsvSeconds(S.Deepest) << ','
        << (S.Deepest ? SegmentText(S.DeepestSegment) : "") << ',' << CsvSeconds(S.WithdrawalEnd)
        << ',' << CsvNumber(S.InsertionSeconds) << ',' << CsvNumber(S.WithdrawalSeconds) << ','
        << Row.Timeline->LesionCount << ',' << CsvText(S.Reason) << '\n';
  }
}

int RunFolder(const TTimelineOptions& Options, std::ostream& Out) {
  if (!Options.Csv) {
    throw EUsageError("a folder is analysed with --csv: one row per procedure");
  }
  const unsigned Threads =
      Options.Threads > 0 ? Options.Threads : std::max(1u, std::thread::hardware_concurrency());
  WriteFolderCsv(Out, AnalyseTimelines(ImagerFilesIn(Options.Path), Threads));
  return ExitSuccess;
}

} // namespace

int RunTimelineCommand(const TTimelineOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    if (Options.Json && Options.Csv) {
      throw EUsageError("--json and --csv exclude each other");
    }
    std::error_code Ignored;
    if (std::filesystem::is_directory(Options.Path, Ignored)) {
      return RunFolder(Options, Out);
    }
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.Path);
    const TTimelineAnalysis Analysis =
        AnalyseTimeline(Procedure, LoadTimelineSideFile(Options.Path));
    if (Options.Json) {
      WriteJson(Out, DocumentJson(Analysis));
      Out << '\n';
    } else if (Options.Csv) {
      WriteFramesCsv(Out, Analysis);
    } else {
      WriteSummaryText(Out, Analysis);
    }
    return static_cast<int>(ExitSuccess);
  });
}

void AddTimelineCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TTimelineOptions>();
  CLI::App* Command = App.add_subcommand(
      "timeline", "Caecum reached, insertion and withdrawal times, colon segment per frame");
  Command->add_option("PATH", Options->Path, "Imager file, or a folder of them (with --csv)")
      ->required();
  Command->add_flag("--json", Options->Json, "Print one JSON document");
  Command->add_flag("--csv", Options->Csv, "Print one CSV row per frame (a folder: per procedure)");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunTimelineCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

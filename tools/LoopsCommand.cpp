#include "tools/LoopsCommand.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "looping/LoopScore.h"
#include "looping/LoopSummary.h"
#include "tools/DisplayText.h"
#include "tools/JsonValues.h"
#include "tools/LoopTruthFile.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <sstream>

namespace kestrava {

namespace {

// Pain above this share of the reference pain counts as time above the
// threshold, as `stats` counts it by default.
constexpr double PainThresholdShare = 0.1;

std::string ClassText(TLoopClass Class) {
  return std::string(LoopClassText(Class));
}

TJson FrameJson(std::int32_t Number, const TLoopFrame& Frame) {
  const TLoopState& S = Frame.State;
  TJson Json;
  Json["frame"] = Number;
  Json["time_seconds"] = JsonNumber(Frame.TimeSeconds);
  Json["loop"] = S.Present;
  Json["class"] = ClassText(S.Class);
  Json["announced"] = Frame.Announced;
  Json["extent_from_tip_m"] =
      S.HasExtent ? TJson::array({JsonNumber(S.ExtentNear), JsonNumber(S.ExtentFar)})
                  : TJson(nullptr);
  Json["crossing"] = S.HasCrossing ? JsonVector(S.Crossing) : TJson(nullptr);
  Json["inserted_length_m"] = JsonNumber(S.InsertedLength);
  Json["excess_length_m"] = JsonNumber(S.ExcessLength);
  Json["reason"] = S.Reason.empty() ? TJson(nullptr) : TJson(std::string(S.Reason));
  Json["tip_depth_m"] = Frame.TipDepth ? JsonNumber(*Frame.TipDepth) : TJson(nullptr);
  Json["frame_problem"] = Frame.Problem.empty() ? TJson(nullptr) : TJson(Frame.Problem);
  return Json;
}

TJson EpisodeJson(const TLoopEpisode& E) {
  return {{"first_frame", E.FirstFrame},
          {"last_frame", E.LastFrame},
          {"class", ClassText(E.Class)},
          {"start_seconds", JsonNumber(E.StartSeconds)},
          {"end_seconds", JsonNumber(E.EndSeconds)},
          {"largest_extent_from_tip_m",
           TJson::array({JsonNumber(E.LargestExtentNear), JsonNumber(E.LargestExtentFar)})},
          {"largest_excess_length_m", JsonNumber(E.LargestExcess)}};
}

TJson PainJson(const TLoopPain& P) {
  return {{"seconds", JsonNumber(P.Seconds)},
          {"mean", JsonNumber(P.Mean)},
          {"integral", JsonNumber(P.Integral)},
          {"share_above_threshold", JsonNumber(P.ShareAboveThreshold)}};
}

TJson SummaryJson(const TLoopSummary& S, double Threshold) {
  TJson Json;
  Json["episode_count"] = S.Episodes.size();
  Json["seconds_looped"] = JsonNumber(S.SecondsLooped);
  Json["largest_inserted_length_m"] = JsonNumber(S.LargestInsertedLength);
  Json["unclassified_frames"] = S.UnclassifiedFrames;
  Json["pain"] = S.HasPain ? TJson{{"threshold", JsonNumber(Threshold)},
                                   {"inside_loops", PainJson(S.PainInsideLoops)},
                                   {"outside_loops", PainJson(S.PainOutsideLoops)}}
                           : TJson(nullptr);
  return Json;
}

TJson ScoreJson(const TLoopScore& S) {
  TJson Confusion = TJson::object();
  for (std::int32_t T = 0; T < LoopClassCount; ++T) {
    TJson Row = TJson::object();
    for (std::int32_t D = 0; D < LoopClassCount; ++D) {
      Row[ClassText(static_cast<TLoopClass>(D))] =
          S.Confusion[static_cast<std::size_t>(T)][static_cast<std::size_t>(D)];
    }
    Confusion[ClassText(static_cast<TLoopClass>(T))] = Row;
  }
  TJson Delays = TJson::array();
  for (const double Delay : S.OnsetDelays) {
    Delays.push_back(JsonNumber(Delay));
  }
  return {{"sensitivity", JsonNumber(S.Sensitivity())},
          {"specificity", JsonNumber(S.Specificity())},
          {"class_accuracy", JsonNumber(S.ClassAccuracy())},
          {"confusion", Confusion},
          {"onset_delays_seconds", Delays},
          {"missed_episodes", S.MissedEpisodes},
          {"false_alarms", S.FalseAlarms},
          {"false_alarms_per_hour", JsonNumber(S.FalseAlarmsPerHour())}};
}

TLoopScore ScoreAgainstTruth(const TLoopAnalysis& Analysis, const std::string& TruthPath) {
  const std::vector<TLoopTruthRow> Truth = ReadLoopTruth(TruthPath);
  if (Truth.size() != Analysis.Frames.size()) {
    throw Exception(TruthPath + " has " + std::to_string(Truth.size()) + " frames, the recording " +
                    std::to_string(Analysis.Frames.size()));
  }
  TLoopScorer Scorer;
  for (std::size_t I = 0; I < Truth.size(); ++I) {
    if (Truth[I].Frame != static_cast<std::int32_t>(I) + 1) {
      throw Exception(TruthPath + ": frame " + std::to_string(I + 1) + " is numbered " +
                      std::to_string(Truth[I].Frame));
    }
    const TLoopFrame& Frame = Analysis.Frames[I];
    Scorer.Add(Frame.TimeSeconds, Truth[I].Class, Frame.State.Class, Frame.Announced);
  }
  Scorer.EndRun();
  return Scorer.Score();
}

std::string Metres(double Value) {
  return FormatReadable(Value, 3) + " m";
}

void WriteText(std::ostream& Out, const TLoopAnalysis& A, double Threshold,
               const std::optional<TLoopScore>& Score) {
  for (std::size_t I = 0; I < A.Frames.size(); ++I) {
    const TLoopFrame& F = A.Frames[I];
    Out << "Frame " << I + 1 << " (" << FormatReadable(F.TimeSeconds, 6) << " s): ";
    if (!F.Problem.empty()) {
      Out << "(" << F.Problem << ") ";
    }
    if (!F.State.Reason.empty()) {
      Out << "not classified: " << F.State.Reason << '\n';
      continue;
    }
    Out << ClassText(F.State.Class);
    if (F.State.HasExtent) {
      Out << " from " << Metres(F.State.ExtentNear) << " to " << Metres(F.State.ExtentFar)
          << " from the tip";
    }
    Out << (F.Announced ? ", announced" : "") << ", inserted " << Metres(F.State.InsertedLength)
        << ", excess " << Metres(F.State.ExcessLength) << '\n';
  }
  const TLoopSummary& S = A.Summary;
  for (const TLoopEpisode& E : S.Episodes) {
    Out << "Episode: " << ClassText(E.Class) << ", frames " << E.FirstFrame << " to " << E.LastFrame
        << '\n';
  }
  Out << "Episodes: " << S.Episodes.size() << ", time looped " << FormatReadable(S.SecondsLooped, 6)
      << " s, largest inserted length " << Metres(S.LargestInsertedLength) << '\n';
  if (S.HasPain) {
    Out << "Pain inside loops: mean " << FormatReadable(S.PainInsideLoops.Mean, 4) << ", above "
        << FormatReadable(Threshold, 4) << " "
        << FormatReadable(100 * S.PainInsideLoops.ShareAboveThreshold, 3)
        << " % of the time; outside: mean " << FormatReadable(S.PainOutsideLoops.Mean, 4)
        << ", above " << FormatReadable(100 * S.PainOutsideLoops.ShareAboveThreshold, 3) << " %\n";
  }
  if (Score) {
    Out << "Sensitivity " << FormatReadable(100 * Score->Sensitivity(), 4) << " %, specificity "
        << FormatReadable(100 * Score->Specificity(), 4) << " %, class correct "
        << FormatReadable(100 * Score->ClassAccuracy(), 4) << " %, missed episodes "
        << Score->MissedEpisodes << ", false alarms " << Score->FalseAlarms << '\n';
  }
}

void WriteCsv(std::ostream& Out, const TLoopAnalysis& A) {
  Out << "frame,time_seconds,loop,class,announced,extent_from_tip_near_m,extent_from_tip_far_m,"
         "crossing_x,crossing_y,crossing_z,inserted_length_m,excess_length_m,reason,tip_depth_m\n";
  for (std::size_t I = 0; I < A.Frames.size(); ++I) {
    const TLoopFrame& F = A.Frames[I];
    const TLoopState& S = F.State;
    Out << I + 1 << ',' << FormatReadable(F.TimeSeconds, 17) << ',' << (S.Present ? 1 : 0) << ','
        << ClassText(S.Class) << ',' << (F.Announced ? 1 : 0) << ',';
    if (S.HasExtent) {
      Out << FormatReadable(S.ExtentNear, 17) << ',' << FormatReadable(S.ExtentFar, 17);
    } else {
      Out << ',';
    }
    Out << ',';
    if (S.HasCrossing) {
      Out << FormatReadable(S.Crossing.X, 17) << ',' << FormatReadable(S.Crossing.Y, 17) << ','
          << FormatReadable(S.Crossing.Z, 17);
    } else {
      Out << ",,";
    }
    // The reasons are our own texts, without commas or quotes.
    Out << ',' << FormatReadable(S.InsertedLength, 17) << ',' << FormatReadable(S.ExcessLength, 17)
        << ',' << S.Reason << ',';
    if (F.TipDepth) {
      Out << FormatReadable(*F.TipDepth, 17);
    }
    Out << '\n';
  }
}

} // namespace

int RunLoopsCommand(const TLoopsOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    if (Options.Json && Options.Csv) {
      throw EUsageError("--json and --csv exclude each other");
    }
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    const double Threshold =
        Procedure.GetHasReference() ? PainThresholdShare * Procedure.GetReferencePain() : 0;
    const TLoopAnalysis Analysis = AnalyseLoops(Procedure, Threshold);
    std::optional<TLoopScore> Score;
    if (!Options.Truth.empty()) {
      Score = ScoreAgainstTruth(Analysis, Options.Truth);
    }
    if (Options.Csv) {
      WriteCsv(Out, Analysis);
    } else if (Options.Json) {
      TJson Frames = TJson::array();
      for (std::size_t I = 0; I < Analysis.Frames.size(); ++I) {
        Frames.push_back(FrameJson(static_cast<std::int32_t>(I) + 1, Analysis.Frames[I]));
      }
      TJson Episodes = TJson::array();
      for (const TLoopEpisode& Episode : Analysis.Summary.Episodes) {
        Episodes.push_back(EpisodeJson(Episode));
      }
      TJson Document = {{"frames", Frames},
                        {"episodes", Episodes},
                        {"summary", SummaryJson(Analysis.Summary, Threshold)}};
      if (Score) {
        Document["truth"] = ScoreJson(*Score);
      }
      WriteJson(Out, Document);
      Out << '\n';
    } else {
      WriteText(Out, Analysis, Threshold, Score);
    }
    return static_cast<int>(ExitSuccess);
  });
}

void AddLoopsCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TLoopsOptions>();
  CLI::App* Command = App.add_subcommand(
      "loops", "Loop state per frame, loop episodes and the procedure's loop summary");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_flag("--json", Options->Json, "Print one JSON document");
  Command->add_flag("--csv", Options->Csv, "Print one CSV row per frame");
  Command->add_option("--truth", Options->Truth,
                      "Ground truth (CSV from simulate --truth) to score the detection against");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunLoopsCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

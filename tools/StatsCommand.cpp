#include "tools/StatsCommand.h"

#include "app/ProcedureFigures.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/DisplayText.h"
#include "tools/FrameRange.h"
#include "tools/JsonValues.h"
#include "tools/PainRanges.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

TJson RangeJson(const std::optional<TFrameRange>& Range) {
  if (!Range)
    return nullptr;
  return TJson{{"first", Range->First}, {"last", Range->Last}};
}

TJson StatsJson(const TPainStatistics& S, const std::optional<TFrameRange>& Analysis,
                const std::optional<TFrameRange>& Reference, double Threshold) {
  const auto Normalised = [&](double Value) {
    return S.HasReference ? JsonNumber(Value) : TJson(nullptr);
  };
  TJson Json;
  Json["analysis"] = RangeJson(Analysis);
  Json["reference"] = RangeJson(Reference);
  Json["threshold"] = JsonNumber(Threshold);
  Json["reference_pain"] = JsonNumber(S.ReferencePain);
  Json["has_reference"] = S.HasReference;
  Json["analysis_duration"] = JsonNumber(S.AnalysisDuration);
  Json["max_pain"] = Normalised(S.MaxPain);
  Json["mean_pain"] = Normalised(S.MeanPain);
  Json["pain_std_dev"] = Normalised(S.PainStdDev);
  Json["pain_integral"] = Normalised(S.PainIntegral);
  Json["time_above_threshold"] = Normalised(S.TimeAboveThreshold);
  return Json;
}

std::string RangeText(const std::optional<TFrameRange>& Range) {
  return Range ? FrameRangeText(*Range) : std::string("none (no frames)");
}

void PrintStatsText(std::ostream& Out, const TPainStatistics& S,
                    const std::optional<TFrameRange>& Analysis,
                    const std::optional<TFrameRange>& Reference, double Threshold,
                    const std::string& Units) {
  Out << "Analysis frames:       " << RangeText(Analysis) << '\n';
  Out << "Reference frames:      " << RangeText(Reference) << '\n';
  Out << "Threshold:             " << FormatReadable(Threshold) << " of the reference pain\n";
  Out << "Reference pain:        " << FormatReadable(S.ReferencePain);
  if (!Units.empty())
    Out << ' ' << PrintableText(Units);
  Out << '\n';
  Out << "Analysis duration:     " << FormatReadable(S.AnalysisDuration) << " s\n";
  if (!S.HasReference) {
    Out << "No reference pain above 0.1: the pain statistics are not available.\n";
    return;
  }
  Out << "Maximum pain:          " << FormatReadable(S.MaxPain) << '\n';
  Out << "Mean pain:             " << FormatReadable(S.MeanPain) << '\n';
  Out << "Standard deviation:    " << FormatReadable(S.PainStdDev) << '\n';
  Out << "Pain integral:         " << FormatReadable(S.PainIntegral) << " s\n";
  Out << "Time above threshold:  " << FormatReadable(S.TimeAboveThreshold) << " s\n";
}

} // namespace

int RunStatsCommand(const TStatsOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    if (!std::isfinite(Options.Threshold))
      throw EUsageError("--threshold " + FormatNumber(Options.Threshold) +
                        ": expected a finite number");
    const TPainRanges Ranges = ParsePainRanges(Options.Analysis, Options.Reference);

    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    ApplyPainRanges(Ranges, Procedure);
    Procedure.SetPainThreshold(Options.Threshold);

    const TPainStatistics Statistics = PainStatisticsOf(Procedure);
    const std::int32_t Count = Procedure.FrameCount();
    const auto UsedAnalysis = EffectiveRange(Ranges.Analysis, Count);
    const auto UsedReference = EffectiveRange(Ranges.Reference, Count);
    if (Options.Json) {
      WriteJson(Out, StatsJson(Statistics, UsedAnalysis, UsedReference, Options.Threshold), 2);
      Out << '\n';
    } else {
      PrintStatsText(Out, Statistics, UsedAnalysis, UsedReference, Options.Threshold,
                     Procedure.PainUnits);
    }
    return static_cast<int>(ExitSuccess);
  });
}

void AddStatsCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TStatsOptions>();
  CLI::App* Command = App.add_subcommand("stats", "Patient pain statistics of an imager file");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option(AnalysisOption, Options->Analysis,
                      "Analysis frames FIRST:LAST, numbered from 1 (default: all)");
  Command->add_option(ReferenceOption, Options->Reference,
                      "Reference frames FIRST:LAST, numbered from 1 (default: all)");
  Command
      ->add_option("--threshold", Options->Threshold, "Normalised pain above which time is counted")
      ->default_val(DefaultPainThreshold);
  Command->add_flag("--json", Options->Json, "Print one JSON document");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunStatsCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

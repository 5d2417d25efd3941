#include "tools/InfoCommand.h"

#include "imagerdata/ImagerProcedure.h"
#include "tools/DateTimeText.h"
#include "tools/DisplayText.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

TJson InfoJson(const TImagerProcedure& Procedure, int Format) {
  const auto StartIso = DateTimeToIsoText(Procedure.StartTime);
  TJson Info;
  Info["format"] = Format;
  Info["patient_name"] = JsonText(Procedure.PatientName);
  Info["procedure_type"] = Procedure.ProcedureType;
  Info["procedure_type_text"] = ProcedureTypeText(Procedure.ProcedureType);
  Info["start_time"] = JsonNumber(Procedure.StartTime);
  Info["start_time_iso"] = StartIso ? TJson(*StartIso) : TJson(nullptr);
  Info["frame_count"] = Procedure.FrameCount();
  Info["has_pain_data"] = Procedure.HasPainData;
  Info["pain_units"] = JsonText(Procedure.PainUnits);
  return Info;
}

void PrintInfoText(std::ostream& Out, const TImagerProcedure& Procedure, int Format) {
  const auto StartIso = DateTimeToIsoText(Procedure.StartTime);
  const std::string TypeText = ProcedureTypeText(Procedure.ProcedureType);
  Out << "Format:          " << Format << '\n';
  Out << "Patient name:    " << PrintableText(Procedure.PatientName) << '\n';
  Out << "Procedure type:  " << (TypeText.empty() ? "unknown" : TypeText) << " ("
      << Procedure.ProcedureType << ")\n";
  Out << "Start time:      " << StartIso.value_or("invalid date") << " ("
      << FormatNumber(Procedure.StartTime) << " days)\n";
  Out << "Frames:          " << Procedure.FrameCount() << '\n';
  Out << "Pain data:       " << YesNo(Procedure.HasPainData);
  if (Procedure.HasPainData)
    Out << " (" << PrintableText(Procedure.PainUnits) << ')';
  Out << '\n';
}

} // namespace

int RunInfoCommand(const TInfoOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    TImagerProcedure Procedure;
    const int Format = Procedure.LoadFromFile(Options.File);
    if (Options.Json) {
      WriteJson(Out, InfoJson(Procedure, Format), 2);
      Out << '\n';
    } else {
      PrintInfoText(Out, Procedure, Format);
    }
    return static_cast<int>(ExitSuccess);
  });
}

void AddInfoCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TInfoOptions>();
  CLI::App* Command = App.add_subcommand("info", "Show the procedure details of an imager file");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_flag("--json", Options->Json, "Print one JSON document");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunInfoCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

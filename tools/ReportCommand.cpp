#include "tools/ReportCommand.h"

#include "app/ReportPdf.h"
#include "imagerdata/ImagerProcedure.h"
#include "timeline/TimelineSideFile.h"
#include "tools/DisplayText.h"
#include "tools/GuiSession.h"
#include "tools/PainRanges.h"
#include "tools/StatsCommand.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

namespace kestrava {

int RunReportCommand(const TReportOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    if (Options.Output.empty()) {
      throw EUsageError("-o: an output file name is needed");
    }
    const TPainRanges Ranges = ParsePainRanges(Options.Analysis, Options.Reference);
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    ApplyPainRanges(Ranges, Procedure);
    Procedure.SetPainThreshold(DefaultPainThreshold);
    const TGuiSession Gui;
    const std::int32_t Pages = WriteProcedureReport(
        {Procedure, Options.File, LoadTimelineSideFile(Options.File)}, Options.Output);
    Out << "Wrote " << PrintableText(Options.Output) << ": the report of "
        << PrintableText(Options.File) << ", " << Pages << (Pages == 1 ? " page\n" : " pages\n");
    return static_cast<int>(ExitSuccess);
  });
}

void AddReportCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TReportOptions>();
  CLI::App* Command = App.add_subcommand(
      "report", "Write the procedure report (quality, pain, loops, lesions, pictures) as a PDF");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option("-o,--output", Options->Output, "PDF file to write")->required();
  Command->add_option(AnalysisOption, Options->Analysis,
                      "Analysis frames FIRST:LAST, numbered from 1 (default: all)");
  Command->add_option(ReferenceOption, Options->Reference,
                      "Reference frames FIRST:LAST, numbered from 1 (default: all)");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunReportCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

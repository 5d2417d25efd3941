#include "tools/ConvertCommand.h"

#include "imagerdata/ImagerProcedure.h"
#include "tools/DisplayText.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

namespace kestrava {

namespace {

// Where the save will write: the name with its extension replaced by ".img".
std::filesystem::path SaveTarget(const std::string& Output) {
  return std::filesystem::path(Output).replace_extension(".img");
}

bool IsSameFile(const std::filesystem::path& A, const std::filesystem::path& B) {
  std::error_code Error;
  return std::filesystem::equivalent(A, B, Error) && !Error;
}

} // namespace

int RunConvertCommand(const TConvertOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    CheckOutputFileName(Options.Output, "OUT");
    if (IsSameFile(Options.Input, SaveTarget(Options.Output)))
      throw EUsageError("Refusing to overwrite the input file " +
                        PrintableText(SaveTarget(Options.Output).string()));
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.Input);
    Out << PrintableText(Procedure.SaveToFile(Options.Output)) << '\n';
    return static_cast<int>(ExitSuccess);
  });
}

void AddConvertCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TConvertOptions>();
  CLI::App* Command =
      App.add_subcommand("convert", "Rewrite an imager file of any format as format 3 (.img)");
  Command->add_option("IN", Options->Input, "Imager file to read (format 1, 2 or 3)")->required();
  Command->add_option("OUT", Options->Output, "File to write; its extension becomes .img")
      ->required();
  Command->callback([Options, &Context] {
    Context.ExitCode = RunConvertCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

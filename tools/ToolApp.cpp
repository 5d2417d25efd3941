#include "tools/ToolApp.h"

#include "tools/ConvertCommand.h"
#include "tools/CurvatureCommand.h"
#include "tools/DriversCommand.h"
#include "tools/FramesCommand.h"
#include "tools/InfoCommand.h"
#include "tools/LoopsCommand.h"
#include "tools/RecordCommand.h"
#include "tools/RenderCommand.h"
#include "tools/ScopeCommand.h"
#include "tools/SimulateCommand.h"
#include "tools/StatsCommand.h"
#include "tools/StreamCommand.h"
#include "tools/TimelineCommand.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <string>

namespace kestrava {

namespace {

// Every command of the tool; a new command adds its line here.
constexpr TAddCommand Commands[] = {
    AddInfoCommand,    AddFramesCommand, AddStatsCommand,    AddConvertCommand, AddCurvatureCommand,
    AddScopeCommand,   AddRenderCommand, AddSimulateCommand, AddLoopsCommand,   AddStreamCommand,
    AddDriversCommand, AddRecordCommand, AddTimelineCommand,
};

int ParseAndRun(CLI::App& App, std::vector<std::string> Arguments, TToolContext& Context) {
  // CLI11 takes the arguments last first.
  std::reverse(Arguments.begin(), Arguments.end());
  try {
    App.parse(Arguments);
  } catch (const CLI::ParseError& Error) {
    if (App.get_subcommands().empty() && Error.get_exit_code() != 0) {
      // Without a command there is nothing more specific to say than what
      // the commands are.
      Context.Err << Error.what() << "\n\n" << App.help();
      return ExitUsageError;
    }
    const int Code = App.exit(Error, Context.Out, Context.Err);
    // Help is a success; everything else CLI11 refuses is a usage error,
    // whatever CLI11's own numbering.
    return Code == 0 ? ExitSuccess : ExitUsageError;
  }
  return Context.ExitCode;
}

} // namespace

int RunTool(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err) {
  TToolContext Context{Out, Err, ExitSuccess};
  CLI::App App("Reads imager files: procedure details, frames and pain statistics",
               "kestrava-tool");
  App.require_subcommand(1);
  App.set_version_flag("--version", std::string("kestrava-tool ") + KESTRAVA_VERSION);
  for (const TAddCommand Add : Commands)
    Add(App, Context);
  const int Code = ParseAndRun(App, Arguments, Context);
  Out.flush();
  if (!Out) {
    Err << "Cannot write the output\n";
    return ExitFileError;
  }
  return Code;
}

} // namespace kestrava

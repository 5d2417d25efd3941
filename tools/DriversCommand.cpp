#include "tools/DriversCommand.h"

#include "acquisition/DriverLoader.h"
#include "foundation/ProgramDirectory.h"
#include "foundation/QelExceptions.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

void WriteTable(std::ostream& Out, const std::vector<TInstalledDriver>& Drivers) {
  std::size_t NameWidth = 4;
  for (const TInstalledDriver& Driver : Drivers) {
    NameWidth = std::max(NameWidth, Driver.Name.size());
  }
  const auto Row = [&Out, NameWidth](const std::string& Name, const std::string& Id,
                                     const std::string& Settings) {
    Out << std::left << std::setw(static_cast<int>(NameWidth)) << Name << "  " << std::setw(38)
        << Id << "  " << Settings << '\n';
  };
  Row("Name", "Driver ID", "Settings");
  for (const TInstalledDriver& Driver : Drivers) {
    Row(Driver.Name, Driver.DriverId, Driver.Settings.empty() ? "-" : Driver.Settings);
  }
}

TJson DriversJson(const std::vector<TInstalledDriver>& Drivers) {
  TJson List = TJson::array();
  for (const TInstalledDriver& Driver : Drivers) {
    List.push_back({{"name", Driver.Name},
                    {"driver_id", Driver.DriverId},
                    {"settings", Driver.Settings.empty() ? TJson() : TJson(Driver.Settings)},
                    {"library", Driver.Library}});
  }
  return List;
}

} // namespace

int RunDriversCommand(const TDriversOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    const std::filesystem::path Directory =
        std::filesystem::path(Options.ProgramDir.empty() ? ProgramDirectory()
                                                         : Options.ProgramDir) /
        "drivers";
    std::error_code Ignored;
    if (!std::filesystem::is_directory(Directory, Ignored)) {
      throw Exception("No drivers directory: " + Directory.string());
    }
    const std::vector<TInstalledDriver> Drivers = ListImagerDrivers(Directory.string());
    if (Options.Json) {
      WriteJson(Out, DriversJson(Drivers), 2);
      Out << '\n';
    } else {
      WriteTable(Out, Drivers);
    }
    return static_cast<int>(ExitSuccess);
  });
}

void AddDriversCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TDriversOptions>();
  CLI::App* Command = App.add_subcommand(
      "drivers", "List the installed imager drivers: name, Driver ID and settings file");
  Command->add_flag("--json", Options->Json, "Print one JSON document");
  Command->add_option("--program-dir", Options->ProgramDir,
                      "Where the drivers are (default: the tool's directory)");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunDriversCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava

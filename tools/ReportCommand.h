#pragma once
// kestrava-tool report FILE -o REPORT.pdf [--analysis FIRST:LAST]
// [--reference FIRST:LAST]: the procedure report of a recording as a PDF
// (app/ReportPdf.h), with the operator's marks from the timeline file beside
// it. Its figures are those timeline, loops and stats print for the same
// file and ranges; the pain threshold is stats' default.

#include "tools/ToolCommand.h"

#include <optional>
#include <string>

namespace kestrava {

struct TReportOptions {
  std::string File;
  std::string Output;
  std::optional<std::string> Analysis;  // "FIRST:LAST"; the whole procedure when empty
  std::optional<std::string> Reference; // "FIRST:LAST"; the whole procedure when empty
};

// Returns the exit code: a recording or a timeline file that cannot be read
// and an output that cannot be written (a directory, the recording itself)
// are file errors, and leave no report behind.
int RunReportCommand(const TReportOptions& Options, std::ostream& Out, std::ostream& Err);

void AddReportCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava

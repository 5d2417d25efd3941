#include "app/ReportExport.h"

#include "app/ReportPdf.h"
#include "timeline/TimelineSideFile.h"

#include <exception>
#include <filesystem>

namespace kestrava {

std::string SuggestedReportPath(const std::string& RecordingPath) {
  if (RecordingPath.empty()) {
    return "report.pdf";
  }
  return std::filesystem::path(RecordingPath).replace_extension(".pdf").string();
}

std::string ExportProcedureReport(TImagerProcedure& Procedure, const std::string& RecordingPath,
                                  const std::string& OutputPath) {
  try {
    WriteProcedureReport({Procedure, RecordingPath, LoadTimelineSideFile(RecordingPath)},
                         OutputPath);
    return {};
  } catch (const std::exception& Failure) {
    // The failures name the file they concern (the report or the side file)
    // and why.
    return std::string("The report could not be written.\n") + Failure.what();
  }
}

} // namespace kestrava

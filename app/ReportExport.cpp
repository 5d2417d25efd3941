#include "app/ReportExport.h"

#include "app/ReportPdf.h"

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
                                  const TOperatorMarks& Marks, const std::string& OutputPath) {
  try {
    WriteProcedureReport({Procedure, RecordingPath, Marks}, OutputPath);
    return {};
  } catch (const std::exception& Failure) {
    // The failures name the file and why.
    return std::string("The report could not be written.\n") + Failure.what();
  }
}

} // namespace kestrava

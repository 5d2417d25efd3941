#pragma once
// File > "Export report..." in the workstation: where the save dialog
// starts and what the operator is told when the report cannot be written.
// The window only asks for the name and shows the message.
//
// Needs a GUI application (the report's fonts). Thread: user-interface thread.

#include "timeline/OperatorMarks.h"

#include <string>

namespace kestrava {

class TImagerProcedure;

inline constexpr const char* ExportReportItemText = "Export report...";

// NAME.pdf beside the recording NAME.img (any extension); "report.pdf" in
// the current folder for a procedure without a file.
std::string SuggestedReportPath(const std::string& RecordingPath);

// Writes the report of Procedure as shown (its ranges and threshold, and
// the operator's Marks the window holds), read from RecordingPath, to
// OutputPath. Returns the message for the operator, naming the file and
// the reason, when it could not; empty when it was written.
std::string ExportProcedureReport(TImagerProcedure& Procedure, const std::string& RecordingPath,
                                  const TOperatorMarks& Marks, const std::string& OutputPath);

} // namespace kestrava

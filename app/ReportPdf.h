#pragma once
// The procedure report as a PDF document: A4 portrait, at most two pages,
// drawn with Qt's own PDF writer so that its text stays text a reader can
// search and copy. What it says is ReportContent's, where it goes
// ReportLayout's, the plot ReportPlot's and the pictures the viewer's own
// (OffscreenViews); this layer only draws them.
//
// The file appears whole or not at all: it is written beside the target
// under a temporary name and renamed over the target once complete, so a
// failure leaves no partial report (and an earlier report of that name as
// it was).
//
// Needs a GUI application (fonts). Thread: user-interface thread.

#include "timeline/OperatorMarks.h"

#include <cstdint>
#include <string>

namespace kestrava {

class TImagerProcedure;

struct TReportSource {
  // As it is to be reported: its analysis and reference ranges and its pain
  // threshold set (the statistics are brought up to date).
  TImagerProcedure& Procedure;
  // The file it was read from: its name is shown.
  std::string RecordingPath;
  // The operator's caecum confirmation and lesion tags.
  TOperatorMarks Marks;
};

// Writes the report of Source to OutputPath and returns its page count.
// Raises Exception("Cannot write file: PATH (why)") when it cannot be
// written there (a directory, a folder that does not exist or cannot be
// written, a full disk, the recording or its timeline file itself).
std::int32_t WriteProcedureReport(const TReportSource& Source, const std::string& OutputPath);

} // namespace kestrava

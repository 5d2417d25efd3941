#pragma once
// What the procedure report says, as text: the header, the quality of the
// examination against the guidelines, the pain, the loop episodes, the
// lesions tagged and the captions of its two pictures. Every figure is
// taken from TProcedureFigures, never worked out again here; numbers are
// written as the information box writes them (fixed decimals, "." as the
// decimal point), times within the procedure as minutes and seconds
// ("07:38"). The PDF layer only places these texts.
//
// Frames are numbered from 1 in the texts. Thread: any (plain values).

#include "app/ProcedureFigures.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

class TImagerProcedure;

// Inclusive frame numbers (from 1).
struct TFrameSpan {
  std::int32_t First = 0;
  std::int32_t Last = 0;
  friend bool operator==(const TFrameSpan&, const TFrameSpan&) = default;
};

// What the report needs to know beyond the figures.
struct TReportDetails {
  std::string PatientName;
  std::int32_t ProcedureType = 0;
  double StartTime = 0; // days since 30 December 1899
  double DurationSeconds = 0;
  std::int32_t FrameCount = 0;
  std::string RecordingName;  // the file's name, without its directory
  std::string ProgramVersion; // "4.5.0"
  bool HasPainData = false;
  std::string PainUnits;
  double PainThreshold = 0; // normalised, as the procedure holds it
  // The ranges the statistics cover; none for a procedure without frames.
  std::optional<TFrameSpan> Analysis;
  std::optional<TFrameSpan> Reference;
};

// The details of Procedure as it stands (its ranges: both ends set, else
// every frame), recorded in RecordingPath.
TReportDetails ReportDetailsOf(const TImagerProcedure& Procedure, const std::string& RecordingPath,
                               const std::string& ProgramVersion);

// "Label:" and its value, at the page's tab stop.
struct TReportLine {
  std::string Label;
  std::string Value;
  friend bool operator==(const TReportLine&, const TReportLine&) = default;
};

struct TReportTable {
  std::vector<std::string> Columns;
  std::vector<std::vector<std::string>> Rows; // each as many cells as Columns
  std::string WhenEmpty;                      // the line shown instead of no rows
};

// A titled part of the report: a sentence that leads it (may be empty),
// labelled lines, then a table (without columns: none).
struct TReportSection {
  std::string Title;
  std::string Lead;
  std::vector<TReportLine> Lines;
  TReportTable Table;
};

// One of the report's pictures: the twin view of frame Index (from 0), or
// none, with its caption.
struct TReportPicture {
  std::optional<std::int32_t> Index;
  std::string Caption;
};

struct TReportContent {
  std::string Title;               // "Procedure report"
  std::string Program;             // "Kestrava 4.5.0"
  std::vector<TReportLine> Header; // in reading order, two to a row
  TReportSection Quality;          // caecum, times, loops, inserted length
  TReportSection Pain;             // the statistics and the pain in and out of loops
  TReportSection Episodes;         // the loop episodes' table
  TReportSection Lesions;          // the lesions' table
  TReportPicture Turn;             // at the caecum, else the deepest point, else the last frame
  TReportPicture Loop;             // at the largest loop
};

TReportContent ReportContentOf(const TReportDetails& Details, const TProcedureFigures& Figures);

} // namespace kestrava

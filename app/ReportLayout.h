#pragma once
// Where the procedure report's parts go on A4 portrait pages, in points
// (1/72 inch) from a page's top left corner. The parts flow in a fixed
// order, each moving to the next page when it does not fit: the header,
// the quality, the plot and the two pictures always fit the first page, so
// that one page says how the procedure went; the pain, the loop episodes
// and the lesions follow. There are never more than two pages: a table
// that does not fit is continued on the second page (its heads repeated)
// and cut there, its last row saying how many more were left out, and it
// leaves room for the title and a row of each table after it.
//
// Thread: any (plain arithmetic).

#include "app/ReportContent.h"

#include <cstdint>
#include <vector>

namespace kestrava {

inline constexpr double PageWidth = 595.276;  // 210 mm
inline constexpr double PageHeight = 841.890; // 297 mm
inline constexpr double PageMargin = 42.52;   // 15 mm
inline constexpr double FooterHeight = 16;    // page number, kept free at the bottom
inline constexpr double ContentWidth = PageWidth - 2 * PageMargin;
inline constexpr std::int32_t MaxReportPages = 2;

inline constexpr double TitleHeight = 30;
inline constexpr double SectionTitleHeight = 20;
inline constexpr double LineHeight = 13;
inline constexpr double SectionGap = 10;
inline constexpr double ValueTab = 130; // from a line's left edge to its value
// The plot: its drawing area, the phase strip under it, the time axis's
// labels and the legend.
inline constexpr double PlotAreaHeight = 160;
inline constexpr double PlotAxisWidth = 34; // for the value labels either side
inline constexpr double PhaseStripHeight = 9;
inline constexpr double PlotLabelsHeight = 16;
inline constexpr double LegendHeight = 14;
// The pictures: two side by side with their captions (two lines) below.
inline constexpr double PictureHeight = 180;
inline constexpr double PictureGap = 12;
inline constexpr double CaptionHeight = 24;

enum class TReportPart : std::int32_t { Header, Quality, Plot, Pictures, Pain, Episodes, Lesions };
inline constexpr TReportPart ReportParts[] = {
    TReportPart::Header, TReportPart::Quality,  TReportPart::Plot,   TReportPart::Pictures,
    TReportPart::Pain,   TReportPart::Episodes, TReportPart::Lesions};

// How tall a part is: Head (all of it, for a part without rows), then Rows
// rows of RowHeight that may be split between pages.
struct TPartSize {
  double Head = 0;
  std::int32_t Rows = 0;
  double RowHeight = LineHeight;
};

// The sizes of Content's parts, in the order of ReportParts.
std::vector<TPartSize> ReportPartSizes(const TReportContent& Content);

// A part, or the piece of a table that one page holds.
struct TPlacedPart {
  std::int32_t Part = 0; // index into the sizes (ReportParts' order)
  std::int32_t Page = 0; // from 0
  double Top = 0;
  double Height = 0;
  // The table rows placed here; a continued piece repeats the heads.
  std::int32_t FirstRow = 0;
  std::int32_t RowCount = 0;
  bool Continued = false;
  // Rows left out for want of room; the last row's place says so.
  std::int32_t OmittedRows = 0;
  friend bool operator==(const TPlacedPart&, const TPlacedPart&) = default;
};

struct TReportLayout {
  std::vector<TPlacedPart> Parts; // in order, pages ascending
  std::int32_t PageCount = 1;
};

// Flows parts of Sizes down the pages as the header says.
TReportLayout LayOutParts(const std::vector<TPartSize>& Sizes);

// A rectangle on a page, points.
struct TPageBox {
  double Left = 0;
  double Top = 0;
  double Width = 0;
  double Height = 0;
};

// The plot's drawing area within its placed part (the axes' labels outside it).
TPageBox PlotArea(const TPlacedPart& Plot);
// Picture Which (0 the left, 1 the right) within the pictures' placed part,
// and the caption's box under it.
TPageBox PictureBox(const TPlacedPart& Pictures, std::int32_t Which);
TPageBox CaptionBox(const TPlacedPart& Pictures, std::int32_t Which);

} // namespace kestrava

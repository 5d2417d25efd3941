#include "app/ReportPdf.h"

#include "app/OffscreenViews.h"
#include "app/ProcedureFigures.h"
#include "app/ReportContent.h"
#include "app/ReportLayout.h"
#include "app/ReportPlot.h"
#include "app/TimelineBand.h"
#include "app/ViewCamera.h"
#include "controls/ControlColors.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "timeline/TimelineSideFile.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSaveFile>
#include <array>
#include <cmath>
#include <filesystem>

namespace kestrava {

namespace {

// The pictures' pixels per point: sharp on paper (216 per inch), yet quick
// to draw with the software device.
constexpr double PicturePixelsPerPoint = 3;
constexpr double TextPoints = 9;
constexpr double SmallPoints = 7.5;
constexpr double SectionPoints = 11;
constexpr double TitlePoints = 16;
constexpr double HeaderTab = 70; // a header column's value, from its label
constexpr double TableFirstColumn = 40;
const QColor RuleColour(0x90, 0x90, 0x90);
const QColor FaintColour(0x60, 0x60, 0x60);

[[noreturn]] void CannotWrite(const std::string& Path, const std::string& Why) {
  throw Exception("Cannot write file: " + Path + " (" + Why + ")");
}

QString Text(const std::string& Utf8) {
  return QString::fromStdString(Utf8);
}

QColor Colour(std::uint32_t Value) {
  return ToQColor(static_cast<TColor>(Value));
}

QRectF Rect(const TPageBox& Box) {
  return {Box.Left, Box.Top, Box.Width, Box.Height};
}

QFont ReportFont(double Points, bool Bold = false) {
  QFont Font(QStringLiteral("DejaVu Sans"));
  Font.setStyleHint(QFont::SansSerif);
  Font.setPointSizeF(Points);
  Font.setBold(Bold);
  // Unshaped: Qt would otherwise join "fi" into one ligature glyph, which a
  // reader's search for "classified" does not find.
  Font.setStyleStrategy(QFont::PreferNoShaping);
  return Font;
}

// One line of text in Box, cut with an ellipsis where it would not fit.
void DrawLine(QPainter& Painter, const QRectF& Box, const std::string& Line,
              Qt::Alignment Align = Qt::AlignLeft) {
  const QString Elided =
      QFontMetricsF(Painter.font()).elidedText(Text(Line), Qt::ElideRight, Box.width());
  Painter.drawText(Box, static_cast<int>(Align | Qt::AlignVCenter), Elided);
}

void DrawLabelled(QPainter& Painter, double Top, const TReportLine& Line, double Left, double Width,
                  double Tab) {
  DrawLine(Painter, {Left, Top, Tab - 4, LineHeight}, Line.Label);
  DrawLine(Painter, {Left + Tab, Top, Width - Tab, LineHeight}, Line.Value);
}

// The section's title over a rule; returns where its body starts.
double DrawSectionTitle(QPainter& Painter, const std::string& Title, double Top) {
  Painter.setFont(ReportFont(SectionPoints, true));
  Painter.setPen(Qt::black);
  Painter.drawText(QRectF(PageMargin, Top, ContentWidth, SectionTitleHeight - 4),
                   Qt::AlignLeft | Qt::AlignBottom, Text(Title));
  Painter.setPen(QPen(RuleColour, 0.5));
  const double Rule = Top + SectionTitleHeight - 3;
  Painter.drawLine(QPointF(PageMargin, Rule), QPointF(PageMargin + ContentWidth, Rule));
  Painter.setPen(Qt::black);
  Painter.setFont(ReportFont(TextPoints));
  return Top + SectionTitleHeight;
}

void DrawHeader(QPainter& Painter, const TReportContent& Content, const TPlacedPart& Part) {
  Painter.setFont(ReportFont(TitlePoints, true));
  Painter.drawText(QRectF(PageMargin, Part.Top, ContentWidth, TitleHeight - 8),
                   Qt::AlignLeft | Qt::AlignVCenter, Text(Content.Title));
  Painter.setFont(ReportFont(TextPoints));
  Painter.drawText(QRectF(PageMargin, Part.Top, ContentWidth, TitleHeight - 8),
                   Qt::AlignRight | Qt::AlignVCenter, Text(Content.Program));
  const double Column = ContentWidth / 2;
  for (std::size_t I = 0; I < Content.Header.size(); ++I) {
    const std::size_t Row = I / 2; // two to a row
    const double Top = Part.Top + TitleHeight + static_cast<double>(Row) * LineHeight;
    DrawLabelled(Painter, Top, Content.Header[I], PageMargin + static_cast<double>(I % 2) * Column,
                 Column - 8, HeaderTab);
  }
}

// The columns' left edges: a narrow first one for the numbers, the rest alike.
std::vector<double> ColumnLefts(std::size_t Columns) {
  std::vector<double> Lefts{PageMargin};
  const double Rest = (ContentWidth - TableFirstColumn) / static_cast<double>(Columns - 1);
  for (std::size_t I = 1; I < Columns; ++I) {
    Lefts.push_back(PageMargin + TableFirstColumn + Rest * static_cast<double>(I - 1));
  }
  Lefts.push_back(PageMargin + ContentWidth);
  return Lefts;
}

void DrawRow(QPainter& Painter, double Top, const std::vector<std::string>& Cells) {
  const std::vector<double> Lefts = ColumnLefts(Cells.size());
  for (std::size_t I = 0; I < Cells.size(); ++I) {
    DrawLine(Painter, {Lefts[I], Top, Lefts[I + 1] - Lefts[I] - 6, LineHeight}, Cells[I]);
  }
}

void DrawSection(QPainter& Painter, const TReportSection& Section, const TPlacedPart& Part) {
  double Y =
      DrawSectionTitle(Painter, Section.Title + (Part.Continued ? " (continued)" : ""), Part.Top);
  if (!Part.Continued) {
    if (!Section.Lead.empty()) {
      DrawLine(Painter, {PageMargin, Y, ContentWidth, LineHeight}, Section.Lead);
      Y += LineHeight;
    }
    for (const TReportLine& Line : Section.Lines) {
      DrawLabelled(Painter, Y, Line, PageMargin, ContentWidth, ValueTab);
      Y += LineHeight;
    }
  } else {
    // The continued piece repeats the heads' height, not their lines.
    Y += LineHeight * static_cast<double>(Section.Lines.size() + (Section.Lead.empty() ? 0 : 1));
  }
  const TReportTable& Table = Section.Table;
  if (Table.Columns.empty()) {
    return;
  }
  if (Table.Rows.empty()) {
    DrawLine(Painter, {PageMargin, Y, ContentWidth, LineHeight}, Table.WhenEmpty);
    return;
  }
  Painter.setFont(ReportFont(TextPoints, true));
  DrawRow(Painter, Y, Table.Columns);
  Painter.setFont(ReportFont(TextPoints));
  for (std::int32_t R = 0; R < Part.RowCount; ++R) {
    Y += LineHeight;
    DrawRow(Painter, Y,
            Table.Rows[static_cast<std::size_t>(Part.FirstRow) + static_cast<std::size_t>(R)]);
  }
  if (Part.OmittedRows > 0) {
    Y += LineHeight;
    DrawLine(Painter, {PageMargin, Y, ContentWidth, LineHeight},
             "... and " + std::to_string(Part.OmittedRows) + " more, left out for want of room");
  }
}

QPolygonF Polyline(const TPlotLine& Line) {
  QPolygonF Points;
  Points.reserve(static_cast<qsizetype>(Line.size()));
  for (const TPlotPoint& P : Line) {
    Points.append({P.X, P.Y});
  }
  return Points;
}

void DrawLegendItem(QPainter& Painter, double& X, double Y, const QColor& Colour,
                    const std::string& Label) {
  Painter.fillRect(QRectF(X, Y + LegendHeight / 2 - 3, 8, 6), Colour);
  const QString Shown = Text(Label);
  const double Width = QFontMetricsF(Painter.font()).horizontalAdvance(Shown);
  Painter.drawText(QRectF(X + 11, Y, Width + 1, LegendHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   Shown);
  X += 11 + Width + 12;
}

void DrawPlotBody(QPainter& Painter, const TPlotGeometry& Plot) {
  const QRectF Area = Rect(Plot.Area);
  for (const TPlotSpan& Loop : Plot.Loops) {
    Painter.fillRect(QRectF(Loop.From, Area.top(), Loop.To - Loop.From, Area.height()),
                     Colour(LoopBandColour));
  }
  const double Strip = Area.bottom() + 2;
  for (const TPhaseSpan& Phase : Plot.Phases) {
    Painter.fillRect(QRectF(Phase.From, Strip, Phase.To - Phase.From, PhaseStripHeight - 2),
                     Colour(PhaseColour(Phase.Phase)));
  }
  Painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0.4));
  for (const TPlotTick& Tick : Plot.PainTicks.empty() ? Plot.DepthTicks : Plot.PainTicks) {
    Painter.drawLine(QPointF(Area.left(), Tick.At), QPointF(Area.right(), Tick.At));
  }
  Painter.setPen(QPen(RuleColour, 0.6));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawRect(Area);
  Painter.setRenderHint(QPainter::Antialiasing);
  Painter.setPen(QPen(Colour(DepthLineColour), 1.0));
  for (const TPlotLine& Line : Plot.Depth) {
    Painter.drawPolyline(Polyline(Line));
  }
  Painter.setPen(QPen(Colour(PainLineColour), 1.0));
  for (const TPlotLine& Line : Plot.Pain) {
    Painter.drawPolyline(Polyline(Line));
  }
  Painter.setPen(Qt::NoPen);
  Painter.setBrush(Colour(LesionTickColour));
  for (const double X : Plot.Lesions) {
    Painter.drawPolygon(QPolygonF({{X - 3, Area.top()}, {X + 3, Area.top()}, {X, Area.top() + 5}}));
  }
  Painter.setBrush(Qt::NoBrush);
}

void DrawPlotLabels(QPainter& Painter, const TPlotGeometry& Plot) {
  const QRectF Area = Rect(Plot.Area);
  Painter.setFont(ReportFont(SmallPoints));
  Painter.setPen(FaintColour);
  for (const TPlotTick& Tick : Plot.PainTicks) {
    Painter.drawText(QRectF(PageMargin, Tick.At - 6, PlotAxisWidth - 3, 12),
                     Qt::AlignRight | Qt::AlignVCenter, Text(Tick.Label));
  }
  for (const TPlotTick& Tick : Plot.DepthTicks) {
    Painter.drawText(QRectF(Area.right() + 3, Tick.At - 6, PlotAxisWidth - 3, 12),
                     Qt::AlignLeft | Qt::AlignVCenter, Text(Tick.Label));
  }
  const double Labels = Area.bottom() + PhaseStripHeight;
  for (const TPlotTick& Tick : Plot.TimeTicks) {
    Painter.drawText(QRectF(Tick.At - 20, Labels, 40, PlotLabelsHeight), Qt::AlignCenter,
                     Text(Tick.Label));
  }
  // Past the last tick's label, under the depth axis's.
  Painter.drawText(QRectF(Area.right() + 14, Labels, PlotAxisWidth - 14, PlotLabelsHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, Text(Plot.TimeTitle));
  for (std::size_t I = 0; I < Plot.Lesions.size(); ++I) {
    Painter.drawText(QRectF(Plot.Lesions[I] - 10, Area.top() - 10, 20, 9), Qt::AlignCenter,
                     QString::number(I + 1));
  }
  Painter.setPen(Qt::black);
  double X = PageMargin;
  const double Y = Labels + PlotLabelsHeight;
  DrawLegendItem(Painter, X, Y, Colour(PainLineColour), Plot.PainTitle);
  DrawLegendItem(Painter, X, Y, Colour(DepthLineColour), Plot.DepthTitle);
  DrawLegendItem(Painter, X, Y, Colour(LoopBandColour), "Loop");
  for (const auto Phase : {TProcedurePhase::Outside, TProcedurePhase::Insertion,
                           TProcedurePhase::Caecum, TProcedurePhase::Withdrawal}) {
    DrawLegendItem(Painter, X, Y, Colour(PhaseColour(Phase)),
                   std::string(ProcedurePhaseText(Phase)));
  }
  DrawLegendItem(Painter, X, Y, Colour(LesionTickColour), "Lesion");
}

void DrawPictures(QPainter& Painter, const TReportContent& Content,
                  const std::array<QImage, 2>& Pictures, const TPlacedPart& Part) {
  DrawSectionTitle(Painter, "Pictures", Part.Top);
  const std::array<const TReportPicture*, 2> Shown{&Content.Turn, &Content.Loop};
  for (std::int32_t I = 0; I < 2; ++I) {
    const QRectF Box = Rect(PictureBox(Part, I));
    const auto Slot = static_cast<std::size_t>(I);
    if (Pictures[Slot].isNull()) {
      Painter.fillRect(Box, QColor(0xF2, 0xF2, 0xF2));
    } else {
      Painter.drawImage(Box, Pictures[Slot]);
    }
    Painter.setPen(QPen(RuleColour, 0.5));
    Painter.drawRect(Box);
    Painter.setPen(Qt::black);
    Painter.setFont(ReportFont(SmallPoints));
    Painter.drawText(Rect(CaptionBox(Part, I)), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     Text(Shown[Slot]->Caption));
    Painter.setFont(ReportFont(TextPoints));
  }
}

void DrawFooter(QPainter& Painter, const TReportContent& Content, const std::string& Recording,
                std::int32_t Page, std::int32_t Pages) {
  Painter.setFont(ReportFont(SmallPoints));
  Painter.setPen(FaintColour);
  const QRectF Box(PageMargin, PageHeight - PageMargin - FooterHeight + 4, ContentWidth,
                   FooterHeight - 4);
  DrawLine(Painter, Box, Content.Program + " - " + Recording, Qt::AlignLeft);
  Painter.drawText(Box, Qt::AlignRight | Qt::AlignVCenter,
                   Text("Page " + std::to_string(Page + 1) + " of " + std::to_string(Pages)));
  Painter.setPen(Qt::black);
  Painter.setFont(ReportFont(TextPoints));
}

QImage DrawPicture(const TImagerProcedure& Procedure, const TReportPicture& Picture,
                   const TPageBox& Box) {
  if (!Picture.Index || *Picture.Index < 0 || *Picture.Index >= Procedure.FrameCount()) {
    return {};
  }
  return DrawFittedViews(Procedure.GetFrame(*Picture.Index), Procedure.ProcedureType, ViewModeTwin,
                         static_cast<std::int32_t>(Box.Width * PicturePixelsPerPoint),
                         static_cast<std::int32_t>(Box.Height * PicturePixelsPerPoint));
}

// Everything the pages show, worked out before the file is opened.
struct TReportPages {
  TReportContent Content;
  TReportLayout Layout;
  TPlotGeometry Plot;
  std::array<QImage, 2> Pictures;
};

TReportPages PrepareReport(const TReportSource& Source) {
  TImagerProcedure& Procedure = Source.Procedure;
  const TProcedureFigures Figures = ProcedureFiguresOf(Procedure, Source.Marks);
  TReportPages Pages;
  Pages.Content =
      ReportContentOf(ReportDetailsOf(Procedure, Source.RecordingPath, KESTRAVA_VERSION), Figures);
  Pages.Layout = LayOutParts(ReportPartSizes(Pages.Content));
  for (const TPlacedPart& Part : Pages.Layout.Parts) {
    if (ReportParts[Part.Part] == TReportPart::Plot) {
      Pages.Plot = PlanPlot(PlotDataOf(Procedure, Figures), PlotArea(Part));
    } else if (ReportParts[Part.Part] == TReportPart::Pictures) {
      Pages.Pictures = {DrawPicture(Procedure, Pages.Content.Turn, PictureBox(Part, 0)),
                        DrawPicture(Procedure, Pages.Content.Loop, PictureBox(Part, 1))};
    }
  }
  return Pages;
}

void DrawPart(QPainter& Painter, const TReportPages& Pages, const TPlacedPart& Part) {
  const TReportContent& C = Pages.Content;
  switch (ReportParts[Part.Part]) {
  case TReportPart::Header:
    DrawHeader(Painter, C, Part);
    break;
  case TReportPart::Quality:
    DrawSection(Painter, C.Quality, Part);
    break;
  case TReportPart::Plot:
    DrawSectionTitle(Painter, "Over time", Part.Top);
    DrawPlotBody(Painter, Pages.Plot);
    DrawPlotLabels(Painter, Pages.Plot);
    break;
  case TReportPart::Pictures:
    DrawPictures(Painter, C, Pages.Pictures, Part);
    break;
  case TReportPart::Pain:
    DrawSection(Painter, C.Pain, Part);
    break;
  case TReportPart::Episodes:
    DrawSection(Painter, C.Episodes, Part);
    break;
  case TReportPart::Lesions:
    DrawSection(Painter, C.Lesions, Part);
    break;
  }
}

void DrawPages(QPdfWriter& Writer, QPainter& Painter, const TReportPages& Pages,
               const std::string& Recording) {
  std::int32_t Page = 0;
  for (const TPlacedPart& Part : Pages.Layout.Parts) {
    while (Page < Part.Page) {
      DrawFooter(Painter, Pages.Content, Recording, Page++, Pages.Layout.PageCount);
      Writer.newPage();
    }
    Painter.save();
    DrawPart(Painter, Pages, Part);
    Painter.restore();
  }
  DrawFooter(Painter, Pages.Content, Recording, Page, Pages.Layout.PageCount);
}

} // namespace

std::int32_t WriteProcedureReport(const TReportSource& Source, const std::string& OutputPath) {
  std::error_code Ignored;
  if (OutputPath.empty()) {
    CannotWrite(OutputPath, "no file name");
  }
  if (std::filesystem::is_directory(OutputPath, Ignored)) {
    CannotWrite(OutputPath, "it is a directory");
  }
  // A report saved over what it reports on would destroy it.
  for (const std::string& Own :
       {Source.RecordingPath, TimelineSideFilePath(Source.RecordingPath)}) {
    if (std::filesystem::equivalent(OutputPath, Own, Ignored)) {
      CannotWrite(OutputPath, "it is the recording's own file");
    }
  }
  const TReportPages Pages = PrepareReport(Source);
  const std::string Recording = std::filesystem::path(Source.RecordingPath).filename().string();

  QSaveFile File(Text(OutputPath));
  if (!File.open(QIODevice::WriteOnly)) {
    CannotWrite(OutputPath, File.errorString().toStdString());
  }
  {
    QPdfWriter Writer(&File);
    Writer.setPageSize(QPageSize(QPageSize::A4));
    Writer.setPageOrientation(QPageLayout::Portrait);
    Writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    // One unit a point, as the layout measures.
    Writer.setResolution(72);
    Writer.setTitle(Text(Pages.Content.Title + ": " + Recording));
    Writer.setCreator(Text(Pages.Content.Program));
    QPainter Painter;
    if (!Painter.begin(&Writer)) {
      CannotWrite(OutputPath, "the PDF writer could not start");
    }
    Painter.setFont(ReportFont(TextPoints));
    DrawPages(Writer, Painter, Pages, Recording);
    Painter.end();
  }
  if (!File.commit()) {
    CannotWrite(OutputPath, File.errorString().toStdString());
  }
  return Pages.Layout.PageCount;
}

} // namespace kestrava

#include "app/ReportLayout.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

constexpr double PageTop = PageMargin;
constexpr double PageBottom = PageHeight - PageMargin - FooterHeight;

double SectionHead(const TReportSection& Section) {
  const auto Lines = static_cast<double>(Section.Lines.size()) + (Section.Lead.empty() ? 0 : 1) +
                     (Section.Table.Columns.empty() ? 0 : 1); // the column heads or WhenEmpty
  return SectionTitleHeight + Lines * LineHeight;
}

TPartSize TableSize(const TReportSection& Section) {
  return {SectionHead(Section), static_cast<std::int32_t>(Section.Table.Rows.size()), LineHeight};
}

// What the parts after Index need at least on the last page: their heads
// and a row each (their last row then says how many were left out).
double RoomAfter(const std::vector<TPartSize>& Sizes, std::size_t Index) {
  double Room = 0;
  for (std::size_t I = Index + 1; I < Sizes.size(); ++I) {
    Room += SectionGap + Sizes[I].Head + (Sizes[I].Rows > 0 ? Sizes[I].RowHeight : 0);
  }
  return Room;
}

} // namespace

std::vector<TPartSize> ReportPartSizes(const TReportContent& Content) {
  const std::size_t HeaderRows = (Content.Header.size() + 1) / 2; // two to a row
  return {{TitleHeight + static_cast<double>(HeaderRows) * LineHeight, 0, LineHeight},
          {SectionHead(Content.Quality), 0, LineHeight},
          {SectionTitleHeight + PlotAreaHeight + PhaseStripHeight + PlotLabelsHeight + LegendHeight,
           0, LineHeight},
          {SectionTitleHeight + PictureHeight + CaptionHeight, 0, LineHeight},
          {SectionHead(Content.Pain), 0, LineHeight},
          TableSize(Content.Episodes),
          TableSize(Content.Lesions)};
}

TReportLayout LayOutParts(const std::vector<TPartSize>& Sizes) {
  TReportLayout Layout;
  std::int32_t Page = 0;
  double Y = PageTop;
  for (std::size_t I = 0; I < Sizes.size(); ++I) {
    const TPartSize& Size = Sizes[I];
    TPlacedPart Placed;
    Placed.Part = static_cast<std::int32_t>(I);
    if (Y > PageTop) {
      Y += SectionGap;
    }
    for (;;) {
      const bool LastPage = Page == MaxReportPages - 1;
      const double Room = PageBottom - Y - (LastPage ? RoomAfter(Sizes, I) : 0);
      const std::int32_t Left = Size.Rows - Placed.FirstRow;
      const auto Fit =
          static_cast<std::int32_t>(std::floor((Room - Size.Head) / Size.RowHeight + 1e-9));
      Placed.Page = Page;
      Placed.Top = Y;
      if (Size.Head + Left * Size.RowHeight <= Room + 1e-9) {
        Placed.RowCount = Left;
      } else if (!LastPage) {
        if (Size.Rows > 0 && Fit >= 1) {
          // The table starts here and goes on over the page.
          Placed.RowCount = Fit;
          Placed.Height = Size.Head + Fit * Size.RowHeight;
          Layout.Parts.push_back(Placed);
          Placed.FirstRow += Fit;
          Placed.Continued = true;
        }
        ++Page;
        Y = PageTop;
        continue;
      } else if (Size.Rows > 0) {
        // The last page: as many rows as leave one for "N more".
        Placed.RowCount = std::clamp(Fit - 1, 0, Left);
        Placed.OmittedRows = Left - Placed.RowCount;
      }
      // A part without rows that is too tall for the last page is placed
      // anyway: the fixed parts never are.
      break;
    }
    Placed.Height =
        Size.Head + (Placed.RowCount + (Placed.OmittedRows > 0 ? 1 : 0)) * Size.RowHeight;
    Layout.Parts.push_back(Placed);
    Y += Placed.Height;
  }
  Layout.PageCount = Page + 1;
  return Layout;
}

TPageBox PlotArea(const TPlacedPart& Plot) {
  return {PageMargin + PlotAxisWidth, Plot.Top + SectionTitleHeight,
          ContentWidth - 2 * PlotAxisWidth, PlotAreaHeight};
}

TPageBox PictureBox(const TPlacedPart& Pictures, std::int32_t Which) {
  const double Width = (ContentWidth - PictureGap) / 2;
  return {PageMargin + Which * (Width + PictureGap), Pictures.Top + SectionTitleHeight, Width,
          PictureHeight};
}

TPageBox CaptionBox(const TPlacedPart& Pictures, std::int32_t Which) {
  const TPageBox Picture = PictureBox(Pictures, Which);
  return {Picture.Left, Picture.Top + Picture.Height + 2, Picture.Width, CaptionHeight - 2};
}

} // namespace kestrava

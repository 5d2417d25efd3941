// The report's pages: one that says how the procedure went, at most one
// more, and every table row either shown or counted as left out.

#include "app/ReportLayout.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// The largest quality section the report writes, with pain, and tables of
// the given lengths.
TReportContent Content(std::size_t Episodes, std::size_t Lesions) {
  TReportContent C;
  C.Header.resize(6);
  C.Quality = {"Quality", "Caecum not reached: why.", std::vector<TReportLine>(5), {}};
  C.Pain = {"Pain", "No reference pain.", std::vector<TReportLine>(11), {}};
  C.Episodes.Table = {{"No.", "Class"}, std::vector<std::vector<std::string>>(Episodes), "None."};
  C.Lesions.Table = {{"No.", "Frame"}, std::vector<std::vector<std::string>>(Lesions), "None."};
  return C;
}

TEST(ReportLayout, TheFirstPageHoldsTheSummaryAndTablesGoOnToASecondPageAndNoFurther) {
  constexpr double Bottom = PageHeight - PageMargin - FooterHeight;
  for (const auto& [Episodes, Lesions] :
       {std::pair<std::size_t, std::size_t>{0, 0}, {3, 2}, {45, 0}, {0, 80}, {1000, 1000}}) {
    const std::vector<TPartSize> Sizes = ReportPartSizes(Content(Episodes, Lesions));
    const TReportLayout Layout = LayOutParts(Sizes);
    SCOPED_TRACE(testing::Message() << Episodes << " episodes, " << Lesions << " lesions");
    ASSERT_LE(Layout.PageCount, MaxReportPages);
    std::vector<std::int32_t> Shown(Sizes.size()), Omitted(Sizes.size()), Pieces(Sizes.size());
    for (const TPlacedPart& P : Layout.Parts) {
      EXPECT_LE(P.Top + P.Height, Bottom + 1e-6);
      EXPECT_LT(P.Page, Layout.PageCount);
      if (P.Part <= static_cast<std::int32_t>(TReportPart::Pictures)) {
        EXPECT_EQ(P.Page, 0) << "part " << P.Part;
      }
      ++Pieces[static_cast<std::size_t>(P.Part)];
      Shown[static_cast<std::size_t>(P.Part)] += P.RowCount;
      Omitted[static_cast<std::size_t>(P.Part)] += P.OmittedRows;
    }
    const std::size_t EpisodesPart = static_cast<std::size_t>(TReportPart::Episodes);
    EXPECT_EQ(static_cast<std::size_t>(Shown[EpisodesPart] + Omitted[EpisodesPart]), Episodes);
    EXPECT_EQ(static_cast<std::size_t>(Shown.back() + Omitted.back()), Lesions);
    EXPECT_EQ(std::count(Pieces.begin(), Pieces.end(), 0), 0) << "every part has its place";
  }
}

TEST(ReportLayout, ATableThatGoesOverThePageRepeatsItsHeadsAndKeepsItsRowsInOrder) {
  const std::vector<TPartSize> Sizes = {{680, 0, 13}, {33, 20, 13}};
  const TReportLayout Layout = LayOutParts(Sizes);
  ASSERT_EQ(Layout.Parts.size(), 3u);
  const TPlacedPart& Start = Layout.Parts[1];
  const TPlacedPart& Rest = Layout.Parts[2];
  EXPECT_EQ(Start.Page, 0);
  EXPECT_FALSE(Start.Continued);
  EXPECT_GE(Start.RowCount, 1);
  EXPECT_EQ(Rest.Page, 1);
  EXPECT_TRUE(Rest.Continued);
  EXPECT_EQ(Rest.Top, PageMargin);
  EXPECT_EQ(Rest.FirstRow, Start.RowCount);
  EXPECT_EQ(Start.RowCount + Rest.RowCount, 20);
  EXPECT_EQ(Rest.Height, 33 + Rest.RowCount * 13.0);
}

TEST(ReportLayout, PicturesAndPlotAreaSitInsideTheirPart) {
  const TPlacedPart Part{3, 0, 400, SectionTitleHeight + PictureHeight + CaptionHeight};
  const TPageBox Left = PictureBox(Part, 0), Right = PictureBox(Part, 1);
  EXPECT_EQ(Left.Left, PageMargin);
  EXPECT_NEAR(Right.Left + Right.Width, PageWidth - PageMargin, 1e-9);
  EXPECT_NEAR(Right.Left - (Left.Left + Left.Width), PictureGap, 1e-9);
  EXPECT_LE(CaptionBox(Part, 1).Top + CaptionBox(Part, 1).Height, Part.Top + Part.Height);
  const TPageBox Plot = PlotArea({2, 0, 100, 0});
  EXPECT_NEAR(Plot.Left + Plot.Width / 2, PageWidth / 2, 1e-9);
}

} // namespace
} // namespace kestrava

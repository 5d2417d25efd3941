#include "ControlsTestSupport.h"
#include "controls/ScrollableStringList.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

TEST(TabStops, StayAscendingWithoutDuplicatesAndAtMostThirtyTwo) {
  TTabStops Stops;
  for (const int X : {100, 50, 150, 50})
    Stops.Add(X);
  EXPECT_EQ(Stops.Stops(), (std::vector<std::int32_t>{50, 100, 150}));
  EXPECT_EQ(Stops.NextAfter(50), 100);
  EXPECT_EQ(Stops.NextAfter(150), 150); // none beyond: x stays
  for (int X = 200; X < 300; ++X)
    Stops.Add(X);
  EXPECT_EQ(Stops.Stops().size(), TTabStops::MaxStops);
}

TEST(TabStops, SegmentsStartAtTheNextStopAfterTheTextBeforeThem) {
  const auto Width = [](const std::string& Text) {
    return static_cast<std::int32_t>(7 * Text.size());
  };
  TTabStops Stops;
  const TLineLayout Plain = LayOutLine("a\tb", Stops, Width);
  ASSERT_EQ(Plain.Segments.size(), 2u);
  EXPECT_EQ(Plain.Segments[0].X, 2);
  EXPECT_EQ(Plain.Segments[1].X, 9); // directly after a
  Stops.Add(40);
  Stops.Add(120);
  const TLineLayout Columns = LayOutLine("a\tb\t\tlong", Stops, Width);
  ASSERT_EQ(Columns.Segments.size(), 4u);
  EXPECT_EQ(Columns.Segments[1].X, 40);
  EXPECT_EQ(Columns.Segments[2].X, 120);
  EXPECT_EQ(Columns.EndX, 120 + 28);
}

class ScrollableStringList : public ::testing::Test {
protected:
  void Click(QPoint At) {
    QMouseEvent Press(QEvent::MouseButtonPress, At, List.viewport()->mapToGlobal(At),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(List.viewport(), &Press);
  }
  void SetUp() override {
    List.resize(200, 150);
    List.SetColor(ColorWhite);
    QFont Small = List.font();
    Small.setPixelSize(11);
    Small.setStyleStrategy(QFont::NoAntialias); // exact colours to look for
    List.setFont(Small);
    List.show(); // lays the viewport out (offscreen)
    for (const char* Line : {"Patient\tA", "Scope\t1.2 m", "Pain\t0"})
      List.AddLine(Line);
  }
  TScrollableStringList List;
};

TEST_F(ScrollableStringList, SelectedLineIsFilledAndWrittenInWhite) {
  List.SetSelectableItems(true);
  const int H = List.LineHeight();
  Click(QPoint(20, H + H / 2));
  EXPECT_EQ(List.SelectedIndex(), 1);
  const QImage Image = List.RenderImage();
  EXPECT_EQ(BoundsOf(Image, ColorNavy), QRect(0, H, List.ClientWidth(), H));
  EXPECT_GT(CountOf(Image, ColorBlack), 0); // the other lines
  EXPECT_GT(BoundsOf(Image, ColorWhite, QRect(0, H, 200, H)).width(), 10);

  Click(QPoint(20, 3 * H + 1));
  EXPECT_EQ(List.SelectedIndex(), -1); // below the last line
  List.SetSelectableItems(false);
  Click(QPoint(20, 1));
  EXPECT_EQ(List.SelectedIndex(), -1);
}

TEST_F(ScrollableStringList, ColumnsStartAtTheirTabStopAndSetTheScrollRanges) {
  List.AddTabStop(100);
  const QImage Image = List.RenderImage();
  const QRect FirstColumn = BoundsOf(Image, ColorBlack, QRect(0, 0, 99, List.LineHeight()));
  const QRect SecondColumn = BoundsOf(Image, ColorBlack, QRect(99, 0, 101, List.LineHeight()));
  EXPECT_NEAR(FirstColumn.left(), 3, 1);
  EXPECT_NEAR(SecondColumn.left(), 101, 1);
  EXPECT_EQ(List.VertRange(), 3 * List.LineHeight());
  EXPECT_EQ(List.HorzRange(), 100 + List.fontMetrics().horizontalAdvance("1.2 m"));
  List.Clear();
  EXPECT_EQ(List.NumItems(), 0);
  EXPECT_EQ(List.SelectedIndex(), -1);
}

} // namespace
} // namespace kestrava::testing

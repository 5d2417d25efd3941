#include "ControlsTestSupport.h"
#include "controls/ECGGraph.h"

#include <string>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

constexpr TColor Background = 0x202020, PenColour = ColorWhite, Cursor = ColorRed,
                 Labels = 0x00FFFF;

class ECGGraph : public ::testing::Test {
protected:
  void SetUp() override {
    Graph.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // keep the viewport exact
    Graph.resize(300, 120);
    Graph.SetColor(Background);
    Graph.SetPenColor(PenColour);
    Graph.SetCursorColor(Cursor);
    Graph.SetFontColor(Labels);
    Graph.show(); // lays the viewport out (offscreen)
  }
  TECGGraph Graph;
};

TEST_F(ECGGraph, EmptyGraphDrawsOnlyBackgroundAndRunsBothCallbacks) {
  std::string Calls;
  Graph.OnUserPreDraw = [&](TECGGraph&, QPainter&) {
    Calls += "pre,";
  };
  Graph.OnUserDraw = [&](TECGGraph&, QPainter&) {
    Calls += "post";
  };
  const QImage Image = Graph.RenderImage();
  EXPECT_EQ(Calls, "pre,post");
  EXPECT_EQ(CountOf(Image, Background), Image.width() * Image.height());
  Graph.UpdateLayout();
  EXPECT_EQ(Graph.ScrollRange(), 20);
}

TEST_F(ECGGraph, AxisTicksAndLabelsMarkEveryPeriod) {
  Graph.SetNumPoints(101);
  const QImage Image = Graph.RenderImage();
  const int Y0 = Graph.ValueToY(0);
  EXPECT_EQ(Y0, Graph.ClientHeight() / 2);
  EXPECT_EQ(Graph.ScrollRange(), 120);
  // The axis runs from sample 0 to sample 100 and no further.
  EXPECT_EQ(BoundsOf(Image, PenColour, QRect(0, Y0, 300, 1)), QRect(Graph.PointToX(0), Y0, 101, 1));
  for (const int Sample : {0, 50, 100}) {
    const int X = Graph.PointToX(Sample);
    EXPECT_TRUE(IsColor(Image, X, Y0 + 1, PenColour)) << Sample; // the tick, below the axis
    EXPECT_FALSE(IsColor(Image, X + 1, Y0 + 1, PenColour)) << Sample;
    // A label below each tick, centred on it.
    const QRect Label = BoundsOf(Image, Labels, QRect(X - 12, Y0 + 2, 25, 30));
    ASSERT_FALSE(Label.isEmpty()) << Sample;
    EXPECT_NEAR(Label.center().x(), X, 3) << Sample;
  }
  EXPECT_TRUE(BoundsOf(Image, Labels, QRect(Graph.PointToX(150) - 12, Y0, 25, 30)).isEmpty());
}

TEST_F(ECGGraph, CursorIsAVerticalLineFromTheAxisUpToTenPixels) {
  Graph.SetNumPoints(101);
  const int Y0 = Graph.ValueToY(0);
  EXPECT_EQ(CountOf(Graph.RenderImage(), Cursor), 0); // -1: no cursor
  Graph.SetCursorPosition(40);
  EXPECT_EQ(BoundsOf(Graph.RenderImage(), Cursor),
            QRect(QPoint(Graph.PointToX(40), 10), QPoint(Graph.PointToX(40), Y0)));
  Graph.SetCursorPosition(-2); // only -1 hides it
  EXPECT_EQ(BoundsOf(Graph.RenderImage(), Cursor).left(), Graph.PointToX(-2));
}

TEST_F(ECGGraph, FollowingLatestScrollsTheNewestSampleIntoView) {
  Graph.SetFollowLatest(true);
  for (int I = 0; I < 100; ++I)
    Graph.AddPoint(0);
  EXPECT_EQ(Graph.StartPoint(), 0);
  EXPECT_EQ(Graph.ScrollRange(), 0);
  for (int I = 0; I < 400; ++I)
    Graph.AddPoint(0);
  EXPECT_EQ(Graph.PointToX(499), Graph.ClientWidth() - 20 + Graph.HorzBorder());
  EXPECT_EQ(Graph.IndexAtX(Graph.ClientWidth() - 20 + Graph.HorzBorder()), 499);
  EXPECT_EQ(Graph.IndexAtX(Graph.HorzBorder()), Graph.StartPoint());
}

} // namespace
} // namespace kestrava::testing

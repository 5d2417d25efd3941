// Fitting the views in the window: View > "Fit endoscope" puts every
// projected point of the endoscope, the markers and the hand (and the
// markers' labels) inside each view of AP, lateral and twin view; Home brings
// the design's camera back; "Auto fit endoscope" fits when a new frame would
// leave a view and leaves the camera alone otherwise.

#include "WindowTestSupport.h"
#include "app/ViewPicture.h"
#include "render/Direct3DViewerControl.h"
#include "scene/Graphics3DFrame.h"
#include "tests/looping/LoopTestShapes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

// Frame 1: a short scope near the patient's centre, which the design
// camera shows whole. Frame 2: the whole scope reaching far up and across,
// the hand beside the patient, which it crops.
std::string WriteRecording(const QString& Folder) {
  TImagerProcedure Procedure;
  TImagerFrame& Short = Procedure.AddFrame();
  FrameAlong(RisingTo(0, 0.08), Short, 4);
  TImagerFrame& Long = Procedure.AddFrame();
  TPath Path = RisingTo(0.25, 0.3);
  AddLineTo(Path, Vector3(-0.2, 0.05, 0.45));
  FrameAlong(Path, Long);
  for (TImagerFrame* Frame : {&Short, &Long}) {
    Frame->EndoscopeValid = true;
    Frame->TubeRadius = DefaultTubeRadius;
  }
  Long.Time = 1 / 86400.0;
  Long.HandValid = true;
  Long.HandPosition = Vector3(0.35, 0.1, -0.1);
  std::string Name = QDir(Folder).filePath("fit.img").toStdString();
  Procedure.SaveToFile(Name);
  return Name;
}

class MainFit : public ::testing::Test, protected test::TWindowTestWorld {
protected:
  std::unique_ptr<TMain> Make() {
    auto Main = std::make_unique<TMain>(Environment());
    Main->resize(1000, 700);
    Main->show();
    Main->activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(Main->OpenImagerFile(WriteRecording(Folder.path())));
    return Main;
  }

  // Checks every point of the frame on show against the view's edges, where
  // the view itself puts it; returns the larger share of its width or
  // height that the points span.
  static double CheckInside(TMain& Main, TDirect3DViewerControl& View) {
    const TLabelRoom Labels = MarkerLabelRoom();
    const double Margin = 0.03 * std::min(View.width(), View.height());
    const TGraphics3DFrame World;
    double Left = View.width(), Right = 0, Top = View.height(), Bottom = 0;
    for (const TFitPoint& Point :
         ModelPointsToShow(Main.Display().ShapeModel(), Main.Display().ShownFrame())) {
      const TVector3 At = View.FrameToScreen(Point.Position, World);
      EXPECT_GT(At.X, Margin);
      EXPECT_GT(At.Y, Margin);
      EXPECT_LT(At.X + (Point.Labelled ? Labels.Right : 0), View.width() - Margin);
      EXPECT_LT(At.Y + (Point.Labelled ? Labels.Down : 0), View.height() - Margin);
      Left = std::min(Left, At.X), Right = std::max(Right, At.X);
      Top = std::min(Top, At.Y), Bottom = std::max(Bottom, At.Y);
    }
    return std::max((Right - Left) / View.width(), (Bottom - Top) / View.height());
  }

  static bool Leaves(TMain& Main) {
    return PointsLeaveViews(
        Main.Display().Camera(),
        ModelPointsToShow(Main.Display().ShapeModel(), Main.Display().ShownFrame()),
        {Main.FrontView().width(), Main.FrontView().height(),
         Main.Options().ViewMode == ViewModeTwin, Main.SideView().width(),
         Main.SideView().height()});
  }
};

TEST_F(MainFit, FitEndoscopePutsEverythingInsideEachViewAndHomeBringsTheDesignCameraBack) {
  const auto Main = Make();
  Main->StepFrame(1);
  Main->Update();
  for (const char* View : {"AP view", "Lateral view", "Twin view"}) {
    SCOPED_TRACE(View);
    Main->MenuAction(View)->trigger();
    Main->Display().Camera().ResetCamera(); // the design's camera, aligned
    Main->Display().Changes.AlignmentRequested = true;
    Main->Update();
    ASSERT_TRUE(Leaves(*Main)) << "the design camera crops the scope";
    QAction* Fit = Main->MenuAction("Fit endoscope");
    EXPECT_EQ(Fit->shortcut(), QKeySequence(Qt::Key_F));
    Fit->trigger();
    double Filled = CheckInside(*Main, Main->FrontView());
    if (Main->Options().ViewMode == ViewModeTwin)
      Filled = std::max(Filled, CheckInside(*Main, Main->SideView()));
    EXPECT_GT(Filled, 0.6) << "the scope fills a view";
  }

  // A tap of Home, seen at the next tick.
  QWidget* Focus = QApplication::focusWidget() ? QApplication::focusWidget() : Main.get();
  QKeyEvent Press(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QKeyEvent Release(QEvent::KeyRelease, Qt::Key_Home, Qt::NoModifier);
  QApplication::sendEvent(Focus, &Press);
  QApplication::sendEvent(Focus, &Release);
  Main->TimerTimer();
  EXPECT_EQ(Main->Display().Camera().ZoomFactor(), TViewCamera::StartZoom);
  EXPECT_EQ(Main->Display().Camera().Camera().Position, TViewCamera::StartCamera().Position);
}

TEST_F(MainFit, AutoFitFitsWhenANewFrameWouldLeaveAViewAndLeavesTheCameraAloneOtherwise) {
  UserOptions.WriteInteger("AutoFitEndoscope", 1);
  const auto Main = Make();
  ASSERT_TRUE(Main->Options().AutoFitEndoscope);
  TViewCamera Aligned;
  Aligned.AlignToPatient(Main->Display().ShownFrame(), 0, false);
  EXPECT_EQ(Main->Display().Camera().Camera().Position, Aligned.Camera().Position);
  EXPECT_EQ(Main->Display().Camera().ZoomFactor(), 1.0) << "frame 1 fits as it is";

  Main->StepFrame(1);
  Main->Update();
  EXPECT_LT(Main->Display().Camera().ZoomFactor(), 1.0);
  EXPECT_FALSE(Leaves(*Main));
  const double Fitted = Main->Display().Camera().ZoomFactor();

  // Back to the short scope: aligned again, still inside at the fitted zoom.
  Main->StepFrame(-1);
  Main->Update();
  EXPECT_EQ(Main->Display().Camera().Camera().Position, Aligned.Camera().Position);
  EXPECT_EQ(Main->Display().Camera().ZoomFactor(), Fitted);

  Main->MenuAction("Auto fit endoscope")->trigger();
  EXPECT_FALSE(Main->Options().AutoFitEndoscope);
  Main->StepFrame(1);
  Main->Update();
  EXPECT_EQ(Main->Display().Camera().Camera().Position, Aligned.Camera().Position)
      << "off: the camera stays as aligned";
}

} // namespace
} // namespace kestrava

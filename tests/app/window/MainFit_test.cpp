// Fitting the views in the window: View > "Fit endoscope" puts every
// projected point of the endoscope, the markers and the hand (and the
// markers' labels) inside each view of AP, lateral and twin view; "Auto fit
// endoscope" fits when a new frame would leave a view and leaves the camera
// alone otherwise.

#include "WindowTestSupport.h"
#include "app/ViewPicture.h"
#include "render/Direct3DViewerControl.h"
#include "scene/Graphics3DFrame.h"
#include "tests/looping/LoopTestShapes.h"

#include <QAction>

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
    auto Main = Show(Environment());
    EXPECT_TRUE(Main->OpenImagerFile(WriteRecording(Folder.path())));
    return Main;
  }

  // Whether every point of the frame on show (and a marker's label) lies
  // inside the view with a margin, where the view itself puts it, and the
  // larger share of its width or height the points span.
  static std::pair<bool, double> Inside(TMain& Main, TDirect3DViewerControl& View) {
    const TLabelRoom Labels = MarkerLabelRoom();
    const double Margin = 0.03 * std::min(View.width(), View.height());
    const TGraphics3DFrame World;
    bool All = true;
    double Left = View.width(), Right = 0, Top = View.height(), Bottom = 0;
    for (const TFitPoint& Point :
         ModelPointsToShow(Main.Display().ShapeModel(), Main.Display().ShownFrame())) {
      const TVector3 At = View.FrameToScreen(Point.Position, World);
      All = All && At.X > Margin && At.Y > Margin &&
            At.X + (Point.Labelled ? Labels.Right : 0) < View.width() - Margin &&
            At.Y + (Point.Labelled ? Labels.Down : 0) < View.height() - Margin;
      Left = std::min(Left, At.X), Right = std::max(Right, At.X);
      Top = std::min(Top, At.Y), Bottom = std::max(Bottom, At.Y);
    }
    return {All, std::max((Right - Left) / View.width(), (Bottom - Top) / View.height())};
  }
};

TEST_F(MainFit, FitEndoscopePutsEverythingInsideEachViewAndFillsOne) {
  const auto Main = Make();
  Main->StepFrame(1);
  EXPECT_EQ(Main->Menus().FitEndoscope->shortcut(), QKeySequence(Qt::Key_F));
  for (QAction* View : {Main->Menus().APView, Main->Menus().LateralView, Main->Menus().TwinView}) {
    SCOPED_TRACE(View->text().toStdString());
    View->trigger();
    Main->Display().Camera().ResetCamera(); // the design's camera, aligned
    Main->Display().Change(&TDisplayChanges::AlignmentRequested);
    Main->Update();
    ASSERT_FALSE(Inside(*Main, Main->FrontView()).first) << "the design camera crops it";
    Main->Menus().FitEndoscope->trigger();
    const bool Twin = Main->Options().ViewMode == ViewModeTwin;
    const auto [FrontInside, FrontFilled] = Inside(*Main, Main->FrontView());
    const auto [SideInside, SideFilled] =
        Twin ? Inside(*Main, Main->SideView()) : std::pair{true, 0.0};
    EXPECT_TRUE(FrontInside && SideInside);
    EXPECT_GT(std::max(FrontFilled, SideFilled), 0.6) << "the scope fills a view";
  }
}

TEST_F(MainFit, AutoFitFitsWhenANewFrameWouldLeaveAViewAndLeavesTheCameraAloneOtherwise) {
  UserOptions.WriteInteger("AutoFitEndoscope", 1);
  const auto Main = Make();
  TViewCamera Aligned;
  Aligned.AlignToPatient(Main->Display().ShownFrame(), 0, false);
  const TViewCamera& Camera = Main->Display().Camera();
  EXPECT_EQ(Camera.ZoomFactor(), 1.0) << "frame 1 fits as it is";

  Main->StepFrame(1);
  Main->Update();
  EXPECT_LT(Camera.ZoomFactor(), 1.0);
  EXPECT_TRUE(Inside(*Main, Main->FrontView()).first);
  const double Fitted = Camera.ZoomFactor();

  // Back to the short scope: aligned again, still inside at the fitted zoom.
  Main->StepFrame(-1);
  Main->Update();
  EXPECT_EQ(Camera.Camera().Position, Aligned.Camera().Position);
  EXPECT_EQ(Camera.ZoomFactor(), Fitted);

  Main->Menus().AutoFitEndoscope->trigger();
  Main->StepFrame(1);
  Main->Update();
  EXPECT_EQ(Camera.Camera().Position, Aligned.Camera().Position) << "off: as aligned";
}

} // namespace
} // namespace kestrava

// Loop detection in the window: the episodes of an opened recording, the
// loop lines that fit the information box with the details in its tool tip,
// the warning colour over the looped part in the view, and the View menu's
// "Loops" switching it all off.

#include "WindowTestSupport.h"
#include "render/Direct3DViewerControl.h"
#include "tests/looping/LoopTestShapes.h"

#include <QAction>
#include <QImage>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

// Two straight frames, then an alpha loop for the rest, a second apart.
std::string WriteLoopingRecording(const QString& Folder) {
  TImagerProcedure Procedure;
  for (int I = 0; I < 6; ++I) {
    TPath Path = RisingTo(0, 0.08);
    if (I >= 2)
      AddCrossingLoop(Path, 0.1, 0.08, true, true);
    AddLineTo(Path, AddVectors(Path.back(), Vector3(0.05, 0, 0.15)));
    TImagerFrame& Frame = Procedure.AddFrame();
    FrameAlong(Path, Frame);
    Frame.Time = I / 86400.0;
    Frame.TubeRadius = 0.009f;
    Frame.EndoscopeValid = true;
  }
  std::string Name = QDir(Folder).filePath("loops.img").toStdString();
  Procedure.SaveToFile(Name);
  return Name;
}

int OrangePixels(const QImage& Picture) {
  int Count = 0;
  for (int Y = 0; Y < Picture.height(); ++Y)
    for (int X = 0; X < Picture.width(); ++X) {
      const QRgb P = Picture.pixel(X, Y);
      Count += qRed(P) > 200 && qGreen(P) > 70 && qGreen(P) < 220 && qBlue(P) < 40;
    }
  return Count;
}

TEST(MainLoops, ARecordedLoopIsAnEpisodeALineAndAWarningColourUntilSwitchedOff) {
  test::TWindowTestWorld World;
  const auto Shown = World.Show(World.Environment());
  TMain& Main = *Shown;
  ASSERT_TRUE(Main.OpenImagerFile(WriteLoopingRecording(World.Folder.path())));
  ASSERT_EQ(Main.Display().LoopEpisodes().size(), 1u);
  EXPECT_EQ(Main.Display().LoopEpisodes()[0].Class, TLoopClass::Alpha);

  EXPECT_EQ(test::InfoBoxLine(Main, "Loop:"), "Loop:\tnone");
  EXPECT_EQ(test::InfoBoxLine(Main, "Loop extent:"), "");
  Main.StepFrame(3);
  Main.Update();
  EXPECT_EQ(test::InfoBoxLine(Main, "Loop:"), "Loop:\talpha");
  EXPECT_NE(test::InfoBoxLine(Main, "Loop extent:\t"), "");
  EXPECT_NE(Main.InfoBox().toolTip().indexOf(" m from tip"), -1) << "the details in the tool tip";
  (void)Main.InfoBox().RenderImage();
  EXPECT_LE(Main.InfoBox().HorzRange(), Main.InfoBox().ClientWidth()) << "no sideways scrolling";
  EXPECT_GT(OrangePixels(Main.FrontView().grab().toImage()), 500);

  Main.Menus().Loops->trigger();
  EXPECT_FALSE(Main.Options().ViewLoops);
  EXPECT_EQ(test::InfoBoxLine(Main, "Loop"), "");
  EXPECT_EQ(OrangePixels(Main.FrontView().grab().toImage()), 0);
}

} // namespace
} // namespace kestrava

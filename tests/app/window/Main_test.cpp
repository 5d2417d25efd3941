// The main window on Qt's offscreen platform: start-up with an empty or a
// stored option set, the layout with and without a driver, opening
// recordings, stepping with the beep, the time line's pop-up, closing.

#include "WindowTestSupport.h"
#include "controls/ECGGraph.h"
#include "controls/Gauge.h"
#include "render/Direct3DViewerControl.h"
#include "render/OpenGLRenderer.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <cstdlib>
#include <limits>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using test::SendKey;

class MainWindow : public ::testing::Test, protected test::TWindowTestWorld {
protected:
  std::unique_ptr<TMain> Make() {
    TMainEnvironment Surroundings = Environment();
    Surroundings.ScreenDepth = ScreenDepth;
    Surroundings.Beep = [this] {
      ++Beeps;
    };
    return Show(Surroundings);
  }

  std::int32_t ScreenDepth = 32;
  int Beeps = 0;
};

TEST_F(MainWindow, StartsOnAnEmptyStoreWithEveryDefaultAndNoHardware) {
  const auto Main = Make();
  EXPECT_FALSE(Main->StartupFailed());
  EXPECT_TRUE(User.Messages().empty());
  EXPECT_EQ(Main->windowTitle(), "Kestrava V4.5");
  EXPECT_EQ(Main->Options(), DefaultOptions(Folder.path().toStdString()));
  EXPECT_EQ(Main->Display().Procedure().PainThreshold(), 0.1);
  EXPECT_FALSE(Main->DriverIdentifierFound());
  EXPECT_FALSE(Main->HardwareReady());
  EXPECT_FALSE(Main->StartProcedureButton().isEnabled());
  EXPECT_FALSE(Main->StopProcedureButton().isEnabled());
  EXPECT_EQ(Main->Display().Mode(), ModeIdle);
  EXPECT_EQ(Main->StatusText(0), "AP view");
  EXPECT_EQ(Main->StatusText(4), "Phase correction off");
}

TEST_F(MainWindow, APaletteDisplayStopsTheStartWithItsMessage) {
  ScreenDepth = 8;
  const auto Main = Make();
  EXPECT_TRUE(Main->StartupFailed());
  ASSERT_EQ(User.Messages().size(), 1u);
  EXPECT_EQ(User.Messages()[0].Icon, TMessageIcon::Error);
}

TEST_F(MainWindow, TheSimulatedDriverMakesTheHardwareReadyAndTheButtonsTakeTheirPlace) {
  MachineOptions.WriteString("Driver ID", test::SimulatorDriverId);
  const auto Main = Make();
  EXPECT_TRUE(Main->DriverIdentifierFound());
  EXPECT_TRUE(Main->HardwareReady());
  EXPECT_TRUE(Main->StartProcedureButton().isEnabled());
  EXPECT_FALSE(Main->StartProcedureButton().isHidden());
  // Stop under Start, both under the gauge.
  EXPECT_LT(Main->GaugeControl().geometry().bottom(), Main->StartProcedureButton().y());
  EXPECT_LT(Main->StartProcedureButton().geometry().bottom(), Main->StopProcedureButton().y());
}

TEST_F(MainWindow, TwinViewFromTheMenuShowsBothViewsSideBySide) {
  const auto Main = Make();
  Main->Menus().TwinView->trigger();
  EXPECT_EQ(Main->Options().ViewMode, 2);
  EXPECT_EQ(Main->StatusText(0), "Twin view");
  EXPECT_FALSE(Main->SideView().isHidden());
  EXPECT_EQ(Main->FrontView().width(), Main->SideView().width());
  EXPECT_GT(Main->SideView().x(), Main->FrontView().geometry().right());
  Main->Menus().APView->trigger();
  EXPECT_TRUE(Main->SideView().isHidden());
}

TEST_F(MainWindow, RightClickOnAnEmptyTimeLineOffersOnlyTheClearingItems) {
  const auto Main = Make();
  Main->OpenImagerFile(WritePainRecording(0));
  TECGGraph& Line = Main->TimeLine();
  Line.OnMouseDown(Line, Qt::RightButton, 5, 5);
  Line.OnMouseUp(Line, Qt::RightButton, 5, 5);
  const QList<QAction*> Items = Main->TimeLineMenu().actions();
  QStringList Enabled;
  for (const QAction* Item : Items)
    if (!Item->isSeparator() && Item->isEnabled())
      Enabled << Item->text();
  EXPECT_EQ(Enabled, (QStringList{"Clear analysis markers", "Clear reference markers"}));
  Main->TimeLineMenu().hide();
}

TEST_F(MainWindow, OpensAndHeldPageDownStepsOncePerTickShiftTenAndBeepsAtBothEnds) {
  const auto Main = Make();
  ASSERT_TRUE(Main->OpenImagerFile(WritePainRecording(25)));
  EXPECT_EQ(Main->TimeLine().NumPoints(), 25);
  Main->StepFrame(-1);
  EXPECT_EQ(Beeps, 1);
  ASSERT_TRUE(Main->isActiveWindow());
  SendKey(QEvent::KeyPress, Qt::Key_PageDown);
  Main->TimerTimer();
  Main->TimerTimer();
  EXPECT_EQ(Main->Display().CurrentFrame(), 3);
  SendKey(QEvent::KeyRelease, Qt::Key_PageDown);
  Main->TimerTimer();
  EXPECT_EQ(Main->Display().CurrentFrame(), 3);

  SendKey(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  SendKey(QEvent::KeyPress, Qt::Key_PageDown, Qt::ShiftModifier);
  for (int Tick = 0; Tick < 4; ++Tick)
    Main->TimerTimer();
  // 13, 23, 25, then the end: a beep on the last tick only.
  EXPECT_EQ(Main->Display().CurrentFrame(), 25);
  EXPECT_EQ(Beeps, 2);
  EXPECT_EQ(Main->InfoBox().Line(4), "Current frame: \t25");
  EXPECT_EQ(Main->TimeLine().CursorPosition(), 24);

  // Losing the keyboard forgets what was held.
  Main->clearFocus();
  QEvent Deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(Main.get(), &Deactivate);
  Main->TimerTimer();
  EXPECT_EQ(Beeps, 2);
}

// Frames stored with numbers no model can be built from: each is opened and
// stepped through, drawn whatever it holds, and the box and the status bar
// say what is wrong with it, never with a stale model or reason.
TEST_F(MainWindow, FramesNoModelCanBeBuiltFromAreShownWithTheirReason) {
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  TImagerProcedure Procedure;
  for (int I = 0; I < 4; ++I) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = I / 86400.0;
    Frame.SensorCount = 3;
    Frame.TubeRadius = DefaultTubeRadius;
    Frame.EndoscopeValid = true;
    Frame.SensorValid = {true, true, true};
    for (int Sensor = 0; Sensor < 3; ++Sensor) {
      Frame.SensorPosition[static_cast<std::size_t>(Sensor)] = {0.05 * Sensor, 0, 0};
      Frame.SensorDirection[static_cast<std::size_t>(Sensor)] = {1, 0, 0};
    }
    Frame.SegmentLength.fill(0.05);
  }
  Procedure.GetFrame(0).SensorPosition[1] = Procedure.GetFrame(0).SensorPosition[0];
  Procedure.GetFrame(0).SegmentLength[0] = 0;
  Procedure.GetFrame(1).SensorPosition[2].X = std::numeric_limits<double>::infinity();
  Procedure.GetFrame(2).SensorPosition[1] = {NaN, NaN, NaN};
  Procedure.GetFrame(2).Pain = NaN;
  const std::string Name =
      Procedure.SaveToFile(QDir(Folder.path()).filePath("bad.img").toStdString());

  const auto Main = Make();
  ASSERT_TRUE(Main->OpenImagerFile(Name));
  const auto Notice = [&] {
    return Main->findChild<QLabel*>("Panel_Notice")->text().toStdString();
  };
  const std::pair<const char*, const char*> Expected[] = {
      {"Model:\tcoincident sensors", "Model incomplete: sensors 0 and 1: coincident sensors"},
      {"Model:\tinfinite", "Model incomplete: sensor 2 position: infinite"},
      {"Model:\tnot a number", "Model incomplete: sensor 1 position: not a number"},
      {"", ""},
  };
  for (const auto& [Line, Status] : Expected) {
    (void)Main->grab(); // paints both views and every control
    EXPECT_EQ(test::InfoBoxLine(*Main, "Model:"), Line);
    EXPECT_EQ(Notice(), Status);
    Main->StepFrame(1);
    Main->Update();
  }
  EXPECT_EQ(Main->Display().Procedure().GetFrame(1).SensorPosition[2].X,
            std::numeric_limits<double>::infinity())
      << "the stored frame stays as it is";
}

TEST_F(MainWindow, AHardwareDeviceThatCannotStartFallsBackOnceAndTheMenuKeepsTheOption) {
  UserOptions.WriteInteger("UseHardwareDirect3D", 1);
  const auto Main = Make();
  (void)Main->grab();
  if (Main->FrontView().UseDirect3DHardware())
    GTEST_SKIP() << "an OpenGL context could be made here";
  Main->resize(900, 600); // lays the window out again
  QApplication::processEvents();
  EXPECT_FALSE(Main->FrontView().UseDirect3DHardware()) << "not asked for hardware again";
  emit Main->Menus().Options->aboutToShow();
  EXPECT_TRUE(Main->Menus().UseHardwareDirect3D->isChecked()) << "the option's own value";
  EXPECT_TRUE(Main->Options().UseHardwareDirect3D);
}

// Its own CTest entry runs this on a virtual display whose only OpenGL is
// Mesa's, drawing on the processor (KESTRAVA_EXPECT_SOFTWARE_OPENGL set).
TEST_F(MainWindow, OnSoftwareOpenGLTheViewsDrawWithOurSoftwareDevice) {
  const TOpenGLRenderer OpenGL = MachineOpenGLRenderer();
  if (std::getenv("KESTRAVA_EXPECT_SOFTWARE_OPENGL") == nullptr && !OpenGL.Software())
    GTEST_SKIP() << "no software OpenGL here: " << OpenGL.Renderer << OpenGL.Reason;
  EXPECT_TRUE(OpenGL.Software()) << OpenGL.Renderer << OpenGL.Reason;
  UserOptions.WriteInteger("UseHardwareDirect3D", 1);
  UserOptions.WriteInteger("ViewMode", 2);
  const auto Main = Make();
  (void)Main->grab();
  for (const TDirect3DViewerControl* View : {&Main->FrontView(), &Main->SideView()}) {
    EXPECT_EQ(View->DeviceName(), SoftwareDeviceDescription);
    EXPECT_EQ(View->HardwareFailure(), NoSuitableDriverText) << "no hardware device to choose";
  }
}

TEST_F(MainWindow, SetDefaultOptionsAndClosingWriteTheOptionsBack) {
  UserOptions.WriteInteger("ViewMode", 1);
  UserOptions.WriteString("SensorFilename", "Catheter.msd");
  {
    const auto Main = Make();
    EXPECT_EQ(Main->Options().ViewMode, 1);
    Main->SetDefaultOptions();
    EXPECT_EQ(Main->Options().ViewMode, 0);
    EXPECT_EQ(Main->Options().SensorFilename, "Catheter.msd");
    Main->MutableOptions().ViewMode = 2;
    EXPECT_TRUE(Main->close());
  }
  EXPECT_EQ(UserOptions.ReadInteger("ViewMode"), 2);
  EXPECT_EQ(UserOptions.ReadString("SensorFilename"), "Catheter.msd");
}

} // namespace
} // namespace kestrava

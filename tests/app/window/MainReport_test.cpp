// File > "Export report...": offered whenever a procedure is shown and no
// recording is running.

#include "WindowTestSupport.h"
#include "acquisition/ImagerSampler.h"
#include "app/ReportExport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class MainReport : public ::testing::Test, protected test::TWindowTestWorld {
protected:
  MainReport() {
    namespace fs = std::filesystem;
    fs::copy(KESTRAVA_PROGRAM_DIR, Program.path().toStdString(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::ofstream(QDir(Program.path()).filePath("DSP.DAT").toStdString()) << "pacing none\n";
    MachineOptions.WriteString("Driver ID", "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A01}");
    UserOptions.WriteString("ImagerFileStorageDirectory", Folder.path().toStdString());
  }

  // Whether the File menu, about to show, offers the export.
  static bool ExportOffered(TMain& Main) {
    emit Main.Menus().File->aboutToShow();
    return Main.Menus().ExportReport->isEnabled();
  }

  QTemporaryDir Program;
};

TEST_F(MainReport, ExportIsOfferedForAProcedureShownAndNotWhileRecording) {
  TMainEnvironment Environment = this->Environment(Program.path().toStdString());
  Environment.AskProcedureDetails = [](TProcedureDetails& Details) {
    Details.FileName = FullImagerFilePath(Details.StorageDirectory, "rec");
    Details.SensorFile = "Catheter16.msd";
    Details.GeneratorCoilsFile = "Generator.gen";
    return true;
  };
  TMain Main(Environment);
  Main.resize(1000, 700);
  Main.show();
  QApplication::processEvents();
  EXPECT_FALSE(ExportOffered(Main)) << "nothing shown";
  Main.StartProcedure();
  ASSERT_TRUE(Main.Sampler().Ready()) << ::testing::PrintToString(User.Texts());
  for (int Step = 0; Step < 100; ++Step) {
    bool Done = true;
    Main.AcquisitionStep(Done);
  }
  EXPECT_FALSE(ExportOffered(Main)) << "recording";
  Main.StopProcedure();
  EXPECT_TRUE(ExportOffered(Main)) << "the recording reopened for replay";
}

} // namespace
} // namespace kestrava

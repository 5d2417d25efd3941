// The procedure details dialog: its lists and preselection, OK's checks
// with the focus they leave, and what it hands back.

#include "app/window/GetProcedureDetailsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class GetProcedureDetailsDialog : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Program.isValid() && Storage.isValid());
    for (const char* Name : {"Cath.msd", "Adult.msd", "Tube.otb", "Coils.gen"}) {
      Add(Program, Name);
    }
    Details.StorageDirectory = Storage.path().toStdString();
  }
  static void Add(const QTemporaryDir& Directory, const char* Name) {
    QFile File(Directory.filePath(Name));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  }
  // Runs the dialog; While runs once it is open, and the dialog is cancelled
  // afterwards unless While closed it.
  bool RunWhile(const std::function<void()>& While) {
    QTimer::singleShot(0, [&] {
      While();
      if (Dialog.isVisible()) {
        Dialog.CancelButton()->click();
      }
    });
    return Dialog.Run(Details, Program.path().toStdString(), User);
  }
  void Fill(const char* FileName, const char* PatientName) {
    Dialog.FilenameControl()->setText(FileName);
    Dialog.PatientNameControl()->setText(PatientName);
  }

  QTemporaryDir Program;
  QTemporaryDir Storage;
  TProcedureDetails Details;
  TScriptedUserInteraction User;
  TGetProcedureDetailsDialog Dialog;
};

TEST_F(GetProcedureDetailsDialog, OpensWithThePresetsAndHandsBackTheChoice) {
  Details.FileName = "Case";
  Details.SensorFile = "Cath.msd";
  Details.GeneratorCoilsFile = "Coils";
  Details.ProcedureType = 1;
  Details.UsePainSensor = true;
  const bool Confirmed = RunWhile([&] {
    EXPECT_EQ(Dialog.windowTitle(), "Procedure details");
    EXPECT_EQ(Dialog.focusWidget(), Dialog.FilenameControl());
    EXPECT_EQ(Dialog.ProcedureTypeControl()->currentText(), "Top");
    EXPECT_EQ(Dialog.ProcedureTypeControl()->itemText(0), "Colonoscopy / Sigmoidoscopy");
    EXPECT_EQ(Dialog.SensorControl()->itemText(0), "Adult"); // sorted
    EXPECT_EQ(Dialog.SensorControl()->currentText(), "Cath");
    EXPECT_EQ(Dialog.OvertubeControl()->currentIndex(), 0);
    EXPECT_EQ(Dialog.OvertubeControl()->currentText(), "");
    EXPECT_EQ(Dialog.GeneratorCoilsControl()->currentText(), "Coils");
    EXPECT_TRUE(Dialog.UsePainSensorControl()->isChecked());
    Dialog.PatientNameControl()->setText("Smith");
    Dialog.OKButton()->click();
  });
  EXPECT_TRUE(Confirmed);
  EXPECT_TRUE(User.Messages().empty());
  EXPECT_EQ(Details, (TProcedureDetails{Storage.path().toStdString(),
                                        Storage.filePath("Case.img").toStdString(), "Smith", 1,
                                        "Cath.msd", "", "Coils.gen", true}));
}

TEST_F(GetProcedureDetailsDialog, FailedCheckKeepsTheDialogOpenWithItsControlFocused) {
  Details.SensorFile = "cath"; // differs in case only: no sensor selected
  Details.GeneratorCoilsFile = "Coils";
  Add(Storage, "Taken.img");
  const TProcedureDetails Before = Details;
  const bool Confirmed = RunWhile([&] {
    Fill("Case", "Smith");
    Dialog.OKButton()->click();
    EXPECT_TRUE(Dialog.isVisible());
    EXPECT_EQ(Dialog.focusWidget(), Dialog.SensorControl());
    Dialog.SensorControl()->setCurrentIndex(0);
    Fill("Taken", "Smith");
    User.QueueAnswer(TMessageAnswer::No);
    Dialog.OKButton()->click();
    EXPECT_TRUE(Dialog.isVisible());
    EXPECT_EQ(Dialog.focusWidget(), Dialog.FilenameControl());
  });
  EXPECT_FALSE(Confirmed);
  EXPECT_EQ(User.Texts(), (std::vector<std::string>{SelectSensorMessage, OverwriteQuestion}));
  EXPECT_EQ(Details, Before);
}

TEST_F(GetProcedureDetailsDialog, MissingDataFilesAreReportedWithoutOpening) {
  ASSERT_TRUE(QFile::remove(Program.filePath("Coils.gen")));
  QTimer Guard; // would close the dialog, had it opened
  Guard.setSingleShot(true);
  QObject::connect(&Guard, &QTimer::timeout, &Dialog, &QDialog::reject);
  Guard.start(0);
  EXPECT_FALSE(Dialog.Run(Details, Program.path().toStdString(), User));
  EXPECT_TRUE(Guard.isActive()); // no modal loop ran
  EXPECT_EQ(User.Texts(), std::vector<std::string>{NoGeneratorCoilFilesMessage});
}

} // namespace
} // namespace kestrava

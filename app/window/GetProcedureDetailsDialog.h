#pragma once
// "Procedure details": what every recording starts with. The lists, the
// preselection and OK's checks are ProcedureDetails.h's; this window shows
// them and puts the focus where a failed check says.
//
// Thread: user-interface thread.

#include "app/ProcedureDetails.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kestrava {

class TGetProcedureDetailsDialog : public QDialog {
public:
  explicit TGetProcedureDetailsDialog(QWidget* Parent = nullptr);

  // Fills the lists from the data files of ProgramDirectory and the controls
  // from Details' presets, then runs modally. True when OK passed its
  // checks: Details then holds the out fields. False, Details unchanged, on
  // Cancel or when ProgramDirectory lacks sensor or generator coils files
  // (their message has then been shown through User, and the dialog never
  // opens). User answers the checks' messages while the dialog is open.
  bool Run(TProcedureDetails& Details, const std::string& ProgramDirectory, IUserInteraction& User);

  // The controls as they stand.
  TProcedureSelection Selection() const;

  QLineEdit* FilenameControl() const { return FilenameControl_; }
  QLineEdit* PatientNameControl() const { return PatientNameControl_; }
  QComboBox* ProcedureTypeControl() const { return ProcedureTypeControl_; }
  QComboBox* SensorControl() const { return SensorControl_; }
  QComboBox* OvertubeControl() const { return OvertubeControl_; }
  QComboBox* GeneratorCoilsControl() const { return GeneratorCoilsControl_; }
  QCheckBox* UsePainSensorControl() const { return UsePainSensorControl_; }
  QPushButton* OKButton() const { return OKButton_; }
  QPushButton* CancelButton() const { return CancelButton_; }

  // OK: closes the dialog when the checks pass, else shows the first
  // failure and focuses its control. Does nothing outside Run.
  void OKButtonClick();

protected:
  // Focuses the file name box and centres the window on its screen.
  void showEvent(QShowEvent* Event) override;

private:
  QWidget* ControlOf(TProcedureDetailsControl Control) const;
  void ShowSelection(const TProcedureSelection& Selection);

  QLineEdit* FilenameControl_;
  QLineEdit* PatientNameControl_;
  QComboBox* ProcedureTypeControl_;
  QComboBox* SensorControl_;
  QComboBox* OvertubeControl_;
  QComboBox* GeneratorCoilsControl_;
  QCheckBox* UsePainSensorControl_;
  QPushButton* OKButton_;
  QPushButton* CancelButton_;

  // Set for the time Run shows the dialog.
  TProcedureChoices Choices_;
  std::string StorageDirectory_;
  IUserInteraction* User_ = nullptr;
};

} // namespace kestrava

#include "app/window/GetProcedureDetailsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrava {

namespace {

template <typename T> T* Named(T* Control, const char* Name) {
  Control->setObjectName(Name);
  return Control;
}

void Fill(QComboBox& List, const std::vector<std::string>& Names) {
  List.clear();
  for (const auto& Name : Names) {
    List.addItem(QString::fromStdString(Name));
  }
}

void Select(QComboBox& List, const std::optional<std::size_t>& Index) {
  List.setCurrentIndex(Index ? static_cast<int>(*Index) : -1);
}

std::optional<std::size_t> SelectedIndex(const QComboBox& List) {
  const int Index = List.currentIndex();
  if (Index < 0) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(Index);
}

} // namespace

TGetProcedureDetailsDialog::TGetProcedureDetailsDialog(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      FilenameControl_(Named(new QLineEdit(this), "FilenameControl")),
      PatientNameControl_(Named(new QLineEdit(this), "PatientNameControl")),
      ProcedureTypeControl_(Named(new QComboBox(this), "ProcedureTypeControl")),
      SensorControl_(Named(new QComboBox(this), "SensorControl")),
      OvertubeControl_(Named(new QComboBox(this), "OvertubeControl")),
      GeneratorCoilsControl_(Named(new QComboBox(this), "GeneratorCoilsControl")),
      UsePainSensorControl_(
          Named(new QCheckBox("Use pain sensor:", this), "UsePainSensorControl")) {
  setWindowTitle("Procedure details");
  // The caption stands left of the box.
  UsePainSensorControl_->setLayoutDirection(Qt::RightToLeft);
  FilenameControl_->setMinimumWidth(240);

  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OKButton_ = Named(Buttons->button(QDialogButtonBox::Ok), "OKButton");
  CancelButton_ = Named(Buttons->button(QDialogButtonBox::Cancel), "CancelButton");
  // OK checks before it closes, so it does not simply accept.
  connect(OKButton_, &QPushButton::clicked, this, &TGetProcedureDetailsDialog::OKButtonClick);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* Fields = new QFormLayout;
  Fields->addRow("File name:", FilenameControl_);
  Fields->addRow("Patient name:", PatientNameControl_);
  Fields->addRow("Procedure type:", ProcedureTypeControl_);
  Fields->addRow("Sensor catheter:", SensorControl_);
  Fields->addRow("Overtube:", OvertubeControl_);
  Fields->addRow("Generator coils:", GeneratorCoilsControl_);
  Fields->addRow(UsePainSensorControl_);
  auto* Layout = new QVBoxLayout(this);
  Layout->setSizeConstraint(QLayout::SetFixedSize);
  Layout->addLayout(Fields);
  Layout->addWidget(Buttons);
}

bool TGetProcedureDetailsDialog::Run(TProcedureDetails& Details,
                                     const std::string& ProgramDirectory, IUserInteraction& User) {
  Fill(*ProcedureTypeControl_, ProcedureTypeNames());
  Choices_ = ListProcedureChoices(ProgramDirectory);
  if (const auto Missing = MissingDataFilesMessage(Choices_)) {
    ShowNotice(User, *Missing);
    return false;
  }
  Fill(*SensorControl_, Choices_.Sensors);
  Fill(*OvertubeControl_, Choices_.Overtubes);
  Fill(*GeneratorCoilsControl_, Choices_.GeneratorCoils);
  ShowSelection(PresetSelection(Details, Choices_));

  StorageDirectory_ = Details.StorageDirectory;
  User_ = &User;
  const int Result = exec();
  User_ = nullptr;
  if (Result != QDialog::Accepted) {
    return false;
  }
  TakeProcedureDetails(Selection(), Choices_, Details);
  return true;
}

TProcedureSelection TGetProcedureDetailsDialog::Selection() const {
  TProcedureSelection Selection;
  Selection.FileName = FilenameControl_->text().toStdString();
  Selection.PatientName = PatientNameControl_->text().toStdString();
  Selection.ProcedureType = SelectedIndex(*ProcedureTypeControl_);
  Selection.Sensor = SelectedIndex(*SensorControl_);
  Selection.Overtube = SelectedIndex(*OvertubeControl_);
  Selection.GeneratorCoils = SelectedIndex(*GeneratorCoilsControl_);
  Selection.UsePainSensor = UsePainSensorControl_->isChecked();
  return Selection;
}

void TGetProcedureDetailsDialog::OKButtonClick() {
  if (!User_) {
    return;
  }
  if (const auto Failure = ValidateProcedureDetails(StorageDirectory_, Selection(), *User_)) {
    ControlOf(Failure->Focus)->setFocus();
    return;
  }
  accept();
}

void TGetProcedureDetailsDialog::showEvent(QShowEvent* Event) {
  if (const QScreen* Screen = screen()) {
    const QRect Area = Screen->geometry();
    move(Area.x() + (Area.width() - width()) / 2, Area.y() + (Area.height() - height()) / 2);
  }
  QDialog::showEvent(Event);
  FilenameControl_->setFocus();
}

QWidget* TGetProcedureDetailsDialog::ControlOf(TProcedureDetailsControl Control) const {
  switch (Control) {
  case TProcedureDetailsControl::PatientName:
    return PatientNameControl_;
  case TProcedureDetailsControl::ProcedureType:
    return ProcedureTypeControl_;
  case TProcedureDetailsControl::Sensor:
    return SensorControl_;
  case TProcedureDetailsControl::GeneratorCoils:
    return GeneratorCoilsControl_;
  case TProcedureDetailsControl::FileName:
    break;
  }
  return FilenameControl_;
}

void TGetProcedureDetailsDialog::ShowSelection(const TProcedureSelection& Selection) {
  FilenameControl_->setText(QString::fromStdString(Selection.FileName));
  PatientNameControl_->setText(QString::fromStdString(Selection.PatientName));
  Select(*ProcedureTypeControl_, Selection.ProcedureType);
  Select(*SensorControl_, Selection.Sensor);
  Select(*OvertubeControl_, Selection.Overtube);
  Select(*GeneratorCoilsControl_, Selection.GeneratorCoils);
  UsePainSensorControl_->setChecked(Selection.UsePainSensor);
}

} // namespace kestrava

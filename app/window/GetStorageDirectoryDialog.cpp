#include "app/window/GetStorageDirectoryDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrava {

TGetStorageDirectoryDialog::TGetStorageDirectoryDialog(QWidget* Parent)
    : QDialog(Parent), PathControl_(new QLineEdit(this)) {
  setWindowTitle("Imager file storage directory");
  PathControl_->setObjectName("PathControl");
  PathControl_->setMinimumWidth(320);
  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OKButton_ = Buttons->button(QDialogButtonBox::Ok);
  OKButton_->setObjectName("OKButton");
  CancelButton_ = Buttons->button(QDialogButtonBox::Cancel);
  CancelButton_->setObjectName("CancelButton");
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* Fields = new QFormLayout;
  Fields->addRow("Path:", PathControl_);
  auto* Layout = new QVBoxLayout(this);
  Layout->addLayout(Fields);
  Layout->addWidget(Buttons);
}

bool TGetStorageDirectoryDialog::Edit(std::string& Path) {
  PathControl_->setText(QString::fromStdString(Path));
  if (exec() != QDialog::Accepted) {
    return false;
  }
  Path = PathControl_->text().toStdString();
  return true;
}

void TGetStorageDirectoryDialog::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  PathControl_->setFocus();
}

} // namespace kestrava

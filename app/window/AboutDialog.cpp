#include "app/window/AboutDialog.h"

#include "app/AboutTimeStamp.h"
#include "app/ProgramVersion.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

namespace kestrava {

namespace {

QLabel* CentredLine(QWidget* Parent) {
  auto* Line = new QLabel(Parent);
  Line->setAlignment(Qt::AlignCenter);
  return Line;
}

QPixmap ProgramIcon(const QWidget& Dialog) {
  const int Size = Dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
  QIcon Icon = QApplication::windowIcon();
  if (Icon.isNull()) {
    Icon = Dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation);
  }
  return Icon.pixmap(Size, Size);
}

} // namespace

TAboutDialog::TAboutDialog(QWidget* Parent, std::filesystem::path ProgramFile)
    : QDialog(Parent), ProgramFile_(std::move(ProgramFile)),
      ApplicationNameLabel_(CentredLine(this)), CompanyNameLabel_(CentredLine(this)),
      TimeStampLabel_(CentredLine(this)), VersionLabel_(CentredLine(this)),
      OKButton_(new QPushButton("OK", this)) {
  setWindowTitle("About");
  // The box's size, a line taller for the version.
  setFixedSize(281, 128 + VersionLabel_->fontMetrics().lineSpacing() + 2);
  ApplicationNameLabel_->setObjectName("ApplicationNameLabel");
  CompanyNameLabel_->setObjectName("CompanyNameLabel");
  TimeStampLabel_->setObjectName("TimeStampLabel");
  VersionLabel_->setObjectName("VersionLabel");
  VersionLabel_->setText(QString::fromStdString(ProgramVersionLine()));
  CompanyNameLabel_->setText(CompanyName);
  // Default: Enter confirms. Escape already rejects any QDialog, which makes
  // the same button the cancel one too.
  OKButton_->setObjectName("OKButton");
  OKButton_->setDefault(true);
  connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* Icon = new QLabel(this);
  Icon->setPixmap(ProgramIcon(*this));
  auto* Lines = new QVBoxLayout;
  Lines->setSpacing(2);
  Lines->addWidget(ApplicationNameLabel_);
  Lines->addWidget(CompanyNameLabel_);
  Lines->addWidget(TimeStampLabel_);
  Lines->addWidget(VersionLabel_);
  auto* Top = new QHBoxLayout;
  Top->addWidget(Icon, 0, Qt::AlignTop);
  Top->addLayout(Lines, 1);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(8, 8, 8, 8);
  Layout->addLayout(Top);
  Layout->addWidget(OKButton_, 0, Qt::AlignHCenter);
}

void TAboutDialog::showEvent(QShowEvent* Event) {
  ApplicationNameLabel_->setText(ApplicationName);
  const std::filesystem::path Program =
      ProgramFile_.empty()
          ? std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String())
          : ProgramFile_;
  TimeStampLabel_->setText(QString::fromStdString(SoftwareTimeStampLineOfFile(Program)));
  if (const QScreen* Screen = screen()) {
    const QRect Area = Screen->geometry();
    move(Area.x() + (Area.width() - width()) / 2, Area.y() + (Area.height() - height()) / 2);
  }
  QDialog::showEvent(Event);
}

} // namespace kestrava

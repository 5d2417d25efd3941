#include "app/window/GenCoilsDisconnectedDialog.h"

#include "app/ProcedureRecorder.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace kestrava {

namespace {

constexpr Qt::WindowFlags NoticeFlags = Qt::Dialog | Qt::FramelessWindowHint;

} // namespace

TGenCoilsDisconnectedDialog::TGenCoilsDisconnectedDialog(QWidget* Parent)
    : QWidget(Parent, NoticeFlags), Label_(new QLabel(GenCoilsDisconnectedNotice, this)) {
  setFixedSize(389, 68);
  QFont Font("Verdana");
  Font.setPixelSize(21);
  Label_->setFont(Font);
  QPalette Colours = Label_->palette();
  Colours.setColor(QPalette::WindowText, Qt::red);
  Label_->setPalette(Colours);
  Label_->setAlignment(Qt::AlignCenter);
  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(Label_);
}

void TGenCoilsDisconnectedDialog::Reparent(QWidget* Parent) {
  if (parentWidget() == Parent) {
    return;
  }
  // setParent hides a widget; a notice on show must stay on show.
  const bool Visible = isVisible();
  setParent(Parent, NoticeFlags);
  if (Visible) {
    show();
  }
}

} // namespace kestrava

#include "app/window/MessageBoxUserInteraction.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace kestrava {

namespace {

QMessageBox::Icon IconOf(TMessageIcon Icon) {
  switch (Icon) {
  case TMessageIcon::Information:
    return QMessageBox::Information;
  case TMessageIcon::Warning:
    return QMessageBox::Warning;
  case TMessageIcon::Error:
    return QMessageBox::Critical;
  case TMessageIcon::Question:
    return QMessageBox::Question;
  case TMessageIcon::None:
    break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(TMessageButtons Buttons) {
  switch (Buttons) {
  case TMessageButtons::Ok:
    break;
  case TMessageButtons::AbortRetryIgnore:
    return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
  case TMessageButtons::YesNo:
    return QMessageBox::Yes | QMessageBox::No;
  case TMessageButtons::YesNoCancel:
    return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

// As the platform's own message boxes do, the first button is the default.
QMessageBox::StandardButton DefaultButtonOf(TMessageButtons Buttons) {
  switch (Buttons) {
  case TMessageButtons::Ok:
    break;
  case TMessageButtons::AbortRetryIgnore:
    return QMessageBox::Abort;
  case TMessageButtons::YesNo:
  case TMessageButtons::YesNoCancel:
    return QMessageBox::Yes;
  }
  return QMessageBox::Ok;
}

std::optional<TMessageAnswer> AnswerOf(QMessageBox::StandardButton Button) {
  switch (Button) {
  case QMessageBox::Ok:
    return TMessageAnswer::Ok;
  case QMessageBox::Abort:
    return TMessageAnswer::Abort;
  case QMessageBox::Retry:
    return TMessageAnswer::Retry;
  case QMessageBox::Ignore:
    return TMessageAnswer::Ignore;
  case QMessageBox::Yes:
    return TMessageAnswer::Yes;
  case QMessageBox::No:
    return TMessageAnswer::No;
  case QMessageBox::Cancel:
    return TMessageAnswer::Cancel;
  default:
    return std::nullopt;
  }
}

} // namespace

TMessageBoxUserInteraction::TMessageBoxUserInteraction(QWidget* Parent) : Parent_(Parent) {}

TMessageAnswer TMessageBoxUserInteraction::ShowMessage(const TUserMessage& Message) {
  const QString Caption = Message.Caption.empty() ? QGuiApplication::applicationDisplayName()
                                                  : QString::fromStdString(Message.Caption);
  QMessageBox Box(IconOf(Message.Icon), Caption, QString::fromStdString(Message.Text),
                  ButtonsOf(Message.Buttons), Parent_);
  // Texts are the program's own plain words: "<" must never start markup.
  Box.setTextFormat(Qt::PlainText);
  Box.setDefaultButton(DefaultButtonOf(Message.Buttons));
  Box.exec();
  const auto Answer = AnswerOf(Box.standardButton(Box.clickedButton()));
  if (!Answer || !IsAnswerOffered(Message.Buttons, *Answer)) {
    return DecliningAnswer(Message.Buttons);
  }
  return *Answer;
}

} // namespace kestrava

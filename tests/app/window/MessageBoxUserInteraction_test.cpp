// Messages as real message boxes: icon, buttons, caption and the answer.

#include "app/window/MessageBoxUserInteraction.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Answers the box that Show opens with Button, after checking it with Check.
TMessageAnswer Answer(const std::function<TMessageAnswer()>& Show,
                      const std::function<void(QMessageBox&)>& Check,
                      QMessageBox::StandardButton Button) {
  QTimer::singleShot(0, [&] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(Box, nullptr);
    Check(*Box);
    if (QAbstractButton* Chosen = Box->button(Button)) {
      Chosen->click();
    } else {
      Box->reject();
    }
  });
  return Show();
}

TEST(MessageBoxUserInteraction, ShowsTheMessageOverItsParentAndReturnsTheButton) {
  QApplication::setApplicationDisplayName("Kestrava V4.5");
  QWidget Main;
  TMessageBoxUserInteraction User(&Main);
  const TUserMessage Question{"File name already exists.\nDo you wish to overwrite it?", "",
                              TMessageIcon::Question, TMessageButtons::YesNo};
  auto Check = [&](QMessageBox& Box) {
    EXPECT_EQ(Box.text().toStdString(), Question.Text);
    EXPECT_EQ(Box.windowTitle(), "Kestrava V4.5");
    EXPECT_EQ(Box.icon(), QMessageBox::Question);
    EXPECT_EQ(Box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(static_cast<QAbstractButton*>(Box.defaultButton()), Box.button(QMessageBox::Yes));
    EXPECT_EQ(Box.parentWidget(), &Main);
  };
  auto Show = [&] {
    return User.ShowMessage(Question);
  };
  EXPECT_EQ(Answer(Show, Check, QMessageBox::No), TMessageAnswer::No);
  EXPECT_EQ(Answer(Show, Check, QMessageBox::Yes), TMessageAnswer::Yes);
  // Closed without a button: the declining answer.
  EXPECT_EQ(Answer(Show, Check, QMessageBox::NoButton), TMessageAnswer::No);
}

TEST(MessageBoxUserInteraction, NoticeKeepsItsCaptionIconAndPlainText) {
  TMessageBoxUserInteraction User;
  auto Show = [&] {
    return User.ShowMessage({"<b>not bold</b>", "Confirm", TMessageIcon::Error});
  };
  auto Check = [](QMessageBox& Box) {
    EXPECT_EQ(Box.windowTitle(), "Confirm");
    EXPECT_EQ(Box.icon(), QMessageBox::Critical);
    EXPECT_EQ(Box.textFormat(), Qt::PlainText);
    EXPECT_EQ(Box.standardButtons(), QMessageBox::Ok);
  };
  EXPECT_EQ(Answer(Show, Check, QMessageBox::Ok), TMessageAnswer::Ok);
}

} // namespace
} // namespace kestrava

#include "foundation/QelExceptions.h"
#include "foundation/UserInteraction.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TUserMessage Question(TMessageButtons Buttons) {
  return {"Go on?", "Confirm", TMessageIcon::Question, Buttons};
}

TEST(ScriptedUserInteraction, AnswersQuestionsInTurnAndNoticesWithOk) {
  TScriptedUserInteraction User({TMessageAnswer::Retry, TMessageAnswer::Yes});
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::AbortRetryIgnore)), TMessageAnswer::Retry);
  ShowNotice(User, "Saved");
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::YesNoCancel)), TMessageAnswer::Yes);
  ASSERT_EQ(User.Messages().size(), 3u);
  EXPECT_EQ(User.Messages()[0], Question(TMessageButtons::AbortRetryIgnore));
  EXPECT_EQ(User.Messages()[1], (TUserMessage{"Saved", "", TMessageIcon::None}));
}

TEST(ScriptedUserInteraction, DeclinesOnceTheScriptRunsOutAndRefusesMisfits) {
  TScriptedUserInteraction User;
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::AbortRetryIgnore)), TMessageAnswer::Abort);
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::YesNo)), TMessageAnswer::No);
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::YesNoCancel)), TMessageAnswer::Cancel);
  User.QueueAnswer(TMessageAnswer::Ignore);
  EXPECT_THROW(User.ShowMessage(Question(TMessageButtons::YesNo)), Exception);
  EXPECT_EQ(User.ShowMessage(Question(TMessageButtons::AbortRetryIgnore)), TMessageAnswer::Ignore);
}

} // namespace
} // namespace kestrava

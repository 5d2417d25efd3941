#include "foundation/UserInteraction.h"

#include "foundation/QelExceptions.h"

#include <utility>

namespace kestrava {

bool IsAnswerOffered(TMessageButtons Buttons, TMessageAnswer Answer) {
  switch (Buttons) {
  case TMessageButtons::Ok:
    return Answer == TMessageAnswer::Ok;
  case TMessageButtons::AbortRetryIgnore:
    return Answer == TMessageAnswer::Abort || Answer == TMessageAnswer::Retry ||
           Answer == TMessageAnswer::Ignore;
  case TMessageButtons::YesNo:
    return Answer == TMessageAnswer::Yes || Answer == TMessageAnswer::No;
  case TMessageButtons::YesNoCancel:
    return Answer == TMessageAnswer::Yes || Answer == TMessageAnswer::No ||
           Answer == TMessageAnswer::Cancel;
  }
  return false;
}

TMessageAnswer DecliningAnswer(TMessageButtons Buttons) {
  switch (Buttons) {
  case TMessageButtons::Ok:
    return TMessageAnswer::Ok;
  case TMessageButtons::AbortRetryIgnore:
    return TMessageAnswer::Abort;
  case TMessageButtons::YesNo:
    return TMessageAnswer::No;
  case TMessageButtons::YesNoCancel:
    return TMessageAnswer::Cancel;
  }
  return TMessageAnswer::Cancel;
}

void ShowNotice(IUserInteraction& User, const std::string& Text, TMessageIcon Icon) {
  User.ShowMessage({Text, {}, Icon, TMessageButtons::Ok});
}

TScriptedUserInteraction::TScriptedUserInteraction(std::vector<TMessageAnswer> Answers)
    : Answers_(Answers.begin(), Answers.end()) {}

void TScriptedUserInteraction::QueueAnswer(TMessageAnswer Answer) {
  Answers_.push_back(Answer);
}

TMessageAnswer TScriptedUserInteraction::ShowMessage(const TUserMessage& Message) {
  Messages_.push_back(Message);
  if (Message.Buttons == TMessageButtons::Ok) {
    return TMessageAnswer::Ok;
  }
  if (Answers_.empty()) {
    return DecliningAnswer(Message.Buttons);
  }
  const TMessageAnswer Answer = Answers_.front();
  // A script that answers Yes to an Abort/Retry/Ignore question has lost step with the code
  // under test; carrying on would hide that behind later, stranger failures.
  if (!IsAnswerOffered(Message.Buttons, Answer)) {
    throw Exception("Scripted answer is not one of the message's buttons");
  }
  Answers_.pop_front();
  return Answer;
}

std::vector<std::string> TScriptedUserInteraction::Texts() const {
  std::vector<std::string> Result;
  Result.reserve(Messages_.size());
  for (const TUserMessage& Message : Messages_) {
    Result.push_back(Message.Text);
  }
  return Result;
}

} // namespace kestrava

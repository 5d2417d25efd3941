#pragma once
// Messages for the user and the answers to them, kept apart from any window
// system: the workstation answers with real message boxes, the tests and the
// command-line tool with a script. Everything below the user-interface layer
// takes an IUserInteraction& for the messages it must show.
//
// Texts are UTF-8; "\n" in a text is a line break. An empty caption means the
// program's default caption (its title).
//
// Thread: user-interface thread.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace kestrava {

enum class TMessageIcon : std::uint8_t { None, Information, Warning, Error, Question };

// The button sets a message can offer.
enum class TMessageButtons : std::uint8_t { Ok, AbortRetryIgnore, YesNo, YesNoCancel };

enum class TMessageAnswer : std::uint8_t { Ok, Abort, Retry, Ignore, Yes, No, Cancel };

struct TUserMessage {
  std::string Text;
  std::string Caption; // empty: the program's default caption
  TMessageIcon Icon = TMessageIcon::None;
  TMessageButtons Buttons = TMessageButtons::Ok;
  friend bool operator==(const TUserMessage&, const TUserMessage&) = default;
};

// True when Answer is one of the buttons of Buttons.
bool IsAnswerOffered(TMessageButtons Buttons, TMessageAnswer Answer);

// The answer that declines to go on: Ok for Ok, Abort for Abort/Retry/Ignore,
// No for Yes/No, Cancel for Yes/No/Cancel. Whoever cannot ask the user (a
// script out of answers, a box closed without a button) gives this one, so
// that no retry loop can run on unattended.
TMessageAnswer DecliningAnswer(TMessageButtons Buttons);

class IUserInteraction {
public:
  virtual ~IUserInteraction() = default;
  // Shows Message modally and returns the button chosen, always one of
  // Message.Buttons.
  virtual TMessageAnswer ShowMessage(const TUserMessage& Message) = 0;
};

// The plain notice: Text with an OK button and the default caption.
void ShowNotice(IUserInteraction& User, const std::string& Text,
                TMessageIcon Icon = TMessageIcon::None);

// Records every message and answers from a queue. A plain notice (OK only)
// is answered OK without touching the queue, so a script lists just the
// answers to real questions, in order; with the queue empty a question gets
// the declining answer of its buttons.
class TScriptedUserInteraction final : public IUserInteraction {
public:
  TScriptedUserInteraction() = default;
  explicit TScriptedUserInteraction(std::vector<TMessageAnswer> Answers);

  void QueueAnswer(TMessageAnswer Answer);

  // Raises Exception("Scripted answer is not one of the message's buttons")
  // when the next queued answer is not offered by a question (the message is
  // still recorded and the answer stays queued).
  TMessageAnswer ShowMessage(const TUserMessage& Message) override;

  // In the order shown.
  const std::vector<TUserMessage>& Messages() const { return Messages_; }
  // Just the texts, in the order shown.
  std::vector<std::string> Texts() const;
  std::size_t PendingAnswers() const { return Answers_.size(); }
  void ClearMessages() { Messages_.clear(); }

private:
  std::deque<TMessageAnswer> Answers_;
  std::vector<TUserMessage> Messages_;
};

} // namespace kestrava

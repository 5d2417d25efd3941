#pragma once
// The workstation's answer to IUserInteraction: each message is a modal
// QMessageBox with the message's icon, buttons and caption (an empty caption
// gives the application's display name), over the given parent window.
//
// Thread: user-interface thread.

#include "foundation/UserInteraction.h"

#include <QPointer>
#include <QWidget>

namespace kestrava {

class TMessageBoxUserInteraction final : public IUserInteraction {
public:
  // Parent may be null (the box then centres on the screen); the box never
  // outlives the call, so Parent is only watched, not owned.
  explicit TMessageBoxUserInteraction(QWidget* Parent = nullptr);

  void SetParent(QWidget* Parent) { Parent_ = Parent; }
  QWidget* Parent() const { return Parent_; }

  // A box closed without a button (Escape where no button cancels) gives
  // the message's declining answer.
  TMessageAnswer ShowMessage(const TUserMessage& Message) override;

private:
  QPointer<QWidget> Parent_;
};

} // namespace kestrava

#pragma once
// The notice shown while the generator coils are disconnected during a
// recording: a borderless 389 x 68 window over the main window with one red
// line. Its owner shows, raises and hides it.
//
// Thread: user-interface thread.

#include <QWidget>

class QLabel;

namespace kestrava {

class TGenCoilsDisconnectedDialog : public QWidget {
public:
  // Parent (normally the main window) keeps the notice above it and owns it.
  explicit TGenCoilsDisconnectedDialog(QWidget* Parent = nullptr);

  // Makes Parent the notice's owner again (the main window does so each time
  // it is activated); the notice stays a window of its own and keeps its
  // visibility.
  void Reparent(QWidget* Parent);

  QLabel* Label() const { return Label_; }

private:
  QLabel* Label_;
};

} // namespace kestrava

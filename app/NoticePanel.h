#pragma once
// The status bar's notice panel: one notice at a time from several sources.
// Failures that must not stop the work (the live file, an error that
// escaped an event handler) stay until the next notice; the problem of the
// frame on show and an alert about the body markers go when they are over,
// but never take away a notice that came after them.
//
// Thread: any.

#include <string>

namespace kestrava {

class TNoticePanel {
public:
  void Notice(const std::string& Text);
  // What is wrong with the frame on show; empty when nothing is.
  void FrameProblem(const std::string& Text);
  // Why the body markers placed cannot be right; empty when nothing is.
  void MarkerAlert(const std::string& Text);

  // The notice as given (the panel's tool tip) and as the panel's one line.
  const std::string& Text() const { return Text_; }
  std::string Line() const;

private:
  std::string Text_;
  bool FrameProblemShown_ = false;
  std::string MarkerAlert_;
};

} // namespace kestrava

#pragma once
// Ctrl-C (SIGINT) and SIGTERM as a request to stop that a long-running
// command polls, so it can finish cleanly (save what it has) instead of
// dying half-way. While an object lives, the two signals only set the
// request; the handlers that were there before come back when it goes.
//
// Thread: one object at a time, made and destroyed on the same thread; the
// request may be polled from any thread.

#include <csignal>

namespace kestrava {

class TInterruptRequest {
public:
  TInterruptRequest();
  ~TInterruptRequest();
  TInterruptRequest(const TInterruptRequest&) = delete;
  TInterruptRequest& operator=(const TInterruptRequest&) = delete;

  // True once SIGINT or SIGTERM arrived while this object lived.
  bool Requested() const;

private:
  struct sigaction PreviousInterrupt_ {};
  struct sigaction PreviousTerminate_ {};
};

} // namespace kestrava

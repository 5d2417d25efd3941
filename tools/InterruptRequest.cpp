#include "tools/InterruptRequest.h"

#include <atomic>

namespace kestrava {

namespace {

// A signal handler can reach only static storage; a lock-free atomic is the
// one kind of object it may safely write.
std::atomic<bool> StopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestStop(int) {
  StopRequested.store(true);
}

} // namespace

TInterruptRequest::TInterruptRequest() {
  StopRequested.store(false);
  struct sigaction Action {};
  Action.sa_handler = RequestStop;
  sigemptyset(&Action.sa_mask);
  // Restarted system calls keep a stop request from failing a save half-way.
  Action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &Action, &PreviousInterrupt_);
  sigaction(SIGTERM, &Action, &PreviousTerminate_);
}

TInterruptRequest::~TInterruptRequest() {
  sigaction(SIGINT, &PreviousInterrupt_, nullptr);
  sigaction(SIGTERM, &PreviousTerminate_, nullptr);
}

bool TInterruptRequest::Requested() const {
  return StopRequested.load();
}

} // namespace kestrava

#pragma once
// The loop of a worker thread that must not die of one bad turn: nothing may
// escape a thread's function (it would end the program), yet a fault that
// repeats every turn must not spin for ever either.
//
// Thread: the calling thread runs every turn.

#include <exception>
#include <string>

namespace kestrava {

// Runs Turn() until Stop() is true. An exception escaping a turn is handed
// to OnFailure (its what(), or "unknown failure") and the loop goes on with
// the next turn; after MaxConsecutiveFailures failed turns in a row it
// returns false (the caller then stops cleanly). True when Stop() ended it.
// OnFailure must not raise.
template <class TTurn, class TStop, class TOnFailure>
bool RunGuardedTurns(TTurn&& Turn, TStop&& Stop, TOnFailure&& OnFailure,
                     int MaxConsecutiveFailures) {
  int Failures = 0;
  while (!Stop()) {
    try {
      Turn();
      Failures = 0;
      continue;
    } catch (const std::exception& Error) {
      OnFailure(std::string(Error.what()));
    } catch (...) {
      OnFailure(std::string("unknown failure"));
    }
    if (++Failures >= MaxConsecutiveFailures)
      return false;
  }
  return true;
}

} // namespace kestrava

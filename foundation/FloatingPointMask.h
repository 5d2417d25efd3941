#pragma once
// Masks the invalid-operation and zero-divide floating-point exceptions for
// the lifetime of the guard. Graphics drivers are known to divide by zero and
// take square roots of negatives internally; with those exceptions unmasked
// the program would trap inside the driver.
//
// Destruction clears the exception flags raised meanwhile (so that nothing
// pending traps once the old masks are back) and restores the floating-point
// environment that was in force at construction, whatever it was - on x86-64
// both are usually already masked, and then the guard leaves them so.
//
// Thread: the floating-point environment is per thread; construct and
// destroy the guard on the same thread, strictly nested.

#include <cfenv>

namespace kestrava {

class TFloatingPointExceptionMask {
public:
  TFloatingPointExceptionMask();
  ~TFloatingPointExceptionMask();
  TFloatingPointExceptionMask(const TFloatingPointExceptionMask&) = delete;
  TFloatingPointExceptionMask& operator=(const TFloatingPointExceptionMask&) = delete;

private:
  std::fenv_t Saved_{}; // filled by the constructor
};

} // namespace kestrava

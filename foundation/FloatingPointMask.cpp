#include "foundation/FloatingPointMask.h"

#if defined(_MSC_VER)
#include <float.h>
#endif

namespace kestrava {

namespace {

// Standard C++ can save and restore the environment but cannot change which
// exceptions trap; that takes the platform's own call.
void MaskInvalidAndZeroDivide() {
#if defined(__GLIBC__)
  fedisableexcept(FE_INVALID | FE_DIVBYZERO);
#elif defined(_MSC_VER)
  unsigned int Current = 0;
  _controlfp_s(&Current, _EM_INVALID | _EM_ZERODIVIDE, _EM_INVALID | _EM_ZERODIVIDE);
#endif
}

} // namespace

TFloatingPointExceptionMask::TFloatingPointExceptionMask() {
  std::fegetenv(&Saved_);
  MaskInvalidAndZeroDivide();
}

TFloatingPointExceptionMask::~TFloatingPointExceptionMask() {
  std::feclearexcept(FE_ALL_EXCEPT);
  std::fesetenv(&Saved_);
  std::feclearexcept(FE_ALL_EXCEPT);
}

} // namespace kestrava

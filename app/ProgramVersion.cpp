#include "app/ProgramVersion.h"

#include "app/BuildIdentity.h" // generated at build time

namespace kestrava {

std::string ProgramVersionLine() {
  return std::string("Version ") + KESTRAVA_PROGRAM_VERSION + ", build " + KESTRAVA_PROGRAM_BUILD;
}

} // namespace kestrava

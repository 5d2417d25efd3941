#include "app/AboutTimeStamp.h"

#include "foundation/BuildStamp.h"
#include "foundation/QelExceptions.h"

namespace kestrava {

std::string SoftwareTimeStampLine(std::chrono::system_clock::time_point Utc) {
  return SoftwareTimeStampPrefix + BuildStampOf(Utc).Text();
}

std::string SoftwareTimeStampLineOfFile(const std::filesystem::path& ProgramFile) {
  try {
    return SoftwareTimeStampPrefix + BuildStampOfFile(ProgramFile).Text();
  } catch (const E_Qel_FileDoesNotExist&) {
    return SoftwareTimeStampPrefix;
  }
}

} // namespace kestrava

#include "foundation/BuildStamp.h"

#include "foundation/QelExceptions.h"

#include <system_error>

namespace kestrava {

std::string TBuildStamp::Text() const {
  return std::to_string(DayNumber) + "-" + std::to_string(SecondNumber);
}

TBuildStamp BuildStampOf(std::chrono::system_clock::time_point Utc) {
  using namespace std::chrono;
  const auto Seconds = floor<seconds>(Utc);
  const auto Day = floor<days>(Seconds);
  const year_month_day Date{Day};
  const hh_mm_ss Time{Seconds - Day};
  TBuildStamp Stamp;
  Stamp.DayNumber = static_cast<std::int32_t>(static_cast<unsigned>(Date.day())) +
                    static_cast<std::int32_t>(static_cast<unsigned>(Date.month())) * 31 +
                    static_cast<std::int32_t>(Date.year()) * 372;
  Stamp.SecondNumber = static_cast<std::int32_t>(Time.seconds().count()) +
                       static_cast<std::int32_t>(Time.minutes().count()) * 60 +
                       static_cast<std::int32_t>(Time.hours().count()) * 3600;
  return Stamp;
}

TBuildStamp BuildStampOfFile(const std::filesystem::path& ProgramFile) {
  std::error_code Error;
  const auto Written = std::filesystem::last_write_time(ProgramFile, Error);
  if (Error) {
    throw E_Qel_FileDoesNotExist();
  }
  return BuildStampOf(std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      std::chrono::file_clock::to_sys(Written)));
}

} // namespace kestrava

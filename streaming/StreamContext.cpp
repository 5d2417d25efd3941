#include "streaming/StreamContext.h"

#include <cmath>
#include <ctime>

namespace kestrava {

namespace {

// Days from 30 December 1899 to 1 January 1970.
constexpr double UnixEpochDateTime = 25569;

} // namespace

TStreamContext StreamContextOf(const TImagerProcedure& Procedure) {
  TStreamContext Context;
  Context.ProcedureType = Procedure.ProcedureType;
  Context.StartTime = Procedure.StartTime;
  Context.HasPainData = Procedure.HasPainData;
  Context.PainUnits = Procedure.PainUnits;
  return Context;
}

double UtcSecondsOfLocalDateTime(double DateTime) {
  // The stored value counts local wall-clock time as if it were UTC; reading
  // its fields back through gmtime and handing them to mktime as local time
  // applies the zone's offset for that very moment.
  const double WallSeconds = (DateTime - UnixEpochDateTime) * SecondsPerDay;
  // Years 1 to 9999 lie well within this; anything else is not a date.
  if (!(std::abs(WallSeconds) < 1e12)) {
    return 0;
  }
  const double Whole = std::floor(WallSeconds);
  const auto Wall = static_cast<std::time_t>(Whole);
  std::tm Fields{};
  if (gmtime_r(&Wall, &Fields) == nullptr) {
    return 0;
  }
  Fields.tm_isdst = -1;
  const std::time_t Utc = std::mktime(&Fields);
  if (Utc == static_cast<std::time_t>(-1)) {
    return 0;
  }
  return static_cast<double>(Utc) + (WallSeconds - Whole);
}

} // namespace kestrava

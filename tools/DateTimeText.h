#pragma once
// Stored date-times: doubles counting days since 30 December 1899, the
// fraction being the time of day, in the recording workstation's local time.
// Before that day the whole part counts back while the fraction still counts
// forward (-1.25 is 29 December 1899, 06:00).

#include <optional>
#include <string>

namespace kestrava {

// "YYYY-MM-DDTHH:MM:SS", rounded to the second. The value is already local
// time, so no zone is converted or appended. Empty for NaN, infinity and
// anything outside the years 1 to 9999.
std::optional<std::string> DateTimeToIsoText(double DateTime);

// The date-time of a civil date and time of day. Preconditions: a valid
// date of the years 1 to 9999 and a time of day within 00:00:00 .. 23:59:59.
double DateTimeFromCivil(int Year, int Month, int Day, int Hour, int Minute, int Second);

} // namespace kestrava

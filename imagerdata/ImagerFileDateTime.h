#pragma once
// Date-times as the imager files store them: doubles counting days since
// 30 December 1899, the fractional part being the time of day.

#include <cstdint>
#include <optional>

namespace kestrava {

// The date-time of a calendar date and a time of day, or nothing when the
// combination is not a real one (month 13, 30 February, hour 24, ...).
// Years 1 to 9999.
std::optional<double> EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute,
                                     int Second);

// The date-time of a packed FAT (MS-DOS) date-time: bits 25-31 year - 1980,
// 21-24 month, 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds / 2.
// An invalid combination gives 0.
double FatToDateTime(std::uint32_t Packed);

} // namespace kestrava

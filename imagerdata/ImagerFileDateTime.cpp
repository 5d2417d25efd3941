#include "imagerdata/ImagerFileDateTime.h"

namespace kestrava {

namespace {

bool IsLeapYear(int Year) {
  return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
}

int DaysInMonth(int Year, int Month) {
  constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil), valid for every year we accept.
long DaysFromCivil(int Year, int Month, int Day) {
  const int Y = Year - (Month <= 2 ? 1 : 0);
  const int Era = (Y >= 0 ? Y : Y - 399) / 400;
  const int YearOfEra = Y - Era * 400;
  const int DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const int DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return static_cast<long>(Era) * 146097 + DayOfEra - 719468;
}

// 30 December 1899 counted from 1 January 1970.
constexpr long DateTimeEpoch = -25569;

} // namespace

std::optional<double> EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute,
                                     int Second) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > DaysInMonth(Year, Month)) {
    return std::nullopt;
  }
  if (Hour < 0 || Hour > 23 || Minute < 0 || Minute > 59 || Second < 0 || Second > 59) {
    return std::nullopt;
  }
  const double Days = static_cast<double>(DaysFromCivil(Year, Month, Day) - DateTimeEpoch);
  const double Fraction = (Hour * 3600.0 + Minute * 60.0 + Second) / 86400.0;
  // Before the epoch the day counts backwards but the time of day is still
  // the size of the fraction: 06:00 on 29 December 1899 is -1.25.
  return Days >= 0 ? Days + Fraction : Days - Fraction;
}

double FatToDateTime(std::uint32_t Packed) {
  const int Year = 1980 + static_cast<int>(Packed >> 25);
  const int Month = static_cast<int>((Packed >> 21) & 0x0F);
  const int Day = static_cast<int>((Packed >> 16) & 0x1F);
  const int Hour = static_cast<int>((Packed >> 11) & 0x1F);
  const int Minute = static_cast<int>((Packed >> 5) & 0x3F);
  const int Second = static_cast<int>(Packed & 0x1F) * 2;
  return EncodeDateTime(Year, Month, Day, Hour, Minute, Second).value_or(0.0);
}

} // namespace kestrava

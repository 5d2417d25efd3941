#include "tools/DateTimeText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kestrava {

namespace {

constexpr std::int64_t WholeSecondsPerDay = 86400;

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t Year, std::int64_t Month, std::int64_t Day) {
  Year -= Month <= 2;
  const std::int64_t Era = (Year >= 0 ? Year : Year - 399) / 400;
  const std::int64_t YearOfEra = Year - Era * 400;
  const std::int64_t DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

struct TCivilDate {
  std::int64_t Year, Month, Day;
};

constexpr TCivilDate CivilFromDays(std::int64_t Days) {
  Days += 719468;
  const std::int64_t Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const std::int64_t DayOfEra = Days - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  const std::int64_t Day = DayOfYear - (153 * MonthIndex + 2) / 5 + 1;
  const std::int64_t Month = MonthIndex + (MonthIndex < 10 ? 3 : -9);
  return {YearOfEra + Era * 400 + (Month <= 2), Month, Day};
}

constexpr std::int64_t EpochDays = DaysFromCivil(1899, 12, 30);
// The stored range: 0001-01-01 .. 9999-12-31.
constexpr double FirstDateTime = static_cast<double>(DaysFromCivil(1, 1, 1) - EpochDays);
constexpr double EndDateTime = static_cast<double>(DaysFromCivil(10000, 1, 1) - EpochDays);

std::int64_t FloorDivide(std::int64_t Value, std::int64_t Divisor) {
  return Value / Divisor - (Value % Divisor < 0 ? 1 : 0);
}

} // namespace

std::optional<std::string> DateTimeToIsoText(double DateTime) {
  // Negative values reach back to year 1 as -693593.x, so the whole part is
  // taken towards zero and the fraction added forward.
  if (!std::isfinite(DateTime) || DateTime <= FirstDateTime - 1 || DateTime >= EndDateTime)
    return std::nullopt;
  const double WholeDays = std::trunc(DateTime);
  const double TimeOfDay = std::fabs(DateTime - WholeDays);
  const std::int64_t Seconds = static_cast<std::int64_t>(WholeDays) * WholeSecondsPerDay +
                               std::llround(TimeOfDay * WholeSecondsPerDay);
  const std::int64_t Days = FloorDivide(Seconds, WholeSecondsPerDay);
  const std::int64_t SecondOfDay = Seconds - Days * WholeSecondsPerDay;
  const TCivilDate Date = CivilFromDays(Days + EpochDays);
  if (Date.Year < 1 || Date.Year > 9999)
    return std::nullopt;
  char Text[128]; // room for any long long, which keeps the compiler sure of no truncation
  std::snprintf(Text, sizeof Text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld",
                static_cast<long long>(Date.Year), static_cast<long long>(Date.Month),
                static_cast<long long>(Date.Day), static_cast<long long>(SecondOfDay / 3600),
                static_cast<long long>(SecondOfDay / 60 % 60),
                static_cast<long long>(SecondOfDay % 60));
  return std::string(Text);
}

double DateTimeFromCivil(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  const double Days = static_cast<double>(DaysFromCivil(Year, Month, Day) - EpochDays);
  const double Fraction = (Hour * 3600.0 + Minute * 60.0 + Second) / WholeSecondsPerDay;
  // Before the epoch the fraction still counts forward from the start of the day.
  return Days >= 0 ? Days + Fraction : Days - Fraction;
}

} // namespace kestrava

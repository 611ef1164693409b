// Date-time values: days since 1899-12-30 00:00, the time of day as the
// fraction; 0 stands for no date.
#pragma once

#include <cstdint>

namespace zorapi {

using TDateTime = double;

constexpr double kMillisecondsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Day count of a calendar date (proleptic Gregorian, years 1 to 9999).
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);
// A date and a time of day combined; dates before 1899-12-30 count the time
// away from zero, as the day count does.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

struct TDateTimeParts {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
  int DayOfWeek;  // 1 = Sunday .. 7 = Saturday
};
TDateTimeParts DecodeDateTime(TDateTime value);

TDateTime IncSeconds(TDateTime value, double seconds);

}  // namespace zorapi

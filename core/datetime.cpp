#include "core/datetime.h"

#include <cmath>

namespace zorapi {
namespace {

// Days from 0001-01-01 to 1899-12-30.
constexpr std::int64_t kDelta = 693594;

std::int64_t DaysBeforeYear(int year) {
  const std::int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  std::int64_t days = DaysBeforeYear(year);
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += day - 1;
  date = static_cast<double>(days + 1 - kDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    return false;
  time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMillisecondsPerDay;
  return true;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts p{};
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  auto ms = static_cast<std::int64_t>(std::llround(frac * kMillisecondsPerDay));
  if (ms >= 86400000) {  // rounding carried into the next day
    ms -= 86400000;
    whole += value < 0 ? -1 : 1;
  }
  p.Hour = static_cast<int>(ms / 3600000);
  p.Minute = static_cast<int>(ms / 60000 % 60);
  p.Second = static_cast<int>(ms / 1000 % 60);
  p.Millisecond = static_cast<int>(ms % 1000);

  std::int64_t days = static_cast<std::int64_t>(whole) + kDelta - 1;  // days since 0001-01-01
  p.DayOfWeek = static_cast<int>((days + 1) % 7) + 1;                // 0001-01-01 was a Monday
  int year = static_cast<int>(days / 365.2425) + 1;
  while (DaysBeforeYear(year + 1) <= days) ++year;
  while (DaysBeforeYear(year) > days) --year;
  days -= DaysBeforeYear(year);
  int month = 1;
  while (days >= DaysInMonth(year, month)) days -= DaysInMonth(year, month++);
  p.Year = year;
  p.Month = month;
  p.Day = static_cast<int>(days) + 1;
  return p;
}

TDateTime IncSeconds(TDateTime value, double seconds) { return value + seconds / kSecondsPerDay; }

}  // namespace zorapi

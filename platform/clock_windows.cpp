#include <windows.h>

#include "platform/clock.h"

namespace zorapi::platform {

TDateTime LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  TDateTime date = 0, time = 0;
  TryEncodeDate(now.wYear, now.wMonth, now.wDay, date);
  TryEncodeTime(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, time);
  return ComposeDateTime(date, time);
}

// The bias (UTC minus local, in minutes) of the zone's current period: the
// standard or daylight bias is added only when the zone has a start date for
// that period (a month of 0 means the zone does not change).
bool LocalUtcOffsetMinutes(int& minutes) {
  TIME_ZONE_INFORMATION zone{};
  const DWORD period = GetTimeZoneInformation(&zone);
  if (period == TIME_ZONE_ID_INVALID) return false;
  LONG bias = zone.Bias;
  if (period == TIME_ZONE_ID_STANDARD && zone.StandardDate.wMonth != 0) {
    bias += zone.StandardBias;
  } else if (period == TIME_ZONE_ID_DAYLIGHT && zone.DaylightDate.wMonth != 0) {
    bias += zone.DaylightBias;
  }
  minutes = -static_cast<int>(bias);
  return true;
}

// The 64-bit tick count, so that time-outs stay right after the 32-bit
// counter wraps at 49.7 days of uptime.
std::uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

}  // namespace zorapi::platform

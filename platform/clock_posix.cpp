#include <time.h>

#include "platform/clock.h"

namespace zorapi::platform {

TDateTime LocalNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  TDateTime date = 0, time = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  // A leap second reads as the last second of the minute.
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                static_cast<int>(ts.tv_nsec / 1000000), time);
  return ComposeDateTime(date, time);
}

bool LocalUtcOffsetMinutes(int& minutes) {
  const time_t now = ::time(nullptr);
  tm local{};
  if (localtime_r(&now, &local) == nullptr) return false;
  minutes = static_cast<int>(local.tm_gmtoff / 60);
  return true;
}

std::uint64_t MonotonicMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

}  // namespace zorapi::platform

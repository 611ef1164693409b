// Sets the process's time zone for the length of a test and puts the
// previous one back afterwards.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

namespace zorapi::testing_support {

class TimeZoneGuard {
 public:
  // AZone is a POSIX TZ value, e.g. "UTC0" or "<+01>-1".
  explicit TimeZoneGuard(const char* AZone) {
    if (const char* old = getenv("TZ")) FOld = old;
    setenv("TZ", AZone, 1);
    tzset();
  }
  ~TimeZoneGuard() {
    if (FOld)
      setenv("TZ", FOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  TimeZoneGuard(const TimeZoneGuard&) = delete;
  TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

 private:
  std::optional<std::string> FOld;
};

}  // namespace zorapi::testing_support

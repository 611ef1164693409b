// Clocks of the operating system: local wall time, the current offset of
// local time from UTC, and a monotonic millisecond counter.
#pragma once

#include <cstdint>

#include "core/datetime.h"

namespace zorapi::platform {

// The local date and time now, with millisecond resolution.
TDateTime LocalNow();

// The current offset of local time from UTC in minutes, positive east of UTC.
// False when the platform cannot report its time zone.
bool LocalUtcOffsetMinutes(int& minutes);

// Milliseconds from an arbitrary start; never goes backwards.
std::uint64_t MonotonicMilliseconds();

}  // namespace zorapi::platform

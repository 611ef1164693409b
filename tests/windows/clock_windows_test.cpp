// The Windows clocks. The local offset is checked against the difference
// of the system's local and UTC clocks and, when scripts/test-windows runs
// the suite under a chosen zone, against the offset Linux gives for it
// (ZORAPI_EXPECTED_UTC_OFFSET, in minutes).
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>

#include "core/datetime.h"
#include "platform/clock.h"

namespace zorapi::platform {
namespace {

std::int64_t Minutes(const SYSTEMTIME& t) {
  FILETIME f{};
  SystemTimeToFileTime(&t, &f);
  const std::int64_t ticks = (static_cast<std::int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  return ticks / (10'000'000LL * 60);
}

TEST(WindowsClockTest, OffsetIsLocalClockMinusUtcClock) {
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  int offset = 99999;
  ASSERT_TRUE(LocalUtcOffsetMinutes(offset));
  // The two clocks are read a moment apart; a minute boundary may fall between.
  EXPECT_LE(std::abs(Minutes(local) - Minutes(utc) - offset), 1) << offset;
  if (const char* expected = std::getenv("ZORAPI_EXPECTED_UTC_OFFSET")) {
    EXPECT_EQ(offset, std::atoi(expected)) << "zone " << (std::getenv("TZ") ? std::getenv("TZ") : "?");
  }
}

TEST(WindowsClockTest, LocalNowIsTheLocalClock) {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  const TDateTimeParts now = DecodeDateTime(LocalNow());
  TDateTime a = 0, b = 0, ta = 0, tb = 0;
  ASSERT_TRUE(TryEncodeDate(local.wYear, local.wMonth, local.wDay, a));
  ASSERT_TRUE(TryEncodeTime(local.wHour, local.wMinute, local.wSecond, 0, ta));
  ASSERT_TRUE(TryEncodeDate(now.Year, now.Month, now.Day, b));
  ASSERT_TRUE(TryEncodeTime(now.Hour, now.Minute, now.Second, 0, tb));
  EXPECT_LT(std::fabs((b + tb - (a + ta)) * kSecondsPerDay), 5.0);
}

TEST(WindowsClockTest, MonotonicMillisecondsAdvance) {
  const std::uint64_t start = MonotonicMilliseconds();
  Sleep(60);
  const std::uint64_t end = MonotonicMilliseconds();
  EXPECT_GE(end, start + 40);
  EXPECT_LT(end, start + 10000);
}

}  // namespace
}  // namespace zorapi::platform

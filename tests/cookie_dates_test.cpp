// The date of a cookie's Expires attribute: tokens in any order, the
// two-digit years, the cases that make the whole date invalid, and the
// move from UTC to local time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/datetime.h"
#include "core/text.h"
#include "http/cookie_dates.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

int LocalOffsetMinutes() {
  int minutes = 0;
  EXPECT_TRUE(platform::LocalUtcOffsetMinutes(minutes));
  return minutes;
}

struct ValidDateCase {
  const char* name;
  std::u16string text;
  int year, month, day, hour, minute, second;  // as UTC
};

class CookieDateValidTest : public testing::TestWithParam<ValidDateCase> {};

TEST_P(CookieDateValidTest, ReadsAsUtcMovedToLocalTime) {
  const ValidDateCase& c = GetParam();
  TDateTime date = 0, time = 0;
  ASSERT_TRUE(TryEncodeDate(c.year, c.month, c.day, date));
  ASSERT_TRUE(TryEncodeTime(c.hour, c.minute, c.second, 0, time));
  const TDateTime expected = date + time + LocalOffsetMinutes() / 1440.0;
  EXPECT_NEAR(CookieDateToLocal(c.text), expected, 0.5 / kMillisecondsPerDay);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CookieDateValidTest,
    testing::Values(
        ValidDateCase{"Rfc1123", u"Wed, 09 Jun 2021 10:18:14 GMT", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"Rfc850", u"Sunday, 06-Nov-94 08:49:37 GMT", 1994, 11, 6, 8, 49, 37},
        ValidDateCase{"Asctime", u"Sun Nov  6 08:49:37 1994", 1994, 11, 6, 8, 49, 37},
        ValidDateCase{"SingleDigits", u"6 nov 1994 8:9:7", 1994, 11, 6, 8, 9, 7},
        ValidDateCase{"MonthByFirstThreeLetters", u"09 JUNE 2021 10:18:14", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"AnyOrder", u"10:18:14 09 2021 Jun", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"DelimitersOfAllKinds", u"09/Jun/2021\t[10:18:14]", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"TextAfterTheSeconds", u"09 Jun 2021 10:18:14Z", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"LaterTokensIgnored", u"09 Jun 2021 10:18:14 11 Jul 2022 12:00:00", 2021, 6, 9, 10, 18, 14},
        ValidDateCase{"Year70Is1970", u"01 Jan 70 00:00:00", 1970, 1, 1, 0, 0, 0},
        ValidDateCase{"Year99Is1999", u"31 Dec 99 23:59:59", 1999, 12, 31, 23, 59, 59},
        ValidDateCase{"Year00Is2000", u"01 Jan 00 00:00:01", 2000, 1, 1, 0, 0, 1},
        ValidDateCase{"Year69Is2069", u"01 Jan 69 00:00:00", 2069, 1, 1, 0, 0, 0},
        ValidDateCase{"LeapDay", u"29 Feb 2024 12:00:00", 2024, 2, 29, 12, 0, 0},
        ValidDateCase{"LastDay", u"31 Dec 9999 00:00:00", 9999, 12, 31, 0, 0, 0}),
    [](const testing::TestParamInfo<ValidDateCase>& info) { return std::string(info.param.name); });

struct InvalidDateCase {
  const char* name;
  std::u16string text;
};

class CookieDateInvalidTest : public testing::TestWithParam<InvalidDateCase> {};

TEST_P(CookieDateInvalidTest, GivesZero) { EXPECT_EQ(CookieDateToLocal(GetParam().text), 0); }

INSTANTIATE_TEST_SUITE_P(
    Table, CookieDateInvalidTest,
    testing::Values(
        InvalidDateCase{"Empty", u""}, InvalidDateCase{"Garbage", u"garbage"},
        InvalidDateCase{"OnlyDelimiters", u" ,;-/ "},
        // 2021 is offered to the day of month first and fails it.
        InvalidDateCase{"IsoForm", u"2021-06-09 10:18:14"},
        InvalidDateCase{"NoTime", u"Wed, 09 Jun 2021"}, InvalidDateCase{"NoDay", u"Jun 2021 10:18:14"},
        InvalidDateCase{"NoMonth", u"09 Foo 2021 10:18:14"}, InvalidDateCase{"NoYear", u"09 Jun 10:18:14"},
        InvalidDateCase{"Hour24", u"09 Jun 2021 24:00:00"}, InvalidDateCase{"Minute60", u"09 Jun 2021 10:60:00"},
        InvalidDateCase{"Second60", u"09 Jun 2021 10:00:60"},
        InvalidDateCase{"DigitAfterSeconds", u"09 Jun 2021 10:18:145"},
        // Not a time (no seconds); as a day of month its third character is a digit.
        InvalidDateCase{"ShortTimeFirst", u"9:30 09 Jun 2021"},
        InvalidDateCase{"DayThreeDigits", u"009 Jun 2021 10:18:14"},
        InvalidDateCase{"Day0", u"00 Jun 2021 10:18:14"}, InvalidDateCase{"Day32", u"32 Jun 2021 10:18:14"},
        InvalidDateCase{"April31", u"31 Apr 2021 10:18:14"},
        InvalidDateCase{"February29OfCommonYear", u"29 Feb 2023 10:18:14"},
        InvalidDateCase{"YearBefore1601", u"09 Jun 1600 10:18:14"},
        InvalidDateCase{"ThreeDigitYear", u"09 Jun 100 10:18:14"},
        InvalidDateCase{"FiveDigitYear", u"09 Jun 20211 10:18:14"},
        InvalidDateCase{"YearWithLetters", u"09 Jun 2021x 10:18:14"}),
    [](const testing::TestParamInfo<InvalidDateCase>& info) { return std::string(info.param.name); });

// Dates before 1899-12-30 count the time of day away from zero; the local
// offset must move such a date the right way.
TEST(CookieDateEarlyTest, KeepsTheCalendarDayOfOldDates) {
  const TDateTime local = CookieDateToLocal(u"15 Jan 1601 12:00:00 GMT");
  ASSERT_LT(local, 0);
  const TDateTimeParts p = DecodeDateTime(local);
  const int minutes = 12 * 60 + LocalOffsetMinutes();
  EXPECT_EQ(p.Year, 1601);
  EXPECT_EQ(p.Month, 1);
  EXPECT_EQ(p.Day, 15 + static_cast<int>(std::floor(minutes / 1440.0)));
  const int minuteOfDay = ((minutes % 1440) + 1440) % 1440;
  EXPECT_EQ(p.Hour, minuteOfDay / 60);
  EXPECT_EQ(p.Minute, minuteOfDay % 60);
}

}  // namespace
}  // namespace zorapi

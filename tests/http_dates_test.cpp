// Reading HTTP dates in their many forms, zone offsets, the local offset and
// writing RFC 1123 dates.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

#include "core/datetime.h"
#include "core/text.h"
#include "http/http_dates.h"
#include "support/time_zone_guard.h"

namespace zorapi {
namespace {

using testing_support::TimeZoneGuard;

constexpr double kOneSecond = 1.0 / 86400.0;

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
  return date + time;
}

struct DateCase {
  std::u16string text;
  bool ok;
  int y, mo, d, h, mi, s;
  std::u16string rest;  // what ReadInternetDate leaves: the zone
};

DateCase Unreadable(std::u16string AText) { return {std::move(AText), false, 0, 0, 0, 0, 0, 0, u""}; }

void PrintTo(const DateCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.text) << '"'; }

class ReadInternetDateTest : public testing::TestWithParam<DateCase> {};

TEST_P(ReadInternetDateTest, Reads) {
  const DateCase& c = GetParam();
  std::u16string text = c.text;
  TDateTime date = 123;
  ASSERT_EQ(ReadInternetDate(text, date), c.ok);
  if (!c.ok) {
    EXPECT_EQ(date, 0);
    return;
  }
  EXPECT_NEAR(date, At(c.y, c.mo, c.d, c.h, c.mi, c.s), kOneSecond / 100);
  EXPECT_EQ(text, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReadInternetDateTest,
    testing::Values(DateCase{u"Sun, 06 Nov 1994 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37, u"GMT"},
                    DateCase{u"Sunday, 06-Nov-94 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37, u"GMT"},
                    DateCase{u"Sun Nov  6 08:49:37 1994", true, 1994, 11, 6, 8, 49, 37, u""},
                    DateCase{u"  sun,06 Nov 1994 08:49:37 +0200  ", true, 1994, 11, 6, 8, 49, 37, u"+0200"},
                    DateCase{u"06 Nov 1994 08:49:37 EST", true, 1994, 11, 6, 8, 49, 37, u"EST"},
                    DateCase{u"Nov 6 1994", true, 1994, 11, 6, 0, 0, 0, u""},
                    DateCase{u"6-Nov-1994 08.49.37 MEZ", true, 1994, 11, 6, 8, 49, 37, u"MEZ"},
                    DateCase{u"Thu, 01 Jan 1970 00:00 UT", true, 1970, 1, 1, 0, 0, 0, u"UT"}));

INSTANTIATE_TEST_SUITE_P(
    Meridiem, ReadInternetDateTest,
    testing::Values(DateCase{u"06 Nov 1994 08:49:37 PM GMT", true, 1994, 11, 6, 20, 49, 37, u""},
                    DateCase{u"06 Nov 1994 12:00:00 AM +0100", true, 1994, 11, 6, 0, 0, 0, u""},
                    DateCase{u"06 Nov 1994 12:30:00 PM", true, 1994, 11, 6, 12, 30, 0, u""},
                    DateCase{u"06 Nov 1994 09:15:00 AM", true, 1994, 11, 6, 9, 15, 0, u""}));

INSTANTIATE_TEST_SUITE_P(
    Years, ReadInternetDateTest,
    testing::Values(DateCase{u"01 Jan 49 00:00:00 GMT", true, 2049, 1, 1, 0, 0, 0, u"GMT"},
                    DateCase{u"01 Jan 50 00:00:00 GMT", true, 1950, 1, 1, 0, 0, 0, u"GMT"},
                    DateCase{u"01 Jan 00 00:00:00 GMT", true, 2000, 1, 1, 0, 0, 0, u"GMT"},
                    DateCase{u"01 Jan 99 00:00:00 GMT", true, 1999, 1, 1, 0, 0, 0, u"GMT"},
                    DateCase{u"01 Jan 112 00:00:00 GMT", true, 2012, 1, 1, 0, 0, 0, u"GMT"},
                    DateCase{u"29 Feb 2000", true, 2000, 2, 29, 0, 0, 0, u""}));

INSTANTIATE_TEST_SUITE_P(
    MonthWords, ReadInternetDateTest,
    testing::Values(DateCase{u"06 Okt 1994", true, 1994, 10, 6, 0, 0, 0, u""},
                    DateCase{u"06 Mai 1994", true, 1994, 5, 6, 0, 0, 0, u""},
                    DateCase{u"06 Dez 1994", true, 1994, 12, 6, 0, 0, 0, u""},
                    DateCase{u"06 JUI 1994", true, 1994, 7, 6, 0, 0, 0, u""},
                    DateCase{u"06 june 1994", true, 1994, 6, 6, 0, 0, 0, u""},
                    DateCase{u"06 Sbre 1994", true, 1994, 9, 6, 0, 0, 0, u""},
                    DateCase{u"06 Mrt 1994", true, 1994, 3, 6, 0, 0, 0, u""},
                    DateCase{u"06 Avg 1994", true, 1994, 8, 6, 0, 0, 0, u""},
                    DateCase{u"06 Maj 1994", true, 1994, 5, 6, 0, 0, 0, u""},
                    DateCase{u"06 f\u00E9v 1994", true, 1994, 2, 6, 0, 0, 0, u""},
                    DateCase{u"06 F\u00C9VR 1994", true, 1994, 2, 6, 0, 0, 0, u""},
                    DateCase{u"06 ao\u00FBt 1994", true, 1994, 8, 6, 0, 0, 0, u""},
                    DateCase{u"06 D\u00E9c 1994", true, 1994, 12, 6, 0, 0, 0, u""},
                    DateCase{u"Dez 24 2001", true, 2001, 12, 24, 0, 0, 0, u""}));

INSTANTIATE_TEST_SUITE_P(
    Unreadable, ReadInternetDateTest,
    testing::Values(Unreadable(u""), Unreadable(u"   "), Unreadable(u"garbage"),
                    Unreadable(u"06 Xyz 1994 08:49:37 GMT"), Unreadable(u"31 Feb 1994"),
                    Unreadable(u"06 Nov 1994 25:00:00 GMT"), Unreadable(u"06 Nov 1994 08:61:00"),
                    Unreadable(u"Sun Nov 6 08:49:37 year"), Unreadable(u"1994-11-06"),
                    Unreadable(u"Sunday,06-Nov-94 08:49:37 GMT")));

struct ZoneCase {
  std::u16string zone;
  int minutes;
};

void PrintTo(const ZoneCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.zone) << '"'; }

class ZoneOffsetTest : public testing::TestWithParam<ZoneCase> {};

TEST_P(ZoneOffsetTest, Offset) {
  EXPECT_NEAR(ZoneOffsetOf(GetParam().zone) * 1440.0, GetParam().minutes, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ZoneOffsetTest,
    testing::Values(ZoneCase{u"GMT", 0}, ZoneCase{u"", 0}, ZoneCase{u"+0200", 120}, ZoneCase{u"-0530", -330},
                    ZoneCase{u"  +0100 trailing", 60},
                    // A name listed more than once takes its first row.
                    ZoneCase{u"EST", 11 * 60}, ZoneCase{u"est", 11 * 60}, ZoneCase{u"CDT", 10 * 60 + 30},
                    ZoneCase{u"CST", 10 * 60 + 30}, ZoneCase{u"WST", 9 * 60}, ZoneCase{u"EDT", 11 * 60},
                    ZoneCase{u"PST", -8 * 60}, ZoneCase{u"HAT", -150}, ZoneCase{u"NFT", 11 * 60 + 30},
                    ZoneCase{u"MEHSZ", 180}, ZoneCase{u"Z", 0}, ZoneCase{u"A", 60}, ZoneCase{u"Y", -12 * 60},
                    ZoneCase{u"XYZ", 0}, ZoneCase{u"+2400", 0}, ZoneCase{u"+0160", 0}, ZoneCase{u"+02", 0},
                    ZoneCase{u"+ab00", 0}, ZoneCase{u"0200", 0}));

// Every zone name, in the order the names are searched, with its offset.
// A name listed twice must give its first offset.
constexpr std::string_view kZoneTable =
    "A=+0100 ACDT=+1030 ACST=+0930 ADT=-0300 AEDT=+1100 AEST=+1000 AKDT=-0800 AKST=-0900 AST=-0400 "
    "AWDT=+0900 AWST=+0800 B=+0200 BST=+0100 C=+0300 CDT=+1030 CDT=-0500 CEDT=+0200 CEST=+0200 CET=+0100 "
    "CST=+1030 CST=+0930 CST=-0600 CXT=+0700 D=+0400 E=+0500 EDT=+1100 EDT=-0400 EEDT=+0300 EEST=+0300 "
    "EET=+0200 EST=+1100 EST=+1000 EST=-0500 F=+0600 G=+0700 GMT=+0000 H=+0800 HAA=-0300 HAC=-0500 "
    "HADT=-0900 HAE=-0400 HAP=-0700 HAR=-0600 HAST=-1000 HAT=-0230 HAY=-0800 HNA=-0400 HNC=-0600 "
    "HNE=-0500 HNP=-0800 HNR=-0700 HNT=-0330 HNY=-0900 I=+0900 IST=+0100 K=+1000 L=+1100 M=+1200 "
    "MDT=-0600 MEHSZ=+0300 MESZ=+0200 MEZ=+0100 MSD=+0400 MSK=+0300 MST=-0700 N=-0100 NDT=-0230 "
    "NFT=+1130 NST=-0330 O=-0200 P=-0300 PDT=-0700 PST=-0800 Q=-0400 R=-0500 S=-0600 T=-0700 U=-0800 "
    "UT=+0000 UTC=+0000 V=-0900 W=-1000 WDT=+0900 WEDT=+0100 WEST=+0100 WET=+0000 WST=+0900 WST=+0800 "
    "X=-1100 Y=-1200 Z=+0000";

TEST(ZoneOffsetTableTest, EveryNameGivesItsFirstOffset) {
  std::map<std::string, int> first;
  int rows = 0;
  std::string_view rest = kZoneTable;
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    const std::string_view row = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    const std::size_t eq = row.find('=');
    const int sign = row[eq + 1] == '-' ? -1 : 1;
    const int minutes = sign * (std::stoi(std::string(row.substr(eq + 2, 2))) * 60 +
                                std::stoi(std::string(row.substr(eq + 4, 2))));
    first.emplace(std::string(row.substr(0, eq)), minutes);
    ++rows;
  }
  ASSERT_EQ(rows, 91);
  for (const auto& [name, minutes] : first) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NEAR(ZoneOffsetOf(AsciiToText(name)) * 1440.0, minutes, 1e-6) << name;
    EXPECT_NEAR(ZoneOffsetOf(AsciiToText(lower)) * 1440.0, minutes, 1e-6) << lower;
    EXPECT_NEAR(ZoneOffsetOf(AsciiToText(" " + name + " x")) * 1440.0, minutes, 1e-6) << name;
  }
  // Near misses are no zone: no offset.
  for (const char16_t* word : {u"GMT1", u"ESTX", u"AA", u"UTC+1", u"+GMT"})
    EXPECT_EQ(ZoneOffsetOf(word), 0) << TextToAscii(word);
}

// The month words, row by row from January to December; "-" is an empty
// entry. A word gives the month of its first entry.
constexpr const char16_t* kMonthRows[8][12] = {
    {u"JAN", u"FEB", u"MAR", u"APR", u"MAY", u"JUN", u"JUL", u"AUG", u"SEP", u"OCT", u"NOV", u"DEC"},
    {u"-", u"-", u"-", u"-", u"-", u"JUNE", u"JULY", u"-", u"SEPT", u"-", u"-", u"-"},
    {u"-", u"-", u"MRZ", u"-", u"MAI", u"-", u"-", u"-", u"-", u"OKT", u"-", u"DEZ"},
    {u"ENO", u"FBRO", u"MZO", u"AB", u"-", u"-", u"-", u"AGTO", u"SBRE", u"OBRE", u"NBRE", u"DBRE"},
    {u"-", u"-", u"MRT", u"-", u"MEI", u"-", u"-", u"-", u"-", u"OKT", u"-", u"-"},
    {u"JANV", u"F\u00C9V", u"MARS", u"AVR", u"MAI", u"JUIN", u"JUIL", u"AO\u00DB", u"SEPT", u"-", u"-",
     u"D\u00C9C"},
    {u"-", u"F\u00C9VR", u"-", u"-", u"-", u"-", u"JUI", u"AO\u00DBT", u"-", u"-", u"-", u"-"},
    {u"-", u"-", u"-", u"-", u"MAJ", u"-", u"-", u"AVG", u"-", u"-", u"-", u"-"},
};

TEST(MonthTableTest, EveryWordGivesTheMonthOfItsFirstEntry) {
  std::map<std::u16string, int> first;
  for (const auto& row : kMonthRows)
    for (int m = 0; m < 12; ++m)
      if (std::u16string_view(row[m]) != u"-") first.emplace(row[m], m + 1);
  ASSERT_EQ(first.size(), 43u);
  for (const auto& [word, month] : first) {
    std::u16string lower = word;
    for (char16_t& c : lower)
      if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<char16_t>(c + 32);
    for (const std::u16string& w : {word, lower}) {
      std::u16string text = u"15 " + w + u" 2001 10:20:30 GMT";
      TDateTime date = 0;
      ASSERT_TRUE(ReadInternetDate(text, date)) << TextToAscii(w);
      EXPECT_NEAR(date, At(2001, month, 15, 10, 20, 30), kOneSecond / 100) << TextToAscii(w);
      // Month first, as in the asctime form.
      text = w + u" 15 10:20:30 2001";
      ASSERT_TRUE(ReadInternetDate(text, date)) << TextToAscii(w);
      EXPECT_NEAR(date, At(2001, month, 15, 10, 20, 30), kOneSecond / 100) << TextToAscii(w);
    }
  }
}

TEST(HttpDateToLocalTest, TheThreeFormsGiveTheSameInstant) {
  TimeZoneGuard zone("UTC0");
  const TDateTime expected = At(1994, 11, 6, 8, 49, 37);
  EXPECT_NEAR(HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 GMT"), expected, kOneSecond / 100);
  EXPECT_NEAR(HttpDateToLocal(u"Sunday, 06-Nov-94 08:49:37 GMT"), expected, kOneSecond / 100);
  EXPECT_NEAR(HttpDateToLocal(u"Sun Nov  6 08:49:37 1994"), expected, kOneSecond / 100);
}

TEST(HttpDateToLocalTest, ZonesShiftTheInstant) {
  TimeZoneGuard zone("UTC0");
  const TDateTime gmt = HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_NEAR(HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 +0200"), gmt - 2.0 / 24, kOneSecond / 100);
  EXPECT_NEAR(HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 EST"), gmt - 11.0 / 24, kOneSecond / 100);
  EXPECT_NEAR(HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 -0130"), gmt + 1.5 / 24, kOneSecond / 100);
  EXPECT_NEAR(HttpDateToLocal(u"Sun, 06 Nov 1994 08:49:37 Nowhere"), gmt, kOneSecond / 100);
}

TEST(HttpDateToLocalTest, AddsTheLocalOffset) {
  TimeZoneGuard zone("<+01>-1");
  EXPECT_NEAR(HttpDateToLocal(u"Mon, 02 Jan 2023 10:00:00 GMT"), At(2023, 1, 2, 11, 0, 0), kOneSecond / 100);
}

TEST(HttpDateToLocalTest, UnreadableTextGivesZero) {
  TimeZoneGuard zone("<+01>-1");
  EXPECT_EQ(HttpDateToLocal(u""), 0);
  EXPECT_EQ(HttpDateToLocal(u"garbage"), 0);
  EXPECT_EQ(HttpDateToLocal(u"06 Foo 1994 08:49:37 GMT"), 0);
}

TEST(LocalUtcOffsetTest, FollowsTheTimeZone) {
  {
    TimeZoneGuard zone("<+0530>-5:30");
    EXPECT_NEAR(LocalUtcOffset() * 1440.0, 330, 1e-6);
  }
  {
    TimeZoneGuard zone("<-03>3");
    EXPECT_NEAR(LocalUtcOffset() * 1440.0, -180, 1e-6);
  }
}

TEST(HttpDateTextTest, WritesRfc1123InGmt) {
  {
    TimeZoneGuard zone("UTC0");
    EXPECT_EQ(HttpDateText(At(1994, 11, 6, 8, 49, 37)), u"Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(HttpDateText(At(2024, 2, 29, 23, 5, 9)), u"Thu, 29 Feb 2024 23:05:09 GMT");
  }
  {
    TimeZoneGuard zone("<+01>-1");
    EXPECT_EQ(HttpDateText(At(1994, 11, 6, 9, 49, 37)), u"Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(HttpDateText(At(2000, 1, 1, 0, 30, 0)), u"Fri, 31 Dec 1999 23:30:00 GMT");
  }
}

TEST(HttpDateTextTest, ReadingWhatWasWrittenGivesTheSameTime) {
  TimeZoneGuard zone("<-0330>3:30");
  for (const TDateTime local : {At(1970, 1, 1, 3, 30, 0), At(2038, 1, 19, 3, 14, 7), At(2009, 6, 30, 12, 0, 1)}) {
    const std::u16string text = HttpDateText(local);
    EXPECT_NEAR(HttpDateToLocal(text), local, kOneSecond / 100) << TextToAscii(text);
  }
}

}  // namespace
}  // namespace zorapi

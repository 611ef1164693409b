#include "http/cookie_dates.h"

#include <cmath>
#include <optional>

#include "core/text.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

bool IsDelimiter(char16_t c) {
  return c == u'\t' || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads 1 to maxDigits digits at pos; returns their count (0 when none).
std::size_t ReadDigits(std::u16string_view token, std::size_t pos, std::size_t maxDigits, int& value) {
  std::size_t n = 0;
  value = 0;
  while (n < maxDigits && pos + n < token.size() && IsDigit(token[pos + n])) {
    value = value * 10 + (token[pos + n] - u'0');
    ++n;
  }
  return n;
}

// The outcome of offering a token to one of the tests.
enum class TTest { Rejected, Accepted, Invalid };

struct TCookieDateParts {
  bool HaveTime = false, HaveDay = false, HaveMonth = false, HaveYear = false;
  int Hour = 0, Minute = 0, Second = 0, Day = 0, Month = 0, Year = 0;
};

TTest ReadTime(std::u16string_view token, TCookieDateParts& parts) {
  int h, m, s;
  std::size_t pos = ReadDigits(token, 0, 2, h);
  if (pos == 0 || pos >= token.size() || token[pos] != u':') return TTest::Rejected;
  std::size_t n = ReadDigits(token, ++pos, 2, m);
  if (n == 0 || (pos += n) >= token.size() || token[pos] != u':') return TTest::Rejected;
  n = ReadDigits(token, ++pos, 2, s);
  if (n == 0) return TTest::Rejected;
  pos += n;
  if (pos < token.size() && IsDigit(token[pos])) return TTest::Invalid;
  if (h > 23 || m > 59 || s > 59) return TTest::Invalid;
  parts.Hour = h;
  parts.Minute = m;
  parts.Second = s;
  return TTest::Accepted;
}

TTest ReadDayOfMonth(std::u16string_view token, TCookieDateParts& parts) {
  int day;
  if (ReadDigits(token, 0, 2, day) == 0) return TTest::Rejected;
  if (token.size() > 2 && IsDigit(token[2])) return TTest::Invalid;
  if (day < 1 || day > 31) return TTest::Invalid;
  parts.Day = day;
  return TTest::Accepted;
}

TTest ReadMonth(std::u16string_view token, TCookieDateParts& parts) {
  static constexpr std::u16string_view kMonths[12] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                                      u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
  if (token.size() < 3) return TTest::Rejected;
  for (int m = 0; m < 12; ++m) {
    if (SameText(token.substr(0, 3), kMonths[m])) {
      parts.Month = m + 1;
      return TTest::Accepted;
    }
  }
  return TTest::Rejected;
}

TTest ReadYear(std::u16string_view token, TCookieDateParts& parts) {
  int year;
  const std::size_t n = ReadDigits(token, 0, 4, year);
  if (n < 2 || (n < token.size() && IsDigit(token[n]))) return TTest::Rejected;
  std::int64_t whole;
  if (!TryTextToInt(token, 32, whole)) return TTest::Rejected;
  if (year >= 70 && year <= 99)
    year += 1900;
  else if (year >= 0 && year <= 69)
    year += 2000;
  if (year < 1601) return TTest::Invalid;
  parts.Year = year;
  return TTest::Accepted;
}

// Offers the token to the first open test that takes it; false when the
// token makes the whole date invalid.
bool OfferToken(std::u16string_view token, TCookieDateParts& parts) {
  struct Step {
    bool TCookieDateParts::*Found;
    TTest (*Read)(std::u16string_view, TCookieDateParts&);
  };
  static constexpr Step kSteps[] = {{&TCookieDateParts::HaveTime, ReadTime},
                                    {&TCookieDateParts::HaveDay, ReadDayOfMonth},
                                    {&TCookieDateParts::HaveMonth, ReadMonth},
                                    {&TCookieDateParts::HaveYear, ReadYear}};
  for (const Step& step : kSteps) {
    if (parts.*step.Found) continue;
    const TTest outcome = step.Read(token, parts);
    if (outcome == TTest::Invalid) return false;
    if (outcome == TTest::Accepted) {
      parts.*step.Found = true;
      return true;
    }
  }
  return true;
}

std::optional<TCookieDateParts> ReadCookieDate(std::u16string_view text) {
  TCookieDateParts parts;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsDelimiter(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsDelimiter(text[i])) ++i;
    if (i > start && !OfferToken(text.substr(start, i - start), parts)) return std::nullopt;
  }
  if (!parts.HaveTime || !parts.HaveDay || !parts.HaveMonth || !parts.HaveYear) return std::nullopt;
  return parts;
}

}  // namespace

TDateTime CookieDateToLocal(std::u16string_view AText) {
  const std::optional<TCookieDateParts> parts = ReadCookieDate(AText);
  if (!parts) return 0;
  TDateTime date, time;
  if (!TryEncodeDate(parts->Year, parts->Month, parts->Day, date)) return 0;
  if (!TryEncodeTime(parts->Hour, parts->Minute, parts->Second, 0, time)) return 0;
  int offsetMinutes;
  if (!platform::LocalUtcOffsetMinutes(offsetMinutes)) return 0;
  // Work on the continuous day count, then back to the date-time form, which
  // counts the time of day away from zero before 1899-12-30.
  const double continuous = date + time + offsetMinutes / 1440.0;
  const double day = std::floor(continuous);
  return ComposeDateTime(day, continuous - day);
}

}  // namespace zorapi

#include "http/http_dates.h"

#include <array>
#include <cstdio>

#include "core/text.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

constexpr std::array<std::u16string_view, 7> kDayNames = {u"SUN", u"MON", u"TUE", u"WED",
                                                           u"THU", u"FRI", u"SAT"};

// Month words row by row, January to December; an empty entry never matches.
constexpr std::u16string_view kMonthNames[8][12] = {
    {u"JAN", u"FEB", u"MAR", u"APR", u"MAY", u"JUN", u"JUL", u"AUG", u"SEP", u"OCT", u"NOV", u"DEC"},
    {u"", u"", u"", u"", u"", u"JUNE", u"JULY", u"", u"SEPT", u"", u"", u""},
    {u"", u"", u"MRZ", u"", u"MAI", u"", u"", u"", u"", u"OKT", u"", u"DEZ"},
    {u"ENO", u"FBRO", u"MZO", u"AB", u"", u"", u"", u"AGTO", u"SBRE", u"OBRE", u"NBRE", u"DBRE"},
    {u"", u"", u"MRT", u"", u"MEI", u"", u"", u"", u"", u"OKT", u"", u""},
    {u"JANV", u"F\u00C9V", u"MARS", u"AVR", u"MAI", u"JUIN", u"JUIL", u"AO\u00DB", u"SEPT", u"", u"",
     u"D\u00C9C"},
    {u"", u"F\u00C9VR", u"", u"", u"", u"", u"JUI", u"AO\u00DBT", u"", u"", u"", u""},
    // "AVG" (avgust) is August.
    {u"", u"", u"", u"", u"MAJ", u"", u"", u"AVG", u"", u"", u"", u""},
};

struct TZoneRow {
  std::u16string_view Name;
  std::u16string_view Offset;
};

// Searched in order; the first row of a name listed twice wins.
constexpr TZoneRow kZones[] = {
    {u"A", u"+0100"},     {u"ACDT", u"+1030"}, {u"ACST", u"+0930"}, {u"ADT", u"-0300"},
    {u"AEDT", u"+1100"},  {u"AEST", u"+1000"}, {u"AKDT", u"-0800"}, {u"AKST", u"-0900"},
    {u"AST", u"-0400"},   {u"AWDT", u"+0900"}, {u"AWST", u"+0800"}, {u"B", u"+0200"},
    {u"BST", u"+0100"},   {u"C", u"+0300"},    {u"CDT", u"+1030"},  {u"CDT", u"-0500"},
    {u"CEDT", u"+0200"},  {u"CEST", u"+0200"}, {u"CET", u"+0100"},  {u"CST", u"+1030"},
    {u"CST", u"+0930"},   {u"CST", u"-0600"},  {u"CXT", u"+0700"},  {u"D", u"+0400"},
    {u"E", u"+0500"},     {u"EDT", u"+1100"},  {u"EDT", u"-0400"},  {u"EEDT", u"+0300"},
    {u"EEST", u"+0300"},  {u"EET", u"+0200"},  {u"EST", u"+1100"},  {u"EST", u"+1000"},
    {u"EST", u"-0500"},   {u"F", u"+0600"},    {u"G", u"+0700"},    {u"GMT", u"+0000"},
    {u"H", u"+0800"},     {u"HAA", u"-0300"},  {u"HAC", u"-0500"},  {u"HADT", u"-0900"},
    {u"HAE", u"-0400"},   {u"HAP", u"-0700"},  {u"HAR", u"-0600"},  {u"HAST", u"-1000"},
    {u"HAT", u"-0230"},   {u"HAY", u"-0800"},  {u"HNA", u"-0400"},  {u"HNC", u"-0600"},
    {u"HNE", u"-0500"},   {u"HNP", u"-0800"},  {u"HNR", u"-0700"},  {u"HNT", u"-0330"},
    {u"HNY", u"-0900"},   {u"I", u"+0900"},    {u"IST", u"+0100"},  {u"K", u"+1000"},
    {u"L", u"+1100"},     {u"M", u"+1200"},    {u"MDT", u"-0600"},  {u"MEHSZ", u"+0300"},
    {u"MESZ", u"+0200"},  {u"MEZ", u"+0100"},  {u"MSD", u"+0400"},  {u"MSK", u"+0300"},
    {u"MST", u"-0700"},   {u"N", u"-0100"},    {u"NDT", u"-0230"},  {u"NFT", u"+1130"},
    {u"NST", u"-0330"},   {u"O", u"-0200"},    {u"P", u"-0300"},    {u"PDT", u"-0700"},
    {u"PST", u"-0800"},   {u"Q", u"-0400"},    {u"R", u"-0500"},    {u"S", u"-0600"},
    {u"T", u"-0700"},     {u"U", u"-0800"},    {u"UT", u"+0000"},   {u"UTC", u"+0000"},
    {u"V", u"-0900"},     {u"W", u"-1000"},    {u"WDT", u"+0900"},  {u"WEDT", u"+0100"},
    {u"WEST", u"+0100"},  {u"WET", u"+0000"},  {u"WST", u"+0900"},  {u"WST", u"+0800"},
    {u"X", u"-1100"},     {u"Y", u"-1200"},    {u"Z", u"+0000"},
};
static_assert(std::size(kZones) == 91);

constexpr const char* kWriteDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kWriteMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Upper case for ASCII and the Latin-1 letters of the month table.
constexpr char16_t MonthUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  return c;
}

bool SameMonthWord(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (MonthUpper(a[i]) != MonthUpper(b[i])) return false;
  return true;
}

// 1..12, or 0 for a word that is not in the table.
int MonthOf(std::u16string_view AWord) {
  for (const auto& row : kMonthNames)
    for (int m = 0; m < 12; ++m)
      if (!row[m].empty() && SameMonthWord(row[m], AWord)) return m + 1;
  return 0;
}

bool IsDayName(std::u16string_view AWord) {
  for (auto day : kDayNames)
    if (SameText(day, AWord)) return true;
  return false;
}

// The text before the first ADelim, which is removed with it from VText;
// all of VText when there is none.
std::u16string Fetch(std::u16string& VText, char16_t ADelim) {
  const std::size_t at = VText.find(ADelim);
  std::u16string head = VText.substr(0, at);
  VText.erase(0, at == std::u16string::npos ? VText.size() : at + 1);
  return head;
}

void TrimFront(std::u16string& VText) {
  std::size_t b = 0;
  while (b < VText.size() && VText[b] <= 0x20) ++b;
  VText.erase(0, b);
}

void TrimBack(std::u16string& VText) {
  while (!VText.empty() && VText.back() <= 0x20) VText.pop_back();
}

int ToIntDef(std::u16string_view AText, int ADefault) { return TextToIntDef<std::int32_t>(AText, ADefault); }

bool ReadDateAndTime(std::u16string& text, TDateTime& VDateTime) {
  if (text.size() >= 3 && IsDayName(std::u16string_view(text).substr(0, 3))) {
    if (text.size() >= 4 && text[3] == u',' && (text.size() < 5 || text[4] != u' ')) text.insert(4, 1, u' ');
    Fetch(text, u' ');
    TrimFront(text);
  }

  const std::size_t dash = text.find(u'-');
  const std::size_t space = text.find(u' ');
  const char16_t sep =
      space != std::u16string::npos && dash != std::u16string::npos && dash >= 1 && dash < space ? u'-' : u' ';

  int day, month;
  if (MonthOf(std::u16string_view(text).substr(0, text.find(sep))) != 0) {
    month = MonthOf(Fetch(text, sep));
    TrimFront(text);
    day = ToIntDef(Fetch(text, sep), 1);
    TrimFront(text);
  } else {
    day = ToIntDef(Fetch(text, sep), 1);
    TrimFront(text);
    month = MonthOf(Fetch(text, sep));
    TrimFront(text);
  }

  std::u16string yearText = Fetch(text, u' ');
  int year = ToIntDef(yearText, 65535);
  if (year == 65535) {
    // The time came before the year, as in the asctime form.
    std::u16string timeText = std::move(yearText);
    yearText = Fetch(text, u' ');
    text = timeText + u" " + text;
    TrimBack(text);
    if (!TryTextToInt(yearText, year)) return false;
  }
  if (yearText.size() == 2) {
    if (year >= 0 && year <= 49)
      year += 2000;
    else if (year >= 50 && year <= 99)
      year += 1900;
  } else if (yearText.size() == 3) {
    year += 1900;
  }

  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) return false;

  bool morning = false, afternoon = false;
  if (const std::size_t am = text.find(u"AM"); am != std::u16string::npos) {
    morning = true;
    text.erase(am);
  } else if (const std::size_t pm = text.find(u"PM"); pm != std::u16string::npos) {
    afternoon = true;
    text.erase(pm);
  }

  const char16_t timeSep = text.find(u'.') != std::u16string::npos ? u'.' : u':';
  if (text.find(timeSep) != std::u16string::npos) {
    std::u16string timeText = Fetch(text, u' ');
    int hour = ToIntDef(Fetch(timeText, timeSep), 0);
    const int minute = ToIntDef(Fetch(timeText, timeSep), 0);
    const int second = ToIntDef(Fetch(timeText, u' '), 0);
    TrimFront(text);
    if (morning && hour == 12) hour = 0;
    if (afternoon && hour < 12) hour += 12;
    TDateTime time;
    if (!TryEncodeTime(hour, minute, second, 0, time)) return false;
    date = ComposeDateTime(date, time);
  }

  TrimFront(text);
  VDateTime = date;
  return true;
}

}  // namespace

bool ReadInternetDate(std::u16string& VDate, TDateTime& VDateTime) {
  VDateTime = 0;
  std::u16string text = Trim(VDate);
  if (text.empty()) return false;
  TDateTime date = 0;
  if (!ReadDateAndTime(text, date)) return false;
  VDate = std::move(text);
  VDateTime = date;
  return true;
}

TDateTime ZoneOffsetOf(std::u16string_view AZone) {
  std::u16string_view word = TrimView(AZone);
  word = word.substr(0, word.find(u' '));
  if (word.empty()) return 0;
  if (word[0] != u'+' && word[0] != u'-') {
    std::u16string_view offset = u"-0000";
    for (const auto& zone : kZones)
      if (SameText(zone.Name, word)) {
        offset = zone.Offset;
        break;
      }
    word = offset;
  }
  if (word.size() != 5 || (word[0] != u'+' && word[0] != u'-')) return 0;
  std::int32_t hours, minutes;
  if (!TryTextToInt(word.substr(1, 2), hours) || !TryTextToInt(word.substr(3, 2), minutes)) return 0;
  if (hours >= 24 || minutes >= 60) return 0;
  const TDateTime offset = (hours * 60.0 + minutes) / 1440.0;
  return word[0] == u'-' ? -offset : offset;
}

TDateTime LocalUtcOffset() {
  int minutes = 0;
  if (!platform::LocalUtcOffsetMinutes(minutes))
    throw EIdFailedToRetreiveTimeZoneInfo(u"Failed attempting to retrieve time zone information.");
  return minutes / 1440.0;
}

TDateTime HttpDateToLocal(std::u16string_view AValue) {
  std::u16string text(AValue);
  TDateTime date;
  if (!ReadInternetDate(text, date)) return 0;
  return date - ZoneOffsetOf(text) + LocalUtcOffset();
}

std::u16string HttpDateText(TDateTime AValue) {
  const TDateTimeParts p = DecodeDateTime(AValue - LocalUtcOffset());
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", kWriteDays[p.DayOfWeek - 1], p.Day,
                kWriteMonths[p.Month - 1], p.Year, p.Hour, p.Minute, p.Second);
  return AsciiToText(buf);
}

}  // namespace zorapi

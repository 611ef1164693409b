// One "Set-Cookie" value read into a cookie: the name-value pair, each
// attribute, host-only and domain cookies, and the expiry with Max-Age
// before Expires.
#include <gtest/gtest.h>

#include <string>

#include "core/datetime.h"
#include "http/cookie.h"
#include "http/cookie_dates.h"
#include "http/uri.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

struct ParseCase {
  const char* name;
  std::u16string text, url;
  bool accepted = false;
  std::u16string cookieName{}, value{}, domain{};
  bool hostOnly = false;
  std::u16string path{};
  bool secure = false, httpOnly = false;
};

class CookieParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(CookieParseTest, FillsTheCookie) {
  const ParseCase& c = GetParam();
  TIdCookie cookie;
  ASSERT_EQ(cookie.ParseServerCookie(c.text, TIdURI(c.url)), c.accepted);
  if (!c.accepted) return;
  EXPECT_EQ(cookie.CookieName(), c.cookieName);
  EXPECT_EQ(cookie.Value(), c.value);
  EXPECT_EQ(cookie.Domain(), c.domain);
  EXPECT_EQ(cookie.HostOnly(), c.hostOnly);
  EXPECT_EQ(cookie.Path(), c.path);
  EXPECT_EQ(cookie.Secure(), c.secure);
  EXPECT_EQ(cookie.HttpOnly(), c.httpOnly);
  EXPECT_EQ(cookie.ClientCookie(), c.cookieName + u"=" + c.value);
}

constexpr char16_t kApi[] = u"http://api.zorapi.example/api.php";
constexpr char16_t kHost[] = u"api.zorapi.example";

INSTANTIATE_TEST_SUITE_P(
    Pair, CookieParseTest,
    testing::Values(
        ParseCase{"PathRoot", u"sid=abc; Path=/", kApi, true, u"sid", u"abc", kHost, true, u"/"},
        ParseCase{"Trimmed", u"  sid \t=  abc  ;Path=/", kApi, true, u"sid", u"abc", kHost, true, u"/"},
        ParseCase{"QuotedValue", u"sid=\"a b\"tail; Path=/", kApi, true, u"sid", u"a b", kHost, true, u"/"},
        ParseCase{"UnclosedQuote", u"sid=\"abc", kApi, true, u"sid", u"abc", kHost, true, u"/"},
        ParseCase{"EqualsInValue", u"sid=a=b", kApi, true, u"sid", u"a=b", kHost, true, u"/"},
        ParseCase{"EmptyValue", u"sid=", kApi, true, u"sid", u"", kHost, true, u"/"},
        ParseCase{"NoEquals", u"sid", kApi, false}, ParseCase{"NoEqualsBeforeSemicolon", u"sid; a=b", kApi, false},
        ParseCase{"EmptyName", u"=abc", kApi, false}, ParseCase{"BlankName", u" \t=abc", kApi, false},
        ParseCase{"Empty", u"", kApi, false}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Domain, CookieParseTest,
    testing::Values(
        ParseCase{"HostAsWritten", u"sid=abc", u"http://API.Zorapi.Example/", true, u"sid", u"abc",
                  u"API.Zorapi.Example", true, u"/"},
        ParseCase{"DotAndCapitals", u"sid=abc; Domain=.ZORAPI.Example", kApi, true, u"sid", u"abc",
                  u"zorapi.example", false, u"/"},
        ParseCase{"WholeHost", u"sid=abc; domain=api.zorapi.example", kApi, true, u"sid", u"abc", kHost, false,
                  u"/"},
        ParseCase{"PortCut", u"sid=abc; Domain=zorapi.example:8080", kApi, true, u"sid", u"abc",
                  u"zorapi.example", false, u"/"},
        ParseCase{"Quoted", u"sid=abc; Domain=\"zorapi.example\"", kApi, true, u"sid", u"abc", u"zorapi.example",
                  false, u"/"},
        ParseCase{"NotASuffix", u"sid=abc; Domain=other.example", kApi, false},
        ParseCase{"SuffixNotAtADot", u"sid=abc; Domain=rapi.example", kApi, false},
        ParseCase{"Subdomain", u"sid=abc; Domain=x.api.zorapi.example", kApi, false},
        ParseCase{"LoneDot", u"sid=abc; Domain=.", kApi, true, u"sid", u"abc", kHost, true, u"/"},
        ParseCase{"EmptyNotesNothing", u"sid=abc; Domain=zorapi.example; Domain=", kApi, true, u"sid", u"abc",
                  u"zorapi.example", false, u"/"},
        ParseCase{"LastCounts", u"sid=abc; Domain=zorapi.example; Domain=.", kApi, true, u"sid", u"abc", kHost,
                  true, u"/"},
        ParseCase{"IPv4HostOnly", u"sid=abc", u"http://127.0.0.1:8080/api.php", true, u"sid", u"abc",
                  u"127.0.0.1", true, u"/"},
        ParseCase{"IPv4Suffix", u"sid=abc; Domain=0.0.1", u"http://127.0.0.1:8080/api.php", false},
        ParseCase{"IPv4Whole", u"sid=abc; Domain=127.0.0.1", u"http://127.0.0.1:8080/api.php", true, u"sid",
                  u"abc", u"127.0.0.1", false, u"/"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Attributes, CookieParseTest,
    testing::Values(
        ParseCase{"DefaultPath", u"sid=abc", u"http://h.example/x/y/", true, u"sid", u"abc", u"h.example", true,
                  u"/x/y"},
        ParseCase{"RelativePath", u"sid=abc; Path=q", u"http://h.example/x/y/", true, u"sid", u"abc",
                  u"h.example", true, u"/x/y"},
        ParseCase{"EmptyPath", u"sid=abc; Path=", u"http://h.example/x/y/", true, u"sid", u"abc", u"h.example",
                  true, u"/x/y"},
        ParseCase{"LastPath", u"sid=abc; Path=/a; Path=/b/c", kApi, true, u"sid", u"abc", kHost, true, u"/b/c"},
        ParseCase{"Secure", u"sid=abc; Secure", kApi, true, u"sid", u"abc", kHost, true, u"/", true, false},
        ParseCase{"SecureWithValue", u"sid=abc; secure=no", kApi, true, u"sid", u"abc", kHost, true, u"/", true,
                  false},
        ParseCase{"HttpOnly", u"sid=abc;  HTTPONLY ", kApi, true, u"sid", u"abc", kHost, true, u"/", false, true},
        ParseCase{"HttpOnlyOverHttps", u"sid=abc; HttpOnly", u"https://h.example/", true, u"sid", u"abc",
                  u"h.example", true, u"/", false, true},
        ParseCase{"HttpOnlyFromOtherProtocol", u"sid=abc; HttpOnly", u"ftp://h.example/", false},
        ParseCase{"PlainFromOtherProtocol", u"sid=abc", u"ftp://h.example/", true, u"sid", u"abc", u"h.example",
                  true, u"/"},
        ParseCase{"UnknownAndEmpty", u"sid=abc; Version=1;; ; =x;", kApi, true, u"sid", u"abc", kHost, true,
                  u"/"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// A control character would be written back into the "Cookie" line of later
// requests, where a bare CR or LF ends the line early; such a value is
// dropped whole. A tab is no control character here.
INSTANTIATE_TEST_SUITE_P(
    Controls, CookieParseTest,
    testing::Values(
        ParseCase{"CarriageReturnInValue", u"sid=a\rX-Injected: 1", kApi, false},
        ParseCase{"LineFeedInValue", u"sid=a\nb", kApi, false},
        ParseCase{"NulInName", std::u16string(u"s\0id=abc", 8), kApi, false},
        ParseCase{"SohInValue", u"sid=a\x01" u"b", kApi, false},
        ParseCase{"DeleteInValue", u"sid=a\x7F" u"b", kApi, false},
        ParseCase{"UnitSeparatorInAttribute", u"sid=abc; Path=/\x1F", kApi, false},
        ParseCase{"CarriageReturnInIgnoredAttribute", u"sid=abc; Comment=\r", kApi, false},
        ParseCase{"TabInValue", u"sid=a\tb", kApi, true, u"sid", u"a\tb", kHost, true, u"/"},
        ParseCase{"TabsAroundValue", u"sid=\tabc\t; Path=/", kApi, true, u"sid", u"abc", kHost, true, u"/"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// Expiry: what Expires and Max-Age give, relative to the moment of parsing.
enum class TExpiry { Session, LongAgo, SecondsFromNow, Date };

struct ExpiryCase {
  const char* name;
  std::u16string text;
  TExpiry kind;
  double seconds = 0;      // for SecondsFromNow
  std::u16string date{};   // for Date, read by the cookie date reader
};

class CookieExpiryTest : public testing::TestWithParam<ExpiryCase> {};

TEST_P(CookieExpiryTest, TakesMaxAgeBeforeExpires) {
  const ExpiryCase& c = GetParam();
  TIdCookie cookie;
  const TDateTime before = platform::LocalNow();
  ASSERT_TRUE(cookie.ParseServerCookie(c.text, TIdURI(kApi)));
  const TDateTime after = platform::LocalNow();
  EXPECT_GE(cookie.CreatedAt(), before);
  EXPECT_LE(cookie.CreatedAt(), after);
  EXPECT_EQ(cookie.LastAccessed(), cookie.CreatedAt());
  EXPECT_EQ(cookie.Persistent(), c.kind != TExpiry::Session);
  switch (c.kind) {
    case TExpiry::Session: {
      TDateTime date = 0, time = 0;
      TryEncodeDate(9999, 12, 31, date);
      TryEncodeTime(23, 59, 59, 999, time);
      EXPECT_EQ(cookie.Expires(), date + time);
      EXPECT_FALSE(cookie.IsExpired());
      break;
    }
    case TExpiry::LongAgo: {
      TDateTime date = 0;
      TryEncodeDate(1, 1, 1, date);
      EXPECT_EQ(cookie.Expires(), date);
      EXPECT_TRUE(cookie.IsExpired());
      break;
    }
    case TExpiry::SecondsFromNow:
      EXPECT_EQ(cookie.Expires(), IncSeconds(cookie.CreatedAt(), c.seconds));
      break;
    case TExpiry::Date:
      EXPECT_NEAR(cookie.Expires(), CookieDateToLocal(c.date), 1e-9);
      EXPECT_NE(cookie.Expires(), 0);
      break;
  }
}

constexpr char16_t kFuture[] = u"Wed, 09 Jun 2100 10:18:14 GMT";

INSTANTIATE_TEST_SUITE_P(
    Table, CookieExpiryTest,
    testing::Values(
        ExpiryCase{"None", u"sid=abc", TExpiry::Session},
        ExpiryCase{"MaxAge", u"sid=abc; Max-Age=60", TExpiry::SecondsFromNow, 60},
        ExpiryCase{"MaxAgeZero", u"sid=abc; Max-Age=0", TExpiry::SecondsFromNow, 0},
        ExpiryCase{"MaxAgeNegative", u"sid=abc; Max-Age=-1", TExpiry::LongAgo},
        ExpiryCase{"MaxAgeBeforeLaterExpires", u"sid=abc; Max-Age=60; Expires=Wed, 09 Jun 2100 10:18:14 GMT",
                   TExpiry::SecondsFromNow, 60},
        ExpiryCase{"MaxAgeAfterExpires", u"sid=abc; Expires=Wed, 09 Jun 2100 10:18:14 GMT; max-age=60",
                   TExpiry::SecondsFromNow, 60},
        ExpiryCase{"LastMaxAge", u"sid=abc; Max-Age=60; Max-Age=120", TExpiry::SecondsFromNow, 120},
        ExpiryCase{"BadMaxAgeIgnored", u"sid=abc; Max-Age=soon", TExpiry::Session},
        ExpiryCase{"BadMaxAgeLeavesExpires", u"sid=abc; Max-Age=soon; Expires=Wed, 09 Jun 2100 10:18:14 GMT",
                   TExpiry::Date, 0, kFuture},
        ExpiryCase{"ExpiresDate", u"sid=abc; Expires=Wed, 09 Jun 2100 10:18:14 GMT", TExpiry::Date, 0, kFuture},
        ExpiryCase{"ExpiresPastDate", u"sid=abc; expires=Thu, 01 Jan 1970 00:00:00 GMT", TExpiry::Date, 0,
                   u"Thu, 01 Jan 1970 00:00:00 GMT"},
        ExpiryCase{"ExpiresNumeric", u"sid=abc; Expires=120", TExpiry::SecondsFromNow, 120},
        ExpiryCase{"ExpiresNegative", u"sid=abc; Expires=-1", TExpiry::LongAgo},
        ExpiryCase{"ExpiresUnreadable", u"sid=abc; Expires=2100-06-09 10:18:14", TExpiry::Session},
        ExpiryCase{"UnreadableKeepsEarlier",
                   u"sid=abc; Expires=Wed, 09 Jun 2100 10:18:14 GMT; Expires=garbage", TExpiry::Date, 0, kFuture},
        ExpiryCase{"ExpiresEmpty", u"sid=abc; Expires", TExpiry::Session}),
    [](const testing::TestParamInfo<ExpiryCase>& info) { return std::string(info.param.name); });

TEST(CookieExpiryHugeTest, AVeryLongMaxAgeNeverExpires) {
  TIdCookie cookie;
  ASSERT_TRUE(cookie.ParseServerCookie(u"sid=abc; Max-Age=9223372036854775807", TIdURI(kApi)));
  EXPECT_TRUE(cookie.Persistent());
  EXPECT_FALSE(cookie.IsExpired());
}

}  // namespace
}  // namespace zorapi

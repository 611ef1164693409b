// The header records: defaults after construction, the content-type rule,
// the order of request header lines, reading reply heads, copying, proxy
// settings, ranges and the authentication schemes.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "core/text.h"
#include "http/authentication.h"
#include "http/header_records.h"
#include "platform/clock.h"
#include "support/time_zone_guard.h"

namespace zorapi {
namespace {

using Lines = std::vector<std::u16string>;
using testing_support::TimeZoneGuard;

constexpr double kOneSecond = 1.0 / 86400.0;

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
  EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
  return date + time;
}

std::vector<std::u16string> NamesOf(const TIdHeaderList& AList) {
  std::vector<std::u16string> names;
  for (int i = 0; i < AList.Count(); ++i) names.push_back(AList.NameAt(i));
  return names;
}

void Receive(TIdEntityHeaderInfo& ARecord, const Lines& ALines) {
  ARecord.RawHeaders().Clear();
  for (const auto& line : ALines) ARecord.RawHeaders().Add(line);
  ARecord.ReadHeaders();
}

// --- construction ------------------------------------------------------------

TEST(HeaderRecordDefaultsTest, EachRecordStartsFromItsClear) {
  TIdEntityHeaderInfo entity(nullptr);
  EXPECT_EQ(entity.ContentLength(), -1);
  EXPECT_FALSE(entity.HasContentLength());
  EXPECT_FALSE(entity.HasContentRange());
  EXPECT_FALSE(entity.HasContentRangeInstance());
  EXPECT_EQ(entity.ContentType(), u"");
  EXPECT_EQ(entity.CharSet(), u"");
  EXPECT_EQ(entity.Date(), 0);
  EXPECT_EQ(entity.RawHeaders().FoldLength(), 1024);
  EXPECT_EQ(entity.CustomHeaders().FoldLength(), 78);
  EXPECT_EQ(entity.RawHeaders().QuoteType(), QuoteHTTP);

  TIdRequestHeaderInfo request(nullptr);
  EXPECT_EQ(request.Accept(), u"text/html, */*");
  EXPECT_EQ(request.UserAgent(), u"Mozilla/3.0 (compatible; Zora Library)");
  EXPECT_EQ(request.AcceptEncoding(), u"");
  EXPECT_FALSE(request.BasicAuthentication());
  EXPECT_EQ(request.Authentication(), nullptr);
  EXPECT_EQ(request.ContentLength(), -1);

  TIdResponseHeaderInfo response(nullptr);
  EXPECT_EQ(response.ContentType(), u"text/html");
  EXPECT_EQ(response.CharSet(), u"ISO-8859-1");
  EXPECT_EQ(response.ContentLength(), -1);
}

TEST(HeaderRecordDefaultsTest, ClearKeepsWhatItDoesNotName) {
  TIdRequestHeaderInfo request(nullptr);
  request.SetAccept(u"x");
  request.SetAcceptEncoding(u"gzip");
  request.SetHost(u"h");
  request.SetPragma(u"no-cache");
  request.SetContentLength(5);
  request.CustomHeaders().Add(u"X-A: 1");
  request.SetBasicAuthentication(true);
  request.Clear();
  EXPECT_EQ(request.Accept(), u"text/html, */*");
  EXPECT_EQ(request.AcceptEncoding(), u"gzip");
  EXPECT_EQ(request.Host(), u"h");
  EXPECT_EQ(request.Pragma(), u"no-cache");
  EXPECT_EQ(request.ContentLength(), -1);
  EXPECT_TRUE(request.HasContentLength());  // Clear sets the length, not the flag
  EXPECT_EQ(request.CustomHeaders().Count(), 1);
  EXPECT_FALSE(request.BasicAuthentication());
}

// --- content-type rule -------------------------------------------------------

struct ContentTypeCase {
  std::u16string value;
  std::u16string contentType;
  std::u16string charSet;
};

void PrintTo(const ContentTypeCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.value) << '"'; }

class ContentTypeRuleTest : public testing::TestWithParam<ContentTypeCase> {};

TEST_P(ContentTypeRuleTest, SplitsOffTheCharset) {
  TIdEntityHeaderInfo record(nullptr);
  record.SetCharSet(u"previous");
  record.SetContentType(GetParam().value);
  EXPECT_EQ(record.ContentType(), GetParam().contentType);
  EXPECT_EQ(record.CharSet(), GetParam().charSet);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ContentTypeRuleTest,
    testing::Values(ContentTypeCase{u"text/html", u"text/html", u"ISO-8859-1"},
                    ContentTypeCase{u"text/xml", u"text/xml", u"us-ascii"},
                    ContentTypeCase{u"text/XML-External-Parsed-Entity", u"text/XML-External-Parsed-Entity",
                                    u"us-ascii"},
                    ContentTypeCase{u"text/vnd.a+xml", u"text/vnd.a+xml", u"us-ascii"},
                    ContentTypeCase{u"text/xml; charset=UTF-8", u"text/xml", u"UTF-8"},
                    ContentTypeCase{u"application/x-www-form-urlencoded", u"application/x-www-form-urlencoded",
                                    u"previous"},
                    ContentTypeCase{u"image/svg+xml", u"image/svg+xml", u"previous"},
                    ContentTypeCase{u"TEXT/HTML; Charset=\"utf-8\"", u"TEXT/HTML", u"utf-8"},
                    ContentTypeCase{u"text/plain; format=flowed; charset=utf-8", u"text/plain; format=flowed",
                                    u"utf-8"},
                    ContentTypeCase{u"application/json; charset=utf-16", u"application/json", u"utf-16"},
                    ContentTypeCase{u"", u"", u""}));

// --- writing request headers -------------------------------------------------

TEST(RequestWriteHeadersTest, FreshRecordWritesAcceptAndUserAgentOnly) {
  TIdRequestHeaderInfo request(nullptr);
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().Lines(),
            (Lines{u"Accept: text/html, */*", u"User-Agent: Mozilla/3.0 (compatible; Zora Library)"}));
}

TEST(RequestWriteHeadersTest, FormPostLinesComeInTheirOrder) {
  TIdRequestHeaderInfo request(nullptr);
  request.SetHost(u"api.example");
  request.SetConnection(u"keep-alive");
  request.SetAcceptEncoding(u"identity");
  request.SetContentType(u"application/x-www-form-urlencoded");
  request.SetContentLength(0);
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().Lines(),
            (Lines{u"Connection: keep-alive", u"Content-Type: application/x-www-form-urlencoded",
                   u"Content-Length: 0", u"Host: api.example", u"Accept: text/html, */*",
                   u"Accept-Encoding: identity", u"User-Agent: Mozilla/3.0 (compatible; Zora Library)"}));
}

TEST(RequestWriteHeadersTest, CharSetIsWrittenAsAParameter) {
  TIdRequestHeaderInfo request(nullptr);
  request.SetContentType(u"text/plain; format=flowed");
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().ValueOfName(u"Content-Type"), u"text/plain; format=flowed; charset=ISO-8859-1");
  request.SetCharSet(u"");
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().ValueOfName(u"Content-Type"), u"text/plain; format=flowed");
}

TEST(RequestWriteHeadersTest, EveryFieldInTheFixedOrder) {
  TimeZoneGuard zone("UTC0");
  TIdRequestHeaderInfo request(nullptr);
  request.SetConnection(u"close");
  request.SetContentVersion(u"1");
  request.SetContentDisposition(u"inline");
  request.SetContentEncoding(u"gzip");
  request.SetContentLanguage(u"en");
  request.SetContentType(u"text/plain");
  request.SetContentLength(12);
  request.SetCacheControl(u"no-cache");
  request.SetDate(At(1994, 11, 6, 8, 49, 37));
  request.SetETag(u"\"e\"");
  request.SetExpires(At(1994, 11, 7));
  request.SetPragma(u"no-cache");
  request.SetTransferEncoding(u"chunked");
  request.CustomHeaders().Add(u"X-Custom: 1");
  request.CustomHeaders().Add(u"host: from custom");
  request.SetProxyConnection(u"keep-alive");
  request.SetHost(u"h");
  request.SetAcceptCharSet(u"utf-8");
  request.SetAcceptEncoding(u"identity");
  request.SetAcceptLanguage(u"de");
  request.SetFrom(u"a@b");
  request.SetReferer(u"http://r/");
  request.SetRange(u"bytes=0-9");
  request.SetLastModified(At(1994, 11, 5));
  request.SetBasicAuthentication(true);
  request.SetMethodOverride(u"PUT");
  request.WriteHeaders();

  // The custom "host" line stands where the custom lines went and is
  // replaced there by the Host step, with the name written by it.
  EXPECT_EQ(NamesOf(request.RawHeaders()),
            (Lines{u"Connection", u"Content-Version", u"Content-Disposition", u"Content-Encoding",
                   u"Content-Language", u"Content-Type", u"Content-Length", u"Cache-control", u"Date", u"ETag",
                   u"Expires", u"Pragma", u"Transfer-Encoding", u"X-Custom", u"Host", u"Proxy-Connection",
                   u"Accept", u"Accept-Charset", u"Accept-Encoding", u"Accept-Language", u"From", u"Referer",
                   u"User-Agent", u"Range", u"If-Modified-Since", u"Authorization", u"X-HTTP-Method-Override"}));
  const TIdHeaderList& h = request.RawHeaders();
  EXPECT_EQ(h.ValueOfName(u"Host"), u"h");
  EXPECT_EQ(h.ValueOfName(u"Content-Type"), u"text/plain; charset=ISO-8859-1");
  EXPECT_EQ(h.ValueOfName(u"Date"), u"Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(h.ValueOfName(u"Expires"), u"Mon, 07 Nov 1994 00:00:00 GMT");
  EXPECT_EQ(h.ValueOfName(u"If-Modified-Since"), u"Sat, 05 Nov 1994 00:00:00 GMT");
  EXPECT_EQ(h.ValueOfName(u"Range"), u"bytes=0-9");
  EXPECT_EQ(h.ValueOfName(u"Authorization"), u"Basic Og==");  // empty user name and password
}

TEST(RequestWriteHeadersTest, WritingAgainStartsFromAnEmptyList) {
  TIdRequestHeaderInfo request(nullptr);
  request.SetHost(u"a");
  request.WriteHeaders();
  request.SetHost(u"");
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().IndexOfName(u"Host"), -1);
  EXPECT_EQ(request.RawHeaders().Count(), 2);
}

TEST(RequestWriteHeadersTest, BasicByDefaultAttachesASchemeObjectThatStays) {
  TIdRequestHeaderInfo request(nullptr);
  request.SetUsername(u"Aladdin");
  request.SetPassword(u"open sesame");
  request.SetBasicAuthentication(true);
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().ValueOfName(u"Authorization"), u"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  ASSERT_NE(request.Authentication(), nullptr);
  EXPECT_NE(dynamic_cast<TIdBasicAuthentication*>(request.Authentication()), nullptr);

  // The attached object is asked from now on, even with the default off.
  request.SetBasicAuthentication(false);
  request.SetUsername(u"other");
  request.WriteHeaders();
  EXPECT_EQ(request.RawHeaders().ValueOfName(u"Authorization"), u"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(RequestWriteHeadersTest, SchemesWithoutAnExchangeWriteNoAuthorization) {
  for (const char16_t* scheme : {u"Digest", u"NTLM", u"Negotiate"}) {
    TIdRequestHeaderInfo request(nullptr);
    request.SetAuthentication(FindAuthClass(scheme)());
    request.SetBasicAuthentication(true);
    request.WriteHeaders();
    EXPECT_EQ(request.RawHeaders().IndexOfName(u"Authorization"), -1) << TextToAscii(scheme);
  }
}

// --- reading reply heads -----------------------------------------------------

struct LengthCase {
  std::u16string line;
  std::int64_t length;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.line) << '"'; }

class ContentLengthReadTest : public testing::TestWithParam<LengthCase> {};

TEST_P(ContentLengthReadTest, Reads) {
  TIdResponseHeaderInfo response(nullptr);
  Receive(response, {GetParam().line});
  EXPECT_EQ(response.ContentLength(), GetParam().length);
  EXPECT_EQ(response.HasContentLength(), GetParam().length >= 0);
}

INSTANTIATE_TEST_SUITE_P(Table, ContentLengthReadTest,
                         testing::Values(LengthCase{u"content-length: 42", 42}, LengthCase{u"Content-Length: abc", -1},
                                         LengthCase{u"Content-Length:   7  ", 7},
                                         LengthCase{u"Content-Length: 5000000000", 5000000000},
                                         LengthCase{u"Content-Length: $10", 16}, LengthCase{u"Content-Length:", -1},
                                         LengthCase{u"Content-Length: 1 2", -1}, LengthCase{u"X-Other: 1", -1}));

struct RangeCase {
  std::u16string value;
  std::u16string units;
  std::int64_t start, end, instance;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.value) << '"'; }

class ContentRangeReadTest : public testing::TestWithParam<RangeCase> {};

TEST_P(ContentRangeReadTest, Reads) {
  TIdResponseHeaderInfo response(nullptr);
  Receive(response, {u"Content-Range: " + GetParam().value});
  EXPECT_EQ(response.ContentRangeUnits(), GetParam().units);
  EXPECT_EQ(response.ContentRangeStart(), GetParam().start);
  EXPECT_EQ(response.ContentRangeEnd(), GetParam().end);
  EXPECT_EQ(response.ContentRangeInstanceLength(), GetParam().instance);
}

INSTANTIATE_TEST_SUITE_P(Table, ContentRangeReadTest,
                         testing::Values(RangeCase{u"bytes 0-499/1234", u"bytes", 0, 499, 1234},
                                         RangeCase{u"bytes */1234", u"bytes", -1, -1, 1234},
                                         RangeCase{u"bytes 500-999/*", u"bytes", 500, 999, -1},
                                         RangeCase{u"bytes", u"bytes", -1, -1, -1},
                                         RangeCase{u"items 1-2/3 extra", u"items", 1, 2, 3}));

TEST(ResponseReadHeadersTest, FillsTheFields) {
  TimeZoneGuard zone("UTC0");
  TIdResponseHeaderInfo response(nullptr);
  Receive(response, {u"Date: Sun, 06 Nov 1994 08:49:37 GMT", u"Content-Type: text/html; charset=UTF-8",
                     u"Connection: close", u"Location: /next", u"Server: s", u"Last-Modified: Sat, 05 Nov 1994 00:00:00 GMT",
                     u"WWW-Authenticate: Basic realm=x", u"www-authenticate: Digest", u"  realm=y",
                     u"Proxy-Authenticate: NTLM", u"Accept-Ranges: bytes", u"ETag: \"t\"", u"Pragma: p",
                     u"Transfer-Encoding: chunked", u"Cache-Control: max-age=0", u"Proxy-Connection: k"});
  EXPECT_EQ(response.ContentType(), u"text/html");
  EXPECT_EQ(response.CharSet(), u"UTF-8");
  EXPECT_EQ(response.Connection(), u"close");
  EXPECT_EQ(response.Location(), u"/next");
  EXPECT_EQ(response.Server(), u"s");
  EXPECT_EQ(response.AcceptRanges(), u"bytes");
  EXPECT_EQ(response.ETag(), u"\"t\"");
  EXPECT_EQ(response.Pragma(), u"p");
  EXPECT_EQ(response.TransferEncoding(), u"chunked");
  EXPECT_EQ(response.CacheControl(), u"max-age=0");
  EXPECT_EQ(response.ProxyConnection(), u"k");
  EXPECT_NEAR(response.Date(), At(1994, 11, 6, 8, 49, 37), kOneSecond / 100);
  EXPECT_NEAR(response.LastModified(), At(1994, 11, 5), kOneSecond / 100);
  EXPECT_EQ(response.WWWAuthenticate().Lines(), (Lines{u"Basic realm=x", u"Digest realm=y"}));
  EXPECT_EQ(response.ProxyAuthenticate().Lines(), (Lines{u"NTLM"}));

  // The next reply replaces the lists rather than adding to them.
  Receive(response, {u"Content-Length: 1"});
  EXPECT_EQ(response.WWWAuthenticate().Count(), 0);
  EXPECT_EQ(response.Location(), u"");
}

TEST(ResponseReadHeadersTest, NoContentTypeLeavesBothEmpty) {
  TIdResponseHeaderInfo response(nullptr);
  Receive(response, {u"Content-Length: 3"});
  EXPECT_EQ(response.ContentType(), u"");
  EXPECT_EQ(response.CharSet(), u"");
}

TEST(ResponseReadHeadersTest, MissingDateIsNow) {
  TIdResponseHeaderInfo response(nullptr);
  const TDateTime before = platform::LocalNow();
  Receive(response, {u"Content-Length: 3"});
  const TDateTime after = platform::LocalNow();
  EXPECT_GE(response.Date(), before - kOneSecond);
  EXPECT_LE(response.Date(), after + kOneSecond);
  Receive(response, {u"Date: not a date"});
  EXPECT_EQ(response.Date(), 0);
}

struct ExpiresCase {
  std::u16string line;  // empty: no Expires header
  enum { Zero, Now, NowPlusHour, Fixed } expect;
};

void PrintTo(const ExpiresCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.line) << '"'; }

class ExpiresReadTest : public testing::TestWithParam<ExpiresCase> {};

TEST_P(ExpiresReadTest, Reads) {
  TimeZoneGuard zone("UTC0");
  TIdResponseHeaderInfo response(nullptr);
  const TDateTime before = platform::LocalNow();
  Receive(response, GetParam().line.empty() ? Lines{} : Lines{GetParam().line});
  const TDateTime after = platform::LocalNow();
  const TDateTime got = response.Expires();
  switch (GetParam().expect) {
    case ExpiresCase::Zero:
      EXPECT_EQ(got, 0);
      break;
    case ExpiresCase::Now:
      EXPECT_GE(got, before - kOneSecond);
      EXPECT_LE(got, after + kOneSecond);
      break;
    case ExpiresCase::NowPlusHour:
      EXPECT_GE(got, before + 3600 * kOneSecond - kOneSecond);
      EXPECT_LE(got, after + 3600 * kOneSecond + kOneSecond);
      break;
    case ExpiresCase::Fixed:
      EXPECT_NEAR(got, At(2030, 1, 1, 12, 0, 0), kOneSecond / 100);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ExpiresReadTest,
                         testing::Values(ExpiresCase{u"Expires: 0", ExpiresCase::Now},
                                         ExpiresCase{u"Expires: -1", ExpiresCase::Zero},
                                         ExpiresCase{u"Expires: 3600", ExpiresCase::NowPlusHour},
                                         ExpiresCase{u"Expires: garbage", ExpiresCase::Zero},
                                         ExpiresCase{u"Expires: Tue, 01 Jan 2030 12:00:00 GMT", ExpiresCase::Fixed},
                                         ExpiresCase{u"", ExpiresCase::Zero},
                                         ExpiresCase{u"Expires: -5", ExpiresCase::Zero},
                                         ExpiresCase{u"Expires:   3600  ", ExpiresCase::NowPlusHour},
                                         ExpiresCase{u"Expires: $E10", ExpiresCase::NowPlusHour},
                                         ExpiresCase{u"Expires: 1e3", ExpiresCase::Zero},
                                         ExpiresCase{u"Expires: 01 Jan 2030 13:00:00 +0100", ExpiresCase::Fixed},
                                         ExpiresCase{u"Expires: Tue Jan  1 12:00:00 2030", ExpiresCase::Fixed}));

TEST(RequestReadHeadersTest, ReadsTheRequestFields) {
  TIdRequestHeaderInfo request(nullptr);
  Receive(request, {u"Accept: a", u"Accept-Charset: c", u"Accept-Encoding: e", u"Accept-Language: l", u"Host: h",
                    u"From: f", u"Referer: r", u"User-Agent: u", u"Range: bytes=1-2,-5", u"X-HTTP-Method-Override: PUT"});
  EXPECT_EQ(request.Accept(), u"a");
  EXPECT_EQ(request.AcceptCharSet(), u"c");
  EXPECT_EQ(request.AcceptEncoding(), u"e");
  EXPECT_EQ(request.AcceptLanguage(), u"l");
  EXPECT_EQ(request.Host(), u"h");
  EXPECT_EQ(request.From(), u"f");
  EXPECT_EQ(request.Referer(), u"r");
  EXPECT_EQ(request.UserAgent(), u"u");
  EXPECT_EQ(request.Range(), u"bytes=1-2,-5");
  EXPECT_EQ(request.MethodOverride(), u"PUT");
}

TEST(ResponseWriteHeadersTest, WritesRangesAndLastModified) {
  TimeZoneGuard zone("UTC0");
  TIdResponseHeaderInfo response(nullptr);
  response.SetContentType(u"");
  response.SetContentRangeStart(0);
  response.SetContentRangeEnd(9);
  response.SetContentRangeInstanceLength(100);
  response.SetAcceptRanges(u"bytes");
  response.SetLastModified(At(1994, 11, 6, 8, 49, 37));
  response.WriteHeaders();
  EXPECT_EQ(response.RawHeaders().Lines(), (Lines{u"Content-Range: bytes 0-9/100", u"Accept-Ranges: bytes",
                                                  u"Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT"}));
  response.SetContentRangeEnd(-1);
  response.SetContentRangeUnits(u"items");
  response.WriteHeaders();
  EXPECT_EQ(response.RawHeaders().ValueOfName(u"Content-Range"), u"items */100");
  response.SetContentRangeInstanceLength(-1);
  response.SetContentRangeEnd(5);
  response.WriteHeaders();
  EXPECT_EQ(response.RawHeaders().ValueOfName(u"Content-Range"), u"items 0-5/*");
}

// --- copying -----------------------------------------------------------------

TEST(HeaderRecordCopyTest, EntityCopyTakesTheBodyFieldsOnly) {
  TIdEntityHeaderInfo source(nullptr), target(nullptr);
  source.RawHeaders().Add(u"X: 1");
  source.SetContentType(u"text/plain");
  source.SetContentLength(3);
  source.SetConnection(u"close");
  source.SetPragma(u"p");
  source.CustomHeaders().Add(u"Y: 2");
  source.SetETag(u"e");
  target.Assign(source);
  EXPECT_EQ(target.RawHeaders().Lines(), (Lines{u"X: 1"}));
  EXPECT_EQ(target.ContentType(), u"text/plain");
  EXPECT_EQ(target.CharSet(), u"ISO-8859-1");
  EXPECT_EQ(target.ContentLength(), 3);
  EXPECT_FALSE(target.HasContentLength());
  EXPECT_EQ(target.ETag(), u"e");
  EXPECT_EQ(target.Connection(), u"");
  EXPECT_EQ(target.Pragma(), u"");
  EXPECT_EQ(target.CustomHeaders().Count(), 0);
}

TEST(HeaderRecordCopyTest, RequestCopyTakesTheRequestFieldsOnly) {
  TIdRequestHeaderInfo source(nullptr), target(nullptr);
  source.SetAccept(u"a");
  source.SetUsername(u"u");
  source.SetPassword(u"p");
  source.SetRange(u"bytes=1-");
  source.SetBasicAuthentication(true);
  source.SetMethodOverride(u"PUT");
  source.SetHost(u"h");
  source.SetContentType(u"text/plain");
  target.Assign(source);
  EXPECT_EQ(target.Accept(), u"a");
  EXPECT_EQ(target.Username(), u"u");
  EXPECT_EQ(target.Password(), u"p");
  EXPECT_EQ(target.Range(), u"bytes=1-");
  EXPECT_TRUE(target.BasicAuthentication());
  EXPECT_EQ(target.MethodOverride(), u"PUT");
  EXPECT_EQ(target.Host(), u"");
  EXPECT_EQ(target.ContentType(), u"");
}

// --- proxy settings ----------------------------------------------------------

TEST(ProxyConnectionInfoTest, ChangingTheTargetDropsTheSchemeObject) {
  TIdProxyConnectionInfo proxy;
  EXPECT_EQ(proxy.ProxyPort(), 0);
  proxy.SetProxyServer(u"Proxy.Example");
  proxy.SetAuthentication(FindAuthClass(u"Basic")());
  proxy.SetProxyServer(u"proxy.example");  // same ignoring case: kept
  EXPECT_NE(proxy.Authentication(), nullptr);
  proxy.SetProxyPort(0);
  EXPECT_NE(proxy.Authentication(), nullptr);
  proxy.SetProxyPort(8080);
  EXPECT_EQ(proxy.Authentication(), nullptr);
  proxy.SetAuthentication(FindAuthClass(u"Basic")());
  proxy.SetProxyServer(u"other");
  EXPECT_EQ(proxy.Authentication(), nullptr);
}

TEST(ProxyConnectionInfoTest, SetHeadersWritesProxyAuthorization) {
  TIdProxyConnectionInfo proxy;
  TIdHeaderList headers(QuoteHTTP);
  proxy.SetHeaders(headers);
  EXPECT_EQ(headers.Count(), 0);
  proxy.SetProxyUsername(u"u");
  proxy.SetProxyPassword(u"p");
  proxy.SetBasicAuthentication(true);
  proxy.SetHeaders(headers);
  EXPECT_EQ(headers.Lines(), (Lines{u"Proxy-Authorization: Basic dTpw"}));
  proxy.Clear();
  EXPECT_TRUE(proxy.BasicAuthentication());
  EXPECT_NE(proxy.Authentication(), nullptr);
  EXPECT_EQ(proxy.ProxyUsername(), u"");
}

// --- ranges and schemes ------------------------------------------------------

TEST(EntityRangesTest, TextRoundTrips) {
  TIdEntityRanges ranges;
  EXPECT_EQ(ranges.Text(), u"");
  ranges.SetText(u"bytes=0-99, 200-,-500");
  ASSERT_EQ(ranges.Count(), 3);
  EXPECT_EQ(ranges[0].StartPos, 0);
  EXPECT_EQ(ranges[0].EndPos, 99);
  EXPECT_EQ(ranges[1].EndPos, -1);
  EXPECT_EQ(ranges[2].SuffixLength, 500);
  EXPECT_EQ(ranges.Text(), u"bytes=0-99,200-,-500");
  ranges.SetText(u"5-6");
  EXPECT_EQ(ranges.Text(), u"bytes=5-6");
  ranges.SetText(u"");
  EXPECT_EQ(ranges.Text(), u"");
}

TEST(AuthenticationTest, RegistryKnowsFourSchemes) {
  for (const char16_t* name : {u"Basic", u"basic", u"NTLM", u"Negotiate", u"DIGEST"}) {
    const TIdAuthenticationClass make = FindAuthClass(name);
    ASSERT_NE(make, nullptr) << TextToAscii(name);
    const auto scheme = make();
    EXPECT_GT(scheme->Steps(), 0);
    EXPECT_EQ(scheme->CurrentStep(), 0);
  }
  EXPECT_EQ(FindAuthClass(u"Bearer"), nullptr);
  EXPECT_EQ(FindAuthClass(u""), nullptr);
  EXPECT_NE(dynamic_cast<TIdBasicAuthentication*>(FindAuthClass(u"basic")().get()), nullptr);
}

TEST(AuthenticationTest, Base64FollowsRfc4648) {
  EXPECT_EQ(Base64Encode(""), u"");
  EXPECT_EQ(Base64Encode("f"), u"Zg==");
  EXPECT_EQ(Base64Encode("fo"), u"Zm8=");
  EXPECT_EQ(Base64Encode("foo"), u"Zm9v");
  EXPECT_EQ(Base64Encode("foob"), u"Zm9vYg==");
  EXPECT_EQ(Base64Encode("fooba"), u"Zm9vYmE=");
  EXPECT_EQ(Base64Encode("foobar"), u"Zm9vYmFy");
  EXPECT_EQ(Base64Encode(std::string("\xFF\xFE\x00", 3)), u"//4A");
}

TEST(AuthenticationTest, BasicValueEncodesTheCredentialsAsUtf8) {
  TIdBasicAuthentication basic;
  EXPECT_EQ(basic.Authentication(), u"Basic Og==");
  basic.SetUsername(u"test");
  basic.SetPassword(u"123\u00A3");
  EXPECT_EQ(basic.Authentication(), u"Basic dGVzdDoxMjPCow==");
}

}  // namespace
}  // namespace zorapi

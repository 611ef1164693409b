// The host and path rules of the cookie store: domain matching, what
// counts as a host name, path matching and the default cookie path.
#include <gtest/gtest.h>

#include <string>

#include "http/cookie_matching.h"
#include "http/uri.h"

namespace zorapi {
namespace {

// A test name from the case's texts: letters and digits kept, the rest "_",
// led by the case's index so that names stay unique.
std::string CaseName(std::size_t AIndex, std::initializer_list<std::u16string_view> ATexts) {
  std::string name = std::to_string(AIndex);
  for (std::u16string_view text : ATexts) {
    name += '_';
    for (char16_t c : text)
      name += (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ? static_cast<char>(c) : '_';
  }
  return name;
}

struct HostCase {
  std::u16string host;
  bool isName;
};

class HostIsNameTest : public testing::TestWithParam<HostCase> {};

TEST_P(HostIsNameTest, TellsNamesFromAddresses) {
  EXPECT_EQ(HostIsName(GetParam().host), GetParam().isName) << testing::PrintToString(GetParam().host);
}

INSTANTIATE_TEST_SUITE_P(Table, HostIsNameTest,
                         testing::Values(HostCase{u"api.zorapi.example", true}, HostCase{u"localhost", true},
                                         HostCase{u"a1.2.3.4", true}, HostCase{u"1.2.3.4.5", true},
                                         HostCase{u".example", false},
                                         HostCase{u"127.0.0.1", false}, HostCase{u"10.1", false},
                                         HostCase{u"0x7f.0.0.1", false}, HostCase{u"0177.0.0.1", false},
                                         HostCase{u"::1", false}, HostCase{u"fe80::1%eth0", false},
                                         HostCase{u"2001:db8:0:0:0:0:2:1", false},
                                         HostCase{u"::ffff:192.0.2.1", false}),
                         [](const testing::TestParamInfo<HostCase>& info) {
                           return CaseName(info.index, {info.param.host});
                         });

struct DomainCase {
  std::u16string host, domain;
  bool matches;
};

class DomainMatchesTest : public testing::TestWithParam<DomainCase> {};

TEST_P(DomainMatchesTest, Decides) {
  const DomainCase& c = GetParam();
  EXPECT_EQ(DomainMatches(c.host, c.domain), c.matches)
      << testing::PrintToString(c.host) << " " << testing::PrintToString(c.domain);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DomainMatchesTest,
    testing::Values(DomainCase{u"api.zorapi.example", u"api.zorapi.example", true},
                    DomainCase{u"API.Zorapi.Example", u"api.zorapi.example", true},
                    DomainCase{u"api.zorapi.example", u"zorapi.example", true},
                    DomainCase{u"api.zorapi.example", u"ZORAPI.example", true},
                    // No list of public suffixes.
                    DomainCase{u"api.zorapi.example", u"example", true},
                    DomainCase{u"api.zorapi.example", u"rapi.example", false},
                    DomainCase{u"zorapi.example", u"api.zorapi.example", false},
                    DomainCase{u"api.zorapi.example", u"other.example", false},
                    DomainCase{u"", u"example", false}, DomainCase{u"example", u"", false},
                    DomainCase{u"", u"", false},
                    // An address matches only itself.
                    DomainCase{u"192.168.0.1", u"168.0.1", false}, DomainCase{u"192.168.0.1", u"192.168.0.1", true}),
    [](const testing::TestParamInfo<DomainCase>& info) {
      return CaseName(info.index, {info.param.host, info.param.domain});
    });

struct PathCase {
  std::u16string uriPath, cookiePath;
  bool matches;
};

class PathMatchesTest : public testing::TestWithParam<PathCase> {};

TEST_P(PathMatchesTest, Decides) {
  const PathCase& c = GetParam();
  EXPECT_EQ(PathMatches(c.uriPath, c.cookiePath), c.matches)
      << testing::PrintToString(c.uriPath) << " " << testing::PrintToString(c.cookiePath);
}

INSTANTIATE_TEST_SUITE_P(Table, PathMatchesTest,
                         testing::Values(PathCase{u"/", u"/", true}, PathCase{u"/x/y/", u"/", true},
                                         PathCase{u"/x/y", u"/x/y", true}, PathCase{u"/X/Y/", u"/x/y", true},
                                         PathCase{u"/x/y/", u"/x/y", true}, PathCase{u"/x/y/z/", u"/x/y", true},
                                         PathCase{u"/x/y/z/", u"/x/", true}, PathCase{u"/x/yz/", u"/x/y", false},
                                         PathCase{u"/x/", u"/x/y", false}, PathCase{u"/", u"/x", false},
                                         PathCase{u"/y/", u"/x/", false}),
                         [](const testing::TestParamInfo<PathCase>& info) {
                           return CaseName(info.index, {info.param.uriPath, info.param.cookiePath});
                         });

struct DefaultPathCase {
  std::u16string url, path;
};

class DefaultCookiePathTest : public testing::TestWithParam<DefaultPathCase> {};

TEST_P(DefaultCookiePathTest, IsTheDirectoryWithoutItsLastSlash) {
  EXPECT_EQ(DefaultCookiePath(TIdURI(GetParam().url)), GetParam().path) << testing::PrintToString(GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(Table, DefaultCookiePathTest,
                         testing::Values(DefaultPathCase{u"http://h/api.php", u"/"},
                                         DefaultPathCase{u"http://h/", u"/"},
                                         DefaultPathCase{u"http://h/x/y/", u"/x/y"},
                                         DefaultPathCase{u"http://h/x/y/z.php?q=1", u"/x/y"},
                                         DefaultPathCase{u"http://h/x/", u"/x"}),
                         [](const testing::TestParamInfo<DefaultPathCase>& info) {
                           return CaseName(info.index, {info.param.url});
                         });

TEST(DefaultCookiePathTest, IsTheRootForPathsNotStartingWithSlash) {
  TIdURI target;
  for (const std::u16string path : {u"", u"x/y/", u"/"}) {
    target.SetPath(path);
    EXPECT_EQ(DefaultCookiePath(target), u"/") << testing::PrintToString(path);
  }
}

}  // namespace
}  // namespace zorapi

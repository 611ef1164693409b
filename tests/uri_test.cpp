// URL parsing into the client's target, the request target, and path merging.
#include <gtest/gtest.h>

#include "http/uri.h"

namespace zorapi {
namespace {

struct UriCase {
  std::u16string url;
  std::u16string protocol, username, password, host, port, path, document, params, bookmark;
  TIdIPVersion ipVersion;
  std::u16string target;
};

class UriParseTest : public testing::TestWithParam<UriCase> {};

TEST_P(UriParseTest, SplitsIntoFields) {
  const UriCase& c = GetParam();
  const TIdURI uri(c.url);
  SCOPED_TRACE(testing::PrintToString(c.url));
  EXPECT_EQ(uri.Protocol(), c.protocol);
  EXPECT_EQ(uri.Username(), c.username);
  EXPECT_EQ(uri.Password(), c.password);
  EXPECT_EQ(uri.Host(), c.host);
  EXPECT_EQ(uri.Port(), c.port);
  EXPECT_EQ(uri.Path(), c.path);
  EXPECT_EQ(uri.Document(), c.document);
  EXPECT_EQ(uri.Params(), c.params);
  EXPECT_EQ(uri.Bookmark(), c.bookmark);
  EXPECT_EQ(uri.IPVersion(), c.ipVersion);
  EXPECT_EQ(uri.GetPathAndParams(), c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UriParseTest,
    testing::Values(
        UriCase{u"http://api.zorapi.example/api.php", u"http", u"", u"", u"api.zorapi.example", u"", u"/",
                u"api.php", u"", u"", Id_IPv4, u"/api.php"},
        // The fragment is not part of the target.
        UriCase{u"http://192.0.2.1:8080/a/b.php#frag", u"http", u"", u"", u"192.0.2.1", u"8080", u"/a/",
                u"b.php", u"", u"frag", Id_IPv4, u"/a/b.php"},
        // After a "?" the query takes everything, the fragment included.
        UriCase{u"http://h/a/b.php?x=1#f", u"http", u"", u"", u"h", u"", u"/a/", u"b.php", u"x=1#f", u"",
                Id_IPv4, u"/a/b.php?x=1#f"},
        UriCase{u"http://user:pw@h:080/p", u"http", u"user", u"pw", u"h", u"080", u"/", u"p", u"", u"",
                Id_IPv4, u"/p"},
        UriCase{u"http://user:p:w@h/", u"http", u"user", u"p:w", u"h", u"", u"/", u"", u"", u"", Id_IPv4,
                u"/"},
        // No user name, no password.
        UriCase{u"http://:pw@h/", u"http", u"", u"", u"h", u"", u"/", u"", u"", u"", Id_IPv4, u"/"},
        UriCase{u"http://user@h", u"http", u"user", u"", u"h", u"", u"/", u"", u"", u"", Id_IPv4, u"/"},
        UriCase{u"http://[2001:db8::1]:8080/x", u"http", u"", u"", u"2001:db8::1", u"8080", u"/", u"x", u"",
                u"", Id_IPv6, u"/x"},
        UriCase{u"http://[::1]/", u"http", u"", u"", u"::1", u"", u"/", u"", u"", u"", Id_IPv6, u"/"},
        // A "]" before the "[" is no bracketed literal.
        UriCase{u"http://h]x[y:81/", u"http", u"", u"", u"h]x[y", u"81", u"/", u"", u"", u"", Id_IPv4, u"/"},
        // Backslashes of the path part become slashes, those of the query stay.
        UriCase{u"http://h\\a\\b.php?q=\\x", u"http", u"", u"", u"h", u"", u"/a/", u"b.php", u"q=\\x", u"",
                Id_IPv4, u"/a/b.php?q=\\x"},
        // The two backslashes after the ":" are not part of the path and stay,
        // so there is no "://" and the text has no scheme.
        UriCase{u"http:\\\\h\\a", u"", u"", u"", u"", u"", u"http:\\\\h/", u"a", u"", u"", Id_IPv4,
                u"http:\\\\h/a"},
        UriCase{u"https://h?q", u"https", u"", u"", u"h", u"", u"/", u"", u"q", u"", Id_IPv4, u"/?q"},
        UriCase{u"http://h//x", u"http", u"", u"", u"h", u"", u"//", u"x", u"", u"", Id_IPv4, u"//x"},
        // Characters are kept as written: no decoding, no encoding.
        UriCase{u"http://h/a%20b c/\u00E9.php", u"http", u"", u"", u"h", u"", u"/a%20b c/", u"\u00E9.php",
                u"", u"", Id_IPv4, u"/a%20b c/\u00E9.php"},
        UriCase{u"/dir/file.php?a=b", u"", u"", u"", u"", u"", u"/dir/", u"file.php", u"a=b", u"", Id_IPv4,
                u"/dir/file.php?a=b"},
        UriCase{u"file.php#top", u"", u"", u"", u"", u"", u"", u"file.php", u"", u"top", Id_IPv4,
                u"file.php"}));

TEST(UriTest, EmptyTextGivesEmptyTarget) {
  const TIdURI uri;
  EXPECT_TRUE(uri.Protocol().empty());
  EXPECT_TRUE(uri.Host().empty());
  EXPECT_TRUE(uri.Path().empty());
  EXPECT_EQ(uri.IPVersion(), Id_IPv4);
  EXPECT_EQ(uri.GetPathAndParams(), u"");
}

TEST(UriTest, AssigningAgainClearsEveryField) {
  TIdURI uri(u"http://u:p@[::1]:81/a/b?c#d");
  uri.SetURI(u"x.php");
  EXPECT_EQ(uri.Protocol(), u"");
  EXPECT_EQ(uri.Username(), u"");
  EXPECT_EQ(uri.Password(), u"");
  EXPECT_EQ(uri.Host(), u"");
  EXPECT_EQ(uri.Port(), u"");
  EXPECT_EQ(uri.Path(), u"");
  EXPECT_EQ(uri.Params(), u"");
  EXPECT_EQ(uri.Document(), u"x.php");
  EXPECT_EQ(uri.IPVersion(), Id_IPv4);
}

TEST(UriTest, NormalizePathOnlyTouchesThePathPart) {
  EXPECT_EQ(TIdURI::NormalizePath(u"http://h\\a\\b?x\\y#z\\w"), u"http://h/a/b?x\\y#z\\w");
  EXPECT_EQ(TIdURI::NormalizePath(u"http:\\\\h\\a"), u"http:\\\\h/a");
  EXPECT_EQ(TIdURI::NormalizePath(u"c:\\dir\\f"), u"c:/dir/f");
  EXPECT_EQ(TIdURI::NormalizePath(u"\\dir\\f#a\\b"), u"/dir/f#a\\b");
}

struct MergeCase {
  std::u16string base, path, merged;
};

class MergePathTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergePathTest, Resolves) {
  const MergeCase& c = GetParam();
  EXPECT_EQ(TIdURI::MergePath(c.base, c.path, u'/'), c.merged)
      << testing::PrintToString(c.base) << " + " << testing::PrintToString(c.path);
}

INSTANTIATE_TEST_SUITE_P(Table, MergePathTest,
                         testing::Values(MergeCase{u"/old/", u"/", u"/"},
                                         // An absolute path is taken as it is.
                                         MergeCase{u"/x/", u"/abs//path", u"/abs//path"},
                                         MergeCase{u"/a/b/", u"c/", u"/a/b/c/"},
                                         MergeCase{u"/a/b", u"c", u"/a/b/c"},
                                         MergeCase{u"/a/b/", u"../c", u"/a/c"},
                                         MergeCase{u"/a/b/", u"c/..", u"/a/b"},
                                         MergeCase{u"/", u"../x", u"/x"},
                                         // Runs of slashes collapse; a "." segment stays.
                                         MergeCase{u"/a//b/", u"./c/", u"/a/b/./c/"},
                                         MergeCase{u"/a/", u"b//", u"/a/b/"},
                                         MergeCase{u"/a/", u"", u"/a/"},
                                         MergeCase{u"a", u"b/", u"a/b/"},
                                         MergeCase{u"", u"", u""}));

}  // namespace
}  // namespace zorapi

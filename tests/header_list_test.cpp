// The header list (lookup, unfolding, replacing, folding) and the header
// value routines (parameters, quoting, media types).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/text.h"
#include "http/header_list.h"
#include "http/header_values.h"

namespace zorapi {
namespace {

using Lines = std::vector<std::u16string>;

TIdHeaderList ListOf(const Lines& ALines, TIdHeaderQuotingType AQuoteType = QuoteHTTP) {
  TIdHeaderList list(AQuoteType);
  for (const auto& l : ALines) list.Add(l);
  return list;
}

Lines LinesOf(const TStringList& AList) { return AList.Lines(); }

std::u16string Words(int ACount) {
  std::u16string text;
  for (int i = 0; i < ACount; ++i) {
    if (i > 0) text += u' ';
    text += u"word" + IntToText(i % 10);
  }
  return text;
}

// --- lookup and unfolding ----------------------------------------------------

// The name ends at the first separator, even where a later one would fit.
TEST(HeaderListLookupTest, NameEndsAtTheFirstSeparator) {
  const TIdHeaderList list = ListOf({u"A: B: c", u"X:Y:z", u"A: B: d"});
  EXPECT_EQ(list.IndexOfName(u"A: B"), -1);
  EXPECT_EQ(list.IndexOfName(u"X:Y"), -1);
  EXPECT_EQ(list.IndexOfName(u"x"), 1);
  EXPECT_EQ(list.ValueOfName(u"a"), u"B: c");
}

TEST(HeaderListLookupTest, NamesIgnoreCaseAndAreNotTrimmed) {
  const TIdHeaderList list = ListOf({u"Content-Length: 42", u"no colon here", u" X-Folded: 1", u"X-Sp : 2"});
  EXPECT_EQ(list.NameAt(0), u"Content-Length");
  EXPECT_EQ(list.NameAt(1), u"");
  EXPECT_EQ(list.NameAt(3), u"X-Sp ");
  EXPECT_EQ(list.IndexOfName(u"content-length"), 0);
  EXPECT_EQ(list.IndexOfName(u"X-Folded"), -1);   // the name of a continuation line keeps its space
  EXPECT_EQ(list.IndexOfName(u" x-folded"), 2);   // continuation lines are scanned too
  EXPECT_EQ(list.IndexOfName(u"X-Sp"), -1);
  EXPECT_EQ(list.IndexOfName(u"Missing"), -1);
  EXPECT_EQ(list.IndexOfName(u"x-sp "), 3);
  EXPECT_EQ(list.IndexOfName(u""), 1);  // a line without a separator has an empty name
  EXPECT_EQ(list.ValueOfName(u"CONTENT-LENGTH"), u"42");
  EXPECT_EQ(list.ValueOfName(u"Missing"), u"");
}

TEST(HeaderListLookupTest, ContinuationLinesUnfoldIntoOneValue) {
  TIdHeaderList list = ListOf({u"X-A: one", u" two", u"\t three  ", u"X-B: b"});
  EXPECT_EQ(list.ValueOfName(u"X-A"), u"one two three");
  int index = 0;
  EXPECT_EQ(list.ValueAtLine(index), u"one two three");
  EXPECT_EQ(index, 3);
  list.SetUnfoldLines(false);
  EXPECT_EQ(list.ValueOfName(u"X-A"), u"one");
  index = 0;
  list.SkipValueLines(index);
  EXPECT_EQ(index, 1);
}

TEST(HeaderListLookupTest, ValueAtLineEdges) {
  const TIdHeaderList list = ListOf({u"  just text  ", u"X-E:", u"X-C: a:b", u"X-D:\t v \t"});
  int index = 0;
  EXPECT_EQ(list.ValueAtLine(index), u"just text");  // no colon: the whole line
  EXPECT_EQ(list.ValueAtLine(index), u"");
  EXPECT_EQ(list.ValueAtLine(index), u"a:b");        // only the first colon separates
  EXPECT_EQ(list.ValueAtLine(index), u"v");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(list.ValueAtLine(index), u"");           // past the end: nothing moves
  EXPECT_EQ(index, 4);
  index = -1;
  EXPECT_EQ(list.ValueAtLine(index), u"");
  list.SkipValueLines(index);
  EXPECT_EQ(index, -1);
}

TEST(HeaderListLookupTest, ExtractTakesEveryValueInOrder) {
  const TIdHeaderList list =
      ListOf({u"Set-Cookie: a=1", u"Date: x", u"set-cookie: b=2;", u"  path=/", u"Set-Cookie: c=3"});
  EXPECT_EQ(list.ValueOfName(u"Set-Cookie"), u"a=1");
  TStringList values;
  list.Extract(u"Set-Cookie", values);
  EXPECT_EQ(LinesOf(values), (Lines{u"a=1", u"b=2; path=/", u"c=3"}));
  list.Extract(u"Set-Cookie", nullptr);  // no list to fill: nothing happens
}

// --- replacing and adding ----------------------------------------------------

TEST(HeaderListReplaceTest, ReplacesInPlaceWithTheNameWritten) {
  TIdHeaderList list = ListOf({u"Accept: x", u"host: b", u"  folded", u"User-Agent: u"});
  list.ReplaceValue(u"Host", u"a");
  EXPECT_EQ(LinesOf(list), (Lines{u"Accept: x", u"Host: a", u"User-Agent: u"}));
  list.ReplaceValue(u"X-New", u"n");
  EXPECT_EQ(list[3], u"X-New: n");
  list.ReplaceValue(u"Missing", u"");
  EXPECT_EQ(list.Count(), 4);
}

TEST(HeaderListReplaceTest, EmptyValueDeletesTheHeaderWithItsContinuationLines) {
  TIdHeaderList list = ListOf({u"Accept: x", u"host: b", u" more", u"\tand more", u"User-Agent: u"});
  list.ReplaceValue(u"Host", u"");
  EXPECT_EQ(LinesOf(list), (Lines{u"Accept: x", u"User-Agent: u"}));
}

TEST(HeaderListReplaceTest, WithoutFoldingOnlyTheFirstLineChanges) {
  TIdHeaderList list = ListOf({u"Host: b", u" more"});
  list.SetFoldLines(false);
  list.ReplaceValue(u"Host", u"a");
  EXPECT_EQ(LinesOf(list), (Lines{u"Host: a", u" more"}));
}

TEST(HeaderListReplaceTest, AddValueAppendsDuplicatesButNothingEmpty) {
  TIdHeaderList list(QuoteHTTP);
  list.AddValue(u"Cookie", u"");
  list.AddValue(u"", u"x");
  EXPECT_EQ(list.Count(), 0);
  list.AddValue(u"Cookie", u"a=1");
  list.AddValue(u"Cookie", u"b=2");
  EXPECT_EQ(LinesOf(list), (Lines{u"Cookie: a=1", u"Cookie: b=2"}));
}

TEST(HeaderListReplaceTest, SetParamValueSetsAndRemovesParameters) {
  TIdHeaderList list = ListOf({u"Content-Type: text/html; format=flowed"});
  list.SetParamValue(u"Content-Type", u"charset", u"utf-8");
  EXPECT_EQ(list[0], u"Content-Type: text/html; format=flowed; charset=utf-8");
  list.SetParamValue(u"content-type", u"charset", u"a b");
  EXPECT_EQ(list[0], u"content-type: text/html; format=flowed; charset=\"a b\"");
  list.SetParamValue(u"Content-Type", u"format", u"");
  list.SetParamValue(u"Content-Type", u"charset", u"");
  EXPECT_EQ(list[0], u"Content-Type: text/html");
  list.SetParamValue(u"X-Absent", u"charset", u"utf-8");
  EXPECT_EQ(list.Count(), 1);
}

TEST(HeaderListReplaceTest, SetParamValueSwitchesBetweenMimeAndRfc822Quoting) {
  // "." forces quoting for RFC 822 only, "=" for MIME only.
  TIdHeaderList mime = ListOf({u"X-A: v", u"Content-Type: t/s"}, QuoteMIME);
  mime.SetParamValue(u"X-A", u"p", u"a.b");
  mime.SetParamValue(u"Content-Type", u"p", u"a.b");
  EXPECT_EQ(LinesOf(mime), (Lines{u"X-A: v; p=\"a.b\"", u"Content-Type: t/s; p=a.b"}));
  TIdHeaderList rfc822 = ListOf({u"Content-Disposition: d", u"X-A: v"}, QuoteRFC822);
  rfc822.SetParamValue(u"Content-Disposition", u"p", u"a=b");
  rfc822.SetParamValue(u"X-A", u"p", u"a=b");
  EXPECT_EQ(LinesOf(rfc822), (Lines{u"Content-Disposition: d; p=\"a=b\"", u"X-A: v; p=a=b"}));
}

TEST(HeaderListCopyTest, StdValuesAndHeaderListsAreCopiedDifferently) {
  TStringList plain;
  plain.Add(u"A=1");
  plain.Add(u"B=x=y");
  plain.Add(u"no equals sign");
  plain.Add(u"C=");
  TIdHeaderList list(QuoteHTTP);
  list.AddStrings(plain);
  EXPECT_EQ(LinesOf(list), (Lines{u"A: 1", u"B: x=y"}));

  const TIdHeaderList other = ListOf({u"X-A: one", u" two", u"raw line"});
  list.AddStrings(other);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list[3], u" two");

  TStringList std;
  list.ConvertToStdValues(std);
  EXPECT_EQ(LinesOf(std), (Lines{u"A=1", u"B=x=y", u"X-A=one two", u"=raw line"}));
}

// --- folding -----------------------------------------------------------------

TEST(HeaderListFoldTest, LongLineOfWordsFoldsIntoContinuationLines) {
  TIdHeaderList list(QuoteHTTP);
  list.SetFoldLength(1024);
  const std::u16string value = Words(220);  // "X-Long: " and about 1100 characters
  ASSERT_GT(value.size() + 8, 1090u);
  list.ReplaceValue(u"X-Long", value);
  ASSERT_GE(list.Count(), 2);
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_LE(list[i].size(), 1024u) << i;
    EXPECT_NE(list[i].back(), u' ') << i;
    if (i > 0) {
      EXPECT_EQ(list[i][0], u' ') << i;
    }
  }
  EXPECT_EQ(list.NameAt(0), u"X-Long");
  EXPECT_EQ(list.ValueOfName(u"X-Long"), value);  // unfolding gives the value back

  // Replacing it drops the old continuation lines.
  list.ReplaceValue(u"X-Long", u"short");
  EXPECT_EQ(LinesOf(list), (Lines{u"X-Long: short"}));
}

TEST(HeaderListFoldTest, LineUpToTheLimitStaysWhole) {
  TIdHeaderList list(QuoteHTTP);
  list.SetFoldLength(1024);
  std::u16string value = Words(300).substr(0, 1024 - 8);
  while (value.back() == u' ') value.pop_back();
  list.ReplaceValue(u"X-Long", value);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], u"X-Long: " + value);
}

TEST(HeaderListFoldTest, ValueWithoutBreakCharactersFoldsOnceAfterTheName) {
  TIdHeaderList list(QuoteHTTP);
  list.SetFoldLength(1024);
  const std::u16string value(1100, u'v');
  list.ReplaceValue(u"X-Long", value);
  EXPECT_EQ(LinesOf(list), (Lines{u"X-Long:", u" " + value}));
  EXPECT_EQ(list.ValueOfName(u"X-Long"), value);
}

TEST(HeaderListFoldTest, FoldedHeaderKeepsItsPositionAmongOthers) {
  TIdHeaderList list = ListOf({u"A: 1", u"X: old", u"B: 2"});
  list.SetFoldLength(12);
  list.ReplaceValue(u"X", u"aaaa bbbb cccc");
  // The fold comes once FoldLength characters have been passed.
  EXPECT_EQ(LinesOf(list), (Lines{u"A: 1", u"X: aaaa", u" bbbb cccc", u"B: 2"}));
}

TEST(HeaderListFoldTest, NoFoldingWhenFoldLinesIsOff) {
  TIdHeaderList list(QuoteHTTP);
  list.SetFoldLines(false);
  list.SetFoldLength(10);
  list.ReplaceValue(u"X", u"aaaa bbbb cccc");
  EXPECT_EQ(LinesOf(list), (Lines{u"X: aaaa bbbb cccc"}));
}

struct FoldCase {
  std::u16string line;
  int maxCol;
  std::u16string folded;
};

void PrintTo(const FoldCase& c, std::ostream* os) {
  *os << '"' << TextToAscii(c.line) << "\" at " << c.maxCol;
}

class FoldTextTest : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldTextTest, Folds) {
  const FoldCase& c = GetParam();
  EXPECT_EQ(FoldText(c.line, u"\r\n ", u"\t ,", c.maxCol), c.folded);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FoldTextTest,
    testing::Values(
        FoldCase{u"aaa bbb ccc ddd", 10, u"aaa bbb \r\n ccc ddd"},
        FoldCase{u"short", 10, u"short"},
        // A line as long as the fold length, or with a lone CR, stays whole.
        FoldCase{u"aaaa bbbbb", 10, u"aaaa bbbbb"},
        FoldCase{u"ab\rcd ef", 78, u"ab\rcd ef"},
        FoldCase{u"", 10, u""},
        // Breaks are taken after a comma too.
        FoldCase{u"aaaa,bbbb,cccc", 10, u"aaaa,bbbb,\r\n cccc"},
        // No break inside double quotes; the one after them is taken.
        FoldCase{u"X: \"aaaa bbbb\" cccc dddd", 12, u"X: \"aaaa bbbb\" \r\n cccc dddd"},
        // A break that closes the quote gives no break text.
        FoldCase{u"X: \"aaaa bbbb cccc\"", 10, u"X: \"aaaa bbbb cccc\""},
        // A break text already in the line starts a new piece and is kept once.
        FoldCase{u"ab\r\n cd", 78, u"ab\r\n cd"},
        // Runs of break characters stay with the next piece.
        FoldCase{u"aaaa   bbbbbbbb", 6, u"aaaa  \r\n  bbbbbbbb"},
        // Every piece is measured from its own start.
        FoldCase{u"aaa bbb ccc ddd eee", 8, u"aaa bbb \r\n ccc ddd \r\n eee"},
        // No break text before a last single character.
        FoldCase{u"aaaaaaaa b", 5, u"aaaaaaaa b"},
        FoldCase{u"aaaaaaaa bc", 5, u"aaaaaaaa \r\n bc"},
        // A break text inside double quotes is no break.
        FoldCase{u"\"ab\r\n cd\"", 78, u"\"ab\r\n cd\""},
        // A break text already in the line resets the column count.
        FoldCase{u"aaaaaa\r\n bb cc", 8, u"aaaaaa\r\n bb cc"},
        // Tabs break like spaces.
        FoldCase{u"aaaa\tbbbb\tcccc", 10, u"aaaa\tbbbb\t\r\n cccc"}));

// --- header values -----------------------------------------------------------

TEST(HeaderValueTest, MainValueAndMediaTypes) {
  EXPECT_EQ(MainValueOf(u"  text/html ; charset=x"), u"text/html");
  EXPECT_EQ(MainValueOf(u"plain"), u"plain");
  EXPECT_EQ(MainValueOf(u"; x=1"), u"");
  EXPECT_EQ(MediaSubtypeOf(u"text/html; x=1"), u"html");
  EXPECT_EQ(MediaSubtypeOf(u" a/b/c "), u"b/c");
  EXPECT_EQ(MediaSubtypeOf(u"text"), u"");

  EXPECT_TRUE(HasMediaType(u"text/html; charset=x", u"text"));
  EXPECT_TRUE(HasMediaType(u"TEXT/html", u"text"));
  EXPECT_TRUE(HasMediaType(u"Text/HTML", u"text/html"));
  EXPECT_FALSE(HasMediaType(u"text", u"text"));
  EXPECT_FALSE(HasMediaType(u"textual/x", u"text"));
  EXPECT_FALSE(HasMediaType(u"text/html", u"text/plain"));
  EXPECT_FALSE(HasMediaType(u"image/svg+xml", u"text"));
}

struct SplitCase {
  std::u16string value;
  Lines params;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.value) << '"'; }

class SplitParamsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitParamsTest, Splits) {
  TStringList params;
  SplitParams(GetParam().value, QuoteHTTP, params);
  EXPECT_EQ(LinesOf(params), GetParam().params);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitParamsTest,
    testing::Values(SplitCase{u"text/plain; format=flowed; charset=utf-8", {u"format=flowed", u"charset=utf-8"}},
                    SplitCase{u"text/plain", {}},
                    SplitCase{u"a;b=1;c=2", {u"b=1", u"c=2"}},
                    SplitCase{u"a; b=\"x;y\\\"z\\\\\"; c=d", {u"b=x;y\"z\\", u"c=d"}},
                    SplitCase{u"a; b=\"unterminated", {}},
                    SplitCase{u"a; b=; c=1", {u"c=1"}},
                    SplitCase{u"a; =x; c=1", {u"c=1"}},
                    SplitCase{u"a; b = 1; c=2", {u"b=1", u"c=2"}},
                    // Blanks before the ";" do not make it part of the next name.
                    SplitCase{u"text/plain; format=flowed ; charset=utf-8", {u"format=flowed", u"charset=utf-8"}},
                    SplitCase{u"a; b=\"q\" ; c=2", {u"b=q", u"c=2"}},
                    SplitCase{u"a; flag; c=2", {u"c=2"}}));

// Each quoting type ends an unquoted value at its own special characters;
// the control characters, space and DEL end it for all four.
struct TypedSplitCase {
  TIdHeaderQuotingType type;
  std::u16string value;
  Lines params;
};

void PrintTo(const TypedSplitCase& c, std::ostream* os) {
  *os << '"' << TextToAscii(c.value) << "\" type " << static_cast<int>(c.type);
}

class SplitParamsByTypeTest : public testing::TestWithParam<TypedSplitCase> {};

TEST_P(SplitParamsByTypeTest, Splits) {
  TStringList params;
  SplitParams(GetParam().value, GetParam().type, params);
  EXPECT_EQ(LinesOf(params), GetParam().params);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitParamsByTypeTest,
    testing::Values(
        // Plain: only blanks and controls end a value, so a ";" stays in it.
        TypedSplitCase{QuotePlain, u"a; b=x;c=d", {u"b=x;c=d"}},
        TypedSplitCase{QuotePlain, u"a; b=x y=z", {u"b=x", u"y=z"}},
        TypedSplitCase{QuotePlain, u"a; b=x\x7F", {u"b=x"}},
        TypedSplitCase{QuotePlain, u"a; b=\"q r\"; c=d", {u"b=q r", u"c=d"}},
        // RFC 822: "." and "/" end a value, "=", "?" and "{" do not.
        TypedSplitCase{QuoteRFC822, u"a; b=x.y", {u"b=x"}},
        TypedSplitCase{QuoteRFC822, u"a; b=x/y", {u"b=x"}},
        TypedSplitCase{QuoteRFC822, u"a; b=x=y; c=d", {u"b=x=y", u"c=d"}},
        TypedSplitCase{QuoteRFC822, u"a; b=x?{y}", {u"b=x?{y}"}},
        // MIME: "=", "?", "[" and "]" end a value, "." and "{" do not.
        TypedSplitCase{QuoteMIME, u"a; b=x=y; c=d", {u"b=x", u"c=d"}},
        TypedSplitCase{QuoteMIME, u"a; b=x?y", {u"b=x"}},
        TypedSplitCase{QuoteMIME, u"a; b=x[y]", {u"b=x"}},
        TypedSplitCase{QuoteMIME, u"a; b=x.y{z}", {u"b=x.y{z}"}},
        // HTTP: "{", "}", space and tab as well.
        TypedSplitCase{QuoteHTTP, u"a; b=x{y", {u"b=x"}},
        TypedSplitCase{QuoteHTTP, u"a; b=x\ty", {u"b=x"}},
        TypedSplitCase{QuoteHTTP, u"a; b=x.y", {u"b=x.y"}},
        // A separator other than ";" stays and starts the next text.
        TypedSplitCase{QuoteHTTP, u"a; b=x,c=d", {u"b=x", u",c=d"}},
        // A word without "=" before the next parameter is passed over, for
        // every type, instead of becoming part of that parameter's name.
        TypedSplitCase{QuoteRFC822, u"a; b=x.y; c=d", {u"b=x", u"c=d"}},
        TypedSplitCase{QuoteHTTP, u"text/html; foo; charset=utf-8", {u"charset=utf-8"}}));

struct QuoteCase {
  std::u16string text;
  TIdHeaderQuotingType type;
  std::u16string quoted;
};

void PrintTo(const QuoteCase& c, std::ostream* os) {
  *os << '"' << TextToAscii(c.text) << "\" type " << static_cast<int>(c.type);
}

class QuoteIfNeededTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteIfNeededTest, Quotes) {
  EXPECT_EQ(QuoteIfNeeded(GetParam().text, GetParam().type), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuoteIfNeededTest,
    testing::Values(QuoteCase{u"", QuoteHTTP, u""}, QuoteCase{u"utf-8", QuoteHTTP, u"utf-8"},
                    QuoteCase{u"a b", QuoteHTTP, u"\"a b\""}, QuoteCase{u"a\tb", QuoteHTTP, u"\"a\tb\""},
                    QuoteCase{u"a\"b", QuoteHTTP, u"\"a\\\"b\""}, QuoteCase{u"a\\b", QuoteHTTP, u"\"a\\\\b\""},
                    QuoteCase{u"a{b", QuoteHTTP, u"\"a{b\""}, QuoteCase{u"a{b", QuoteMIME, u"a{b"},
                    QuoteCase{u"a=b", QuoteMIME, u"\"a=b\""}, QuoteCase{u"a=b", QuoteRFC822, u"a=b"},
                    QuoteCase{u"a.b", QuoteRFC822, u"\"a.b\""}, QuoteCase{u"a.b", QuoteHTTP, u"a.b"},
                    QuoteCase{u"a\rb", QuoteRFC822, u"\"a\\\rb\""}, QuoteCase{u"a\rb", QuoteHTTP, u"\"a\rb\""},
                    QuoteCase{u"a;b", QuotePlain, u"a;b"}, QuoteCase{u"a b", QuotePlain, u"\"a b\""},
                    QuoteCase{u"a\"b", QuotePlain, u"\"a\\\"b\""}, QuoteCase{u"a\x7F", QuotePlain, u"\"a\x7F\""},
                    QuoteCase{u"\u00E9t\u00E9", QuoteHTTP, u"\u00E9t\u00E9"}));

TEST(ReplaceParamTest, ReplacesAddsAndRemoves) {
  std::u16string old = u"stale";
  EXPECT_EQ(ReplaceParam(u"text/plain; format=flowed", u"charset", u"utf-8", old, QuoteHTTP),
            u"text/plain; format=flowed; charset=utf-8");
  EXPECT_EQ(old, u"");
  EXPECT_EQ(ReplaceParam(u"text/html; CHARSET=a; x=y", u"charset", u" b ", old, QuoteHTTP),
            u"text/html; charset=b; x=y");
  EXPECT_EQ(old, u"a");
  EXPECT_EQ(RemoveParam(u"text/html;charset=\"a b\";x=y", u"Charset", old, QuoteHTTP), u"text/html; x=y");
  EXPECT_EQ(old, u"a b");
  EXPECT_EQ(RemoveParam(u"text/html", u"charset", old, QuoteHTTP), u"text/html");
  EXPECT_EQ(old, u"");
  // An empty main value gives an empty result whatever the parameters.
  EXPECT_EQ(ReplaceParam(u"; a=1", u"b", u"2", QuoteHTTP), u"");
  EXPECT_EQ(ReplaceParam(u"", u"b", u"2", QuoteHTTP), u"");
}

TEST(ReplaceParamTest, QuotedValuesSurviveARoundTripForEveryType) {
  const Lines values = {u"plain",    u"with space", u"semi;colon", u"quote\"inside", u"back\\slash",
                        u"a=b",      u"a.b",        u"a/b",        u"a{b}",          u"a[b]?",
                        u"cr\rinside", u"tab\tinside", u"del\x7F"};
  for (const TIdHeaderQuotingType type : {QuotePlain, QuoteRFC822, QuoteMIME, QuoteHTTP}) {
    for (const auto& v : values) {
      std::u16string old;
      const std::u16string header = ReplaceParam(u"t/s", u"p", v, type);
      TStringList params;
      SplitParams(header, type, params);
      ASSERT_EQ(params.Count(), 1) << TextToAscii(header) << " type " << type;
      EXPECT_EQ(params[0], u"p=" + v) << TextToAscii(header) << " type " << type;
      EXPECT_EQ(RemoveParam(header, u"p", old, type), u"t/s");
      EXPECT_EQ(old, v);
    }
  }
}

TEST(ReplaceParamTest, QuotedValuesSurviveARoundTrip) {
  const Lines values = {u"plain", u"with space", u"semi;colon", u"quote\"inside", u"back\\slash", u"a=b"};
  for (const auto& v : values) {
    std::u16string old;
    const std::u16string header = ReplaceParam(u"t/s", u"p", v, QuoteHTTP);
    TStringList params;
    SplitParams(header, QuoteHTTP, params);
    ASSERT_EQ(params.Count(), 1) << TextToAscii(header);
    EXPECT_EQ(params[0], u"p=" + v) << TextToAscii(header);
    EXPECT_EQ(RemoveParam(header, u"p", old, QuoteHTTP), u"t/s");
    EXPECT_EQ(old, v);
  }
}

}  // namespace
}  // namespace zorapi

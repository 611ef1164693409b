// The three operations against a stand-in for the shared client's POST
// entry: the fields they send and what they make of a reply.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "api/service_operations.h"
#include "core/exceptions.h"
#include "core/utf8.h"

namespace zorapi {
namespace {

// Records the lines posted and answers with fixed reply bytes.
struct FakePost {
  std::string reply;
  bool fail = false;
  std::vector<std::u16string> lines;
  std::u16string url;

  FormPost Bind() {
    return [this](const std::u16string& AURL, TStringList& ASource, TMemoryStream& AResponseContent) {
      url = AURL;
      lines = ASource.Lines();
      if (fail) throw EIdException(u"Socket Error # 10061\r\nConnection refused.");
      AResponseContent.Write(reply.data(), reply.size());
    };
  }
};

const std::u16string kURL = u"http://service.test/api.php";

TEST(LoginTest, SendsItsFourFieldsInOrderWithTrimmedArguments) {
  FakePost fake;
  TLoginReplyMatcher matcher;
  Login(fake.Bind(), kURL, matcher, u" \t my user\r\n", u"\x01pass word\x20");
  EXPECT_EQ(fake.url, kURL);
  EXPECT_EQ(fake.lines, (std::vector<std::u16string>{u"action=authenticate", u"format=xml",
                                                    u"username=my user", u"password=pass word"}));
}

TEST(LoginTest, KeepsNonAsciiBlanksAndEmptyArguments) {
  FakePost fake;
  TLoginReplyMatcher matcher;
  Login(fake.Bind(), kURL, matcher, u"\u00A0x\u3000", u"");
  EXPECT_EQ(fake.lines[2], u"username=\u00A0x\u3000");
  EXPECT_EQ(fake.lines[3], u"password=");
}

struct ReplyCase {
  const char* name;
  std::string reply;
  std::u16string expected;
};

class LoginReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(LoginReplyTest, Extracts) {
  FakePost fake;
  fake.reply = GetParam().reply;
  TLoginReplyMatcher matcher;
  EXPECT_EQ(Login(fake.Bind(), kURL, matcher, u"u", u"p"), GetParam().expected);
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Rows, LoginReplyTest,
    testing::Values(
        ReplyCase{"plain", "<success>true</success><session>abc_123</session>", u"abc_123"},
        ReplyCase{"upper_true", "<success>TRUE</success><session>S1</session>", u"S1"},
        ReplyCase{"mixed_true", "<success>True</success><session>S1</session>", u"S1"},
        ReplyCase{"false", "<success>false</success><session>S1</session>", u""},
        ReplyCase{"line_break_between", "<success>true</success>\n<session>S1</session>", u""},
        ReplyCase{"space_between", "<success>true</success> <session>S1</session>", u""},
        ReplyCase{"hyphen_in_session", "<success>true</success><session>a-b</session>", u""},
        ReplyCase{"upper_tags", "<SUCCESS>true</SUCCESS><SESSION>S1</SESSION>", u""},
        ReplyCase{"attribute", "<success a='1'>true</success><session>S1</session>", u""},
        ReplyCase{"empty_session", "<success>true</success><session></session>", u""},
        ReplyCase{"non_ascii_letter", "<success>true</success><session>\xC3\xA9</session>", u""},
        ReplyCase{"dot_plus_equals_in_session", "<success>true</success><session>a.b+c=</session>", u""},
        ReplyCase{"every_word_class", "<success>true</success><session>09azAZ_</session>", u"09azAZ_"},
        ReplyCase{"success_longer_than_true", "<success>truey</success><session>S1</session>", u""},
        ReplyCase{"broken_first_candidate",
                  "<success>true</success><session><success>true</success><session>B</session>", u"B"},
        ReplyCase{"first_pair_counts",
                  "<success>no</success><session>A</session><success>true</success><session>B</session>",
                  u""},
        ReplyCase{"leftmost_complete_match",
                  "<success>true</success><session>a b</session><success>true</success><session>B</session>",
                  u"B"},
        ReplyCase{"enclosed",
                  "<?xml version=\"1.0\"?>\n<reply><success>true</success><session>X9</session></reply>",
                  u"X9"},
        ReplyCase{"bom_kept", "\xEF\xBB\xBF<success>true</success><session>S1</session>", u"S1"},
        ReplyCase{"nul_before_pair", "x" + kNul + "<success>true</success><session>S1</session>", u""},
        ReplyCase{"nul_after_pair", "<success>true</success><session>S1</session>" + kNul + "z", u"S1"},
        ReplyCase{"malformed_utf8", "<success>true</success><session>S1</session>\xC0\xAF", u""},
        ReplyCase{"empty_body", "", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoginTest, LongRunOfWordCharactersReturnsNormally) {
  FakePost fake;
  fake.reply = "<success>true</success><session>" + std::string(10 << 20, 'a');
  TLoginReplyMatcher matcher;
  EXPECT_EQ(Login(fake.Bind(), kURL, matcher, u"u", u"p"), u"");
  fake.reply += "</session>";
  EXPECT_EQ(Login(fake.Bind(), kURL, matcher, u"u", u"p").size(), std::size_t{10} << 20);
}

TEST(LoginTest, FailedPostGivesEmptyResult) {
  FakePost fake;
  fake.fail = true;
  TLoginReplyMatcher matcher;
  EXPECT_EQ(Login(fake.Bind(), kURL, matcher, u"u", u"p"), u"");
}

TEST(TextOperationsTest, IdentifySynonymsFields) {
  FakePost fake;
  IdentifySynonyms(fake.Bind(), kURL, u" S1 ", u"The quick fox.\r\n", 3);
  EXPECT_EQ(fake.lines, (std::vector<std::u16string>{u"action=identifySynonyms", u"session=S1",
                                                    u"format=xml", u"text=The quick fox.", u"maxsyns=3"}));
}

TEST(TextOperationsTest, ReplaceEveryonesFavoritesFieldsAndIntegers) {
  struct Row {
    std::int32_t maxsyns, quality;
    std::u16string maxText, qualityText;
  };
  for (const Row& r : {Row{-1, 0, u"maxsyns=-1", u"quality=0"},
                       Row{2147483647, -2147483647 - 1, u"maxsyns=2147483647", u"quality=-2147483648"},
                       Row{10, 5, u"maxsyns=10", u"quality=5"}}) {
    FakePost fake;
    ReplaceEveryonesFavorites(fake.Bind(), kURL, u"S", u"line1\r\nline2", r.maxsyns, r.quality);
    EXPECT_EQ(fake.lines, (std::vector<std::u16string>{u"action=replaceEveryonesFavorites", u"session=S",
                                                      u"format=xml", u"text=line1\r\nline2", r.maxText,
                                                      r.qualityText}));
  }
}

class OutputReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(OutputReplyTest, Extracts) {
  FakePost fake;
  fake.reply = GetParam().reply;
  EXPECT_EQ(IdentifySynonyms(fake.Bind(), kURL, u"S", u"t", 1), GetParam().expected);
  EXPECT_EQ(ReplaceEveryonesFavorites(fake.Bind(), kURL, u"S", u"t", 1, 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputReplyTest,
    testing::Values(
        ReplyCase{"between", "<output>a &amp; b</output>", u"a &amp; b"},
        ReplyCase{"adjacent", "<output></output>", u""},
        ReplyCase{"first_of_two", "<output>one</output><output>two</output>", u"one"},
        ReplyCase{"nested_open", "<output>x<output>y</output>", u"x<output>y"},
        ReplyCase{"close_first", "</output><output>x</output>", u""},
        ReplyCase{"no_close", "<output>x", u""},
        ReplyCase{"neither", "nothing here", u""},
        ReplyCase{"close_only", "0123456789abc</output>", u""},
        ReplyCase{"white_space_kept", "<?xml version=\"1.0\"?><r><output> x y\n</output></r>", u" x y\n"},
        ReplyCase{"non_ascii", "<output>\xC3\xA9\xF0\x9F\x98\x80</output>", u"\u00E9\U0001F600"},
        ReplyCase{"nul_inside", "<output>a" + kNul + "b</output>", std::u16string(u"a\0b", 3)},
        ReplyCase{"malformed_utf8", "<output>\xED\xA0\x80</output>", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextOperationsTest, FailedPostGivesEmptyResult) {
  FakePost fake;
  fake.fail = true;
  EXPECT_EQ(IdentifySynonyms(fake.Bind(), kURL, u"S", u"t", 1), u"");
}

}  // namespace
}  // namespace zorapi

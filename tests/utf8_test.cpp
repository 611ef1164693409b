// Strict UTF-8 well-formedness, checked against the table of the Unicode
// Standard, and the lenient decoder's replacement of ill-formed subparts.
#include <gtest/gtest.h>

#include <string>

#include "core/utf8.h"

namespace zorapi {
namespace {

std::optional<std::u16string> Strict(const std::string& s) {
  return DecodeUtf8Strict(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(Utf8StrictTest, AcceptsWellFormedSequences) {
  struct Row {
    std::string bytes;
    std::u16string text;
  };
  const Row rows[] = {
      {"", u""},
      {"abc", u"abc"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"\xEF\xBB\xBFx", u"\uFEFFx"},
      {"\xC2\x80", u"\u0080"},
      {"\xDF\xBF", u"\u07FF"},
      {"\xE0\xA0\x80", u"\u0800"},
      {"\xED\x9F\xBF", u"\uD7FF"},
      {"\xEE\x80\x80", u"\uE000"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x90\x80\x80", u"\U00010000"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
  };
  for (const Row& r : rows) {
    auto got = Strict(r.bytes);
    ASSERT_TRUE(got.has_value()) << testing::PrintToString(r.bytes);
    EXPECT_EQ(*got, r.text);
  }
}

TEST(Utf8StrictTest, RejectsIllFormedSequences) {
  const std::string rows[] = {
      "\x80",              // stray continuation
      "a\xBF",             // stray continuation after ASCII
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong
      "\xE0\x9F\xBF",      // overlong three-byte
      "\xF0\x8F\xBF\xBF",  // overlong four-byte
      "\xED\xA0\x80",      // high surrogate
      "\xED\xBF\xBF",      // low surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",  // invalid lead
      "\xFF",
      "\xC2",              // truncated
      "\xE2\x82",          // truncated
      "\xF0\x9F\x98",      // truncated
      "\xE2\x28\xA1",      // bad continuation
  };
  for (const std::string& r : rows) EXPECT_FALSE(Strict(r).has_value()) << testing::PrintToString(r);
}

TEST(Utf8LenientTest, ReplacesMaximalSubparts) {
  const std::string bytes = "a\xF0\x9F\x98" "z\xC0\xAF\xED\xA0\x80" "b";
  // F0 9F 98 is one maximal subpart; C0, AF, ED, A0, 80 are one each.
  EXPECT_EQ(DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
            u"a\uFFFDz\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDb");
}

TEST(Utf8EncodeTest, EncodesPairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(EncodeUtf8(u"\u00E9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zorapi

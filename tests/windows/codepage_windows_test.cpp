// The Windows charset codecs: names to code pages, decoded and encoded by
// the system's conversions, and the Unicode forms of the library's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/code_page_names.h"
#include "platform/codepage.h"

namespace zorapi::platform {
namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::u16string text;
};

std::u16string Decode(const TIdTextEncoding& codec, const std::string& bytes) {
  return codec.GetString(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// One sample of every charset family, with its text.
const DecodeCase kDecodeCases[] = {
    {"ISO-8859-1", "caf\xE9", u"caf\u00E9"},
    {"ISO-8859-2", "\xA1\xB1", u"\u0104\u0105"},
    {"iso-8859-5", "\xB0\xD0", u"\u0410\u0430"},
    {"ISO-8859-7", "\xC1\xE1", u"\u0391\u03B1"},
    {"ISO-8859-9", "\xD0\xFD", u"\u011E\u0131"},
    {"ISO-8859-15", "\xA4", u"\u20AC"},
    {"windows-1250", "\x8A", u"\u0160"},
    {"windows-1251", "\xC0\xE0", u"\u0410\u0430"},
    {"windows-1252", "\x80\x93", u"\u20AC\u201C"},
    {"windows-1253", "\xC1", u"\u0391"},
    {"windows-1255", "\xE0", u"\u05D0"},
    {"windows-1256", "\xC7", u"\u0627"},
    {"KOI8-R", "\xC1\xE1", u"\u0430\u0410"},
    {"KOI8-U", "\xA4", u"\u0454"},
    {"Shift_JIS", "\x82\xA0\x83\x41", u"\u3042\u30A2"},
    {"EUC-JP", "\xA4\xA2", u"\u3042"},
    {"ISO-2022-JP", "\x1B$B$\"\x1B(Bx", u"\u3042x"},
    {"GBK", "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
    {"GB2312", "\xC4\xE3", u"\u4F60"},
    {"GB18030", "\x81\x30\x81\x30", u"\u0080"},
    {"Big5", "\xA4\x40", u"\u4E00"},
    {"EUC-KR", "\xB0\xA1", u"\uAC00"},
    {"IBM037", "\xC1\x81\x4B\x40\xF1", u"Aa. 1"},
    {"IBM500", "\xC1\x4F", u"A!"},
    {"IBM437", "\x82\xB0", u"\u00E9\u2591"},
    {"IBM866", "\x80", u"\u0410"},
    {"UTF-32BE", std::string("\0\0\0A\0\x01\xF6\x00", 8), u"A\U0001F600"},
    {"UTF-32LE", std::string("A\0\0\0\x00\xF6\x01\0", 8), u"A\U0001F600"},
    {"UCS-4BE", std::string("\0\0\0<", 4), u"<"},
    {"UCS-4LE", std::string("<\0\0\0", 4), u"<"},
    {"UTF-16BE", std::string("\0A\x30\x42", 4), u"A\u3042"},
    {"UTF-16", std::string("A\0\x42\x30", 4), u"A\u3042"},
    {"US-ASCII", "a\xE9", u"a?"},
    {"csUTF8", "\xE2\x82\xAC", u"\u20AC"},
};

class CharsetDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(CharsetDecodeTest, DecodesItsSample) {
  const DecodeCase& c = GetParam();
  const std::unique_ptr<TIdTextEncoding> codec = CreateCharsetEncoding(AsciiToText(c.name));
  const std::uint32_t codePage = CodePageOfCharset(AsciiToText(c.name));
  if (codec == nullptr && codePage != 0 && !IsValidCodePage(codePage))
    GTEST_SKIP() << "this system (Wine) has no code page " << codePage << " for " << c.name;
  ASSERT_NE(codec, nullptr) << c.name;
  EXPECT_EQ(Decode(*codec, c.bytes), c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Families, CharsetDecodeTest, testing::ValuesIn(kDecodeCases),
                         [](const testing::TestParamInfo<DecodeCase>& info) {
                           std::string n = info.param.name;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST(CharsetCodecTest, UnknownNamesHaveNoCodec) {
  for (const char16_t* name : {u"", u"x-no-such-charset", u"ISO-8859-12", u"windows-1252 "})
    EXPECT_EQ(CreateCharsetEncoding(name), nullptr) << TextToAscii(name);
}

TEST(CharsetCodecTest, EncodesWithQuestionMarkForWhatTheCodePageLacks) {
  const auto codec = CreateCharsetEncoding(u"windows-1252");
  ASSERT_NE(codec, nullptr);
  EXPECT_EQ(codec->GetBytes(u"\u20ACa\u4E00"), (std::vector<std::uint8_t>{0x80, 'a', '?'}));
  const auto sjis = CreateCharsetEncoding(u"shift_jis");
  ASSERT_NE(sjis, nullptr);
  EXPECT_EQ(sjis->GetBytes(u"\u3042"), (std::vector<std::uint8_t>{0x82, 0xA0}));
}

TEST(CharsetCodecTest, Utf32ReplacesWhatIsNoCharacterAndKeepsPairsWhole) {
  const auto be = CreateCharsetEncoding(u"UTF-32BE");
  ASSERT_NE(be, nullptr);
  // A surrogate, a value above U+10FFFF, then a unit cut short.
  EXPECT_EQ(Decode(*be, std::string("\0\0\xD8\0\0\x11\0\0\0\0", 10)), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(be->GetBytes(u"\U0001F600\xD800"),
            (std::vector<std::uint8_t>{0, 1, 0xF6, 0, 0, 0, 0, '?'}));
  const auto le = CreateCharsetEncoding(u"utf-32le");
  ASSERT_NE(le, nullptr);
  EXPECT_EQ(le->GetBytes(u"A"), (std::vector<std::uint8_t>{'A', 0, 0, 0}));
}

// What is no character of the code page decodes to U+FFFD, and decoding
// goes on behind it.
TEST(CharsetCodecTest, MalformedMultiByteInputDecodesToReplacementCharacters) {
  const auto sjis = CreateCharsetEncoding(u"Shift_JIS");
  ASSERT_NE(sjis, nullptr);
  EXPECT_EQ(Decode(*sjis, "ab\x82"), u"ab\uFFFD");  // a lead byte without its trail byte
  EXPECT_EQ(Decode(*sjis, "a\x82 b\x82\xA0"), u"a\uFFFD b\u3042");
  const auto big5 = CreateCharsetEncoding(u"Big5");
  ASSERT_NE(big5, nullptr);
  EXPECT_EQ(Decode(*big5, "\xA4\x40\xA4"), u"\u4E00\uFFFD");
}

}  // namespace
}  // namespace zorapi::platform

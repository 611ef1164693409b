// The table of charset names and code pages behind the charset codecs.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"
#include "http/response_charset.h"
#include "platform/code_page_names.h"

namespace zorapi::platform {
namespace {

struct NameCase {
  const char* name;
  std::uint32_t codePage;
};

// At least one name of every charset family the library must serve, in
// the letter case a reply may use.
const NameCase kRequired[] = {
    {"iso-8859-1", 28591}, {"ISO-8859-2", 28592}, {"ISO-8859-3", 28593}, {"ISO-8859-4", 28594},
    {"ISO-8859-5", 28595}, {"ISO-8859-6", 28596}, {"ISO-8859-7", 28597}, {"ISO-8859-8", 28598},
    {"ISO-8859-8-I", 38598}, {"ISO-8859-9", 28599}, {"ISO-8859-10", 28600}, {"ISO-8859-11", 874},
    {"ISO-8859-13", 28603}, {"ISO-8859-14", 28604}, {"ISO-8859-15", 28605}, {"ISO-8859-16", 28606},
    {"latin1", 28591}, {"ISO_8859-1:1987", 28591},
    {"windows-874", 874}, {"windows-1250", 1250}, {"windows-1251", 1251}, {"Windows-1252", 1252},
    {"windows-1253", 1253}, {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256},
    {"windows-1257", 1257}, {"windows-1258", 1258},
    {"KOI8-R", 20866}, {"koi8-u", 21866},
    {"Shift_JIS", 932}, {"shift_jis", 932}, {"MS_Kanji", 932}, {"EUC-JP", 20932}, {"ISO-2022-JP", 50220},
    {"GBK", 936}, {"GB2312", 936}, {"gb18030", 54936}, {"Big5", 950}, {"EUC-KR", 949},
    {"UTF-16", 1200}, {"UTF-16LE", 1200}, {"UTF-16BE", 1201},
    {"UTF-32", 12000}, {"UTF-32LE", 12000}, {"UTF-32BE", 12001}, {"UCS-4LE", 12000}, {"UCS-4BE", 12001},
    {"US-ASCII", 20127}, {"us-ascii", 20127}, {"UTF-8", 65001},
    {"IBM037", 37}, {"ebcdic-cp-us", 37}, {"IBM273", 20273}, {"IBM500", 500}, {"IBM1047", 1047},
    {"IBM01140", 1140}, {"IBM01148", 1148}, {"IBM1026", 1026},
    {"IBM437", 437}, {"IBM850", 850}, {"IBM866", 866},
};

class CodePageNamesTest : public testing::TestWithParam<NameCase> {};

TEST_P(CodePageNamesTest, NameGivesItsCodePage) {
  EXPECT_EQ(CodePageOfCharset(AsciiToText(GetParam().name)), GetParam().codePage) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Required, CodePageNamesTest, testing::ValuesIn(kRequired),
                         [](const testing::TestParamInfo<NameCase>& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n + "_" + std::to_string(info.index);
                         });

TEST(CodePageNamesTableTest, NamesAreUniqueIgnoringCaseAndCodePagesNonZero) {
  std::set<std::u16string> seen;
  for (const TCodePageName* row = CodePageNamesBegin(); row != CodePageNamesEnd(); ++row) {
    EXPECT_TRUE(seen.insert(UpperCase(row->Name)).second) << TextToAscii(row->Name) << " listed twice";
    EXPECT_NE(row->CodePage, 0u) << TextToAscii(row->Name);
  }
  EXPECT_GT(seen.size(), 250u);
}

TEST(CodePageNamesTableTest, UnknownAndNearMissNamesGiveZero) {
  for (const char16_t* name : {u"", u"x-unknown", u"ISO-8859-1 ", u" UTF-8", u"ISO-8859-12"}) {
    EXPECT_EQ(CodePageOfCharset(name), 0u) << TextToAscii(name);
  }
  EXPECT_EQ(CodePageOfCharset(std::u16string_view(u"UTF-8\0x", 7)), 0u);
}

// Every name of one code page gives the same codec, on every platform: a
// reply labelled with an alias reads as one labelled with the main name.
TEST(CodePageNamesTableTest, NamesOfOneCodePageDecodeAlike) {
  std::vector<std::uint8_t> sample;
  for (int b = 0; b < 256; ++b) sample.push_back(static_cast<std::uint8_t>(b));
  const std::vector<std::uint8_t> ascii = {'<', '?', 'x', 'm', 'l', ' ', 'A', '>', '\0', 'B', '\0', '\0'};
  sample.insert(sample.end(), ascii.begin(), ascii.end());

  std::map<std::uint32_t, std::pair<std::u16string, std::u16string>> first;  // code page: name, text
  for (const TCodePageName* row = CodePageNamesBegin(); row != CodePageNamesEnd(); ++row) {
    const std::u16string text = CharsetToTextCodec(row->Name)->GetString(sample.data(), sample.size());
    const auto [at, added] = first.emplace(row->CodePage, std::make_pair(std::u16string(row->Name), text));
    if (!added) {
      EXPECT_EQ(text, at->second.second) << TextToAscii(row->Name) << " and " << TextToAscii(at->second.first);
    }
  }
}

}  // namespace
}  // namespace zorapi::platform

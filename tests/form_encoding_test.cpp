// The form body: escaping of names and values, joining of lines, the
// content-type default and the ASCII body bytes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/exceptions.h"
#include "core/streams.h"
#include "http/form_encoding.h"

namespace zorapi {
namespace {

TStringList Lines(std::initializer_list<std::u16string> lines) {
  TStringList list;
  for (const auto& line : lines) list.Add(line);
  return list;
}

struct FormCase {
  std::vector<std::u16string> lines;
  std::u16string body;
};

class FormBodyTest : public testing::TestWithParam<FormCase> {};

TEST_P(FormBodyTest, EncodesAndJoins) {
  TStringList list;
  for (const auto& line : GetParam().lines) list.Add(line);
  EXPECT_EQ(EncodeFormFields(&list, nullptr, true), GetParam().body);
  EXPECT_EQ(EncodeFormFields(&list, &UTF8Encoding(), true), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormBodyTest,
    testing::Values(FormCase{{u"q=a b&c=d"}, u"q=a+b%26c%3Dd"}, FormCase{{u"word=\u00E9"}, u"word=%C3%A9"},
                    FormCase{{u"text=line1\r\nline2"}, u"text=line1%0D%0Aline2"},
                    FormCase{{u"x=~!'()"}, u"x=%7E%21%27%28%29"}, FormCase{{u"y=*-._"}, u"y=*-._"},
                    FormCase{{u"p=100%+?"}, u"p=100%25%2B%3F"}, FormCase{{u"e=\U0001F600"}, u"e=%F0%9F%98%80"},
                    FormCase{{u"hello world"}, u"hello+world"}, FormCase{{u"a==b"}, u"a=%3Db"},
                    FormCase{{u"a=1", u"b=x y"}, u"a=1&b=x+y"}, FormCase{{u"a=1", u"", u"b=2"}, u"a=1&&b=2"},
                    FormCase{{}, u""},
                    // Empty names and values stay empty.
                    FormCase{{u"=v"}, u"=v"}, FormCase{{u"k="}, u"k="}, FormCase{{u"="}, u"="},
                    // Empty lines at either end vanish without a separator.
                    FormCase{{u"", u"a=1", u""}, u"a=1"},
                    // The four fields of a sign-in, in order.
                    FormCase{{u"action=authenticate", u"format=xml", u"username=J\u00F6rg", u"password=p&w d"},
                             u"action=authenticate&format=xml&username=J%C3%B6rg&password=p%26w+d"},
                    FormCase{{std::u16string(u"t=\u20AC\0x", 5)}, u"t=%E2%82%AC%00x"}));

TEST(FormBodyTest, NullListGivesEmptyText) {
  EXPECT_EQ(EncodeFormFields(nullptr, nullptr, true), u"");
  EXPECT_EQ(EncodeFormFields(nullptr, nullptr, false), u"");
}

TEST(FormBodyTest, WithoutForcedEncodingLinesAreJoinedAsTheyAre) {
  const TStringList list = Lines({u"a=\u00E9 b&c", u"d=%"});
  const std::u16string body = EncodeFormFields(&list, nullptr, false);
  EXPECT_EQ(body, u"a=\u00E9 b&c&d=%");
  TMemoryStream stream;
  WriteFormBody(body, stream);
  const std::string bytes(stream.Bytes().begin(), stream.Bytes().end());
  EXPECT_EQ(bytes, "a=? b&c&d=%");
}

struct CodecCase {
  const TIdTextEncoding* codec;
  std::u16string text;
  std::u16string encoded;
};

class FormUrlEncodeCodecTest : public testing::TestWithParam<CodecCase> {};

TEST_P(FormUrlEncodeCodecTest, EscapesBytesOrNumericReference) {
  EXPECT_EQ(FormUrlEncode(GetParam().text, GetParam().codec), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormUrlEncodeCodecTest,
    testing::Values(CodecCase{&EightBitEncoding(), u"\u00E9", u"%E9"},
                    // A character the codec cannot hold becomes a numeric reference.
                    CodecCase{&EightBitEncoding(), u"\u20AC", u"&#8364;"},
                    CodecCase{&ASCIIEncoding(), u"a \u00E9", u"a+&#233;"},
                    CodecCase{&ASCIIEncoding(), u"\U0001F600", u"&#128512;"},
                    // "?" itself is representable although its byte is the mark.
                    CodecCase{&ASCIIEncoding(), u"?", u"%3F"},
                    CodecCase{&UTF16LEEncoding(), u"~", u"%7E%00"},
                    // A byte 0x3F among the bytes counts as the mark.
                    CodecCase{&UTF16LEEncoding(), u"\u3F00", u"&#16128;"},
                    CodecCase{&UTF16BEEncoding(), u"\U0001F600", u"%D8%3D%DE%00"},
                    CodecCase{nullptr, u"", u""}));

struct SurrogateCase {
  std::u16string text;
  std::u16string message;
};

class FormUrlEncodeSurrogateTest : public testing::TestWithParam<SurrogateCase> {};

TEST_P(FormUrlEncodeSurrogateTest, RaisesWithOneBasedPosition) {
  try {
    FormUrlEncode(GetParam().text, nullptr);
    FAIL() << "no exception";
  } catch (const EArgumentException& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

const std::u16string kHigh = u"High surrogate char without a following low surrogate char at index: ";
const std::u16string kLow = u"Low surrogate char without a preceding high surrogate char at index: ";
const std::u16string kTail = u". Check that the string is encoded properly";

INSTANTIATE_TEST_SUITE_P(Table, FormUrlEncodeSurrogateTest,
                         testing::Values(SurrogateCase{u"ab\xD800", kHigh + u"3" + kTail},
                                         SurrogateCase{u"\xD800x", kHigh + u"1" + kTail},
                                         SurrogateCase{u"\xD800\xD800\xDC00", kHigh + u"1" + kTail},
                                         SurrogateCase{u"a\xDC00", kLow + u"2" + kTail},
                                         SurrogateCase{u"\xDC00\xD800", kLow + u"1" + kTail},
                                         SurrogateCase{u"\U0001F600\xDE00", kLow + u"3" + kTail}));

TEST(FormBodyTest, PositionsCountWithinTheValue) {
  const TStringList list = Lines({u"ok=1", u"name=ab\xDC00"});
  try {
    EncodeFormFields(&list, nullptr, true);
    FAIL() << "no exception";
  } catch (const EArgumentException& e) {
    EXPECT_EQ(e.Message(), kLow + u"3" + kTail);
  }
}

struct JoinCase {
  std::vector<std::u16string> lines;
  std::u16string joined;
};

class JoinFormLinesTest : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinFormLinesTest, Joins) {
  TStringList list;
  for (const auto& line : GetParam().lines) list.Add(line);
  EXPECT_EQ(JoinFormLines(list), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(Table, JoinFormLinesTest,
                         testing::Values(JoinCase{{}, u""}, JoinCase{{u" a "}, u"a"},
                                         // One line: a line break inside it stays.
                                         JoinCase{{u"x\r\ny"}, u"x\r\ny"},
                                         JoinCase{{u"x\r\ny", u"z"}, u"x&y&z"},
                                         JoinCase{{u"a", u"", u"b"}, u"a&&b"},
                                         JoinCase{{u"", u"", u"a"}, u"a"}));

struct ContentTypeCase {
  std::u16string contentType;
  bool replaced;
};

class FormContentTypeTest : public testing::TestWithParam<ContentTypeCase> {};

TEST_P(FormContentTypeTest, DefaultsOnlyEmptyAndHtml) {
  EXPECT_EQ(NeedsFormContentType(GetParam().contentType), GetParam().replaced)
      << testing::PrintToString(GetParam().contentType);
}

INSTANTIATE_TEST_SUITE_P(Table, FormContentTypeTest,
                         testing::Values(ContentTypeCase{u"", true}, ContentTypeCase{u"text/html", true},
                                         ContentTypeCase{u"TEXT/HTML; level=1", true},
                                         ContentTypeCase{u" text/html-sandboxed ;x", true},
                                         ContentTypeCase{u"application/json", false},
                                         ContentTypeCase{u"text/htmlx", false},
                                         ContentTypeCase{u"application/x-www-form-urlencoded", false},
                                         ContentTypeCase{u" ", false}));

TEST(FormBodyTest, BodyBytesAreAscii) {
  TMemoryStream stream;
  WriteFormBody(u"", stream);
  EXPECT_EQ(stream.Size(), 0);
  WriteFormBody(u"format=xml&text=hello+world", stream);
  EXPECT_EQ(stream.Size(), 27);
  EXPECT_EQ(kFormUrlEncodedContentType, u"application/x-www-form-urlencoded");
}

}  // namespace
}  // namespace zorapi

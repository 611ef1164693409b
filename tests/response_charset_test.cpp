// XML media types, the charset an XML body declares, charset codecs and the
// decoding of a body stream.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/streams.h"
#include "core/text.h"
#include "http/header_records.h"
#include "http/response_charset.h"
#include "platform/codepage.h"

namespace zorapi {
namespace {

using Bytes = std::string;

TMemoryStream StreamOf(const Bytes& ABytes) {
  TMemoryStream stream;
  stream.Write(ABytes.data(), ABytes.size());
  stream.SetPosition(0);
  return stream;
}

// Each character of AText in a unit of AUnitSize bytes, the character's
// byte at AByteIndex and zero elsewhere.
Bytes Spread(std::string_view AText, int AUnitSize, int AByteIndex) {
  Bytes out;
  for (char c : AText) {
    Bytes unit(static_cast<std::size_t>(AUnitSize), '\0');
    unit[static_cast<std::size_t>(AByteIndex)] = c;
    out += unit;
  }
  return out;
}

// ASCII text in EBCDIC code page 037, for the characters a declaration uses.
Bytes Ebcdic(std::string_view AText) {
  Bytes out;
  for (char c : AText) {
    unsigned char b = 0x3F;
    if (c >= 'a' && c <= 'i') b = 0x81 + (c - 'a');
    else if (c >= 'j' && c <= 'r') b = 0x91 + (c - 'j');
    else if (c >= 's' && c <= 'z') b = 0xA2 + (c - 's');
    else if (c >= 'A' && c <= 'I') b = 0xC1 + (c - 'A');
    else if (c >= 'J' && c <= 'R') b = 0xD1 + (c - 'J');
    else if (c >= 'S' && c <= 'Z') b = 0xE2 + (c - 'S');
    else if (c >= '0' && c <= '9') b = 0xF0 + (c - '0');
    else if (c == ' ') b = 0x40;
    else if (c == '.') b = 0x4B;
    else if (c == '<') b = 0x4C;
    else if (c == '-') b = 0x60;
    else if (c == '_') b = 0x6D;
    else if (c == '>') b = 0x6E;
    else if (c == '?') b = 0x6F;
    else if (c == '\'') b = 0x7D;
    else if (c == '=') b = 0x7E;
    else if (c == '"') b = 0x7F;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

// --- XML media types ---------------------------------------------------------

TEST(IsXmlMediaTypeTest, Table) {
  for (const char16_t* yes : {u"application/xml", u"Application/XML; charset=utf-8", u" application/xml-dtd ",
                              u"application/xml-external-parsed-entity", u"application/atom+xml",
                              u"image/svg+XML"})
    EXPECT_TRUE(IsXmlMediaType(yes)) << TextToAscii(yes);
  for (const char16_t* no : {u"text/xml", u"text/xml; charset=utf-8", u"text/vnd.x+xml", u"text/html", u"",
                             u"application/json", u"foo+xml", u"application/xmlx", u"application/+xmlx"})
    EXPECT_FALSE(IsXmlMediaType(no)) << TextToAscii(no);

  TIdResponseHeaderInfo response(nullptr);
  response.SetContentType(u"application/xml; charset=utf-8");
  EXPECT_TRUE(IsXmlMediaType(response));
  response.SetContentType(u"text/xml; charset=utf-8");
  EXPECT_FALSE(IsXmlMediaType(response));
}

// --- the charset an XML body declares ----------------------------------------

struct XmlCase {
  const char* name;
  Bytes body;
  std::u16string charset;
  std::int64_t position;  // where the stream is left, starting from 0
};

void PrintTo(const XmlCase& c, std::ostream* os) { *os << c.name; }

class XmlDeclaredCharsetTest : public testing::TestWithParam<XmlCase> {};

TEST_P(XmlDeclaredCharsetTest, Detects) {
  TMemoryStream stream = StreamOf(GetParam().body);
  EXPECT_EQ(XmlDeclaredCharset(stream), GetParam().charset);
  EXPECT_EQ(stream.Position(), GetParam().position);
}

constexpr std::string_view kDecl = "<?xml version=\"1.0\" encoding=\"X-NAME\"?><r/>";

INSTANTIATE_TEST_SUITE_P(
    ByteOrderMarks, XmlDeclaredCharsetTest,
    testing::Values(XmlCase{"Ucs4BE", Bytes("\x00\x00\xFE\xFF", 4) + Spread("<r/>", 4, 3), u"UCS-4BE", 4},
                    XmlCase{"Ucs4Order2143", Bytes("\x00\x00\xFF\xFE", 4) + "<r/>", u"", 4},
                    XmlCase{"Ucs4LE", Bytes("\xFF\xFE\x00\x00", 4) + Spread("<r/>", 4, 0), u"UCS-4LE", 4},
                    XmlCase{"Ucs4Order3412", Bytes("\xFE\xFF\x00\x00", 4) + "<r/>", u"", 4},
                    XmlCase{"Utf16BE", Bytes("\xFE\xFF", 2) + Spread("<r/>", 2, 1), u"UTF-16BE", 2},
                    XmlCase{"Utf16LE", Bytes("\xFF\xFE", 2) + Spread("<r/>", 2, 0), u"UTF-16LE", 2},
                    XmlCase{"Utf8", "\xEF\xBB\xBF<r/>", u"UTF-8", 3},
                    XmlCase{"Utf8MarkOnly", "\xEF\xBB\xBF", u"UTF-8", 3},
                    // Three bytes read as if a zero followed; a four-byte mark must not match them,
                    // or the stream is left past its end.
                    XmlCase{"ThreeBytesAreNotUcs4Order3412", Bytes("\xFE\xFF\x00", 3), u"UTF-16BE", 2},
                    XmlCase{"ThreeBytesAreNotUcs4LE", Bytes("\xFF\xFE\x00", 3), u"UTF-16LE", 2},
                    // The mark wins over a declaration naming something else.
                    XmlCase{"Utf8MarkBeforeDeclaration",
                            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", u"UTF-8", 3}));

INSTANTIATE_TEST_SUITE_P(
    Declarations, XmlDeclaredCharsetTest,
    testing::Values(XmlCase{"Ucs4Order1234", Spread(kDecl, 4, 3), u"X-NAME", 0},
                    XmlCase{"Ucs4Order2143", Spread(kDecl, 4, 2), u"X-NAME", 0},
                    XmlCase{"Ucs4Order4321", Spread(kDecl, 4, 0), u"X-NAME", 0},
                    XmlCase{"Ucs4Order3412", Spread(kDecl, 4, 1), u"X-NAME", 0},
                    XmlCase{"Utf16BE", Spread("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", 2, 1), u"UTF-16",
                            0},
                    XmlCase{"Utf16LE", Spread("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", 2, 0), u"UTF-16",
                            0},
                    XmlCase{"Ascii", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>", u"ISO-8859-1", 0},
                    XmlCase{"AsciiApostrophes", "<?xml version='1.0' encoding='ISO-8859-1'?>", u"ISO-8859-1", 0},
                    XmlCase{"AsciiSpacedEquals", "<?xml encoding \t=\r\n 'a b' ?>", u"a b", 0},
                    XmlCase{"Ebcdic", Ebcdic("<?xml version=\"1.0\" encoding=\"IBM037\"?><r/>"), u"IBM037", 0}));

INSTANTIATE_TEST_SUITE_P(
    Nothing, XmlDeclaredCharsetTest,
    testing::Values(XmlCase{"Empty", "", u"", 0}, XmlCase{"TwoBytes", "\xEF\xBB", u"", 0},
                    XmlCase{"ThreeBytesNoMark", "<?x", u"", 0},
                    XmlCase{"NoEncoding", "<?xml version=\"1.0\"?><r encoding=\"x\"/>", u"", 0},
                    XmlCase{"NoDeclaration", "<root encoding=\"x\"/>", u"", 0},
                    XmlCase{"UpperCaseWord", "<?xml ENCODING=\"x\"?>", u"", 0},
                    XmlCase{"NoEquals", "<?xml encoding \"x\"?>", u"", 0},
                    XmlCase{"UnquotedValue", "<?xml encoding=x?>", u"", 0},
                    XmlCase{"NothingAfterEquals", "<?xml encoding=", u"", 0},
                    XmlCase{"UnclosedDeclaration", "<?xml encoding=\"x\"", u"", 0},
                    XmlCase{"UnclosedQuote", "<?xml encoding=\"abc>", u"abc>", 0},
                    XmlCase{"Utf16OddLength", Spread("<?xml encoding='u'", 2, 0) + "?", u"", 0}));

TEST(XmlDeclaredCharsetStreamTest, PositionIsRestoredOrMovedPastTheMark) {
  TMemoryStream plain = StreamOf("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
  plain.SetPosition(7);
  EXPECT_EQ(XmlDeclaredCharset(plain), u"ISO-8859-1");
  EXPECT_EQ(plain.Position(), 7);

  TMemoryStream marked = StreamOf("\xEF\xBB\xBFxyz");
  marked.SetPosition(1);
  EXPECT_EQ(XmlDeclaredCharset(marked), u"UTF-8");
  EXPECT_EQ(marked.Position(), 4);
}

// --- codecs ------------------------------------------------------------------

struct DecodeCase {
  std::u16string charset;
  Bytes bytes;
  std::u16string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << '"' << TextToAscii(c.charset) << '"'; }

class DecodeStreamTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeStreamTest, Decodes) {
  TMemoryStream stream = StreamOf(GetParam().bytes);
  EXPECT_EQ(DecodeStreamAsCharset(stream, GetParam().charset), GetParam().text);
  EXPECT_EQ(stream.Position(), stream.Size());
}

INSTANTIATE_TEST_SUITE_P(
    BuiltIn, DecodeStreamTest,
    testing::Values(DecodeCase{u"", "a\xE9\x80", u"a\u00E9\u0080"},
                    DecodeCase{u"US-ASCII", "a\xE9", u"a?"}, DecodeCase{u"us-ascii", "\x7F\x80", u"\x7F?"},
                    DecodeCase{u"ANSI_X3.4-1968", "\xFF", u"?"},
                    DecodeCase{u"UTF-8", "\xC3\xA9", u"\u00E9"}, DecodeCase{u"utf-8", "a\xFF" "b", u"a\uFFFDb"},
                    DecodeCase{u"UTF-8", "\xF0\x9F\x98\x80", u"\U0001F600"},
                    DecodeCase{u"UTF-16", Bytes("A\0\xE9\0", 4), u"A\u00E9"},
                    DecodeCase{u"utf-16le", Bytes("A\0", 2), u"A"},
                    DecodeCase{u"UTF-16BE", Bytes("\0A\x04\x10", 4), u"A\u0410"}));

INSTANTIATE_TEST_SUITE_P(
    Platform, DecodeStreamTest,
    testing::Values(DecodeCase{u"ISO-8859-1", "\xE9", u"\u00E9"},
                    DecodeCase{u"windows-1251", "\xC0\xFF", u"\u0410\u044F"},
                    DecodeCase{u"KOI8-R", "\xE1", u"\u0410"},
                    DecodeCase{u"IBM037", Ebcdic("Hello"), u"Hello"},
                    DecodeCase{u"Shift_JIS", "\x82\xA0", u"\u3042"},
                    DecodeCase{u"UCS-4BE", Bytes("\0\x01\xF6\0", 4), u"\U0001F600"},
                    // A cut-off multi-byte sequence ends in one replacement character.
                    DecodeCase{u"Shift_JIS", "a\x82", u"a\uFFFD"}));

// Names of the charset table decode as their code page does, whatever the
// platform's converter makes of the name itself.
INSTANTIATE_TEST_SUITE_P(
    TableNames, DecodeStreamTest,
    testing::Values(DecodeCase{u"UCS-4", Bytes("A\0\0\0", 4), u"A"},
                    DecodeCase{u"ISO-10646-UCS-4", Bytes("A\0\0\0", 4), u"A"},
                    DecodeCase{u"csUCS4", Bytes("A\0\0\0", 4), u"A"},
                    DecodeCase{u"UTF-32", Bytes("A\0\0\0", 4), u"A"},
                    DecodeCase{u"csUTF32BE", Bytes("\0\0\0A", 4), u"A"},
                    DecodeCase{u"csUTF16LE", Bytes("A\0", 2), u"A"},
                    DecodeCase{u"csUTF16BE", Bytes("\0A", 2), u"A"},
                    DecodeCase{u"cswindows1251", "\xC0", u"\u0410"},
                    DecodeCase{u"KS_C_5601-1987", "\xB0\xA1", u"\uAC00"},
                    DecodeCase{u"korean", "\xB0\xA1", u"\uAC00"},
                    // GB2312 is read as code page 936, which also holds GBK.
                    DecodeCase{u"GB2312", "\x81\x40", u"\u4E02"},
                    DecodeCase{u"csGBK", "\x81\x40", u"\u4E02"},
                    // A unit that is no character stays one unit: the rest keeps in step.
                    DecodeCase{u"UTF-32LE", Bytes("\0\0\x11\0A\0\0\0", 8), u"\uFFFDA"},
                    DecodeCase{u"UCS-4BE", Bytes("\0\x11\0\0\0\0\0A", 8), u"\uFFFDA"},
                    DecodeCase{u"UTF-32LE", Bytes("A\0\0\0B\0", 6), u"A\uFFFD"}));

INSTANTIATE_TEST_SUITE_P(
    Unknown, DecodeStreamTest,
    testing::Values(DecodeCase{u"no-such-charset", "a\xE9", u"a\u00E9"},
                    DecodeCase{u"utf-8//TRANSLIT", "\xC3\xA9", u"\u00C3\u00A9"},
                    DecodeCase{u"UTF-8,ISO-8859-1", "\xC3\xA9", u"\u00C3\u00A9"},
                    DecodeCase{u" utf-8", "\xC3\xA9", u"\u00C3\u00A9"}));

TEST(DecodeStreamAsCharsetTest, DecodesFromTheCurrentPosition) {
  TMemoryStream stream = StreamOf("\xEF\xBB\xBF<a>\xC3\xA9</a>");
  const std::u16string charset = XmlDeclaredCharset(stream);
  EXPECT_EQ(charset, u"UTF-8");
  EXPECT_EQ(DecodeStreamAsCharset(stream, charset), u"<a>\u00E9</a>");

  TMemoryStream unusual = StreamOf(Bytes("\xFE\xFF\x00\x00xy", 6));
  EXPECT_EQ(XmlDeclaredCharset(unusual), u"");
  EXPECT_EQ(DecodeStreamAsCharset(unusual, u""), u"xy");

  TMemoryStream past = StreamOf("ab");
  past.SetPosition(5);
  EXPECT_EQ(DecodeStreamAsCharset(past, u"UTF-8"), u"");
}

TEST(DecodeStreamAsCharsetTest, Utf16DeclarationDecodesTheWholeBody) {
  const Bytes body = Spread("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>x</r>", 2, 0);
  TMemoryStream stream = StreamOf(body);
  const std::u16string charset = XmlDeclaredCharset(stream);
  EXPECT_EQ(DecodeStreamAsCharset(stream, charset), u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>x</r>");
}

TEST(CharsetToTextCodecTest, BuiltInCodecsAreShared) {
  EXPECT_EQ(CharsetToTextCodec(u"").get(), &EightBitEncoding());
  EXPECT_EQ(CharsetToTextCodec(u"Us-Ascii").get(), &ASCIIEncoding());
  EXPECT_EQ(CharsetToTextCodec(u"UTF-8").get(), &UTF8Encoding());
  EXPECT_EQ(CharsetToTextCodec(u"bogus").get(), &EightBitEncoding());
  const auto platform = CharsetToTextCodec(u"windows-1252");
  EXPECT_NE(platform.get(), &EightBitEncoding());
  EXPECT_EQ(platform->GetString(reinterpret_cast<const std::uint8_t*>("\x80"), 1), u"\u20AC");
}

TEST(CharsetEncodingTest, PlatformCodecEncodesToo) {
  EXPECT_EQ(platform::CreateCharsetEncoding(u"no-such-charset"), nullptr);
  EXPECT_EQ(platform::CreateCharsetEncoding(u""), nullptr);
  const auto codec = platform::CreateCharsetEncoding(u"windows-1251");
  ASSERT_NE(codec, nullptr);
  const std::vector<std::uint8_t> bytes = codec->GetBytes(u"A\u0410\u20AC\u4E00");
  // U+20AC is 0x88 in windows-1251; U+4E00 is not there and becomes "?".
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x41, 0xC0, 0x88, '?'}));
  EXPECT_EQ(codec->GetString(bytes.data(), bytes.size()), u"A\u0410\u20AC?");
}

}  // namespace
}  // namespace zorapi

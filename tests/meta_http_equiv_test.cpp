// The scan of an HTML body for meta elements that carry header values.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/streams.h"
#include "core/text.h"
#include "http/meta_http_equiv.h"

namespace zorapi {
namespace {

using Lines = std::vector<std::u16string>;

TMemoryStream StreamOf(std::string_view ABytes) {
  TMemoryStream stream;
  stream.Write(ABytes.data(), ABytes.size());
  return stream;
}

Lines Scan(std::string_view AHtml) {
  TMemoryStream stream = StreamOf(AHtml);
  TStringList lines;
  ParseMetaHTTPEquiv(stream, lines);
  EXPECT_EQ(stream.Position(), stream.Size());
  return lines.Lines();
}

struct MetaCase {
  const char* name;
  std::string html;
  Lines lines;
};

void PrintTo(const MetaCase& c, std::ostream* os) { *os << c.name; }

class MetaScanTest : public testing::TestWithParam<MetaCase> {};

TEST_P(MetaScanTest, Scans) { EXPECT_EQ(Scan(GetParam().html), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Table, MetaScanTest,
    testing::Values(
        MetaCase{"HttpEquivWithContent",
                 "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
                 "</head><body></body></html>",
                 {u"Content-Type: text/html; charset=windows-1251"}},
        MetaCase{"CharsetAttribute",
                 "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body></body></html>",
                 {u"Content-Type: text/html; charset=\"utf-8\""}},
        MetaCase{"CharsetUnquoted", "<html><head><meta charset=utf-8 /></head>",
                 {u"Content-Type: text/html; charset=\"utf-8\""}},
        MetaCase{"OtherFirstAttribute",
                 "<html><head><meta name=\"x\" http-equiv=\"refresh\" content=\"5\"></head></html>", {}},
        MetaCase{"InsideTitle",
                 "<html><head><title>a <meta http-equiv=\"X\" content=\"y\"> b</title></head></html>", {}},
        MetaCase{"AfterTitle",
                 "<html><head><title>t</title><meta http-equiv=\"X\" content=\"y\"></head></html>", {u"X: y"}},
        MetaCase{"InsideComment",
                 "<html><head><!-- <meta http-equiv=\"X\" content=\"y\"> --><meta http-equiv=\"A\" "
                 "content=\"b\"></head></html>",
                 {u"A: b"}},
        MetaCase{"CommentEndsAtLongerDashRun",
                 "<html><head><!-- x ---><meta http-equiv=\"A\" content=\"b\"></head></html>", {u"A: b"}},
        MetaCase{"UnclosedComment", "<html><head><!-- <meta http-equiv=\"X\" content=\"y\">", {}},
        MetaCase{"TitleBeforeHead",
                 "<html><title>t</title><head><meta http-equiv=\"X\" content=\"y\"></head></html>", {}},
        MetaCase{"BodyBeforeHead", "<html><body><head><meta http-equiv=\"X\" content=\"y\"></head></html>", {}},
        MetaCase{"NoHtmlElement", "<head><meta http-equiv=\"X\" content=\"y\"></head>", {}},
        MetaCase{"XmlDocument",
                 "<?xml version=\"1.0\"?><root><head><meta http-equiv=\"X\" content=\"y\"/></head></root>", {}},
        MetaCase{"InsideScript",
                 "<html><head><script>document.write('<meta http-equiv=\"X\" content=\"y\">');"
                 "if (a<b) {}</script><meta http-equiv=\"A\" content=\"b\"></head></html>",
                 {u"A: b"}},
        MetaCase{"LinkSkipped",
                 "<html><head><link rel=\"x\" href=\"<meta http-equiv=X content=y>\">"
                 "<meta http-equiv=\"A\" content=\"b\"></head>",
                 {u"A: b"}},
        MetaCase{"AfterHeadStillRead",
                 "<html><head></head><body><meta http-equiv=\"A\" content=\"b\"></body></html>", {u"A: b"}},
        MetaCase{"CaseAndWhiteSpace",
                 "<HTML>\r\n<HEAD>\n< META\tHTTP-EQUIV = 'Refresh' CONTENT = '5; url=/x' >\n</HEAD>",
                 {u"Refresh: 5; url=/x"}},
        MetaCase{"UnquotedValues", "<html><head><meta http-equiv=Refresh content=5></head>", {u"Refresh: 5"}},
        MetaCase{"EveryContentInOrder",
                 "<html><head><meta http-equiv=\"A\" content=\"1\" other=\"z\" content='2'/></head>",
                 {u"A: 1 2"}},
        MetaCase{"NoContent", "<html><head><meta http-equiv=\"X-Foo\"></head>", {u"X-Foo:"}},
        MetaCase{"HttpEquivWithoutValue", "<html><head><meta http-equiv content=\"y\"></head>", {}},
        MetaCase{"StrayCharacters",
                 "<html><head><meta http-equiv=\"A\" xml:lang=\"en\" \"junk content=\"b\"></head>", {u"A: b"}},
        MetaCase{"UnclosedQuoteTakesTheRest", "<html><head><meta http-equiv=\"A\" content=\"b c", {u"A: b c"}},
        MetaCase{"EndsInsideTheElement", "<html><head><meta http-equiv=\"A\" content", {u"A:"}},
        MetaCase{"TwoMetas",
                 "<html><head><meta http-equiv=\"A\" content=\"1\"><meta charset=\"x\"></head>",
                 {u"A: 1", u"Content-Type: text/html; charset=\"x\""}},
        MetaCase{"MetaBeforeHead",
                 "<html><meta http-equiv=\"X\" content=\"y\"><head></head></html>", {}},
        MetaCase{"ClosingTagsInHead",
                 "<html><head></x><meta http-equiv=\"A\" content=\"b\"></head>", {u"A: b"}},
        MetaCase{"ScriptWithOtherEndTag",
                 "<html><head><script>\"</b><meta http-equiv=X content=y>\"</script>"
                 "<meta http-equiv=A content=b></head>",
                 {u"A: b"}},
        MetaCase{"TitleWithInnerTags",
                 "<html><head><title>a</b><meta http-equiv=X content=y></title>"
                 "<meta http-equiv=A content=b></head>",
                 {u"A: b"}},
        MetaCase{"ProcessingInstructionBeforeHtml",
                 "<?xml version=\"1.0\"?><html><head><meta charset=x></head>",
                 {u"Content-Type: text/html; charset=\"x\""}},
        MetaCase{"CharsetWithoutEquals",
                 "<html><head><meta charset utf-8><meta http-equiv=A content=b></head>", {u"A: b"}},
        MetaCase{"EmptyMeta", "<html><head><meta><meta http-equiv=A content=b></head>", {u"A: b"}},
        MetaCase{"Latin1Bytes", "<html><head><meta http-equiv=\"A\" content=\"\xE9\"></head>", {u"A: \u00E9"}}));

TEST(MetaScanTest, EveryPrefixOfADocumentScansSafely) {
  const std::string html =
      "<!DOCTYPE html><html><head><!-- c --><title>t</title><script>x<y</script><link a=b>"
      "<meta http-equiv=\"A\" content=\"1\"><meta charset='u'><meta name=n></head><body></body></html>";
  for (std::size_t n = 0; n <= html.size(); ++n) Scan(std::string_view(html).substr(0, n));
  std::string noise;
  for (int i = 0; i < 2048; ++i) noise.push_back(static_cast<char>((i * 7919 + i / 3) & 0xFF));
  Scan("<html><head><meta http-equiv=" + noise);
  Scan("<html><head><meta " + noise);
}

TEST(MetaHTTPEquivRecordTest, ReadsTheFoundLinesIntoTheFields) {
  TIdMetaHTTPEquiv meta(nullptr);
  TMemoryStream stream = StreamOf(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
      "<meta http-equiv=\"Content-Language\" content=\"ru\"></head></html>");
  meta.ProcessMetaHTTPEquiv(stream);
  EXPECT_EQ(meta.RawHeaders().Count(), 2);
  EXPECT_EQ(meta.CharSet(), u"windows-1251");
  EXPECT_EQ(meta.ContentType(), u"text/html");
  EXPECT_EQ(meta.ContentLanguage(), u"ru");
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(MetaHTTPEquivRecordTest, CharsetAttributeSetsCharSet) {
  TIdMetaHTTPEquiv meta(nullptr);
  TMemoryStream stream = StreamOf("<html><head><meta charset=\"utf-8\"></head></html>");
  meta.ProcessMetaHTTPEquiv(stream);
  EXPECT_EQ(meta.CharSet(), u"utf-8");
}

TEST(MetaHTTPEquivRecordTest, NothingFoundLeavesTheFieldsAlone) {
  TIdMetaHTTPEquiv meta(nullptr);
  TMemoryStream stream = StreamOf("<?xml version=\"1.0\"?><html/>");
  stream.SetPosition(5);
  meta.ProcessMetaHTTPEquiv(stream);
  EXPECT_EQ(meta.RawHeaders().Count(), 0);
  EXPECT_EQ(meta.Date(), 0);  // reading the fields would have set it to now
  EXPECT_EQ(stream.Position(), stream.Size());
}

}  // namespace
}  // namespace zorapi

#include "http/meta_http_equiv.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace zorapi {
namespace {

// Where the scan stands in the document.
enum class TScanState {
  BeforeHtml,  // before the html element
  InHtml,      // inside html, before head
  InTitle,     // a title directly inside html: nothing more is recognised
  InHead,      // inside head: meta elements are read
  InBody,      // a body directly inside html: the scan stops
};

// Walks the body, read as 8-bit text, with one position.
class TMetaScanner {
 public:
  TMetaScanner(std::u16string_view AText, TStringList& AHeaders) : FText(AText), FHeaders(AHeaders) {}

  void Run() {
    while (FState != TScanState::InBody && FindNext(u'<')) {
      ++FPos;
      if (LooksAt(u"!--")) {
        SkipComment();
      } else {
        if (LooksAt(u"?") || LooksAt(u"!")) ++FPos;
        ReadElement();
      }
    }
  }

 private:
  static constexpr bool IsWhite(char16_t c) {
    return c == 0 || c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
  }
  static constexpr bool IsNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
  }

  bool AtEnd() const { return FPos >= FText.size(); }
  char16_t Current() const { return FText[FPos]; }
  bool LooksAt(std::u16string_view AWhat) const { return FText.substr(FPos, AWhat.size()) == AWhat; }

  // Moves to the next ACh at or after the position; false at the end.
  bool FindNext(char16_t ACh) {
    const std::size_t at = FText.find(ACh, FPos);
    FPos = at == std::u16string_view::npos ? FText.size() : at;
    return !AtEnd();
  }
  // Moves past the next ">" (to the end when there is none).
  void SkipTag() {
    if (FindNext(u'>')) ++FPos;
  }
  void SkipWhite() {
    while (!AtEnd() && IsWhite(Current())) ++FPos;
  }
  std::u16string_view ReadName() {
    const std::size_t start = FPos;
    while (!AtEnd() && IsNameChar(Current())) ++FPos;
    return FText.substr(start, FPos - start);
  }
  // A value in single or double quotes (to the end when not closed), or a
  // run of name characters.
  std::u16string_view ReadValue() {
    if (!AtEnd() && (Current() == u'"' || Current() == u'\'')) {
      const char16_t quote = Current();
      const std::size_t start = ++FPos;
      const std::size_t end = FText.find(quote, start);
      if (end == std::u16string_view::npos) {
        FPos = FText.size();
        return FText.substr(start);
      }
      FPos = end + 1;
      return FText.substr(start, end - start);
    }
    return ReadName();
  }

  void SkipComment() {
    FPos += 3;
    const std::size_t end = FText.find(u"-->", FPos);
    FPos = end == std::u16string_view::npos ? FText.size() : end + 3;
  }

  void ReadElement() {
    SkipWhite();
    const std::u16string_view name = ReadName();
    switch (FState) {
      case TScanState::BeforeHtml:
        SkipTag();
        if (SameText(name, u"HTML")) FState = TScanState::InHtml;
        break;
      case TScanState::InHtml:
        SkipTag();
        if (SameText(name, u"TITLE"))
          FState = TScanState::InTitle;
        else if (SameText(name, u"HEAD"))
          FState = TScanState::InHead;
        else if (SameText(name, u"BODY"))
          FState = TScanState::InBody;
        break;
      case TScanState::InTitle:
      case TScanState::InBody:
        break;
      case TScanState::InHead:
        if (SameText(name, u"META"))
          ReadMeta();
        else if (SameText(name, u"TITLE"))
          SkipContent(u"TITLE", true);
        else if (SameText(name, u"SCRIPT"))
          SkipContent(u"SCRIPT", false);
        else if (SameText(name, u"LINK"))
          SkipTag();
        break;
    }
  }

  // Skips an element's content up to its end tag; inner tags are skipped
  // to their ">" when ASkipInnerTags, otherwise only their "<" is passed.
  void SkipContent(std::u16string_view AEndTag, bool ASkipInnerTags) {
    SkipTag();
    while (FindNext(u'<')) {
      ++FPos;
      SkipWhite();
      if (!AtEnd() && Current() == u'/') {
        ++FPos;
        if (SameText(ReadName(), AEndTag)) {
          SkipTag();
          return;
        }
      }
      if (ASkipInnerTags) SkipTag();
    }
  }

  void ReadMeta() {
    SkipWhite();
    const std::u16string_view attribute = ReadName();
    if (SameText(attribute, u"HTTP-EQUIV")) {
      SkipWhite();
      if (AtEnd() || Current() != u'=') return;
      ++FPos;
      SkipWhite();
      std::u16string line(ReadValue());
      line += u':';
      ReadContentAttributes(line);
      FHeaders.Add(std::move(line));
    } else if (SameText(attribute, u"charset")) {
      SkipWhite();
      if (AtEnd() || Current() != u'=') return;
      ++FPos;
      SkipWhite();
      const std::u16string_view value = ReadValue();
      SkipTag();
      FHeaders.Add(u"Content-Type: text/html; charset=\"" + std::u16string(value) + u"\"");
    } else {
      SkipTag();
    }
  }

  // The attributes after http-equiv, up to ">" or the end: each "content"
  // value is added to the line.
  void ReadContentAttributes(std::u16string& VLine) {
    while (true) {
      SkipWhite();
      if (AtEnd()) return;
      if (Current() == u'/') {
        ++FPos;
        continue;
      }
      if (Current() == u'>') {
        ++FPos;
        return;
      }
      const std::size_t before = FPos;
      const std::u16string_view name = ReadName();
      // White space may stand before "=", as in any HTML attribute; without
      // this a spaced content="..." would be read as a nameless attribute.
      SkipWhite();
      if (!AtEnd() && Current() == u'=') {
        ++FPos;
        SkipWhite();
        const std::u16string_view value = ReadValue();
        if (SameText(name, u"CONTENT")) {
          VLine += u' ';
          VLine += value;
        }
      } else if (FPos == before) {
        // A character no attribute can hold (a stray quote, a prefix ":"):
        // step over it.
        ++FPos;
      }
    }
  }

  std::u16string_view FText;
  TStringList& FHeaders;
  std::size_t FPos = 0;
  TScanState FState = TScanState::BeforeHtml;
};

}  // namespace

void ParseMetaHTTPEquiv(TStream& AStream, TStringList& AHeaders) {
  AStream.SetPosition(0);
  std::vector<std::uint8_t> bytes;
  const std::int64_t size = AStream.Size();
  if (size > 0) bytes.resize(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::size_t n = AStream.Read(bytes.data() + got, bytes.size() - got);
    if (n == 0) break;
    got += n;
  }
  const std::u16string text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(got));
  TMetaScanner(text, AHeaders).Run();
}

void TIdMetaHTTPEquiv::ProcessMetaHTTPEquiv(TStream& AStream) {
  ParseMetaHTTPEquiv(AStream, FRawHeaders);
  if (FRawHeaders.Count() > 0) TIdEntityHeaderInfo::ReadHeaders();
}

}  // namespace zorapi

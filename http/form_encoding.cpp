#include "http/form_encoding.h"

#include <vector>

#include "core/exceptions.h"
#include "core/text.h"

namespace zorapi {
namespace {

bool IsSafeChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'*' || c == u'-' || c == u'.' || c == u'_';
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

[[noreturn]] void RaiseSurrogateError(bool high, std::size_t index) {
  std::u16string message = high ? u"High surrogate char without a following low surrogate char at index: "
                                : u"Low surrogate char without a preceding high surrogate char at index: ";
  message += IntToText(static_cast<std::int64_t>(index + 1));
  message += u". Check that the string is encoded properly";
  throw EArgumentException(std::move(message));
}

void AppendPercentEscapes(const std::vector<std::uint8_t>& bytes, std::u16string& out) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  for (std::uint8_t b : bytes) {
    out += u'%';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
}

bool Representable(std::u16string_view character, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return false;
  if (character == u"?") return true;
  for (std::uint8_t b : bytes)
    if (b == '?') return false;
  return true;
}

std::u16string_view MediaTypeOf(std::u16string_view contentType) {
  return TrimView(contentType.substr(0, contentType.find(u';')));
}

}  // namespace

std::u16string FormUrlEncode(std::u16string_view AText, const TIdTextEncoding* AByteEncoding) {
  std::u16string out;
  if (AText.empty()) return out;
  const TIdTextEncoding& encoding = AByteEncoding ? *AByteEncoding : UTF8Encoding();
  out.reserve(AText.size());
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (c == u' ') {
      out += u'+';
      continue;
    }
    if (IsSafeChar(c)) {
      // A run of such characters is taken whole.
      std::size_t end = i + 1;
      while (end < AText.size() && IsSafeChar(AText[end])) ++end;
      out.append(AText.substr(i, end - i));
      i = end - 1;
      continue;
    }
    std::size_t units = 1;
    char32_t codePoint = c;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= AText.size() || !IsLowSurrogate(AText[i + 1])) RaiseSurrogateError(true, i);
      units = 2;
      codePoint = 0x10000 + (static_cast<char32_t>(c - 0xD800) << 10) + (AText[i + 1] - 0xDC00);
    } else if (IsLowSurrogate(c)) {
      RaiseSurrogateError(false, i);
    }
    const std::u16string_view character = AText.substr(i, units);
    bytes.clear();
    encoding.GetBytes(character, bytes);
    if (Representable(character, bytes)) {
      AppendPercentEscapes(bytes, out);
    } else {
      out += u"&#";
      out += UIntToText(codePoint);
      out += u';';
    }
    i += units - 1;
  }
  return out;
}

std::u16string JoinFormLines(const TStringList& AList) {
  std::size_t length = 0;
  for (const std::u16string& line : AList.Lines()) length += line.size() + 2;
  std::u16string joined;
  joined.reserve(length);
  for (const std::u16string& line : AList.Lines()) {
    joined += line;
    joined += u"\r\n";
  }
  const std::u16string_view trimmed = TrimView(joined);
  if (AList.Count() < 2) return std::u16string(trimmed);

  // Every CR LF becomes "&"; the text between them is copied whole.
  std::u16string out;
  out.reserve(trimmed.size());
  std::size_t from = 0;
  for (std::size_t at; (at = trimmed.find(u"\r\n", from)) != std::u16string_view::npos; from = at + 2) {
    out.append(trimmed.substr(from, at - from));
    out += u'&';
  }
  out.append(trimmed.substr(from));
  return out;
}

std::u16string EncodeFormFields(const TStringList* ASource, const TIdTextEncoding* AByteEncoding,
                                bool AForceEncodeParams) {
  if (!ASource) return {};
  if (!AForceEncodeParams) return JoinFormLines(*ASource);

  TStringList encoded;
  for (const std::u16string& line : ASource->Lines()) {
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) {
      encoded.Add(FormUrlEncode(line, AByteEncoding));
      continue;
    }
    const std::u16string_view view(line);
    std::u16string field = FormUrlEncode(view.substr(0, eq), AByteEncoding);
    field += u'=';
    field += FormUrlEncode(view.substr(eq + 1), AByteEncoding);
    encoded.Add(std::move(field));
  }
  return JoinFormLines(encoded);
}

bool NeedsFormContentType(std::u16string_view AContentType) {
  if (AContentType.empty()) return true;
  const std::u16string_view mediaType = MediaTypeOf(AContentType);
  return SameText(mediaType, u"text/html") || SameText(mediaType, u"text/html-sandboxed");
}

void WriteFormBody(std::u16string_view ABodyText, TStream& ABody) {
  if (ABodyText.empty()) return;
  const std::vector<std::uint8_t> bytes = ASCIIEncoding().GetBytes(ABodyText);
  ABody.Write(bytes.data(), bytes.size());
}

}  // namespace zorapi

// FormUrlEncode over arbitrary UTF-16 (lone surrogates and NULs included)
// in each byte encoding the client may be given, and the field list
// encoding built on it. The first byte picks the encoding; the rest are
// UTF-16 code units. Reading the escapes back with the same encoding must
// give the text again, and a lone surrogate must raise and nothing else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "core/text_encoding.h"
#include "http/form_encoding.h"
#include "http/response_charset.h"
#include "fuzz_input.h"

namespace zorapi::fuzz {
namespace {

bool HasLoneSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// The escaped form read back: "+" is a space, runs of "%XX" are bytes of
// AEncoding, "&#N;" is code point N, anything else stands for itself.
std::u16string Unescape(std::u16string_view AEscaped, const TIdTextEncoding& AEncoding) {
  std::u16string out;
  std::vector<std::uint8_t> bytes;
  auto flush = [&] {
    out += AEncoding.GetString(bytes.data(), bytes.size());
    bytes.clear();
  };
  for (std::size_t i = 0; i < AEscaped.size(); ++i) {
    const char16_t c = AEscaped[i];
    Check(c > u' ' && c < 0x7F, "the escaped form is not printable ASCII");
    if (c == u'%') {
      const int hi = i + 1 < AEscaped.size() ? HexDigit(AEscaped[i + 1]) : -1;
      const int lo = i + 2 < AEscaped.size() ? HexDigit(AEscaped[i + 2]) : -1;
      Check(hi >= 0 && lo >= 0, "a malformed escape");
      bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
      i += 2;
      continue;
    }
    flush();
    if (c == u'+') {
      out += u' ';
    } else if (c == u'&' && i + 1 < AEscaped.size() && AEscaped[i + 1] == u'#') {
      const std::size_t end = AEscaped.find(u';', i);
      Check(end != std::u16string_view::npos, "an unterminated character reference");
      char32_t cp = 0;
      for (std::size_t j = i + 2; j < end; ++j) {
        Check(AEscaped[j] >= u'0' && AEscaped[j] <= u'9' && cp < 0x110000, "a bad character reference");
        cp = cp * 10 + (AEscaped[j] - u'0');
      }
      AppendCodePoint(cp, out);
      i = end;
    } else {
      out += c;
    }
  }
  flush();
  return out;
}

const TIdTextEncoding* EncodingOf(std::uint8_t selector, std::shared_ptr<const TIdTextEncoding>& holder) {
  switch (selector % 6) {
    case 0: return nullptr;  // UTF-8
    case 1: return &ASCIIEncoding();
    case 2: return &EightBitEncoding();
    case 3: return &UTF16LEEncoding();
    case 4: return &UTF16BEEncoding();
    default:
      holder = CharsetToTextCodec(u"windows-1251");
      return holder.get();
  }
}

}  // namespace
}  // namespace zorapi::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  if (size == 0) return 0;
  std::shared_ptr<const TIdTextEncoding> holder;
  const TIdTextEncoding* encoding = EncodingOf(data[0], holder);
  const std::u16string text = Utf16Of(BytesOf(data + 1, size - 1));
  const bool lone = HasLoneSurrogate(text);

  try {
    const std::u16string escaped = FormUrlEncode(text, encoding);
    Check(!lone, "a lone surrogate was escaped");
    Check(Unescape(escaped, encoding ? *encoding : UTF8Encoding()) == text, "the escapes do not give the text back");
  } catch (const EArgumentException&) {
    Check(lone, "raised without a lone surrogate");
  }

  // The same units as field lines, with and without escaping each half.
  TStringList fields;
  fields.SetText(text);
  for (const bool force : {false, true}) {
    try {
      const std::u16string body = EncodeFormFields(&fields, encoding, force);
      TMemoryStream stream;
      WriteFormBody(body, stream);
      Check(stream.Size() == static_cast<std::int64_t>(body.size()), "the body is not one byte per unit");
    } catch (const EArgumentException&) {
      Check(force && lone, "field lines raised without escaping a lone surrogate");
    }
  }
  return 0;
}

#include "core/utf8.h"

namespace zorapi {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Length of the well-formed sequence starting at bytes[i], or the length of
// its maximal ill-formed subpart as a negative number (at least -1).
// Follows the well-formedness table of the Unicode Standard (Table 3-7).
int SequenceAt(const std::uint8_t* b, std::size_t n, std::size_t i, char32_t& cp) {
  const std::uint8_t lead = b[i];
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  int length;
  std::uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k < length; ++k) {
    if (i + k >= n) return -k;
    const std::uint8_t c = b[i + k];
    const std::uint8_t low = k == 1 ? lo : 0x80;
    const std::uint8_t high = k == 1 ? hi : 0xBF;
    if (c < low || c > high) return -k;
    cp = (cp << 6) | (c & 0x3F);
  }
  return length;
}

}  // namespace

std::optional<std::u16string> DecodeUtf8Strict(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out;
  out.reserve(count);
  std::size_t i = 0;
  while (i < count) {
    // ASCII runs are the common case of a reply; copy them whole, without
    // the table.
    if (bytes[i] < 0x80) {
      std::size_t end = i + 1;
      while (end < count && bytes[end] < 0x80) ++end;
      const std::size_t at = out.size();
      out.resize(at + (end - i));
      for (char16_t* p = out.data() + at; i < end; ++i) *p++ = bytes[i];
      continue;
    }
    char32_t cp;
    const int len = SequenceAt(bytes, count, i, cp);
    if (len < 0) return std::nullopt;
    AppendCodePoint(cp, out);
    i += static_cast<std::size_t>(len);
  }
  return out;
}

std::u16string DecodeUtf8Lenient(const std::uint8_t* bytes, std::size_t count) {
  std::u16string out;
  out.reserve(count);
  std::size_t i = 0;
  while (i < count) {
    char32_t cp;
    const int len = SequenceAt(bytes, count, i, cp);
    if (len < 0) {
      out.push_back(kReplacement);
      i += static_cast<std::size_t>(-len);
    } else {
      AppendCodePoint(cp, out);
      i += static_cast<std::size_t>(len);
    }
  }
  return out;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(cp, out);
  }
  return out;
}

}  // namespace zorapi

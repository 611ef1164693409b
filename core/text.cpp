#include "core/text.h"

#include <limits>

namespace zorapi {
namespace {

constexpr bool IsBlank(char16_t c) { return c <= 0x20; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::u16string_view TrimView(std::u16string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::u16string Trim(std::u16string_view text) { return std::u16string(TrimView(text)); }

std::u16string TrimLeft(std::u16string_view text) {
  std::size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  return std::u16string(text.substr(b));
}

std::u16string TrimRight(std::u16string_view text) {
  std::size_t e = text.size();
  while (e > 0 && IsBlank(text[e - 1])) --e;
  return std::u16string(text.substr(0, e));
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

bool StartsText(std::u16string_view prefix, std::u16string_view text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

bool EndsText(std::u16string_view suffix, std::u16string_view text) {
  return text.size() >= suffix.size() && SameText(suffix, text.substr(text.size() - suffix.size()));
}

std::size_t FindText(std::u16string_view needle, std::u16string_view haystack, std::size_t from) {
  if (needle.size() > haystack.size()) return std::u16string_view::npos;
  for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i)
    if (SameText(needle, haystack.substr(i, needle.size()))) return i;
  return std::u16string_view::npos;
}

std::u16string UIntToText(std::uint64_t value) {
  char16_t buf[24];
  std::size_t n = 0;
  do {
    buf[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::u16string out;
  out.reserve(n);
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

std::u16string IntToText(std::int64_t value) {
  if (value >= 0) return UIntToText(static_cast<std::uint64_t>(value));
  // Negate in unsigned arithmetic so that the smallest value survives.
  std::u16string text = UIntToText(0 - static_cast<std::uint64_t>(value));
  text.insert(text.begin(), u'-');  // not "-" + text, which GCC 12 at -O3 misreads as an overlapping copy
  return text;
}

std::u16string AsciiToText(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (unsigned char c : ascii) out.push_back(c);
  return out;
}

std::string TextToAscii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

bool TryTextToInt(std::u16string_view text, int bits, std::int64_t& value) {
  std::u16string_view s = TrimView(text);
  bool negative = false;
  if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
    negative = s[0] == u'-';
    s.remove_prefix(1);
  }
  bool hex = false;
  if (!s.empty() && (s[0] == u'$' || s[0] == u'x' || s[0] == u'X')) {
    hex = true;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == u'0' && s[1] == u'x') {
    hex = true;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;

  const std::uint64_t fullMask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  std::uint64_t magnitude = 0;
  if (hex) {
    for (char16_t c : s) {
      const int d = HexValue(c);
      if (d < 0) return false;
      if (magnitude > (fullMask >> 4)) return false;  // more than the target's width
      magnitude = (magnitude << 4) | static_cast<std::uint64_t>(d);
    }
    // The pattern is taken as two's complement of the target width.
    std::int64_t v;
    if (bits < 64 && (magnitude >> (bits - 1)) & 1)
      v = static_cast<std::int64_t>(magnitude) - static_cast<std::int64_t>(fullMask) - 1;
    else
      v = static_cast<std::int64_t>(magnitude);
    value = negative ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(v)) : v;
    if (bits < 64) {
      // Keep the result inside the target, as a store into it would.
      const std::uint64_t pattern = static_cast<std::uint64_t>(value) & fullMask;
      value = (pattern >> (bits - 1)) & 1
                  ? static_cast<std::int64_t>(pattern) - static_cast<std::int64_t>(fullMask) - 1
                  : static_cast<std::int64_t>(pattern);
    }
    return true;
  }

  const std::uint64_t limit = (std::uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    const unsigned d = c - u'0';
    if (magnitude > (limit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace zorapi

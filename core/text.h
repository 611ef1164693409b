// Text helpers shared by every layer. Text is UTF-16 code units; positions,
// trimming and comparisons work per code unit, and "ignoring case" means
// ASCII letters only (the protocol words compared are ASCII).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace zorapi {

// Trimmed text: every code unit from U+0000 to U+0020 removed from the ends.
std::u16string Trim(std::u16string_view text);
std::u16string TrimLeft(std::u16string_view text);
std::u16string TrimRight(std::u16string_view text);
std::u16string_view TrimView(std::u16string_view text);

constexpr char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }
constexpr char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }
std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCase(std::u16string_view text);

bool SameText(std::u16string_view a, std::u16string_view b);
bool StartsText(std::u16string_view prefix, std::u16string_view text);
bool EndsText(std::u16string_view suffix, std::u16string_view text);
// Position of the first occurrence ignoring case, or npos.
std::size_t FindText(std::u16string_view needle, std::u16string_view haystack, std::size_t from = 0);

// Decimal text: no leading zeros, no plus sign, "-" before a negative value.
std::u16string IntToText(std::int64_t value);
std::u16string UIntToText(std::uint64_t value);

// ASCII text to UTF-16, one unit per byte (for literals and protocol words).
std::u16string AsciiToText(std::string_view ascii);
// UTF-16 to bytes for diagnostics: units below 0x80 kept, others "?".
std::string TextToAscii(std::u16string_view text);

// The shared integer conversion: the ends are trimmed of U+0000..U+0020, an
// optional sign follows, then decimal digits, or hexadecimal digits after
// "$", "x", "X" or "0x". Anything else, or a decimal value outside the
// target, fails; hexadecimal takes up to the full width, top bit as sign.
bool TryTextToInt(std::u16string_view text, int bits, std::int64_t& value);

template <class T>
T TextToIntDef(std::u16string_view text, T fallback) {
  static_assert(std::is_integral_v<T> && std::is_signed_v<T>);
  std::int64_t v;
  return TryTextToInt(text, sizeof(T) * 8, v) ? static_cast<T>(v) : fallback;
}

template <class T>
bool TryTextToInt(std::u16string_view text, T& value) {
  static_assert(std::is_integral_v<T> && std::is_signed_v<T>);
  std::int64_t v;
  if (!TryTextToInt(text, sizeof(T) * 8, v)) return false;
  value = static_cast<T>(v);
  return true;
}

}  // namespace zorapi

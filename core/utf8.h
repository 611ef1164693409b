// UTF-8 both ways: the strict decoder of reply texts, a lenient decoder that
// never fails, and the encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorapi {

// Decodes well-formed UTF-8 as the Unicode Standard defines it (no overlong
// forms, no surrogates, nothing above U+10FFFF). Returns nothing on the first
// ill-formed byte. A byte-order mark and NUL bytes are kept as characters.
std::optional<std::u16string> DecodeUtf8Strict(const std::uint8_t* bytes, std::size_t count);

// Decodes UTF-8, replacing each maximal ill-formed subpart by U+FFFD.
std::u16string DecodeUtf8Lenient(const std::uint8_t* bytes, std::size_t count);

// Appends the UTF-8 form of one code point (a lone surrogate becomes U+FFFD).
void AppendUtf8(char32_t codePoint, std::string& out);

// Encodes UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

}  // namespace zorapi

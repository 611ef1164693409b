// Text codecs: bytes to UTF-16 text and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorapi {

class TIdTextEncoding {
 public:
  virtual ~TIdTextEncoding() = default;
  // Appends the bytes of text to out.
  virtual void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const = 0;
  virtual std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const = 0;

  std::vector<std::uint8_t> GetBytes(std::u16string_view text) const {
    std::vector<std::uint8_t> out;
    GetBytes(text, out);
    return out;
  }
};

// A byte above 0x7F decodes to "?", a unit above U+007F encodes to "?".
const TIdTextEncoding& ASCIIEncoding();
// Byte n is character U+00nn, both ways (units above U+00FF encode to "?").
const TIdTextEncoding& EightBitEncoding();
// UTF-8; malformed input decodes to U+FFFD and never fails.
const TIdTextEncoding& UTF8Encoding();
const TIdTextEncoding& UTF16LEEncoding();
const TIdTextEncoding& UTF16BEEncoding();

}  // namespace zorapi

// Text codecs of the platform's character-set facility for charsets other
// than the ones the library decodes itself (8-bit, ASCII, UTF-8, UTF-16).
#pragma once

#include <memory>
#include <string_view>

#include "core/text_encoding.h"

namespace zorapi::platform {

// A codec for the charset named ACharset (an IANA name or alias, compared
// ignoring case), or null when the platform does not know the name or
// cannot make a codec for it; the caller then falls back to the 8-bit
// codec. The codec decodes malformed input with U+FFFD and never fails;
// characters it cannot encode become "?".
std::unique_ptr<TIdTextEncoding> CreateCharsetEncoding(std::u16string_view ACharset);

}  // namespace zorapi::platform

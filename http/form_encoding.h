// The "application/x-www-form-urlencoded" request body: per-character
// escaping, the joining of the field lines, and the content-type default.
#pragma once

#include <string>
#include <string_view>

#include "core/streams.h"
#include "core/string_list.h"
#include "core/text_encoding.h"

namespace zorapi {

inline constexpr std::u16string_view kFormUrlEncodedContentType = u"application/x-www-form-urlencoded";

// One name, value or line in its escaped form. Space becomes "+", the safe
// characters stay, every other character becomes its bytes in AByteEncoding
// (null means UTF-8) as "%XX", or "&#N;" when the encoding cannot hold it.
// An unpaired surrogate raises EArgumentException.
std::u16string FormUrlEncode(std::u16string_view AText, const TIdTextEncoding* AByteEncoding);

// The lines joined into one text: each line followed by CR LF, the whole
// trimmed, and with two or more lines every CR LF replaced by "&".
std::u16string JoinFormLines(const TStringList& AList);

// The body text of a field list (null gives the empty text). With
// AForceEncodeParams each line is split at its first "=" and both halves
// escaped; without it the lines are joined as they are.
std::u16string EncodeFormFields(const TStringList* ASource, const TIdTextEncoding* AByteEncoding,
                                bool AForceEncodeParams);

// Whether a request with this content type gets the form content type
// instead: when it is empty or its media type is "text/html" or
// "text/html-sandboxed", ignoring case.
bool NeedsFormContentType(std::u16string_view AContentType);

// Writes the body text as 7-bit ASCII ("?" for code units above U+007F) at
// the stream's position.
void WriteFormBody(std::u16string_view ABodyText, TStream& ABody);

}  // namespace zorapi

// Decoding of an application/x-www-form-urlencoded body into its fields.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorapi::demo {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// Splits at "&", each part at its first "="; "+" is a space and "%XY" the
// byte 0xXY. A "%" not followed by two hex digits stays as it is. Names and
// values come back as the raw bytes (UTF-8 for this service).
FormFields DecodeForm(std::string_view body);

// The value of the first field of that name, empty when there is none.
std::string FieldValue(const FormFields& fields, std::string_view name);

// True when the bytes are well-formed UTF-8.
bool IsWellFormedUtf8(std::string_view bytes);

}  // namespace zorapi::demo

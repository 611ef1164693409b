// IANA character-set names and aliases with the Windows code page of each.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/text_encoding.h"

namespace zorapi::platform {

struct TCodePageName {
  std::u16string_view Name;
  std::uint32_t CodePage;
};

// The code page of a charset name, compared ignoring case; 0 when the name
// is not in the table.
std::uint32_t CodePageOfCharset(std::u16string_view ACharset);

// Every row, for the tests of the table.
const TCodePageName* CodePageNamesBegin();
const TCodePageName* CodePageNamesEnd();

// Code pages that stand for Unicode forms rather than tables of the system.
inline constexpr std::uint32_t Id_CP_UTF16LE = 1200;
inline constexpr std::uint32_t Id_CP_UTF16BE = 1201;
inline constexpr std::uint32_t Id_CP_UTF32LE = 12000;
inline constexpr std::uint32_t Id_CP_UTF32BE = 12001;
inline constexpr std::uint32_t Id_CP_USASCII = 20127;
inline constexpr std::uint32_t Id_CP_UTF8 = 65001;

// One of the library's own codecs for US-ASCII, UTF-8 and the UTF-16 forms,
// handed out as an owned codec; null for any other code page.
std::unique_ptr<TIdTextEncoding> LibraryEncodingOf(std::uint32_t ACodePage);

}  // namespace zorapi::platform

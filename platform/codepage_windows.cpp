// Charset codecs of Windows: the charset name is looked up among the IANA
// names and aliases, and its code page decoded by MultiByteToWideChar and
// encoded by WideCharToMultiByte. The Unicode forms, which those two calls
// do not take, have codecs of their own.
#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/code_page_names.h"
#include "platform/codepage.h"

namespace zorapi::platform {
namespace {

// The code pages whose conversions reject every flag and a default
// character.
bool TakesNoFlags(UINT codePage) {
  switch (codePage) {
    case 42: case 50220: case 50221: case 50222: case 50225: case 50227: case 50229:
    case 52936: case 54936: case 65000: case 65001:
      return true;
    default:
      return (codePage >= 57002 && codePage <= 57011);
  }
}

class TCodePageEncoding final : public TIdTextEncoding {
 public:
  explicit TCodePageEncoding(UINT ACodePage) : FCodePage(ACodePage) {}

  // Characters without a byte form become the code page's default
  // character, "?" where the code page lets one be named.
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    if (text.empty() || text.size() > INT_MAX) return;
    const auto* units = reinterpret_cast<const wchar_t*>(text.data());
    const int count = static_cast<int>(text.size());
    const char* defaultChar = TakesNoFlags(FCodePage) ? nullptr : "?";
    const int n = WideCharToMultiByte(FCodePage, 0, units, count, nullptr, 0, defaultChar, nullptr);
    if (n <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    const int written = WideCharToMultiByte(FCodePage, 0, units, count, reinterpret_cast<char*>(out.data() + at),
                                            n, defaultChar, nullptr);
    out.resize(at + static_cast<std::size_t>(written > 0 ? written : 0));
  }

  // Bytes that are no character of the code page decode to U+FFFD. The
  // system's conversion would give the code page's default character
  // instead, so a text it refuses is decoded again piece by piece. The
  // stateful code pages take no flags; the system's default stands there.
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    if (count == 0 || count > INT_MAX) return {};
    const auto* input = reinterpret_cast<const char*>(bytes);
    if (TakesNoFlags(FCodePage) && FCodePage != 54936) return Convert(input, static_cast<int>(count), 0);
    std::u16string text = Convert(input, static_cast<int>(count), MB_ERR_INVALID_CHARS);
    if (!text.empty()) return text;
    return DecodeEachCharacter(input, count);
  }

 private:
  std::u16string Convert(const char* input, int count, DWORD flags) const {
    const int n = MultiByteToWideChar(FCodePage, flags, input, count, nullptr, 0);
    if (n <= 0) return {};
    std::u16string text(static_cast<std::size_t>(n), u'\0');
    const int written = MultiByteToWideChar(FCodePage, flags, input, count, reinterpret_cast<wchar_t*>(text.data()), n);
    text.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return text;
  }

  // Each character is the shortest run of bytes, up to the code page's
  // longest, that converts; a byte that starts none is U+FFFD.
  std::u16string DecodeEachCharacter(const char* input, std::size_t count) const {
    CPINFO info{};
    const std::size_t longest = GetCPInfo(FCodePage, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
    std::u16string text;
    text.reserve(count);
    for (std::size_t at = 0; at < count;) {
      std::size_t used = 0;
      for (std::size_t n = 1; n <= longest && at + n <= count && used == 0; ++n) {
        const std::u16string piece = Convert(input + at, static_cast<int>(n), MB_ERR_INVALID_CHARS);
        if (!piece.empty()) {
          text += piece;
          used = n;
        }
      }
      if (used == 0) {
        text.push_back(u'\uFFFD');
        used = 1;
      }
      at += used;
    }
    return text;
  }

  UINT FCodePage;
};

// UTF-32 of either byte order. A unit that is no Unicode scalar value, and
// a cut-off unit at the end, decode to U+FFFD; a lone surrogate encodes
// to "?".
class TUtf32Encoding final : public TIdTextEncoding {
 public:
  explicit TUtf32Encoding(bool ABigEndian) : FBigEndian(ABigEndian) {}

  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    out.reserve(out.size() + text.size() * 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
      char32_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = u'?';
      }
      Put(c, out);
    }
  }

  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    std::u16string text;
    text.reserve(count / 4 + 1);
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
      const char32_t c = FBigEndian ? char32_t(bytes[i]) << 24 | char32_t(bytes[i + 1]) << 16 |
                                          char32_t(bytes[i + 2]) << 8 | bytes[i + 3]
                                    : char32_t(bytes[i + 3]) << 24 | char32_t(bytes[i + 2]) << 16 |
                                          char32_t(bytes[i + 1]) << 8 | bytes[i];
      if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        text.push_back(u'\uFFFD');
      } else if (c >= 0x10000) {
        text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        text.push_back(static_cast<char16_t>(c));
      }
    }
    if (i < count) text.push_back(u'\uFFFD');
    return text;
  }

 private:
  void Put(char32_t c, std::vector<std::uint8_t>& out) const {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(c >> 24), static_cast<std::uint8_t>(c >> 16),
                               static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
    for (int k = 0; k < 4; ++k) out.push_back(FBigEndian ? b[k] : b[3 - k]);
  }

  bool FBigEndian;
};

}  // namespace

std::unique_ptr<TIdTextEncoding> CreateCharsetEncoding(std::u16string_view ACharset) {
  const std::uint32_t codePage = CodePageOfCharset(ACharset);
  switch (codePage) {
    case 0: return nullptr;
    case Id_CP_USASCII:
    case Id_CP_UTF8:
    case Id_CP_UTF16LE:
    case Id_CP_UTF16BE: return LibraryEncodingOf(codePage);
    case Id_CP_UTF32LE: return std::make_unique<TUtf32Encoding>(false);
    case Id_CP_UTF32BE: return std::make_unique<TUtf32Encoding>(true);
    default: break;
  }
  if (!IsValidCodePage(codePage)) return nullptr;
  return std::make_unique<TCodePageEncoding>(codePage);
}

}  // namespace zorapi::platform

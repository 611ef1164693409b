#include <errno.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "platform/code_page_names.h"
#include "platform/codepage.h"

namespace zorapi::platform {
namespace {

// Charset names as the registry writes them; anything else (a "/" above
// all, which would pass conversion options to iconv) is refused.
bool IsCharsetName(std::u16string_view AName) {
  if (AName.empty() || AName.size() > 64) return false;
  for (char16_t c : AName) {
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                    c == u'-' || c == u'_' || c == u'.' || c == u':' || c == u'+' || c == u'(' || c == u')';
    if (!ok) return false;
  }
  return true;
}

// One conversion descriptor for the length of one call.
class TIconv {
 public:
  TIconv(const char* ATo, const char* AFrom) : FHandle(iconv_open(ATo, AFrom)) {}
  ~TIconv() {
    if (Valid()) iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

  // Converts ACount bytes, appending to AOut. An input sequence that cannot
  // be converted puts AReplacement (already in the target charset) in its
  // place and skips AStep bytes.
  void Convert(const char* AInput, std::size_t ACount, std::size_t AStep, std::string_view AReplacement,
               std::string& AOut) {
    char* in = const_cast<char*>(AInput);
    std::size_t inLeft = ACount;
    char chunk[4096];
    while (inLeft > 0) {
      char* out = chunk;
      std::size_t outLeft = sizeof chunk;
      const std::size_t r = iconv(FHandle, &in, &inLeft, &out, &outLeft);
      const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
      AOut.append(chunk, static_cast<std::size_t>(out - chunk));
      if (error == 0 || error == E2BIG) continue;
      if (error != EILSEQ && error != EINVAL) return;
      // EILSEQ: a sequence that cannot be converted; EINVAL: one cut off
      // by the end of the input.
      AOut.append(AReplacement);
      const std::size_t skip = error == EINVAL || inLeft < AStep ? inLeft : AStep;
      in += skip;
      inLeft -= skip;
      iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
    }
    // Back to the initial shift state, for the charsets that have one.
    while (true) {
      char* out = chunk;
      std::size_t outLeft = sizeof chunk;
      const std::size_t r = iconv(FHandle, nullptr, nullptr, &out, &outLeft);
      AOut.append(chunk, static_cast<std::size_t>(out - chunk));
      if (r != static_cast<std::size_t>(-1) || errno != E2BIG) return;
    }
  }

 private:
  iconv_t FHandle;
};

class TIconvEncoding final : public TIdTextEncoding {
 public:
  // AUnitSize: the bytes skipped past a sequence that cannot be decoded, so
  // that a fixed-width form stays in step with its units.
  TIconvEncoding(std::string AName, std::size_t AUnitSize) : FName(std::move(AName)), FUnitSize(AUnitSize) {}

  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    TIconv cd(FName.c_str(), "UTF-16LE");
    if (!cd.Valid()) return;
    std::string question;
    {
      TIconv q(FName.c_str(), "UTF-16LE");
      const char unit[2] = {'?', 0};
      q.Convert(unit, 2, 2, "?", question);
    }
    const std::string units = ToUtf16LE(text);
    std::string bytes;
    cd.Convert(units.data(), units.size(), 2, question, bytes);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }

  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    TIconv cd("UTF-16LE", FName.c_str());
    if (!cd.Valid()) return {};
    std::string units;
    units.reserve(count * 2);
    // U+FFFD in UTF-16LE for what cannot be decoded.
    cd.Convert(reinterpret_cast<const char*>(bytes), count, FUnitSize, std::string_view("\xFD\xFF", 2), units);
    std::u16string text(units.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(units[2 * i]) |
                                      static_cast<unsigned char>(units[2 * i + 1]) << 8);
    return text;
  }

 private:
  static std::string ToUtf16LE(std::u16string_view text) {
    std::string units;
    units.reserve(text.size() * 2);
    for (char16_t c : text) {
      units.push_back(static_cast<char>(c & 0xFF));
      units.push_back(static_cast<char>(c >> 8));
    }
    return units;
  }

  std::string FName;
  std::size_t FUnitSize;
};

// The converter's name for a code page of the charset table; the Windows
// build decodes the same code page, so a reply reads alike on both.
std::string IconvNameOf(std::uint32_t ACodePage) {
  switch (ACodePage) {
    case Id_CP_UTF32LE: return "UTF-32LE";
    case Id_CP_UTF32BE: return "UTF-32BE";
    case 65000: return "UTF-7";
    case 10000: return "MACINTOSH";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: return "EUC-JP";
    case 38598: return "ISO-8859-8";  // Hebrew in logical order: the same bytes
    case 50220: return "ISO-2022-JP";
    case 50225: return "ISO-2022-KR";
    case 52936: return "HZ-GB-2312";
    case 54936: return "GB18030";
    default: break;
  }
  if (ACodePage >= 28591 && ACodePage <= 28606) return "ISO-8859-" + std::to_string(ACodePage - 28590);
  // The EBCDIC code pages 20273 to 20924 are IBM273 to IBM924.
  if (ACodePage > 20000 && ACodePage < 21000) return "IBM" + std::to_string(ACodePage - 20000);
  std::string number = std::to_string(ACodePage);
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  return "CP" + number;
}

std::unique_ptr<TIdTextEncoding> OpenIconv(const std::string& AName, std::size_t AUnitSize) {
  TIconv probe("UTF-16LE", AName.c_str());
  if (!probe.Valid()) return nullptr;
  return std::make_unique<TIconvEncoding>(AName, AUnitSize);
}

}  // namespace

std::unique_ptr<TIdTextEncoding> CreateCharsetEncoding(std::u16string_view ACharset) {
  if (!IsCharsetName(ACharset)) return nullptr;
  // A name of the table stands for its code page, whatever the converter
  // would make of the name itself ("UCS-4" is big-endian there, 12000 is
  // not; "KS_C_5601-1987" it does not know at all).
  switch (const std::uint32_t codePage = CodePageOfCharset(ACharset)) {
    case 0: break;
    case Id_CP_USASCII:
    case Id_CP_UTF8:
    case Id_CP_UTF16LE:
    case Id_CP_UTF16BE: return LibraryEncodingOf(codePage);
    case Id_CP_UTF32LE:
    case Id_CP_UTF32BE: return OpenIconv(IconvNameOf(codePage), 4);
    default: return OpenIconv(IconvNameOf(codePage), 1);
  }
  // Any other name the converter knows is served too.
  return OpenIconv(std::string(ACharset.begin(), ACharset.end()), 1);
}

}  // namespace zorapi::platform

#include "http/response_charset.h"

#include <array>
#include <cstdint>
#include <vector>

#include "core/text.h"
#include "platform/codepage.h"

namespace zorapi {
namespace {

struct XmlBomInfo {
  std::u16string_view Charset;
  std::int32_t BOMLen;
  std::uint32_t BOM;
  std::uint32_t BOMMask;
};

constexpr XmlBomInfo kXmlBoms[] = {
    {u"UCS-4BE", 4, 0x0000FEFF, 0xFFFFFFFF},
    {u"", 4, 0x0000FFFE, 0xFFFFFFFF},  // UCS-4, octet order 2143
    {u"UCS-4LE", 4, 0xFFFE0000, 0xFFFFFFFF},
    {u"", 4, 0xFEFF0000, 0xFFFFFFFF},  // UCS-4, octet order 3412
    {u"UTF-16BE", 2, 0xFEFF0000, 0xFFFF0000},
    {u"UTF-16LE", 2, 0xFFFE0000, 0xFFFF0000},
    {u"UTF-8", 3, 0xEFBBBF00, 0xFFFFFF00},
};

enum class TXmlFamily { Ucs4, Utf16BE, Utf16LE, Ascii, Ebcdic };

struct XmlLeadInfo {
  std::int32_t UnitSize;
  std::uint32_t LeadValue;
  std::uint32_t CloseValue;
  std::uint32_t CloseMask;
};

constexpr XmlLeadInfo kXmlLeads[] = {
    {4, 0x0000003C, 0x0000003E, 0xFFFFFFFF},  // UCS-4, order 1234
    {4, 0x00003C00, 0x00003E00, 0xFFFFFFFF},  // UCS-4, order 2143
    {4, 0x3C000000, 0x3E000000, 0xFFFFFFFF},  // UCS-4, order 4321
    {4, 0x003C0000, 0x003E0000, 0xFFFFFFFF},  // UCS-4, order 3412
    {2, 0x003C003F, 0x003E0000, 0xFFFF0000},  // UTF-16 big-endian
    {2, 0x3C003F00, 0x3E000000, 0xFFFF0000},  // UTF-16 little-endian
    {1, 0x3C3F786D, 0x3E000000, 0xFF000000},  // the 8-bit ASCII family
    {1, 0x4C6FA794, 0x6E000000, 0xFF000000},  // EBCDIC
};

constexpr TXmlFamily kXmlLeadFamilies[] = {TXmlFamily::Ucs4,    TXmlFamily::Ucs4,    TXmlFamily::Ucs4,
                                           TXmlFamily::Ucs4,    TXmlFamily::Utf16BE, TXmlFamily::Utf16LE,
                                           TXmlFamily::Ascii,   TXmlFamily::Ebcdic};

// The byte of each 4-byte unit that carries the character, for the UCS-4 rows.
constexpr int XmlUcs4ByteIndex[4] = {3, 2, 0, 1};

// The characters of EBCDIC code page 037 that an XML declaration needs;
// U+0001 for every other byte.
constexpr std::array<char16_t, 256> MakeXmlEbcdicMap() {
  std::array<char16_t, 256> map{};
  for (auto& c : map) c = 0x0001;
  map[0x05] = u'\t';
  map[0x0D] = u'\r';
  map[0x25] = u'\n';
  map[0x40] = u' ';
  map[0x4B] = u'.';
  map[0x4C] = u'<';
  map[0x60] = u'-';
  map[0x6D] = u'_';
  map[0x6E] = u'>';
  map[0x6F] = u'?';
  map[0x7D] = u'\'';
  map[0x7E] = u'=';
  map[0x7F] = u'"';
  for (int i = 0; i < 9; ++i) {
    map[0x81 + i] = static_cast<char16_t>(u'a' + i);
    map[0x91 + i] = static_cast<char16_t>(u'j' + i);
    map[0xC1 + i] = static_cast<char16_t>(u'A' + i);
    map[0xD1 + i] = static_cast<char16_t>(u'J' + i);
  }
  for (int i = 0; i < 8; ++i) {
    map[0xA2 + i] = static_cast<char16_t>(u's' + i);
    map[0xE2 + i] = static_cast<char16_t>(u'S' + i);
  }
  for (int i = 0; i < 10; ++i) map[0xF0 + i] = static_cast<char16_t>(u'0' + i);
  return map;
}
constexpr std::array<char16_t, 256> XmlEbcdicMap = MakeXmlEbcdicMap();

// Reads up to ACount bytes; fewer only at the end of the stream.
std::size_t ReadFully(TStream& AStream, std::uint8_t* ABuffer, std::size_t ACount) {
  std::size_t got = 0;
  while (got < ACount) {
    const std::size_t n = AStream.Read(ABuffer + got, ACount - got);
    if (n == 0) break;
    got += n;
  }
  return got;
}

std::uint32_t BigEndian(const std::uint8_t (&ABuffer)[4]) {
  return std::uint32_t{ABuffer[0]} << 24 | std::uint32_t{ABuffer[1]} << 16 | std::uint32_t{ABuffer[2]} << 8 |
         std::uint32_t{ABuffer[3]};
}

// The declaration bytes (the first AEnd bytes of the stream) as text.
std::u16string DeclarationText(const std::vector<std::uint8_t>& ABytes, std::size_t ARow) {
  switch (kXmlLeadFamilies[ARow]) {
    case TXmlFamily::Ucs4: {
      std::u16string text;
      for (std::size_t i = 0; i + 4 <= ABytes.size(); i += 4) text.push_back(ABytes[i + XmlUcs4ByteIndex[ARow]]);
      return text;
    }
    case TXmlFamily::Utf16BE:
      return UTF16BEEncoding().GetString(ABytes.data(), ABytes.size());
    case TXmlFamily::Utf16LE:
      return UTF16LEEncoding().GetString(ABytes.data(), ABytes.size());
    case TXmlFamily::Ascii:
      return EightBitEncoding().GetString(ABytes.data(), ABytes.size());
    case TXmlFamily::Ebcdic: {
      std::u16string text;
      text.reserve(ABytes.size());
      for (std::uint8_t b : ABytes) text.push_back(XmlEbcdicMap[b]);
      return text;
    }
  }
  return {};
}

// The text of the XML declaration of a body without byte-order mark whose
// first four bytes are ALead; empty when there is none. The stream stands
// at position 4.
std::u16string ReadDeclaration(TStream& AStream, std::uint32_t ALead) {
  std::size_t row = 0;
  while (row < std::size(kXmlLeads) && kXmlLeads[row].LeadValue != ALead) ++row;
  if (row == std::size(kXmlLeads)) return {};
  const XmlLeadInfo& lead = kXmlLeads[row];
  const auto unit = static_cast<std::size_t>(lead.UnitSize);

  std::uint8_t buffer[4] = {0, 0, 0, 0};
  while (AStream.Size() - AStream.Position() >= lead.UnitSize) {
    if (ReadFully(AStream, buffer, unit) != unit) return {};
    if ((BigEndian(buffer) & lead.CloseMask) != lead.CloseValue) continue;
    const auto end = static_cast<std::size_t>(AStream.Position());
    std::vector<std::uint8_t> bytes(end);
    AStream.SetPosition(0);
    bytes.resize(ReadFully(AStream, bytes.data(), end));
    return DeclarationText(bytes, row);
  }
  return {};
}

// The value of "encoding" in a declaration text, or empty.
std::u16string EncodingOf(std::u16string_view ADeclaration) {
  const std::size_t at = ADeclaration.find(u"encoding");
  if (at == std::u16string_view::npos) return {};
  std::u16string_view rest = ADeclaration.substr(at + 8);
  auto trimFront = [](std::u16string_view s) {
    while (!s.empty() && s[0] <= 0x20) s.remove_prefix(1);
    return s;
  };
  rest = trimFront(rest);
  if (rest.empty() || rest[0] != u'=') return {};
  rest = trimFront(rest.substr(1));
  if (rest.empty()) return {};
  const char16_t quote = rest[0];
  if (quote != u'"' && quote != u'\'') return {};
  rest.remove_prefix(1);
  return std::u16string(rest.substr(0, rest.find(quote)));
}

struct TCharsetAlias {
  std::u16string_view Name;
  const TIdTextEncoding& (*Codec)();
};

// The charsets decoded here rather than by the platform, with the IANA names
// and the aliases that are common for them.
constexpr TCharsetAlias kBuiltInCharsets[] = {
    {u"US-ASCII", &ASCIIEncoding},           {u"ASCII", &ASCIIEncoding},
    {u"iso-ir-6", &ASCIIEncoding},           {u"ANSI_X3.4-1968", &ASCIIEncoding},
    {u"ANSI_X3.4-1986", &ASCIIEncoding},     {u"ISO_646.irv:1991", &ASCIIEncoding},
    {u"ISO646-US", &ASCIIEncoding},          {u"us", &ASCIIEncoding},
    {u"IBM367", &ASCIIEncoding},             {u"cp367", &ASCIIEncoding},
    {u"csASCII", &ASCIIEncoding},            {u"UTF-8", &UTF8Encoding},
    {u"UTF8", &UTF8Encoding},                {u"csUTF8", &UTF8Encoding},
    {u"unicode-1-1-utf-8", &UTF8Encoding},   {u"unicode-2-0-utf-8", &UTF8Encoding},
    {u"x-unicode20utf8", &UTF8Encoding},     {u"UTF-16", &UTF16LEEncoding},
    {u"UTF-16LE", &UTF16LEEncoding},         {u"unicode", &UTF16LEEncoding},
    {u"ucs-2", &UTF16LEEncoding},            {u"ISO-10646-UCS-2", &UTF16LEEncoding},
    {u"csUnicode", &UTF16LEEncoding},        {u"UTF-16BE", &UTF16BEEncoding},
    {u"unicodeFFFE", &UTF16BEEncoding},
};

std::shared_ptr<const TIdTextEncoding> Shared(const TIdTextEncoding& ACodec) {
  // The built-in codecs live for the whole run: share them without owning.
  return std::shared_ptr<const TIdTextEncoding>(std::shared_ptr<void>(), &ACodec);
}

}  // namespace

bool IsXmlMediaType(std::u16string_view AContentType) {
  const std::u16string type = Trim(AContentType.substr(0, AContentType.find(u';')));
  if (SameText(type, u"application/xml") || SameText(type, u"application/xml-external-parsed-entity") ||
      SameText(type, u"application/xml-dtd"))
    return true;
  const std::size_t slash = type.find(u'/');
  if (StartsText(u"text/", type) || slash == std::u16string::npos) return false;
  return EndsText(u"+xml", std::u16string_view(type).substr(slash + 1));
}

bool IsXmlMediaType(const TIdEntityHeaderInfo& AHeaders) { return IsXmlMediaType(AHeaders.ContentType()); }

std::u16string XmlDeclaredCharset(TStream& AStream) {
  std::u16string result;
  std::int64_t restore = AStream.Position();
  AStream.SetPosition(0);
  std::uint8_t buffer[4] = {0, 0, 0, 0};
  const std::size_t n = ReadFully(AStream, buffer, 4);
  if (n >= 3) {
    const std::uint32_t v = BigEndian(buffer);
    bool hasBom = false;
    for (const XmlBomInfo& bom : kXmlBoms) {
      // A 3-byte body reads as zero-padded; a 4-byte mark must not match it.
      if (static_cast<std::size_t>(bom.BOMLen) > n) continue;
      if ((v & bom.BOMMask) == bom.BOM) {
        result = std::u16string(bom.Charset);
        restore += bom.BOMLen;
        hasBom = true;
        break;
      }
    }
    if (!hasBom && n == 4) result = EncodingOf(ReadDeclaration(AStream, v));
  }
  AStream.SetPosition(restore);
  return result;
}

std::shared_ptr<const TIdTextEncoding> CharsetToTextCodec(std::u16string_view ACharset) {
  if (ACharset.empty()) return Shared(EightBitEncoding());
  for (const TCharsetAlias& alias : kBuiltInCharsets)
    if (SameText(alias.Name, ACharset)) return Shared(alias.Codec());
  if (std::unique_ptr<TIdTextEncoding> codec = platform::CreateCharsetEncoding(ACharset)) return codec;
  return Shared(EightBitEncoding());
}

std::u16string DecodeStreamAsCharset(TStream& AStream, std::u16string_view ACharset) {
  const std::shared_ptr<const TIdTextEncoding> codec = CharsetToTextCodec(ACharset);
  const std::int64_t left = AStream.Size() - AStream.Position();
  if (left <= 0) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(left));
  bytes.resize(ReadFully(AStream, bytes.data(), bytes.size()));
  return codec->GetString(bytes.data(), bytes.size());
}

}  // namespace zorapi

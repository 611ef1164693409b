#include "core/text_encoding.h"

#include "core/utf8.h"

namespace zorapi {
namespace {

// Room for count more bytes at the end of out, written in place: a plain
// loop over it is much cheaper than a push_back per character.
std::uint8_t* AppendRoom(std::vector<std::uint8_t>& out, std::size_t count) {
  const std::size_t at = out.size();
  out.resize(at + count);
  return out.data() + at;
}

class TAsciiEncoding final : public TIdTextEncoding {
 public:
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    std::uint8_t* p = AppendRoom(out, text.size());
    for (char16_t c : text) *p++ = c < 0x80 ? static_cast<std::uint8_t>(c) : '?';
  }
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    std::u16string out(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) out[i] = bytes[i] < 0x80 ? bytes[i] : u'?';
    return out;
  }
};

class TEightBitEncoding final : public TIdTextEncoding {
 public:
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    std::uint8_t* p = AppendRoom(out, text.size());
    for (char16_t c : text) *p++ = c < 0x100 ? static_cast<std::uint8_t>(c) : '?';
  }
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    return std::u16string(bytes, bytes + count);
  }
};

class TUtf8Encoding final : public TIdTextEncoding {
 public:
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    const std::string s = EncodeUtf8(text);
    out.insert(out.end(), s.begin(), s.end());
  }
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    return DecodeUtf8Lenient(bytes, count);
  }
};

class TUtf16Encoding final : public TIdTextEncoding {
 public:
  explicit TUtf16Encoding(bool bigEndian) : FBigEndian(bigEndian) {}
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    out.reserve(out.size() + text.size() * 2);
    for (char16_t c : text) {
      const auto hi = static_cast<std::uint8_t>(c >> 8), lo = static_cast<std::uint8_t>(c);
      out.push_back(FBigEndian ? hi : lo);
      out.push_back(FBigEndian ? lo : hi);
    }
  }
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    std::u16string out;
    out.reserve(count / 2);
    for (std::size_t i = 0; i + 1 < count; i += 2)
      out.push_back(FBigEndian ? static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1])
                               : static_cast<char16_t>(bytes[i + 1] << 8 | bytes[i]));
    return out;
  }

 private:
  bool FBigEndian;
};

}  // namespace

const TIdTextEncoding& ASCIIEncoding() {
  static const TAsciiEncoding codec;
  return codec;
}
const TIdTextEncoding& EightBitEncoding() {
  static const TEightBitEncoding codec;
  return codec;
}
const TIdTextEncoding& UTF8Encoding() {
  static const TUtf8Encoding codec;
  return codec;
}
const TIdTextEncoding& UTF16LEEncoding() {
  static const TUtf16Encoding codec(false);
  return codec;
}
const TIdTextEncoding& UTF16BEEncoding() {
  static const TUtf16Encoding codec(true);
  return codec;
}

}  // namespace zorapi

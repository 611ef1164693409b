// Small helpers that turn a fuzzer's bytes into the inputs of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/streams.h"
#include "core/utf8.h"

namespace zorapi::fuzz {

inline std::string_view BytesOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The bytes as text the way the network's bytes become text most often.
inline std::u16string TextOf(std::string_view bytes) {
  return DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// The bytes as raw UTF-16 code units, little-endian; an odd last byte is
// one more unit. Reaches lone surrogates and NULs that UTF-8 cannot.
inline std::u16string Utf16Of(std::string_view bytes) {
  std::u16string text;
  text.reserve((bytes.size() + 1) / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i]);
    const auto hi = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
    text.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return text;
}

// The pieces of bytes between separator bytes.
inline std::vector<std::string_view> SplitAt(std::string_view bytes, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = bytes.find(separator, start);
    pieces.push_back(bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

inline TMemoryStream StreamOf(std::string_view bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), bytes.size());
  stream.SetPosition(0);
  return stream;
}

// Stops the run with a message: a broken property is a finding like a crash.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

}  // namespace zorapi::fuzz

// The content of the large reply bodies: a 1 MiB block of text, repeated.
// The server sends it and the harness checks what arrived against it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bench {

inline constexpr std::size_t kBodyBlockBytes = 1 << 20;

inline std::string BodyBlock() {
  static constexpr std::string_view kLine = "<item>synonym candidates for a long text</item>\n";
  std::string block;
  block.reserve(kBodyBlockBytes);
  while (block.size() < kBodyBlockBytes) block.append(kLine.substr(0, kBodyBlockBytes - block.size()));
  return block;
}

}  // namespace bench

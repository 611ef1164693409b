#include "core/streams.h"

#include <algorithm>
#include <cstring>

namespace zorapi {

void TMemoryStream::SetSize(std::int64_t size) {
  FBytes.resize(static_cast<std::size_t>(size < 0 ? 0 : size));
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  const std::int64_t available = Size() - FPosition;
  if (available <= 0 || count == 0) return 0;
  const std::size_t n = std::min(count, static_cast<std::size_t>(available));
  std::memcpy(buffer, FBytes.data() + FPosition, n);
  FPosition += static_cast<std::int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  const auto pos = static_cast<std::size_t>(FPosition);
  if (pos == FBytes.size()) {
    // Appending is how bodies arrive: let the vector grow geometrically.
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    FBytes.insert(FBytes.end(), b, b + count);
  } else {
    if (pos + count > FBytes.size()) FBytes.resize(pos + count);
    std::memcpy(FBytes.data() + pos, buffer, count);
  }
  FPosition += static_cast<std::int64_t>(count);
}

}  // namespace zorapi

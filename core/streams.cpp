#include "core/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zorapi {

TMemoryStream::~TMemoryStream() { std::free(FData); }

TMemoryStream::TMemoryStream(TMemoryStream&& AOther) noexcept
    : FData(std::exchange(AOther.FData, nullptr)),
      FSize(std::exchange(AOther.FSize, 0)),
      FCapacity(std::exchange(AOther.FCapacity, 0)),
      FPosition(std::exchange(AOther.FPosition, 0)) {}

TMemoryStream& TMemoryStream::operator=(TMemoryStream&& AOther) noexcept {
  if (this != &AOther) {
    std::free(FData);
    FData = std::exchange(AOther.FData, nullptr);
    FSize = std::exchange(AOther.FSize, 0);
    FCapacity = std::exchange(AOther.FCapacity, 0);
    FPosition = std::exchange(AOther.FPosition, 0);
  }
  return *this;
}

void TMemoryStream::Grow(std::size_t capacity) {
  auto* grown = static_cast<std::uint8_t*>(std::realloc(FData, capacity));
  if (!grown) throw std::bad_alloc();
  FData = grown;
  FCapacity = capacity;
}

void TMemoryStream::Reserve(std::size_t capacity) {
  if (capacity > FCapacity) Grow(std::max(capacity, FCapacity + FCapacity / 2));
}

void TMemoryStream::SetSize(std::int64_t size) {
  const auto n = static_cast<std::size_t>(size < 0 ? 0 : size);
  Reserve(n);
  if (n > FSize) std::memset(FData + FSize, 0, n - FSize);
  FSize = n;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  const std::int64_t available = Size() - FPosition;
  if (available <= 0 || count == 0) return 0;
  const std::size_t n = std::min(count, static_cast<std::size_t>(available));
  std::memcpy(buffer, FData + FPosition, n);
  FPosition += static_cast<std::int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  const auto pos = static_cast<std::size_t>(FPosition);
  // Writing past the end leaves zeros in the gap, as a larger size would.
  if (pos > FSize) SetSize(FPosition);
  if (pos + count > FSize) {
    Reserve(pos + count);
    FSize = pos + count;
  }
  std::memcpy(FData + pos, buffer, count);
  FPosition += static_cast<std::int64_t>(count);
}

}  // namespace zorapi

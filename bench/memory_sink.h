// Reply bytes kept in memory the way libcurl's own "get in memory" example
// keeps them: one malloc'd block, grown by realloc for every piece. For
// large blocks glibc moves pages instead of copying them.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

namespace bench {

class MemorySink {
 public:
  MemorySink() = default;
  ~MemorySink() { std::free(FData); }
  MemorySink(const MemorySink&) = delete;
  MemorySink& operator=(const MemorySink&) = delete;

  void Append(const char* data, std::size_t count) {
    Reserve(FSize + count);
    std::memcpy(FData + FSize, data, count);
    FSize += count;
  }
  // Room for at least capacity bytes.
  void Reserve(std::size_t capacity) {
    if (capacity <= FCapacity) return;
    char* grown = static_cast<char*>(std::realloc(FData, capacity));
    if (!grown) throw std::bad_alloc();
    FData = grown;
    FCapacity = capacity;
  }
  // For writers that fill the room themselves.
  char* Tail() { return FData + FSize; }
  std::size_t Room() const { return FCapacity - FSize; }
  void Grew(std::size_t count) { FSize += count; }

  void Clear() { FSize = 0; }
  const char* Data() const { return FData; }
  std::size_t Size() const { return FSize; }
  std::string_view View() const { return {FData, FSize}; }

 private:
  char* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
};

}  // namespace bench

// Byte streams with a position and a size, and the growable in-memory stream
// that receives reply bodies and holds request bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zorapi {

class TStream {
 public:
  virtual ~TStream() = default;
  virtual std::int64_t Size() const = 0;
  virtual void SetSize(std::int64_t size) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  // Reads up to count bytes at the position; returns how many were read.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the position, growing the stream as needed.
  virtual void Write(const void* buffer, std::size_t count) = 0;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  TMemoryStream(TMemoryStream&& AOther) noexcept;
  TMemoryStream& operator=(TMemoryStream&& AOther) noexcept;

  std::int64_t Size() const override { return static_cast<std::int64_t>(FSize); }
  void SetSize(std::int64_t size) override;
  std::int64_t Position() const override { return FPosition; }
  void SetPosition(std::int64_t position) override { FPosition = position < 0 ? 0 : position; }
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;

  // Room for at least capacity bytes; the size is unchanged. Growth is
  // geometric, so reserving a little more per block stays linear.
  void Reserve(std::size_t capacity);
  std::size_t Capacity() const { return FCapacity; }
  const std::uint8_t* Memory() const { return FData; }
  std::span<const std::uint8_t> Bytes() const { return {FData, FSize}; }

 private:
  void Grow(std::size_t capacity);

  // malloc'd, so that a large body can grow in place instead of being copied.
  std::uint8_t* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
  std::int64_t FPosition = 0;
};

}  // namespace zorapi

// Byte streams with a position and a size, and the growable in-memory stream
// that receives reply bodies and holds request bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
  std::int64_t Size() const override { return static_cast<std::int64_t>(FBytes.size()); }
  void SetSize(std::int64_t size) override;
  std::int64_t Position() const override { return FPosition; }
  void SetPosition(std::int64_t position) override { FPosition = position < 0 ? 0 : position; }
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;

  // Room for at least capacity bytes without a copy; the size is unchanged.
  void Reserve(std::size_t capacity) { FBytes.reserve(capacity); }
  const std::uint8_t* Memory() const { return FBytes.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return FBytes; }

 private:
  std::vector<std::uint8_t> FBytes;
  std::int64_t FPosition = 0;
};

}  // namespace zorapi

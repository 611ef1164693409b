// A growable byte queue: the I/O handler's input and write buffers. Bytes
// are appended at the tail and taken from the head; the consumed head is
// moved out only when that costs less than the bytes already read past.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/streams.h"
#include "core/text_encoding.h"
#include "transport/id_global.h"

namespace zorapi {

class TIdBuffer;
using TIdBufferBytesRemoved = std::function<void(TIdBuffer* ASender, std::int32_t ABytes)>;

class TIdBuffer {
 public:
  TIdBuffer();
  explicit TIdBuffer(TIdBufferBytesRemoved AOnBytesRemoved);
  ~TIdBuffer();
  TIdBuffer(const TIdBuffer&) = delete;
  TIdBuffer& operator=(const TIdBuffer&) = delete;

  void Clear();
  // Appends (ADestIndex -1) or inserts at ADestIndex the ALength bytes of
  // ABytes after AOffset (-1: all of them).
  void Write(const TIdBytes& ABytes, std::int32_t ALength = -1, std::int32_t ADestIndex = -1,
             std::int32_t AOffset = 0);
  void Write(const std::uint8_t* ABytes, std::int32_t ALength);
  // The text converted with the codec (none: Encoding, else ASCII).
  void Write(std::u16string_view AText, const TIdTextEncoding* AByteEncoding = nullptr);

  // AByteCount -1 takes everything; AIndex -1 takes from the head and
  // removes what was taken, else copies from that index.
  void ExtractToBytes(TIdBytes& VBytes, std::int32_t AByteCount = -1, bool AAppend = true,
                      std::int32_t AIndex = -1);
  std::u16string ExtractToString(std::int32_t AByteCount = -1, const TIdTextEncoding* AByteEncoding = nullptr);
  void ExtractToStream(TStream* AStream, std::int32_t AByteCount = -1, std::int32_t AIndex = -1);
  // Position from the head of the first whole APattern at or after
  // AStartPos, or -1.
  std::int32_t IndexOf(const TIdBytes& APattern, std::int32_t AStartPos = 0) const;
  void Remove(std::int32_t AByteCount);
  void CompactHead(bool ACanShrink = true);

  std::int32_t Size() const { return FSize; }
  std::int32_t Capacity() const { return FCapacity; }
  void SetCapacity(std::int32_t AValue);
  std::int32_t GrowthFactor() const { return FGrowthFactor; }
  void SetGrowthFactor(std::int32_t AValue) { FGrowthFactor = AValue; }
  const TIdTextEncoding* Encoding() const { return FByteEncoding; }
  void SetEncoding(const TIdTextEncoding* AValue) { FByteEncoding = AValue; }
  // All unread bytes as text, left in the buffer.
  std::u16string AsString() const;
  const TIdBufferBytesRemoved& OnBytesRemoved() const { return FOnBytesRemoved; }
  void SetOnBytesRemoved(TIdBufferBytesRemoved AValue) { FOnBytesRemoved = std::move(AValue); }

  // The unread bytes in place, FSize of them.
  const std::uint8_t* Peek() const { return FBytes.get() + FHeadIndex; }
  // Room for at least ACount bytes after the unread ones, to be filled by
  // the caller and then made part of the buffer by CommitAppend.
  std::uint8_t* PrepareAppend(std::int32_t ACount);
  void CommitAppend(std::int32_t ACount);

 private:
  void Reallocate(std::int64_t ACapacity);
  void CheckRoom(std::int64_t ACount) const;

  std::unique_ptr<std::uint8_t[]> FBytes;
  std::int32_t FCapacity = 0;
  const TIdTextEncoding* FByteEncoding = nullptr;
  std::int32_t FGrowthFactor = 2048;
  std::int32_t FHeadIndex = 0;
  TIdBufferBytesRemoved FOnBytesRemoved;
  std::int32_t FSize = 0;
  bool FStackUser = false;
};

}  // namespace zorapi

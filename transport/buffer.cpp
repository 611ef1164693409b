#include "transport/buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/text.h"
#include "transport/format_text.h"
#include "transport/stack.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {
namespace {

constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();
// Storage up to this size is kept when the buffer empties, so that a
// connection does not allocate on every receive.
constexpr std::int32_t kKeptCapacity = 256 * 1024;

}  // namespace

TIdBuffer::TIdBuffer() {
  TIdStack::IncUsage();
  FStackUser = true;
}

TIdBuffer::TIdBuffer(TIdBufferBytesRemoved AOnBytesRemoved) : TIdBuffer() {
  FOnBytesRemoved = std::move(AOnBytesRemoved);
}

TIdBuffer::~TIdBuffer() {
  if (FStackUser) TIdStack::DecUsage();
}

void TIdBuffer::Clear() {
  if (FCapacity > kKeptCapacity) {
    FBytes.reset();
    FCapacity = 0;
  }
  FHeadIndex = 0;
  FSize = 0;
}

void TIdBuffer::Reallocate(std::int64_t ACapacity) {
  ACapacity = std::min(ACapacity, kMaxSize);
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(ACapacity));
  if (FSize > 0) std::memcpy(bytes.get(), FBytes.get() + FHeadIndex, static_cast<std::size_t>(FSize));
  FBytes = std::move(bytes);
  FCapacity = static_cast<std::int32_t>(ACapacity);
  FHeadIndex = 0;
}

void TIdBuffer::CheckRoom(std::int64_t ACount) const {
  if (FSize + ACount > kMaxSize) throw EIdTooMuchDataInBuffer(RSTooMuchDataInBuffer);
}

std::uint8_t* TIdBuffer::PrepareAppend(std::int32_t ACount) {
  CheckRoom(ACount);
  const std::int64_t tailRoom = std::int64_t{FCapacity} - FHeadIndex - FSize;
  if (tailRoom < ACount) {
    const std::int64_t needed = std::int64_t{FSize} + ACount;
    if (FCapacity >= needed && FHeadIndex >= FSize) {
      // Moving the few unread bytes to the front is cheaper than growing.
      CompactHead(false);
    } else {
      Reallocate(std::max(needed + FGrowthFactor, std::int64_t{FCapacity} * 2));
    }
  }
  return FBytes.get() + FHeadIndex + FSize;
}

void TIdBuffer::CommitAppend(std::int32_t ACount) { FSize += ACount; }

void TIdBuffer::Write(const std::uint8_t* ABytes, std::int32_t ALength) {
  if (ALength <= 0) return;
  std::memcpy(PrepareAppend(ALength), ABytes, static_cast<std::size_t>(ALength));
  CommitAppend(ALength);
}

void TIdBuffer::Write(const TIdBytes& ABytes, std::int32_t ALength, std::int32_t ADestIndex, std::int32_t AOffset) {
  const std::int64_t available = static_cast<std::int64_t>(ABytes.size()) - std::max(AOffset, 0);
  const std::int64_t count = ALength < 0 ? available : std::min<std::int64_t>(ALength, available);
  if (count <= 0) return;
  CheckRoom(count);
  const std::uint8_t* source = ABytes.data() + std::max(AOffset, 0);
  const auto n = static_cast<std::int32_t>(count);
  if (ADestIndex < 0 || ADestIndex >= FSize) {
    Write(source, n);
    return;
  }
  // Insert: make room at the tail, then open a gap at ADestIndex.
  std::uint8_t* base = PrepareAppend(n) - FSize;
  std::memmove(base + ADestIndex + n, base + ADestIndex, static_cast<std::size_t>(FSize - ADestIndex));
  std::memcpy(base + ADestIndex, source, static_cast<std::size_t>(n));
  CommitAppend(n);
}

void TIdBuffer::Write(std::u16string_view AText, const TIdTextEncoding* AByteEncoding) {
  const TIdTextEncoding* codec = AByteEncoding ? AByteEncoding : FByteEncoding ? FByteEncoding : &ASCIIEncoding();
  const TIdBytes bytes = codec->GetBytes(AText);
  Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void TIdBuffer::Remove(std::int32_t AByteCount) {
  if (AByteCount >= FSize) {
    Clear();
  } else {
    FHeadIndex += AByteCount;
    FSize -= AByteCount;
  }
  if (FOnBytesRemoved) FOnBytesRemoved(this, AByteCount);
}

void TIdBuffer::CompactHead(bool ACanShrink) {
  if (FHeadIndex > 0) {
    std::memmove(FBytes.get(), FBytes.get() + FHeadIndex, static_cast<std::size_t>(FSize));
    FHeadIndex = 0;
  }
  if (ACanShrink && FCapacity - FSize > FGrowthFactor) Reallocate(std::int64_t{FSize} + FGrowthFactor);
}

void TIdBuffer::SetCapacity(std::int32_t AValue) { Reallocate(std::max(AValue, FSize)); }

void TIdBuffer::ExtractToBytes(TIdBytes& VBytes, std::int32_t AByteCount, bool AAppend, std::int32_t AIndex) {
  const std::int32_t from = AIndex < 0 ? 0 : AIndex;
  if (AByteCount < 0) AByteCount = FSize - from;
  if (AByteCount <= 0) return;
  if (std::int64_t{from} + AByteCount > FSize)
    throw EIdNotEnoughDataInBuffer(FormatText(RSNotEnoughDataInBuffer, {IntToText(AByteCount), IntToText(FSize)}));
  const std::uint8_t* source = Peek() + from;
  if (AAppend) {
    VBytes.insert(VBytes.end(), source, source + AByteCount);
  } else {
    if (VBytes.size() < static_cast<std::size_t>(AByteCount)) VBytes.resize(static_cast<std::size_t>(AByteCount));
    std::memcpy(VBytes.data(), source, static_cast<std::size_t>(AByteCount));
  }
  if (AIndex < 0) Remove(AByteCount);
}

std::u16string TIdBuffer::ExtractToString(std::int32_t AByteCount, const TIdTextEncoding* AByteEncoding) {
  if (AByteCount < 0) AByteCount = FSize;
  if (AByteCount < 1) return {};
  if (AByteCount > FSize)
    throw EIdNotEnoughDataInBuffer(FormatText(RSNotEnoughDataInBuffer, {IntToText(AByteCount), IntToText(FSize)}));
  const TIdTextEncoding* codec = AByteEncoding ? AByteEncoding : FByteEncoding ? FByteEncoding : &ASCIIEncoding();
  std::u16string text = codec->GetString(Peek(), static_cast<std::size_t>(AByteCount));
  Remove(AByteCount);
  return text;
}

void TIdBuffer::ExtractToStream(TStream* AStream, std::int32_t AByteCount, std::int32_t AIndex) {
  const std::int32_t from = AIndex < 0 ? 0 : AIndex;
  if (AByteCount < 0) AByteCount = FSize - from;
  if (AByteCount <= 0) return;
  if (std::int64_t{from} + AByteCount > FSize)
    throw EIdNotEnoughDataInBuffer(FormatText(RSNotEnoughDataInBuffer, {IntToText(AByteCount), IntToText(FSize)}));
  AStream->Write(Peek() + from, static_cast<std::size_t>(AByteCount));
  if (AIndex < 0) Remove(AByteCount);
}

std::int32_t TIdBuffer::IndexOf(const TIdBytes& APattern, std::int32_t AStartPos) const {
  if (FSize == 0) return -1;
  if (APattern.empty()) throw EIdException(RSBufferMissingTerminator);
  if (AStartPos < 0 || AStartPos >= FSize) throw EIdException(RSBufferInvalidStartPos);
  const std::uint8_t* begin = Peek();
  const std::uint8_t* end = begin + FSize;
  const std::size_t patternSize = APattern.size();
  const std::uint8_t first = APattern[0];
  for (const std::uint8_t* p = begin + AStartPos; static_cast<std::size_t>(end - p) >= patternSize; ++p) {
    p = static_cast<const std::uint8_t*>(std::memchr(p, first, static_cast<std::size_t>(end - p)));
    if (p == nullptr || static_cast<std::size_t>(end - p) < patternSize) return -1;
    if (std::memcmp(p, APattern.data(), patternSize) == 0) return static_cast<std::int32_t>(p - begin);
  }
  return -1;
}

std::u16string TIdBuffer::AsString() const {
  const TIdTextEncoding* codec = FByteEncoding ? FByteEncoding : &ASCIIEncoding();
  return codec->GetString(Peek(), static_cast<std::size_t>(FSize));
}

}  // namespace zorapi

#include "transport/io_handler.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "core/text.h"
#include "platform/clock.h"
#include "transport/io_handler_stack.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {
namespace {

TIdIOHandler* NewIOHandlerStack(TComponent* AOwner) { return ComponentFactory::Build<TIdIOHandlerStack>(AOwner); }

constinit TIdIOHandlerClass GDefaultIOHandlerClass = &NewIOHandlerStack;

// A stream reply whose length is known grows in one step up to this much;
// beyond it the stream grows as the bytes arrive.
constexpr std::int64_t kStreamReservation = 16 * 1024 * 1024;

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

TIdIOHandler::TIdIOHandler(TComponent* AOwner)
    : TIdComponent(AOwner),
      FInputBuffer(std::make_unique<TIdBuffer>([this](TIdBuffer*, std::int32_t ABytes) { DoWork(wmRead, ABytes); })),
      FDefStringEncoding(&ASCIIEncoding()) {}

TIdIOHandler::~TIdIOHandler() {
  try {
    TIdIOHandler::Close();
  } catch (...) {
  }
}

TIdIOHandler* TIdIOHandler::MakeDefaultIOHandler(TComponent* AOwner) { return GDefaultIOHandlerClass(AOwner); }

void TIdIOHandler::SetDefaultClass(TIdIOHandlerClass AClass) { GDefaultIOHandlerClass = AClass; }

// State

void TIdIOHandler::Open() {
  FOpened = false;
  FClosedGracefully = false;
  WriteBufferClear();
  FInputBuffer->Clear();
  FOpened = true;
}

void TIdIOHandler::Close() {
  FOpened = false;
  WriteBufferClear();
}

bool TIdIOHandler::Connected() {
  CheckForDisconnect(false, false);
  if ((FClosedGracefully || !FInputBuffer) && InputBufferIsEmpty()) return false;
  return FOpened;
}

void TIdIOHandler::CheckForDisconnect(bool, bool) {}

bool TIdIOHandler::CheckForDataOnSource(std::int32_t ATimeout) {
  const std::int32_t before = FInputBuffer->Size();
  if (!Connected()) return false;
  if (FInputBuffer->Size() > before) return true;
  return ReadIntoInputBuffer(false, ATimeout, false) > 0;
}

void TIdIOHandler::CloseGracefully() { FClosedGracefully = true; }

bool TIdIOHandler::Readable(std::int32_t) { return false; }

bool TIdIOHandler::InputBufferIsEmpty() const { return !FInputBuffer || FInputBuffer->Size() == 0; }

std::int32_t TIdIOHandler::ReceiveFromSocket(void*, std::int32_t) { return 0; }
std::int32_t TIdIOHandler::SendToSocket(const std::uint8_t*, std::int32_t) { return 0; }
bool TIdIOHandler::SocketAvailable() { return false; }

std::u16string TIdIOHandler::Destination() { return FDestination; }

void TIdIOHandler::SetDestination(const std::u16string& AValue) {
  FDestination = AValue;
  const std::size_t colon = AValue.rfind(u':');
  if (colon == std::u16string::npos) {
    SetHost(AValue);
    return;
  }
  SetHost(AValue.substr(0, colon));
  SetPort(TextToIntDef<std::int32_t>(std::u16string_view(AValue).substr(colon + 1), FPort));
}

void TIdIOHandler::SetHost(const std::u16string& AValue) { FHost = AValue; }
void TIdIOHandler::SetPort(std::int32_t AValue) { FPort = AValue; }

// Reading

std::int32_t TIdIOHandler::ReadIntoInputBuffer(bool ARaiseExceptionIfDisconnected, std::int32_t ATimeout,
                                               bool ARaiseExceptionOnTimeout) {
  return ReceiveStep(ARaiseExceptionIfDisconnected, ATimeout, ARaiseExceptionOnTimeout, nullptr, 0);
}

std::int32_t TIdIOHandler::ReceiveStep(bool ARaiseExceptionIfDisconnected, std::int32_t ATimeout,
                                       bool ARaiseExceptionOnTimeout, std::uint8_t* ADirect,
                                       std::int32_t ADirectLength) {
  if (ATimeout == IdTimeoutDefault)
    ATimeout = (FReadTimeOut != IdTimeoutDefault && FReadTimeOut != 0) ? FReadTimeOut : IdTimeoutInfinite;
  CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
  if (!SocketAvailable()) {
    if (!ARaiseExceptionIfDisconnected) return 0;
    throw EIdException(RSNotConnected);
  }
  do {
    std::int32_t n = 0;
    if (!Readable(ATimeout)) {
      if (!ARaiseExceptionOnTimeout) return -1;
      throw EIdReadTimeout(RSReadTimeout);
    }
    if (FOpened) {
      if (SocketAvailable()) {
        if (ADirect) {
          n = ReceiveFromSocket(ADirect, ADirectLength);
        } else {
          const std::int32_t room = std::max(FRecvBufferSize, 1);
          n = ReceiveFromSocket(FInputBuffer->PrepareAppend(room), room);
          if (n > 0) FInputBuffer->CommitAppend(n);
        }
      } else if (ARaiseExceptionIfDisconnected) {
        throw EIdClosedSocket(RSDisconnected);
      }
    }
    if (!FOpened && ARaiseExceptionIfDisconnected) throw EIdNotConnected(RSNotConnected);
    if (n == 0) FClosedGracefully = true;
    CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
    if (n != 0) return n;
  } while (SocketAvailable());
  return 0;
}

std::u16string TIdIOHandler::ReadLn(const TIdTextEncoding* AByteEncoding) {
  return ReadLn(u"\n", IdTimeoutDefault, -1, AByteEncoding);
}

std::u16string TIdIOHandler::ReadLn(std::u16string_view ATerminator, const TIdTextEncoding* AByteEncoding) {
  return ReadLn(ATerminator, IdTimeoutDefault, -1, AByteEncoding);
}

std::u16string TIdIOHandler::ReadLn(std::u16string_view ATerminator, std::int32_t ATimeout,
                                    std::int32_t AMaxLineLength, const TIdTextEncoding* AByteEncoding) {
  const TIdTextEncoding* codec = AByteEncoding ? AByteEncoding : FDefStringEncoding;
  if (AMaxLineLength < 0) AMaxLineLength = FMaxLineLength;
  if (ATerminator.empty()) ATerminator = u"\n";
  const TIdBytes terminator = codec->GetBytes(ATerminator);
  const auto termLength = static_cast<std::int32_t>(terminator.size());
  const bool lineFeedOnly = termLength == 1 && terminator[0] == 10;

  FReadLnSplit = false;
  FReadLnTimedOut = false;
  std::int32_t startPos = 0;
  // The clock matters only to a time-out; most lines are already buffered.
  const std::uint64_t startTime = ATimeout >= 0 ? platform::MonotonicMilliseconds() : 0;
  std::int32_t termPos = -1;
  for (;;) {
    const std::int32_t size = FInputBuffer->Size();
    if (size > 0) {
      termPos = startPos < size ? FInputBuffer->IndexOf(terminator, startPos) : -1;
      startPos = std::max(size - termLength + 1, 0);
    }
    // A terminator still to come can only stand past startPos, so a line
    // that has already outgrown the limit need not be buffered further.
    const bool overlong = termPos > AMaxLineLength || (termPos == -1 && startPos > AMaxLineLength);
    if (AMaxLineLength > 0 && overlong) {
      if (FMaxLineAction == maException) throw EIdReadLnMaxLineLengthExceeded(RSReadLnMaxLineLengthExceeded);
      FReadLnSplit = true;
      return FInputBuffer->ExtractToString(AMaxLineLength, codec);
    }
    if (termPos == -1) {
      CheckForDisconnect(true, true);
      FReadLnTimedOut = ReadIntoInputBuffer(true, ATimeout, ATimeout == IdTimeoutDefault) == -1;
      if (!FReadLnTimedOut && ATimeout >= 0)
        FReadLnTimedOut = platform::MonotonicMilliseconds() - startTime >= static_cast<std::uint64_t>(ATimeout);
      if (FReadLnTimedOut) return {};
      continue;
    }
    std::int32_t lineLength = termPos;
    if (lineFeedOnly && termPos > 0 && FInputBuffer->Peek()[termPos - 1] == 13) --lineLength;
    std::u16string line = codec->GetString(FInputBuffer->Peek(), static_cast<std::size_t>(lineLength));
    FInputBuffer->Remove(termPos + termLength);
    return line;
  }
}

void TIdIOHandler::ReadBytes(TIdBytes& VBuffer, std::int32_t AByteCount, bool AAppend) {
  if (AByteCount > 0) {
    while (FInputBuffer->Size() < AByteCount) {
      const std::int32_t n = ReadIntoInputBuffer(false, IdTimeoutDefault, true);
      if (n > 0 && FInputBuffer->Size() >= AByteCount) break;
      CheckForDisconnect(true, true);
    }
    FInputBuffer->ExtractToBytes(VBuffer, AByteCount, AAppend);
  } else if (AByteCount < 0) {
    ReadIntoInputBuffer(false, FReadTimeOut, false);
    CheckForDisconnect(true, true);
    FInputBuffer->ExtractToBytes(VBuffer, -1, AAppend);
  }
}

std::int64_t TIdIOHandler::ReadSizePrefix() {
  TIdBytes bytes;
  const std::int32_t width = FLargeStream ? 8 : 4;
  ReadBytes(bytes, width, false);
  std::uint64_t value = 0;
  for (std::int32_t i = 0; i < width; ++i) value = (value << 8) | bytes[static_cast<std::size_t>(i)];
  if (FLargeStream) return static_cast<std::int64_t>(value);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void TIdIOHandler::ReadStream(TStream* AStream, std::int64_t AByteCount, bool AReadUntilDisconnect) {
  std::int64_t remaining = AByteCount;
  if (remaining == -1 && !AReadUntilDisconnect) remaining = ReadSizePrefix();
  if (remaining >= 0) {
    if (AStream->Position() > std::numeric_limits<std::int64_t>::max() - remaining)
      throw EIdIOHandlerStreamDataTooLarge(RSDataTooLarge);
    // Room for what is announced, within reason: the announcement is the
    // peer's word, and the stream grows as the bytes actually arrive.
    if (auto* memory = dynamic_cast<TMemoryStream*>(AStream))
      memory->Reserve(static_cast<std::size_t>(AStream->Position() + std::min(remaining, kStreamReservation)));
  }
  const bool untilClose = AReadUntilDisconnect || remaining < 0;
  BeginWork(wmRead, untilClose ? 0 : remaining);
  std::exception_ptr failure;
  try {
    if (!InputBufferIsEmpty()) {
      const std::int32_t take =
          untilClose ? FInputBuffer->Size() : ClampToInt32(std::min<std::int64_t>(remaining, FInputBuffer->Size()));
      FInputBuffer->ExtractToStream(AStream, take);
      if (!untilClose) remaining -= take;
    }
    const std::int32_t blockSize = std::max(FRecvBufferSize, 1);
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize));
    // Each receive goes straight from the socket into the block and on to
    // the stream; the input buffer stays empty meanwhile.
    for (;;) {
      const std::int32_t want = untilClose ? blockSize : ClampToInt32(std::min<std::int64_t>(remaining, blockSize));
      if (want < 1) break;
      const std::int32_t n = ReceiveStep(false, IdTimeoutDefault, true, block.get(), want);
      if (n > 0) {
        AStream->Write(block.get(), static_cast<std::size_t>(n));
        DoWork(wmRead, n);
        if (!untilClose) remaining -= n;
      } else {
        CheckForDisconnect(true, true);
      }
    }
  } catch (const EIdConnClosedGracefully&) {
    if (!untilClose) failure = std::current_exception();
  } catch (...) {
    failure = std::current_exception();
  }
  EndWork(wmRead);
  if (AStream->Size() > AStream->Position()) AStream->SetSize(AStream->Position());
  if (failure) std::rethrow_exception(failure);
}

void TIdIOHandler::Discard(std::int64_t AByteCount) {
  if (AByteCount <= 0) return;
  BeginWork(wmRead, AByteCount);
  try {
    for (;;) {
      if (!InputBufferIsEmpty()) {
        const std::int32_t n = ClampToInt32(std::min<std::int64_t>(AByteCount, FInputBuffer->Size()));
        FInputBuffer->Remove(n);
        AByteCount -= n;
        if (AByteCount == 0) break;
      }
      if (ReadIntoInputBuffer(false, IdTimeoutDefault, true) <= 0) CheckForDisconnect(true, true);
    }
  } catch (...) {
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
}

void TIdIOHandler::DiscardAll() {
  BeginWork(wmRead);
  try {
    FInputBuffer->Remove(FInputBuffer->Size());
    const std::int32_t blockSize = std::max(FRecvBufferSize, 1);
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize));
    for (;;) {
      const std::int32_t n = ReceiveStep(false, IdTimeoutDefault, true, block.get(), blockSize);
      if (n > 0)
        DoWork(wmRead, n);
      else
        CheckForDisconnect(true, true);
    }
  } catch (const EIdConnClosedGracefully&) {
    FInputBuffer->Clear();
  } catch (...) {
    FInputBuffer->Clear();
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
}

// Writing

void TIdIOHandler::Write(const TIdBytes& ABuffer, std::int32_t ALength, std::int32_t AOffset) {
  const std::int64_t available = static_cast<std::int64_t>(ABuffer.size()) - std::max(AOffset, 0);
  const std::int64_t count = ALength < 0 ? available : std::min<std::int64_t>(ALength, available);
  if (count <= 0) return;
  Write(ABuffer.data() + std::max(AOffset, 0), static_cast<std::int32_t>(count));
}

void TIdIOHandler::Write(const std::uint8_t* ABuffer, std::int32_t ALength) {
  if (ALength <= 0) return;
  if (FWriteBuffer) {
    FWriteBuffer->Write(ABuffer, ALength);
    if (FWriteBufferThreshold > 0)
      while (FWriteBuffer && FWriteBuffer->Size() >= FWriteBufferThreshold) WriteBufferFlush(FWriteBufferThreshold);
  } else {
    WriteDirect(ABuffer, ALength);
  }
}

void TIdIOHandler::Write(std::u16string_view AOut, const TIdTextEncoding* AByteEncoding) {
  if (AOut.empty()) return;
  const TIdTextEncoding* codec = AByteEncoding ? AByteEncoding : FDefStringEncoding;
  const TIdBytes bytes = codec->GetBytes(AOut);
  Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void TIdIOHandler::WriteLn(const TIdTextEncoding* AEncoding) { Write(u"\r\n", AEncoding); }

void TIdIOHandler::WriteLn(std::u16string_view AOut, const TIdTextEncoding* AByteEncoding) {
  std::u16string line;
  line.reserve(AOut.size() + 2);
  line.append(AOut);
  line.append(u"\r\n");
  Write(line, AByteEncoding);
}

void TIdIOHandler::WriteSizePrefix(std::int64_t ASize) {
  const std::int32_t width = FLargeStream ? 8 : 4;
  std::uint8_t bytes[8];
  auto value = static_cast<std::uint64_t>(ASize);
  for (std::int32_t i = width - 1; i >= 0; --i) {
    bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
  Write(bytes, width);
}

void TIdIOHandler::Write(TStream* AStream, std::int64_t ASize, bool AWriteByteCount) {
  if (ASize == 0) {
    AStream->SetPosition(0);
    ASize = AStream->Size();
  } else if (ASize < 0) {
    ASize = AStream->Size() - AStream->Position();
  }
  if (AWriteByteCount) {
    if (!FLargeStream && ASize > std::numeric_limits<std::int32_t>::max())
      throw EIdIOHandlerRequiresLargeStream(RSRequiresLargeStream);
    WriteSizePrefix(ASize);
  }
  BeginWork(wmWrite, ASize);
  try {
    const std::int32_t blockSize = std::max(FSendBufferSize, 1);
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize));
    while (ASize > 0) {
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(ASize, blockSize));
      const std::size_t got = AStream->Read(block.get(), want);
      if (got == 0) throw EIdNoDataToRead(RSNoDataToRead);
      Write(block.get(), static_cast<std::int32_t>(got));
      ASize -= static_cast<std::int64_t>(got);
    }
  } catch (...) {
    EndWork(wmWrite);
    throw;
  }
  EndWork(wmWrite);
}

void TIdIOHandler::WriteDirect(const TIdBytes& ABuffer, std::int32_t ALength, std::int32_t AOffset) {
  const std::int64_t available = static_cast<std::int64_t>(ABuffer.size()) - std::max(AOffset, 0);
  const std::int64_t count = ALength < 0 ? available : std::min<std::int64_t>(ALength, available);
  if (count <= 0) {
    CheckForDisconnect(true, true);
    return;
  }
  WriteDirect(ABuffer.data() + std::max(AOffset, 0), static_cast<std::int32_t>(count));
}

void TIdIOHandler::WriteDirect(const std::uint8_t* ABuffer, std::int32_t ALength) {
  CheckForDisconnect(true, true);
  std::int32_t sent = 0;
  while (sent < ALength) {
    const std::int32_t n = SendToSocket(ABuffer + sent, ALength - sent);
    if (n == 0) FClosedGracefully = true;
    CheckForDisconnect(true, false);
    DoWork(wmWrite, n);
    sent += n;
  }
}

// Write buffering

void TIdIOHandler::WriteBufferOpen(std::int32_t AThreshold) {
  if (FWriteBuffer)
    FWriteBuffer->Clear();
  else
    FWriteBuffer = std::make_unique<TIdBuffer>();
  FWriteBufferThreshold = AThreshold;
}

void TIdIOHandler::WriteBufferClose() {
  try {
    WriteBufferFlush(-1);
  } catch (...) {
    FWriteBuffer.reset();
    throw;
  }
  FWriteBuffer.reset();
}

void TIdIOHandler::WriteBufferFlush(std::int32_t AByteCount) {
  if (!FWriteBuffer || FWriteBuffer->Size() == 0) return;
  // Taken out first: sending may close the handler, which empties the buffer.
  TIdBytes bytes;
  FWriteBuffer->ExtractToBytes(bytes, AByteCount);
  WriteDirect(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void TIdIOHandler::WriteBufferClear() {
  if (FWriteBuffer) FWriteBuffer->Clear();
}

void TIdIOHandler::WriteBufferCancel() {
  WriteBufferClear();
  WriteBufferClose();
}

}  // namespace zorapi

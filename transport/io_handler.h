// The I/O handler of a connection: the input buffer it receives into and
// from which lines, byte blocks and streams are taken, text conversion and
// write buffering on the sending side, and the handler's view of whether
// the peer has closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/streams.h"
#include "core/text_encoding.h"
#include "transport/buffer.h"
#include "transport/id_component.h"
#include "transport/id_global.h"

namespace zorapi {

enum TIdMaxLineAction : std::uint8_t { maException, maSplit };

inline constexpr std::int32_t IdTimeoutDefault = -1;
inline constexpr std::int32_t IdTimeoutInfinite = -2;
inline constexpr std::int32_t IdMaxLineLengthDefault = 16384;
inline constexpr std::int32_t GRecvBufferSizeDefault = 32768;
inline constexpr std::int32_t GSendBufferSizeDefault = 32768;

class TIdIOHandler;
using TIdIOHandlerClass = TIdIOHandler* (*)(TComponent* AOwner);

class TIdIOHandler : public TIdComponent {
 public:
  explicit TIdIOHandler(TComponent* AOwner);
  ~TIdIOHandler() override;

  // A handler of the default class (TIdIOHandlerStack), owned by AOwner.
  static TIdIOHandler* MakeDefaultIOHandler(TComponent* AOwner = nullptr);
  static void SetDefaultClass(TIdIOHandlerClass AClass);

  // State
  virtual void Open();
  virtual void Close();
  virtual bool Connected();
  virtual void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false);
  virtual bool CheckForDataOnSource(std::int32_t ATimeout = 0);
  virtual void CloseGracefully();
  // Whether the socket has data or a close notice within AMSec ms.
  virtual bool Readable(std::int32_t AMSec = IdTimeoutDefault);
  bool InputBufferIsEmpty() const;

  // Reading
  std::u16string ReadLn(const TIdTextEncoding* AByteEncoding = nullptr);
  std::u16string ReadLn(std::u16string_view ATerminator, const TIdTextEncoding* AByteEncoding = nullptr);
  // ATimeout -1: ReadTimeout, raising on time-out; an explicit ATimeout
  // returns empty text and sets ReadLnTimedout instead. AMaxLineLength -1:
  // MaxLineLength.
  virtual std::u16string ReadLn(std::u16string_view ATerminator, std::int32_t ATimeout,
                                std::int32_t AMaxLineLength = -1, const TIdTextEncoding* AByteEncoding = nullptr);
  // Exactly AByteCount bytes, or with -1 whatever arrives next.
  virtual void ReadBytes(TIdBytes& VBuffer, std::int32_t AByteCount, bool AAppend = true);
  // A byte count, or everything until the peer closes, written at the
  // stream's position. With -1 and no AReadUntilDisconnect the count is
  // read first as a big-endian size prefix.
  virtual void ReadStream(TStream* AStream, std::int64_t AByteCount = -1, bool AReadUntilDisconnect = false);
  void Discard(std::int64_t AByteCount);
  void DiscardAll();

  // Writing
  virtual void Write(const TIdBytes& ABuffer, std::int32_t ALength = -1, std::int32_t AOffset = 0);
  void Write(const std::uint8_t* ABuffer, std::int32_t ALength);
  virtual void Write(std::u16string_view AOut, const TIdTextEncoding* AByteEncoding = nullptr);
  virtual void WriteLn(const TIdTextEncoding* AEncoding = nullptr);
  virtual void WriteLn(std::u16string_view AOut, const TIdTextEncoding* AByteEncoding = nullptr);
  // ASize 0: the whole stream from its start; negative: the rest from its
  // position. AWriteByteCount sends the size first as a big-endian prefix.
  virtual void Write(TStream* AStream, std::int64_t ASize = 0, bool AWriteByteCount = false);
  // Sends past the write buffer.
  void WriteDirect(const TIdBytes& ABuffer, std::int32_t ALength = -1, std::int32_t AOffset = 0);
  void WriteDirect(const std::uint8_t* ABuffer, std::int32_t ALength);

  // Write buffering
  virtual void WriteBufferOpen(std::int32_t AThreshold);
  void WriteBufferOpen() { WriteBufferOpen(-1); }
  virtual void WriteBufferClose();
  virtual void WriteBufferFlush(std::int32_t AByteCount);
  void WriteBufferFlush() { WriteBufferFlush(-1); }
  virtual void WriteBufferClear();
  virtual void WriteBufferCancel();
  bool WriteBufferingActive() const { return FWriteBuffer != nullptr; }

  // While true, what is sent is followed at once by more, so the platform
  // may hold it back to leave with what follows (one segment on the wire
  // instead of two); the sends themselves are the same. Whoever sets it
  // clears it before the last write of the run.
  bool MoreFollows() const { return FMoreFollows; }
  void SetMoreFollows(bool AValue) { FMoreFollows = AValue; }

  // Properties
  bool ClosedGracefully() const { return FClosedGracefully; }
  std::int32_t ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(std::int32_t AValue) { FConnectTimeout = AValue; }
  virtual std::u16string Destination();
  // Splits "host:port" at its last colon.
  virtual void SetDestination(const std::u16string& AValue);
  const std::u16string& Host() const { return FHost; }
  virtual void SetHost(const std::u16string& AValue);
  std::int32_t Port() const { return FPort; }
  virtual void SetPort(std::int32_t AValue);
  TIdBuffer* InputBuffer() const { return FInputBuffer.get(); }
  bool LargeStream() const { return FLargeStream; }
  void SetLargeStream(bool AValue) { FLargeStream = AValue; }
  std::int32_t MaxCapturedLines() const { return FMaxCapturedLines; }
  void SetMaxCapturedLines(std::int32_t AValue) { FMaxCapturedLines = AValue; }
  TIdMaxLineAction MaxLineAction() const { return FMaxLineAction; }
  void SetMaxLineAction(TIdMaxLineAction AValue) { FMaxLineAction = AValue; }
  std::int32_t MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(std::int32_t AValue) { FMaxLineLength = AValue; }
  bool Opened() const { return FOpened; }
  bool ReadLnSplit() const { return FReadLnSplit; }
  bool ReadLnTimedout() const { return FReadLnTimedOut; }
  std::int32_t ReadTimeout() const { return FReadTimeOut; }
  void SetReadTimeout(std::int32_t AValue) { FReadTimeOut = AValue; }
  std::int32_t RecvBufferSize() const { return FRecvBufferSize; }
  void SetRecvBufferSize(std::int32_t AValue) { FRecvBufferSize = AValue; }
  std::int32_t SendBufferSize() const { return FSendBufferSize; }
  void SetSendBufferSize(std::int32_t AValue) { FSendBufferSize = AValue; }
  std::int32_t WriteBufferThreshold() const { return FWriteBufferThreshold; }
  void SetWriteBufferThreshold(std::int32_t AValue) { FWriteBufferThreshold = AValue; }
  const TIdTextEncoding* DefStringEncoding() const { return FDefStringEncoding; }
  void SetDefStringEncoding(const TIdTextEncoding* AValue) { FDefStringEncoding = AValue; }

 protected:
  // One wait-and-receive step, the basis of all reads: the count received,
  // 0 when nothing can be read, -1 on a time-out not raised.
  std::int32_t ReadIntoInputBuffer(bool ARaiseExceptionIfDisconnected = true,
                                   std::int32_t ATimeout = IdTimeoutDefault, bool ARaiseExceptionOnTimeout = true);

  // The socket primitives of a subclass; the base has none.
  virtual std::int32_t ReceiveFromSocket(void* ABuffer, std::int32_t ALength);
  virtual std::int32_t SendToSocket(const std::uint8_t* ABuffer, std::int32_t ALength);
  virtual bool SocketAvailable();

  bool FLargeStream = false;
  bool FClosedGracefully = false;
  std::int32_t FConnectTimeout = 0;
  std::u16string FDestination;
  std::u16string FHost;
  std::unique_ptr<TIdBuffer> FInputBuffer;
  std::int32_t FMaxCapturedLines = -1;
  TIdMaxLineAction FMaxLineAction = maException;
  std::int32_t FMaxLineLength = IdMaxLineLengthDefault;
  bool FOpened = false;
  std::int32_t FPort = 0;
  bool FReadLnSplit = false;
  bool FReadLnTimedOut = false;
  std::int32_t FReadTimeOut = IdTimeoutDefault;
  std::int32_t FRecvBufferSize = GRecvBufferSizeDefault;
  std::int32_t FSendBufferSize = GSendBufferSizeDefault;
  std::unique_ptr<TIdBuffer> FWriteBuffer;
  std::int32_t FWriteBufferThreshold = 0;
  const TIdTextEncoding* FDefStringEncoding;
  bool FMoreFollows = false;

 private:
  // ReadIntoInputBuffer receiving into ADirect (at most ADirectLength bytes)
  // instead of the input buffer when ADirect is given.
  std::int32_t ReceiveStep(bool ARaiseExceptionIfDisconnected, std::int32_t ATimeout,
                           bool ARaiseExceptionOnTimeout, std::uint8_t* ADirect, std::int32_t ADirectLength);
  std::int64_t ReadSizePrefix();
  void WriteSizePrefix(std::int64_t ASize);
};

}  // namespace zorapi

// The process-wide socket stack: one object at a time, GSocketStack, created
// by the first user and freed by the last, that turns host names into
// addresses and every platform failure into a numbered, worded exception.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ip_version.h"
#include "platform/sockets.h"
#include "transport/id_global.h"

namespace zorapi {

using TIdStackSocketHandle = platform::SocketHandle;
inline constexpr TIdStackSocketHandle Id_INVALID_SOCKET = platform::InvalidSocket;
inline constexpr int Id_SOCKET_ERROR = platform::SocketError;
inline constexpr int Id_SOCK_STREAM = platform::Id_SOCK_STREAM;
inline constexpr int Id_SOL_SOCKET = platform::Id_SOL_SOCKET;
inline constexpr int Id_SO_TYPE = platform::Id_SO_TYPE;
inline constexpr int Id_SO_REUSEADDR = platform::Id_SO_REUSEADDR;
inline constexpr int Id_IPPROTO_TCP = platform::Id_IPPROTO_TCP;
inline constexpr int Id_TCP_NODELAY = platform::Id_TCP_NODELAY;

class TIdStack {
 public:
  virtual ~TIdStack() = default;
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // Register and release one user; the first creates GSocketStack, the
  // last frees it.
  static void IncUsage();
  static void DecUsage();

  virtual TIdStackSocketHandle NewSocketHandle(int ASocketType, int AProtocol, TIdIPVersion AIPVersion = Id_IPv4,
                                               bool AOverlapped = false) = 0;
  virtual void Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                    TIdIPVersion AIPVersion = Id_IPv4) = 0;
  // With AAbort the connect can be given up from another thread.
  virtual void Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                       TIdIPVersion AIPVersion = Id_IPv4, platform::ConnectAbort* AAbort = nullptr) = 0;
  // Starts a connect and takes its end when that comes at once: true when
  // connected, false while it is under way (FinishConnect then waits for
  // it); a failure raises.
  virtual bool BeginConnect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                            TIdIPVersion AIPVersion = Id_IPv4) = 0;
  // Waits for the end of a connect that BeginConnect left under way; with
  // AAbort the wait can be given up from another thread.
  virtual void FinishConnect(TIdStackSocketHandle ASocket, platform::ConnectAbort* AAbort = nullptr) = 0;
  virtual void Disconnect(TIdStackSocketHandle ASocket) = 0;
  // Bytes received into the whole array; 0 when the peer closed.
  virtual int Receive(TIdStackSocketHandle ASocket, TIdBytes& VBuffer) = 0;
  // The same into plain memory, so readers can fill their buffers in place.
  virtual int ReceiveInto(TIdStackSocketHandle ASocket, void* ABuffer, int ALength) = 0;
  virtual int Send(TIdStackSocketHandle ASocket, const TIdBytes& ABuffer, int AOffset = 0, int ASize = -1) = 0;
  // AMoreFollows: see platform::Send.
  virtual int SendFrom(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, bool AMoreFollows = false) = 0;
  virtual void GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                             TIdIPVersion& VIPVersion) = 0;
  virtual void GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                           TIdIPVersion& VIPVersion) = 0;
  virtual void GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, std::int32_t& AOptVal) = 0;
  virtual void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, std::int32_t AOptVal) = 0;

  // Four dot-separated decimal numbers 0 to 255.
  bool IsIP(std::u16string_view AIP) const;
  // "LOCALHOST" in any case gives "127.0.0.1", an address stays as it is,
  // anything else is looked up.
  std::u16string ResolveHost(const std::u16string& AHost, TIdIPVersion AIPVersion = Id_IPv4);

  virtual int WSGetLastError() = 0;
  // AResult unless it is -1, in which case the last error is raised.
  int CheckForSocketError(int AResult);
  [[noreturn]] void RaiseLastSocketError();
  [[noreturn]] void RaiseSocketError(int AErr);
  // "Socket Error # %d\r\n%s" with the number and its text.
  virtual std::u16string WSTranslateSocketErrorMsg(int AErr);

  virtual std::uint16_t HostToNetwork(std::uint16_t AValue) = 0;
  virtual std::uint16_t NetworkToHost(std::uint16_t AValue) = 0;

 protected:
  TIdStack() = default;
  virtual std::u16string LookupHostAddress(const std::u16string& AHost, TIdIPVersion AIPVersion) = 0;
};

// The logic common to socket libraries of the Berkeley kind, over the
// operations of platform/sockets.h.
class TIdStackBSDBase : public TIdStack {
 public:
  TIdStackSocketHandle NewSocketHandle(int ASocketType, int AProtocol, TIdIPVersion AIPVersion = Id_IPv4,
                                       bool AOverlapped = false) override;
  void Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
            TIdIPVersion AIPVersion = Id_IPv4) override;
  void Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
               TIdIPVersion AIPVersion = Id_IPv4, platform::ConnectAbort* AAbort = nullptr) override;
  bool BeginConnect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                    TIdIPVersion AIPVersion = Id_IPv4) override;
  void FinishConnect(TIdStackSocketHandle ASocket, platform::ConnectAbort* AAbort = nullptr) override;
  void Disconnect(TIdStackSocketHandle ASocket) override;
  int Receive(TIdStackSocketHandle ASocket, TIdBytes& VBuffer) override;
  int ReceiveInto(TIdStackSocketHandle ASocket, void* ABuffer, int ALength) override;
  int Send(TIdStackSocketHandle ASocket, const TIdBytes& ABuffer, int AOffset = 0, int ASize = -1) override;
  int SendFrom(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, bool AMoreFollows = false) override;
  void GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                     TIdIPVersion& VIPVersion) override;
  void GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                   TIdIPVersion& VIPVersion) override;
  void GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, std::int32_t& AOptVal) override;
  void SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, std::int32_t AOptVal) override;
  int WSGetLastError() override;
  std::uint16_t HostToNetwork(std::uint16_t AValue) override;
  std::uint16_t NetworkToHost(std::uint16_t AValue) override;

 protected:
  std::u16string LookupHostAddress(const std::u16string& AHost, TIdIPVersion AIPVersion) override;
};

// The stack of this build: the platform's sockets (WS2_32 bound at run time
// on Windows, the C library's elsewhere). Creating it starts the socket
// library once per process.
class TIdStackNative final : public TIdStackBSDBase {
 public:
  TIdStackNative();
  std::u16string WSTranslateSocketErrorMsg(int AErr) override;
};

// The class GSocketStack is made of, set before the first user.
using TIdStackClass = TIdStack* (*)();
void SetStackClass(TIdStackClass AClass);

// The one stack object while the stack has users, else none.
TIdStack* GSocketStack();

// The stack's user count (for tests).
std::int32_t StackUserCount();

// The text the platform gives back for the IPv4 address AIP once it is
// connected to it (dotted decimal: "127.0.0.1" for "127.000.000.001");
// empty when AIP is no IPv4 address, or is the any-address, which the
// platform replaces by an address of this host.
std::u16string ConnectedIPv4Text(std::u16string_view AIP);

// The table text of an error number, empty for a number not in it.
std::u16string SocketErrorText(int AErr);

}  // namespace zorapi

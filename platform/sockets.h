// The operating system's sockets as the socket layer needs them: blocking TCP
// sockets, a readiness wait, IPv4 name lookup, and a connect that another
// thread can abandon. Every failure is reported as a Windows Sockets error
// number (10061 for a refused connect, 11001 for an unknown host, ...) on
// every platform, so that the numbers and texts above this layer are the
// same everywhere. Functions return 0 (or a count) on success and
// SocketError on failure; LastSocketError then tells why, per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/exceptions.h"
#include "core/ip_version.h"

namespace zorapi::platform {

using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle InvalidSocket = ~SocketHandle{0};
inline constexpr int SocketError = -1;

// Socket types, option levels and option names as the platform numbers them.
#if defined(_WIN32)
inline constexpr int Id_SOCK_STREAM = 1;
inline constexpr int Id_SOL_SOCKET = 0xFFFF;
inline constexpr int Id_SO_TYPE = 0x1008;
inline constexpr int Id_SO_REUSEADDR = 0x0004;
inline constexpr int Id_IPPROTO_TCP = 6;
inline constexpr int Id_TCP_NODELAY = 0x0001;
#else
inline constexpr int Id_SOCK_STREAM = 1;
inline constexpr int Id_SOL_SOCKET = 1;
inline constexpr int Id_SO_TYPE = 3;
inline constexpr int Id_SO_REUSEADDR = 2;
inline constexpr int Id_IPPROTO_TCP = 6;
inline constexpr int Id_TCP_NODELAY = 1;
#endif

// Windows Sockets error numbers the layers above test for.
inline constexpr int Id_WSAEINTR = 10004;
inline constexpr int Id_WSAEBADF = 10009;
inline constexpr int Id_WSAEINVAL = 10022;
inline constexpr int Id_WSAEMFILE = 10024;
inline constexpr int Id_WSAENOTSOCK = 10038;
inline constexpr int Id_WSAECONNRESET = 10054;
inline constexpr int Id_WSAETIMEDOUT = 10060;
inline constexpr int Id_WSAECONNREFUSED = 10061;
inline constexpr int Id_WSANOTINITIALISED = 10093;
inline constexpr int Id_WSAHOST_NOT_FOUND = 11001;
inline constexpr int Id_WSATRY_AGAIN = 11002;
inline constexpr int Id_WSANO_RECOVERY = 11003;
inline constexpr int Id_WSANO_DATA = 11004;

// Time-out of WaitReadable that waits without limit.
inline constexpr std::int32_t WaitForever = -2;

enum class AddressFamily : std::uint8_t { Other, IPv4, IPv6 };

// An address record: the address bytes in network order (4 of them for
// IPv4) and the port in host order.
struct SocketAddress {
  AddressFamily Family = AddressFamily::IPv4;
  std::uint8_t Bytes[16] = {};
  std::uint16_t Port = 0;
};

// Failure to load or bind the platform's socket library.
class EIdWinsockStubError : public EIdException {
 public:
  EIdWinsockStubError(std::int32_t AWin32Error, std::u16string ATitle, std::u16string AWin32ErrorMessage,
                      std::u16string AMessage);
  // Title as given; with a non-zero number the message is the title, ": "
  // and the platform's text for the number, else the title alone.
  static EIdWinsockStubError Build(std::int32_t AWin32Error, std::u16string ATitle);

  std::int32_t Win32Error() const { return FWin32Error; }
  const std::u16string& Win32ErrorMessage() const { return FWin32ErrorMessage; }
  const std::u16string& Title() const { return FTitle; }

 private:
  std::int32_t FWin32Error;
  std::u16string FTitle;
  std::u16string FWin32ErrorMessage;
};

// The platform's own text for an operating-system error number.
std::u16string SystemErrorMessage(std::int32_t AError);

// Starts the socket library once per process (later calls do nothing);
// raises EIdWinsockStubError when it cannot be loaded or started.
void StartSocketLibrary();
// Stops what StartSocketLibrary started; for the unload of the library.
void StopSocketLibrary();

// The Windows Sockets number of the last failure on the calling thread.
int LastSocketError();

// A new blocking socket of the family, or InvalidSocket.
SocketHandle NewSocket(TIdIPVersion AIPVersion, int ASocketType, int AProtocol);

int BindSocket(SocketHandle ASocket, const SocketAddress& AAddress);
int GetSocketName(SocketHandle ASocket, SocketAddress& VAddress);
int GetPeerName(SocketHandle ASocket, SocketAddress& VAddress);
int GetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t& VOptVal);
int SetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t AOptVal);

// Lets one thread give up a connect that another thread is waiting in.
// Abandon may be called from any thread, any number of times, also before
// the connect starts; the connect then fails with Id_WSAEINTR. The socket
// itself is never touched by Abandon, so no thread uses a closed handle.
class ConnectAbort {
 public:
  ConnectAbort();
  ~ConnectAbort();
  ConnectAbort(const ConnectAbort&) = delete;
  ConnectAbort& operator=(const ConnectAbort&) = delete;

  void Abandon();
  bool Abandoned() const;

  struct State;  // per platform
  State& Platform() { return *FState; }

 private:
  std::unique_ptr<State> FState;
};

// Connects and returns when connected or failed. With AAbort the wait can
// be ended from another thread; the socket stays blocking for the caller.
int ConnectSocket(SocketHandle ASocket, const SocketAddress& AAddress, ConnectAbort* AAbort = nullptr);

// BeginConnect's result for a connect that is still under way.
inline constexpr int ConnectPending = 1;

// Starts a connect on a blocking socket and looks once, without waiting,
// whether it has ended: 0 when connected, SocketError when it failed,
// ConnectPending while it is under way. Only in that last case is the
// socket left non-blocking, for FinishConnect; else it is blocking again.
int BeginConnect(SocketHandle ASocket, const SocketAddress& AAddress);

// Waits for the end of a connect that BeginConnect left under way, or
// until AAbort (if any) is abandoned, which fails with Id_WSAEINTR; the
// socket is blocking again afterwards. It never calls connect itself: a
// second connect after a failure would start a new attempt.
int FinishConnect(SocketHandle ASocket, ConnectAbort* AAbort);

// Waits until one of the sockets is readable (data, or the peer closed)
// or ATimeoutMs passes (WaitForever: no limit; 0: only looks). Returns
// how many are readable, 0 on time-out, SocketError on failure. Works for
// handle values of any size; at most 64 handles are passed.
int WaitReadable(const SocketHandle* AHandles, std::size_t ACount, std::int32_t ATimeoutMs);

// One receive of at most ALength bytes: the count, 0 when the peer closed.
int Receive(SocketHandle ASocket, void* ABuffer, int ALength);
// One send; may take fewer bytes than offered. Never raises a signal.
// AMoreFollows: more bytes are sent right after these, so the platform may
// hold these back to leave together with them, in one segment where they
// fit; the last send of such a run is made without it.
int Send(SocketHandle ASocket, const void* ABuffer, int ALength, bool AMoreFollows = false);

// Shut the sending side down, and close; results are ignored.
void ShutdownSend(SocketHandle ASocket);
void CloseSocket(SocketHandle ASocket);

// The first IPv4 address of a host name. Returns 0 and fills AAddress, or
// the Windows Sockets number of the failure (Id_WSAHOST_NOT_FOUND for a
// name that does not exist).
int LookupIPv4(std::u16string_view AHost, std::uint8_t (&AAddress)[4]);

std::uint16_t HostToNetwork16(std::uint16_t AValue);
std::uint16_t NetworkToHost16(std::uint16_t AValue);

}  // namespace zorapi::platform

// Windows Sockets 2 behind the socket operations. WS2_32.DLL is loaded at
// run time, never linked: every function is called through a reference
// that first points to a binder, which looks the function up by name on
// its first call, stores the address and calls it. Error numbers are
// WSAGetLastError's, as they come.
//
// Inside the loader's notification of this DLL (the start-up at process
// attach) the library is not loaded: LoadLibraryW and WSAStartup may
// deadlock on the loader lock there. The start is then held back and made
// by the first socket call from outside.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "core/text.h"
#include "platform/loader_lock.h"
#include "platform/sockets.h"

namespace zorapi::platform {

static_assert(Id_SOCK_STREAM == SOCK_STREAM);
static_assert(Id_SOL_SOCKET == SOL_SOCKET);
static_assert(Id_SO_TYPE == SO_TYPE);
static_assert(Id_SO_REUSEADDR == SO_REUSEADDR);
static_assert(Id_IPPROTO_TCP == IPPROTO_TCP);
static_assert(Id_TCP_NODELAY == TCP_NODELAY);
static_assert(sizeof(SocketHandle) == sizeof(SOCKET) && InvalidSocket == INVALID_SOCKET);

namespace {

constexpr const wchar_t* kWinsockLibrary = L"WS2_32.DLL";
constexpr const char16_t* kWinsockLibraryText = u"WS2_32.DLL";

// The loaded libraries and the start state, guarded by gStartLock.
constinit SRWLOCK gStartLock = SRWLOCK_INIT;
constinit std::atomic<HMODULE> gWinsock{nullptr};
constinit HMODULE gWship6 = nullptr;
constinit bool gStartDeferred = false;  // asked for inside the loader's notification

constinit thread_local int tLastError = 0;

class TStartLock {
 public:
  TStartLock() { AcquireSRWLockExclusive(&gStartLock); }
  ~TStartLock() { ReleaseSRWLockExclusive(&gStartLock); }
  TStartLock(const TStartLock&) = delete;
  TStartLock& operator=(const TStartLock&) = delete;
};

[[noreturn]] void RaiseStubError(std::int32_t AError, std::u16string ATitle) {
  throw EIdWinsockStubError::Build(AError, std::move(ATitle));
}

void StartLocked();

// The loaded WS2_32.DLL, starting it first when the start was held back.
HMODULE Winsock() {
  if (HMODULE h = gWinsock.load(std::memory_order_acquire)) return h;
  if (InsideLoaderNotification()) return nullptr;
  const TStartLock lock;
  if (gStartDeferred && gWinsock.load() == nullptr) StartLocked();
  return gWinsock.load();
}

// Any function address; cast to the function's own type by its binder.
using TAnyFunction = void (*)();

// Algorithm of every binder: the address of a WS2_32 function, or
// EIdWinsockStubError (10093 without the library, 10022 without the name).
TAnyFunction BindWinsockFunction(const char* AName) {
  const HMODULE winsock = Winsock();
  const std::u16string title = u"Error on call to Winsock2 library function " + AsciiToText(AName);
  if (winsock == nullptr) RaiseStubError(WSANOTINITIALISED, title);
  const FARPROC f = GetProcAddress(winsock, AName);
  if (f == nullptr) RaiseStubError(WSAEINVAL, title);
  return reinterpret_cast<TAnyFunction>(f);
}

// A function reference of WS2_32 with its binder. Reset puts the binder
// back, for when the library is unloaded.
#define ZORAPI_WINSOCK_FUNCTION(Result, Name, Params, Args)                       \
  using T_##Name = Result(WINAPI*) Params;                                        \
  Result WINAPI Bind_##Name Params;                                               \
  constinit std::atomic<T_##Name> p_##Name{&Bind_##Name};                         \
  Result WINAPI Bind_##Name Params {                                              \
    const auto bound = reinterpret_cast<T_##Name>(BindWinsockFunction(#Name));    \
    p_##Name.store(bound);                                                        \
    return bound Args;                                                            \
  }                                                                               \
  void Reset_##Name() { p_##Name.store(&Bind_##Name); }

ZORAPI_WINSOCK_FUNCTION(int, WSAStartup, (WORD v, LPWSADATA d), (v, d))
ZORAPI_WINSOCK_FUNCTION(int, WSACleanup, (), ())
ZORAPI_WINSOCK_FUNCTION(int, WSAGetLastError, (), ())
ZORAPI_WINSOCK_FUNCTION(SOCKET, socket, (int af, int type, int protocol), (af, type, protocol))
ZORAPI_WINSOCK_FUNCTION(int, bind, (SOCKET s, const sockaddr* a, int n), (s, a, n))
ZORAPI_WINSOCK_FUNCTION(int, connect, (SOCKET s, const sockaddr* a, int n), (s, a, n))
ZORAPI_WINSOCK_FUNCTION(int, getsockname, (SOCKET s, sockaddr* a, int* n), (s, a, n))
ZORAPI_WINSOCK_FUNCTION(int, getpeername, (SOCKET s, sockaddr* a, int* n), (s, a, n))
ZORAPI_WINSOCK_FUNCTION(int, getsockopt, (SOCKET s, int l, int o, char* v, int* n), (s, l, o, v, n))
ZORAPI_WINSOCK_FUNCTION(int, setsockopt, (SOCKET s, int l, int o, const char* v, int n), (s, l, o, v, n))
ZORAPI_WINSOCK_FUNCTION(int, ioctlsocket, (SOCKET s, long c, u_long* a), (s, c, a))
ZORAPI_WINSOCK_FUNCTION(int, select, (int n, fd_set* r, fd_set* w, fd_set* x, const timeval* t), (n, r, w, x, t))
ZORAPI_WINSOCK_FUNCTION(int, recv, (SOCKET s, char* b, int n, int flags), (s, b, n, flags))
ZORAPI_WINSOCK_FUNCTION(int, send, (SOCKET s, const char* b, int n, int flags), (s, b, n, flags))
ZORAPI_WINSOCK_FUNCTION(int, shutdown, (SOCKET s, int how), (s, how))
ZORAPI_WINSOCK_FUNCTION(int, closesocket, (SOCKET s), (s))
ZORAPI_WINSOCK_FUNCTION(u_short, htons, (u_short v), (v))
ZORAPI_WINSOCK_FUNCTION(u_short, ntohs, (u_short v), (v))
ZORAPI_WINSOCK_FUNCTION(hostent*, gethostbyname, (const char* name), (name))

#undef ZORAPI_WINSOCK_FUNCTION

void ResetFunctionReferences() {
  Reset_WSAStartup(); Reset_WSACleanup(); Reset_WSAGetLastError(); Reset_socket(); Reset_bind();
  Reset_connect(); Reset_getsockname(); Reset_getpeername(); Reset_getsockopt(); Reset_setsockopt();
  Reset_ioctlsocket(); Reset_select(); Reset_recv(); Reset_send(); Reset_shutdown(); Reset_closesocket();
  Reset_htons(); Reset_ntohs(); Reset_gethostbyname();
}

// The address-info functions, found when the library starts, from WS2_32
// or else from Wship6.dll; null where neither has all three.
using TGetAddrInfoW = INT(WSAAPI*)(PCWSTR, PCWSTR, const ADDRINFOW*, PADDRINFOW*);
using TFreeAddrInfoW = VOID(WSAAPI*)(PADDRINFOW);
constinit std::atomic<TGetAddrInfoW> gGetAddrInfoW{nullptr};
constinit std::atomic<TFreeAddrInfoW> gFreeAddrInfoW{nullptr};

bool NtVersion5OrLater() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&v)) return false;
#pragma GCC diagnostic pop
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion >= 5;
}

bool HasAddressInfo(HMODULE m) {
  return m && GetProcAddress(m, "GetAddrInfoW") && GetProcAddress(m, "GetNameInfoW") &&
         GetProcAddress(m, "FreeAddrInfoW");
}

// Wship6.dll from the system directory only: it is not one of the known
// DLLs, and a copy beside the host program must not be taken.
HMODULE LoadWship6() {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(dir, n) + L"\\wship6.dll").c_str());
}

void FindAddressInfoFunctions(HMODULE winsock) {
  HMODULE source = nullptr;
  if (HasAddressInfo(winsock)) {
    source = winsock;
  } else if (HMODULE wship6 = LoadWship6()) {
    if (HasAddressInfo(wship6)) {
      gWship6 = wship6;
      source = wship6;
    } else {
      FreeLibrary(wship6);
    }
  }
  if (source == nullptr || !NtVersion5OrLater()) return;
  gGetAddrInfoW.store(reinterpret_cast<TGetAddrInfoW>(reinterpret_cast<TAnyFunction>(GetProcAddress(source, "GetAddrInfoW"))));
  gFreeAddrInfoW.store(reinterpret_cast<TFreeAddrInfoW>(reinterpret_cast<TAnyFunction>(GetProcAddress(source, "FreeAddrInfoW"))));
}

// Loads WS2_32.DLL without the system's open-file error box and starts it
// for version 2.2; under gStartLock. The library is published to the
// binders only once it has been started.
void StartLocked() {
  gStartDeferred = false;
  if (gWinsock.load() != nullptr) return;
  const std::u16string title = u"Error on loading Winsock2 library (" + std::u16string(kWinsockLibraryText) + u")";
  // SetErrorMode can only be read by setting it: add the flag to the mode
  // found, and put the old mode back after the load.
  const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  SetErrorMode(oldMode | SEM_NOOPENFILEERRORBOX);
  const HMODULE winsock = LoadLibraryW(kWinsockLibrary);
  const DWORD loadError = GetLastError();
  SetErrorMode(oldMode);
  if (winsock == nullptr) RaiseStubError(static_cast<std::int32_t>(loadError), title);
  const auto startup =
      reinterpret_cast<T_WSAStartup>(reinterpret_cast<TAnyFunction>(GetProcAddress(winsock, "WSAStartup")));
  WSADATA data{};
  const int started = startup ? startup(MAKEWORD(2, 2), &data) : WSAEINVAL;
  if (started != 0) {
    FreeLibrary(winsock);
    RaiseStubError(started, title);
  }
  FindAddressInfoFunctions(winsock);
  gWinsock.store(winsock, std::memory_order_release);
}

int Fail(int wsaError) {
  tLastError = wsaError;
  return SocketError;
}

// The last Winsock failure of this thread, recorded.
int FailLast() { return Fail(p_WSAGetLastError.load()()); }

SOCKET Sock(SocketHandle h) { return static_cast<SOCKET>(h); }

int ToSockaddr(const SocketAddress& a, sockaddr_storage& s) {
  std::memset(&s, 0, sizeof s);
  if (a.Family == AddressFamily::IPv6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&s);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = p_htons.load()(a.Port);
    std::memcpy(&in6->sin6_addr, a.Bytes, 16);
    return sizeof(sockaddr_in6);
  }
  auto* in = reinterpret_cast<sockaddr_in*>(&s);
  in->sin_family = AF_INET;
  in->sin_port = p_htons.load()(a.Port);
  std::memcpy(&in->sin_addr, a.Bytes, 4);
  return sizeof(sockaddr_in);
}

void FromSockaddr(const sockaddr_storage& s, SocketAddress& a) {
  a = SocketAddress{};
  if (s.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&s);
    a.Family = AddressFamily::IPv4;
    a.Port = p_ntohs.load()(in->sin_port);
    std::memcpy(a.Bytes, &in->sin_addr, 4);
  } else if (s.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&s);
    a.Family = AddressFamily::IPv6;
    a.Port = p_ntohs.load()(in6->sin6_port);
    std::memcpy(a.Bytes, &in6->sin6_addr, 16);
  } else {
    a.Family = AddressFamily::Other;
  }
}

// A descriptor set of the given sockets; at most FD_SETSIZE (64) of them.
void FillSet(fd_set& set, const SocketHandle* AHandles, std::size_t ACount) {
  set.fd_count = static_cast<u_int>(ACount);
  for (std::size_t i = 0; i < ACount; ++i) set.fd_array[i] = Sock(AHandles[i]);
}

bool SetBlocking(SOCKET s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return p_ioctlsocket.load()(s, FIONBIO, &nonBlocking) == 0;
}

// How often a connect that can be abandoned looks at its abort.
constexpr long kAbortPollMicroseconds = 50 * 1000;

// One wait of at most AMicroseconds for the non-blocking connect of s to
// end: its result, or ConnectPending while it is under way.
int LookAtConnect(SOCKET s, long AMicroseconds) {
  fd_set writable{}, failed{};
  const SocketHandle h = s;
  FillSet(writable, &h, 1);
  FillSet(failed, &h, 1);
  const timeval limit{0, AMicroseconds};
  const int n = p_select.load()(0, nullptr, &writable, &failed, &limit);
  if (n == SOCKET_ERROR) return FailLast();
  if (failed.fd_count != 0) {
    int err = 0;
    int len = sizeof err;
    if (p_getsockopt.load()(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) return FailLast();
    return Fail(err != 0 ? err : WSAECONNREFUSED);
  }
  if (writable.fd_count != 0) return 0;
  return ConnectPending;
}

// Waits for the non-blocking connect of s to finish, or for the abort.
int AwaitConnect(SOCKET s, const std::atomic<bool>& abandoned) {
  for (;;) {
    if (abandoned.load()) return Fail(Id_WSAEINTR);
    const int r = LookAtConnect(s, kAbortPollMicroseconds);
    if (r != ConnectPending) return r;
  }
}

// Makes the socket blocking again once its connect has ended with
// AResult; a failure of the connect keeps its own error number.
int EndConnect(SOCKET s, int AResult) {
  const int savedError = tLastError;
  if (!SetBlocking(s, true) && AResult == 0) return FailLast();
  tLastError = savedError;
  return AResult;
}

// A failed lookup whose error number was left at 0 still failed: reading
// 0 as success would connect to an address that was never filled in.
int LookupFailure(int AError) { return AError != 0 ? AError : Id_WSANO_RECOVERY; }

// Results of the address-info functions as error numbers. On Windows they
// return Windows Sockets numbers already; the small values are those of
// the Berkeley numbering. No result stands for success here.
int WsaFromAddrInfo(int r) {
  switch (r) {
    case 1: return Id_WSANO_DATA;
    case 2: return Id_WSATRY_AGAIN;
    case 3: return Id_WSAEINVAL;
    case 4: return Id_WSANO_RECOVERY;
    case 5: return WSAEAFNOSUPPORT;
    case 6: return WSA_NOT_ENOUGH_MEMORY;
    case 7: return Id_WSANO_DATA;
    case 8: return Id_WSAHOST_NOT_FOUND;
    case 9: return WSATYPE_NOT_FOUND;
    case 10: return WSAESOCKTNOSUPPORT;
    case 11: return LookupFailure(static_cast<int>(GetLastError()));
    default: return r;
  }
}

int LookupByAddressInfo(TGetAddrInfoW getAddrInfo, std::u16string_view AHost, std::uint8_t (&AAddress)[4]) {
  const std::wstring host(AHost.begin(), AHost.end());
  ADDRINFOW hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* list = nullptr;
  const int r = getAddrInfo(host.c_str(), nullptr, &hints, &list);
  if (r != 0) return WsaFromAddrInfo(r);
  int result = Id_WSANO_DATA;
  for (const ADDRINFOW* p = list; p; p = p->ai_next) {
    if (p->ai_family == AF_INET && p->ai_addr) {
      std::memcpy(AAddress, &reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr, 4);
      result = 0;
      break;
    }
  }
  gFreeAddrInfoW.load()(list);
  return result;
}

// Without the address-info functions: the host name in the system's 8-bit
// code page, through gethostbyname.
int LookupByHostEntry(std::u16string_view AHost, std::uint8_t (&AAddress)[4]) {
  std::string host;
  if (!AHost.empty()) {
    const auto* units = reinterpret_cast<const wchar_t*>(AHost.data());
    const int count = static_cast<int>(AHost.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return Id_WSAHOST_NOT_FOUND;
    host.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, units, count, host.data(), n, nullptr, nullptr);
  }
  const hostent* entry = p_gethostbyname.load()(host.c_str());
  if (entry == nullptr) return LookupFailure(p_WSAGetLastError.load()());
  if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list == nullptr ||
      entry->h_addr_list[0] == nullptr)
    return Id_WSANO_DATA;
  std::memcpy(AAddress, entry->h_addr_list[0], 4);
  return 0;
}

}  // namespace

struct ConnectAbort::State {
  std::atomic<bool> Abandoned{false};
};

ConnectAbort::ConnectAbort() : FState(std::make_unique<State>()) {}
ConnectAbort::~ConnectAbort() = default;
void ConnectAbort::Abandon() { FState->Abandoned.store(true); }
bool ConnectAbort::Abandoned() const { return FState->Abandoned.load(); }

std::u16string SystemErrorMessage(std::int32_t AError) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
      static_cast<DWORD>(AError), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (n > 0 && buffer != nullptr) text.assign(buffer, buffer + n);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && text.back() <= u' ') text.pop_back();  // the line break the system appends
  return text;
}

void StartSocketLibrary() {
  if (gWinsock.load(std::memory_order_acquire) != nullptr) return;
  const TStartLock lock;
  if (InsideLoaderNotification()) {
    gStartDeferred = true;
    return;
  }
  StartLocked();
}

void StopSocketLibrary() {
  const TStartLock lock;
  gStartDeferred = false;
  const HMODULE winsock = gWinsock.load();
  if (winsock == nullptr) return;
  gGetAddrInfoW.store(nullptr);
  gFreeAddrInfoW.store(nullptr);
  if (gWship6 != nullptr) {
    FreeLibrary(gWship6);
    gWship6 = nullptr;
  }
  try {
    p_WSACleanup.load()();
  } catch (...) {
    // A library without WSACleanup is unloaded all the same.
  }
  gWinsock.store(nullptr);
  ResetFunctionReferences();
  FreeLibrary(winsock);
}

int LastSocketError() { return tLastError; }

SocketHandle NewSocket(TIdIPVersion AIPVersion, int ASocketType, int AProtocol) {
  const int family = AIPVersion == Id_IPv6 ? AF_INET6 : AF_INET;
  const SOCKET s = p_socket.load()(family, ASocketType, AProtocol);
  if (s == INVALID_SOCKET) {
    FailLast();
    return InvalidSocket;
  }
  // Not handed down to the host's child processes.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<SocketHandle>(s);
}

int BindSocket(SocketHandle ASocket, const SocketAddress& AAddress) {
  sockaddr_storage s;
  const int len = ToSockaddr(AAddress, s);
  if (p_bind.load()(Sock(ASocket), reinterpret_cast<const sockaddr*>(&s), len) != 0) return FailLast();
  return 0;
}

int GetSocketName(SocketHandle ASocket, SocketAddress& VAddress) {
  sockaddr_storage s{};
  int len = sizeof s;
  if (p_getsockname.load()(Sock(ASocket), reinterpret_cast<sockaddr*>(&s), &len) != 0) return FailLast();
  FromSockaddr(s, VAddress);
  return 0;
}

int GetPeerName(SocketHandle ASocket, SocketAddress& VAddress) {
  sockaddr_storage s{};
  int len = sizeof s;
  if (p_getpeername.load()(Sock(ASocket), reinterpret_cast<sockaddr*>(&s), &len) != 0) return FailLast();
  FromSockaddr(s, VAddress);
  return 0;
}

// Some options (TCP_NODELAY among them) come back in fewer than four
// bytes; the value starts at 0 so that the rest reads as zero.
int GetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t& VOptVal) {
  std::int32_t value = 0;
  int len = sizeof value;
  if (p_getsockopt.load()(Sock(ASocket), ALevel, AOptName, reinterpret_cast<char*>(&value), &len) != 0)
    return FailLast();
  VOptVal = value;
  return 0;
}

int SetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t AOptVal) {
  const std::int32_t value = AOptVal;
  if (p_setsockopt.load()(Sock(ASocket), ALevel, AOptName, reinterpret_cast<const char*>(&value), sizeof value) != 0)
    return FailLast();
  return 0;
}

int ConnectSocket(SocketHandle ASocket, const SocketAddress& AAddress, ConnectAbort* AAbort) {
  if (AAbort == nullptr) {
    sockaddr_storage s;
    const int len = ToSockaddr(AAddress, s);
    if (p_connect.load()(Sock(ASocket), reinterpret_cast<const sockaddr*>(&s), len) != 0) return FailLast();
    return 0;
  }
  if (AAbort->Abandoned()) return Fail(Id_WSAEINTR);
  const int begun = BeginConnect(ASocket, AAddress);
  return begun == ConnectPending ? FinishConnect(ASocket, AAbort) : begun;
}

int BeginConnect(SocketHandle ASocket, const SocketAddress& AAddress) {
  sockaddr_storage s;
  const int len = ToSockaddr(AAddress, s);
  const SOCKET sock = Sock(ASocket);
  if (!SetBlocking(sock, false)) return FailLast();
  if (p_connect.load()(sock, reinterpret_cast<const sockaddr*>(&s), len) == 0) return EndConnect(sock, 0);
  const int err = p_WSAGetLastError.load()();
  if (err != WSAEWOULDBLOCK) return EndConnect(sock, Fail(err));
  // A connect that has already ended needs no wait; one look tells.
  const int r = LookAtConnect(sock, 0);
  return r == ConnectPending ? r : EndConnect(sock, r);
}

int FinishConnect(SocketHandle ASocket, ConnectAbort* AAbort) {
  const SOCKET sock = Sock(ASocket);
  static const std::atomic<bool> never{false};
  return EndConnect(sock, AwaitConnect(sock, AAbort != nullptr ? AAbort->Platform().Abandoned : never));
}

int WaitReadable(const SocketHandle* AHandles, std::size_t ACount, std::int32_t ATimeoutMs) {
  if (ACount > FD_SETSIZE) return Fail(Id_WSAEINVAL);
  if (ACount == 0) {
    // select refuses empty sets; waiting on nothing is a sleep.
    if (ATimeoutMs < 0) return Fail(Id_WSAEINVAL);
    Sleep(static_cast<DWORD>(ATimeoutMs));
    return 0;
  }
  fd_set readable{};
  FillSet(readable, AHandles, ACount);
  timeval limit{ATimeoutMs / 1000, (ATimeoutMs % 1000) * 1000};
  const int n = p_select.load()(0, &readable, nullptr, nullptr, ATimeoutMs < 0 ? nullptr : &limit);
  if (n == SOCKET_ERROR) return FailLast();
  return n;
}

int Receive(SocketHandle ASocket, void* ABuffer, int ALength) {
  const int n = p_recv.load()(Sock(ASocket), static_cast<char*>(ABuffer), ALength, 0);
  if (n == SOCKET_ERROR) return FailLast();
  return n;
}

// Winsock has no way to hold a send back for the next one; each leaves
// as it comes.
int Send(SocketHandle ASocket, const void* ABuffer, int ALength, bool) {
  const int n = p_send.load()(Sock(ASocket), static_cast<const char*>(ABuffer), ALength, 0);
  if (n == SOCKET_ERROR) return FailLast();
  return n;
}

void ShutdownSend(SocketHandle ASocket) { p_shutdown.load()(Sock(ASocket), SD_SEND); }

void CloseSocket(SocketHandle ASocket) { p_closesocket.load()(Sock(ASocket)); }

int LookupIPv4(std::u16string_view AHost, std::uint8_t (&AAddress)[4]) {
  // A name with a NUL in it would be looked up cut short.
  if (AHost.find(u'\0') != std::u16string_view::npos) return Id_WSAHOST_NOT_FOUND;
  if (Winsock() == nullptr) return Id_WSANOTINITIALISED;
  if (const TGetAddrInfoW getAddrInfo = gGetAddrInfoW.load()) return LookupByAddressInfo(getAddrInfo, AHost, AAddress);
  return LookupByHostEntry(AHost, AAddress);
}

std::uint16_t HostToNetwork16(std::uint16_t AValue) { return p_htons.load()(AValue); }
std::uint16_t NetworkToHost16(std::uint16_t AValue) { return p_ntohs.load()(AValue); }

}  // namespace zorapi::platform

// BSD sockets of a POSIX system behind the socket operations. Errors are
// translated to Windows Sockets numbers; the readiness wait uses poll, so
// descriptors of any value work; sends never raise SIGPIPE; a connect can
// be abandoned through an eventfd.
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

#include "core/utf8.h"
#include "platform/clock.h"
#include "platform/sockets.h"
#include "platform/sockets_posix.h"

namespace zorapi::platform {

static_assert(Id_SOCK_STREAM == SOCK_STREAM);
static_assert(Id_SOL_SOCKET == SOL_SOCKET);
static_assert(Id_SO_TYPE == SO_TYPE);
static_assert(Id_SO_REUSEADDR == SO_REUSEADDR);
static_assert(Id_IPPROTO_TCP == IPPROTO_TCP);
static_assert(Id_TCP_NODELAY == TCP_NODELAY);

namespace {

constinit thread_local int tLastError = 0;

}  // namespace

int WsaFromErrno(int e) {
  switch (e) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return e;
  }
}

int WsaFromAddrInfo(int r, int savedErrno) {
  switch (r) {
#ifdef EAI_ADDRFAMILY
    // No address of the family: reported as "no address", never as success.
    case EAI_ADDRFAMILY: return 11004;
#endif
    case EAI_AGAIN: return 11002;
    case EAI_BADFLAGS: return 10022;
    case EAI_FAIL: return 11003;
    case EAI_FAMILY: return 10047;
    case EAI_MEMORY: return 8;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
    case EAI_NONAME: return 11001;
    case EAI_SERVICE: return 10109;
    case EAI_SOCKTYPE: return 10044;
    case EAI_SYSTEM: {
      // A system failure that left no errno is still a failure.
      const int e = WsaFromErrno(savedErrno);
      return e != 0 ? e : 11003;
    }
    default: return r;
  }
}

namespace {

int Fail(int wsaError) {
  tLastError = wsaError;
  return SocketError;
}

int FailErrno() { return Fail(WsaFromErrno(errno)); }

int Fd(SocketHandle h) { return static_cast<int>(h); }

socklen_t ToSockaddr(const SocketAddress& a, sockaddr_storage& s) {
  std::memset(&s, 0, sizeof s);
  if (a.Family == AddressFamily::IPv6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&s);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(a.Port);
    std::memcpy(&in6->sin6_addr, a.Bytes, 16);
    return sizeof(sockaddr_in6);
  }
  auto* in = reinterpret_cast<sockaddr_in*>(&s);
  in->sin_family = AF_INET;
  in->sin_port = htons(a.Port);
  std::memcpy(&in->sin_addr, a.Bytes, 4);
  return sizeof(sockaddr_in);
}

void FromSockaddr(const sockaddr_storage& s, SocketAddress& a) {
  a = SocketAddress{};
  if (s.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&s);
    a.Family = AddressFamily::IPv4;
    a.Port = ntohs(in->sin_port);
    std::memcpy(a.Bytes, &in->sin_addr, 4);
  } else if (s.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&s);
    a.Family = AddressFamily::IPv6;
    a.Port = ntohs(in6->sin6_port);
    std::memcpy(a.Bytes, &in6->sin6_addr, 16);
  } else {
    a.Family = AddressFamily::Other;
  }
}

// FIONBIO changes only the non-blocking mode, so the other flags need
// not be read first.
bool SetNonBlocking(int fd, bool nonBlocking) {
  int value = nonBlocking ? 1 : 0;
  return ::ioctl(fd, FIONBIO, &value) == 0;
}

// The end of a connect that poll has reported.
int ConnectOutcome(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return FailErrno();
  if (err != 0) return Fail(WsaFromErrno(err));
  return 0;
}

// Waits for the non-blocking connect of fd to finish, or for the abort to
// be signalled; the result of the connect, or the abandonment.
int AwaitConnect(int fd, int wakeFd) {
  for (;;) {
    pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
    const int n = ::poll(fds, wakeFd >= 0 ? 2 : 1, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno();
    }
    if (wakeFd >= 0 && fds[1].revents != 0) return Fail(Id_WSAEINTR);
    if (fds[0].revents == 0) continue;
    return ConnectOutcome(fd);
  }
}

// Makes the socket blocking again once its connect has ended with
// AResult; a failure of the connect keeps its own error number.
int EndConnect(int fd, int AResult) {
  const int savedError = tLastError;
  if (!SetNonBlocking(fd, false) && AResult == 0) return FailErrno();
  tLastError = savedError;
  return AResult;
}

}  // namespace

struct ConnectAbort::State {
  int WakeFd = -1;
  int CreateError = 0;
  std::atomic<bool> Abandoned{false};
};

ConnectAbort::ConnectAbort() : FState(std::make_unique<State>()) {
  FState->WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (FState->WakeFd < 0) FState->CreateError = WsaFromErrno(errno);
}

ConnectAbort::~ConnectAbort() {
  if (FState->WakeFd >= 0) ::close(FState->WakeFd);
}

void ConnectAbort::Abandon() {
  FState->Abandoned.store(true);
  if (FState->WakeFd >= 0) {
    const std::uint64_t one = 1;
    // The counter only grows; a failed write means it is already signalled.
    [[maybe_unused]] const ssize_t r = ::write(FState->WakeFd, &one, sizeof one);
  }
}

bool ConnectAbort::Abandoned() const { return FState->Abandoned.load(); }

std::u16string SystemErrorMessage(std::int32_t AError) {
  char buf[256];
  const char* text = strerror_r(AError, buf, sizeof buf);
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  return out;
}

void StartSocketLibrary() {}
void StopSocketLibrary() {}

int LastSocketError() { return tLastError; }

SocketHandle NewSocket(TIdIPVersion AIPVersion, int ASocketType, int AProtocol) {
  const int family = AIPVersion == Id_IPv6 ? AF_INET6 : AF_INET;
  const int fd = ::socket(family, ASocketType | SOCK_CLOEXEC, AProtocol);
  if (fd < 0) {
    FailErrno();
    return InvalidSocket;
  }
  return static_cast<SocketHandle>(fd);
}

int BindSocket(SocketHandle ASocket, const SocketAddress& AAddress) {
  sockaddr_storage s;
  const socklen_t len = ToSockaddr(AAddress, s);
  if (::bind(Fd(ASocket), reinterpret_cast<sockaddr*>(&s), len) != 0) return FailErrno();
  return 0;
}

int GetSocketName(SocketHandle ASocket, SocketAddress& VAddress) {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (::getsockname(Fd(ASocket), reinterpret_cast<sockaddr*>(&s), &len) != 0) return FailErrno();
  FromSockaddr(s, VAddress);
  return 0;
}

int GetPeerName(SocketHandle ASocket, SocketAddress& VAddress) {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (::getpeername(Fd(ASocket), reinterpret_cast<sockaddr*>(&s), &len) != 0) return FailErrno();
  FromSockaddr(s, VAddress);
  return 0;
}

int GetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t& VOptVal) {
  int value = 0;
  socklen_t len = sizeof value;
  if (::getsockopt(Fd(ASocket), ALevel, AOptName, &value, &len) != 0) return FailErrno();
  VOptVal = value;
  return 0;
}

int SetSocketOption(SocketHandle ASocket, int ALevel, int AOptName, std::int32_t AOptVal) {
  const int value = AOptVal;
  if (::setsockopt(Fd(ASocket), ALevel, AOptName, &value, sizeof value) != 0) return FailErrno();
  return 0;
}

int ConnectSocket(SocketHandle ASocket, const SocketAddress& AAddress, ConnectAbort* AAbort) {
  if (AAbort == nullptr) {
    sockaddr_storage s;
    const socklen_t len = ToSockaddr(AAddress, s);
    const int fd = Fd(ASocket);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&s), len) == 0) return 0;
    // An interrupted blocking connect goes on in the background.
    if (errno == EINTR) return AwaitConnect(fd, -1);
    return FailErrno();
  }
  ConnectAbort::State& abort = AAbort->Platform();
  if (abort.CreateError != 0) return Fail(abort.CreateError);
  if (abort.Abandoned.load()) return Fail(Id_WSAEINTR);
  const int begun = BeginConnect(ASocket, AAddress);
  return begun == ConnectPending ? FinishConnect(ASocket, AAbort) : begun;
}

int BeginConnect(SocketHandle ASocket, const SocketAddress& AAddress) {
  sockaddr_storage s;
  const socklen_t len = ToSockaddr(AAddress, s);
  const int fd = Fd(ASocket);
  if (!SetNonBlocking(fd, true)) return FailErrno();
  if (::connect(fd, reinterpret_cast<sockaddr*>(&s), len) == 0) return EndConnect(fd, 0);
  if (errno != EINPROGRESS && errno != EINTR) return EndConnect(fd, FailErrno());
  // A connect to this host or a near one has mostly ended by now, either
  // way; one look tells, without waiting.
  pollfd p{fd, POLLOUT, 0};
  int n;
  do {
    n = ::poll(&p, 1, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return EndConnect(fd, FailErrno());
  if (n == 0) return ConnectPending;
  return EndConnect(fd, ConnectOutcome(fd));
}

int FinishConnect(SocketHandle ASocket, ConnectAbort* AAbort) {
  const int fd = Fd(ASocket);
  int wakeFd = -1;
  if (AAbort != nullptr) {
    ConnectAbort::State& abort = AAbort->Platform();
    if (abort.CreateError != 0) return EndConnect(fd, Fail(abort.CreateError));
    if (abort.Abandoned.load()) return EndConnect(fd, Fail(Id_WSAEINTR));
    wakeFd = abort.WakeFd;
  }
  return EndConnect(fd, AwaitConnect(fd, wakeFd));
}

int WaitReadable(const SocketHandle* AHandles, std::size_t ACount, std::int32_t ATimeoutMs) {
  pollfd fds[64];
  if (ACount > 64) return Fail(Id_WSAEINVAL);
  for (std::size_t i = 0; i < ACount; ++i) fds[i] = pollfd{Fd(AHandles[i]), POLLIN, 0};
  const bool forever = ATimeoutMs < 0;
  const std::uint64_t deadline = forever ? 0 : MonotonicMilliseconds() + static_cast<std::uint64_t>(ATimeoutMs);
  for (;;) {
    int wait = -1;
    if (!forever) {
      const std::uint64_t now = MonotonicMilliseconds();
      wait = now >= deadline ? 0 : static_cast<int>(deadline - now);
    }
    const int n = ::poll(fds, static_cast<nfds_t>(ACount), wait);
    if (n >= 0) {
      // A descriptor that is not open reads as a failure, as select does.
      for (std::size_t i = 0; i < ACount; ++i)
        if (fds[i].revents & POLLNVAL) return Fail(10038);
      return n;
    }
    if (errno != EINTR) return FailErrno();
  }
}

int Receive(SocketHandle ASocket, void* ABuffer, int ALength) {
  for (;;) {
    const ssize_t n = ::recv(Fd(ASocket), ABuffer, static_cast<std::size_t>(ALength), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) return FailErrno();
  }
}

int Send(SocketHandle ASocket, const void* ABuffer, int ALength, bool AMoreFollows) {
  int flags = MSG_NOSIGNAL;
#ifdef MSG_MORE
  if (AMoreFollows) flags |= MSG_MORE;
#else
  (void)AMoreFollows;
#endif
  for (;;) {
    const ssize_t n = ::send(Fd(ASocket), ABuffer, static_cast<std::size_t>(ALength), flags);
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) return FailErrno();
  }
}

void ShutdownSend(SocketHandle ASocket) { ::shutdown(Fd(ASocket), SHUT_WR); }

void CloseSocket(SocketHandle ASocket) { ::close(Fd(ASocket)); }

int LookupIPv4(std::u16string_view AHost, std::uint8_t (&AAddress)[4]) {
  // A name with a NUL in it would be looked up cut short.
  if (AHost.find(u'\0') != std::u16string_view::npos) return Id_WSAHOST_NOT_FOUND;
  const std::string host = EncodeUtf8(AHost);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  errno = 0;
  const int r = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (r != 0) return WsaFromAddrInfo(r, errno);
  int result = Id_WSANO_DATA;
  for (const addrinfo* p = list; p; p = p->ai_next) {
    if (p->ai_family == AF_INET && p->ai_addr) {
      std::memcpy(AAddress, &reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr, 4);
      result = 0;
      break;
    }
  }
  ::freeaddrinfo(list);
  return result;
}

std::uint16_t HostToNetwork16(std::uint16_t AValue) { return htons(AValue); }
std::uint16_t NetworkToHost16(std::uint16_t AValue) { return ntohs(AValue); }

}  // namespace zorapi::platform

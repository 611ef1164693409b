#include "transport/stack.h"

#include <atomic>
#include <mutex>

#include "core/text.h"
#include "transport/format_text.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {
namespace {

TIdStack* NewNativeStack() { return new TIdStackNative(); }

// The stack lock guards the user count and the stack object. Made on first
// use and never freed: std::mutex has no constant initialiser with every
// thread library (mingw-w64's winpthread has none).
std::mutex& GStackLock() {
  static std::mutex* const lock = new std::mutex;
  return *lock;
}
constinit std::int32_t GUserCount = 0;
constinit std::atomic<TIdStack*> GStack{nullptr};
constinit TIdStackClass GStackClass = &NewNativeStack;

// One dot-separated part of an IPv4 address text; false when it is not a
// number from 0 to 255.
bool TakeAddressPart(std::u16string_view& rest, std::uint8_t& value) {
  const std::size_t dot = rest.find(u'.');
  const std::u16string_view part = rest.substr(0, dot);
  rest = dot == std::u16string_view::npos ? std::u16string_view{} : rest.substr(dot + 1);
  const std::int32_t n = TextToIntDef<std::int32_t>(part, -1);
  if (n < 0 || n > 255) return false;
  value = static_cast<std::uint8_t>(n);
  return true;
}

bool ParseIPv4(std::u16string_view text, std::uint8_t (&bytes)[4]) {
  for (std::uint8_t& b : bytes)
    if (!TakeAddressPart(text, b)) return false;
  return text.empty();
}

std::u16string DottedText(const std::uint8_t* bytes) {
  std::u16string out;
  for (int i = 0; i < 4; ++i) {
    if (i) out.push_back(u'.');
    out += IntToText(bytes[i]);
  }
  return out;
}

std::u16string IPv6Text(const std::uint8_t* bytes) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (int i = 0; i < 8; ++i) {
    if (i) out.push_back(u':');
    const unsigned group = (unsigned{bytes[2 * i]} << 8) | bytes[2 * i + 1];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const unsigned digit = (group >> shift) & 0xF;
      if (digit || started || shift == 0) {
        out.push_back(kHex[digit]);
        started = true;
      }
    }
  }
  return out;
}

}  // namespace

// Stack life

void SetStackClass(TIdStackClass AClass) {
  std::lock_guard lock(GStackLock());
  GStackClass = AClass;
}

TIdStack* GSocketStack() { return GStack.load(std::memory_order_acquire); }

std::int32_t StackUserCount() {
  std::lock_guard lock(GStackLock());
  return GUserCount;
}

void TIdStack::IncUsage() {
  std::lock_guard lock(GStackLock());
  if (GUserCount == 0) {
    if (GStack.load() != nullptr) throw EIdException(RSStackAlreadyCreated);
    if (GStackClass == nullptr) throw EIdException(RSStackClassUndefined);
    GStack.store(GStackClass(), std::memory_order_release);
  }
  ++GUserCount;
}

void TIdStack::DecUsage() {
  std::lock_guard lock(GStackLock());
  if (GUserCount <= 0) return;
  if (--GUserCount == 0) delete GStack.exchange(nullptr);
}

// Shared logic

bool TIdStack::IsIP(std::u16string_view AIP) const {
  std::uint8_t bytes[4];
  return ParseIPv4(AIP, bytes);
}

std::u16string TIdStack::ResolveHost(const std::u16string& AHost, TIdIPVersion AIPVersion) {
  if (AIPVersion != Id_IPv4) throw EIdIPVersionUnsupported(RSIPVersionUnsupported);
  if (SameText(AHost, u"LOCALHOST")) return u"127.0.0.1";
  if (IsIP(AHost)) return AHost;
  return LookupHostAddress(AHost, AIPVersion);
}

int TIdStack::CheckForSocketError(int AResult) {
  if (AResult == Id_SOCKET_ERROR) RaiseLastSocketError();
  return AResult;
}

void TIdStack::RaiseLastSocketError() { RaiseSocketError(WSGetLastError()); }

void TIdStack::RaiseSocketError(int AErr) {
  std::u16string message = WSTranslateSocketErrorMsg(AErr);
  if (AErr == platform::Id_WSAENOTSOCK) throw EIdNotASocket(AErr, std::move(message));
  throw EIdSocketError(AErr, std::move(message));
}

std::u16string TIdStack::WSTranslateSocketErrorMsg(int AErr) {
  return FormatText(RSStackError, {IntToText(AErr), SocketErrorText(AErr)});
}

std::u16string ConnectedIPv4Text(std::u16string_view AIP) {
  std::uint8_t bytes[4];
  if (!ParseIPv4(AIP, bytes) || (bytes[0] | bytes[1] | bytes[2] | bytes[3]) == 0) return {};
  return DottedText(bytes);
}

std::u16string SocketErrorText(int AErr) {
  switch (AErr) {
    case 10004: return u"Interrupted system call.";
    case 10009: return u"Bad file number.";
    case 10013: return u"Access denied.";
    case 10014: return u"Buffer fault.";
    case 10022: return u"Invalid argument.";
    case 10024: return u"Too many open files.";
    case 10035: return u"Operation would block.";
    case 10036: return u"Operation now in progress.";
    case 10037: return u"Operation already in progress.";
    case 10038: return u"Socket operation on non-socket.";
    case 10039: return u"Destination address required.";
    case 10040: return u"Message too long.";
    case 10041: return u"Protocol wrong type for socket.";
    case 10042: return u"Bad protocol option.";
    case 10043: return u"Protocol not supported.";
    case 10044: return u"Socket type not supported.";
    case 10045: return u"Operation not supported on socket.";
    case 10046: return u"Protocol family not supported.";
    case 10047: return u"Address family not supported by protocol family.";
    case 10048: return u"Address already in use.";
    case 10049: return u"Cannot assign requested address.";
    case 10050: return u"Network is down.";
    case 10051: return u"Network is unreachable.";
    case 10052: return u"Net dropped connection or reset.";
    case 10053: return u"Software caused connection abort.";
    case 10054: return u"Connection reset by peer.";
    case 10055: return u"No buffer space available.";
    case 10056: return u"Socket is already connected.";
    case 10057: return u"Socket is not connected.";
    case 10058: return u"Cannot send or receive after socket is closed.";
    case 10059: return u"Too many references, cannot splice.";
    case 10060: return u"Connection timed out.";
    case 10061: return u"Connection refused.";
    case 10062: return u"Too many levels of symbolic links.";
    case 10063: return u"File name too long.";
    case 10064: return u"Host is down.";
    case 10065: return u"No route to host.";
    case 10066: return u"Directory not empty";
    case 11001: return u"Host not found.";
    default: return {};
  }
}

// Berkeley sockets over the platform operations

namespace {

platform::SocketAddress AddressRecord(TIdStack& stack, const std::u16string& AIP, TIdPort APort,
                                      TIdIPVersion AIPVersion) {
  platform::SocketAddress a;
  a.Port = APort;
  if (AIPVersion == Id_IPv6) {
    a.Family = platform::AddressFamily::IPv6;
    // Only the any-address; IPv6 address texts are not taken.
    if (!AIP.empty()) throw EIdIPVersionUnsupported(RSIPVersionUnsupported);
    return a;
  }
  a.Family = platform::AddressFamily::IPv4;
  if (!AIP.empty()) {
    std::uint8_t bytes[4];
    if (!ParseIPv4(AIP, bytes)) stack.RaiseSocketError(platform::Id_WSAEINVAL);
    std::copy(bytes, bytes + 4, a.Bytes);
  }
  return a;
}

void AddressText(const platform::SocketAddress& a, std::u16string& VIP, TIdPort& VPort, TIdIPVersion& VIPVersion) {
  switch (a.Family) {
    case platform::AddressFamily::IPv4:
      VIP = DottedText(a.Bytes);
      VIPVersion = Id_IPv4;
      break;
    case platform::AddressFamily::IPv6:
      VIP = IPv6Text(a.Bytes);
      VIPVersion = Id_IPv6;
      break;
    default:
      throw EIdIPVersionUnsupported(RSIPVersionUnsupported);
  }
  VPort = a.Port;
}

}  // namespace

TIdStackSocketHandle TIdStackBSDBase::NewSocketHandle(int ASocketType, int AProtocol, TIdIPVersion AIPVersion,
                                                      bool) {
  const TIdStackSocketHandle h = platform::NewSocket(AIPVersion, ASocketType, AProtocol);
  if (h == Id_INVALID_SOCKET) RaiseLastSocketError();
  return h;
}

void TIdStackBSDBase::Bind(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                           TIdIPVersion AIPVersion) {
  CheckForSocketError(platform::BindSocket(ASocket, AddressRecord(*this, AIP, APort, AIPVersion)));
}

void TIdStackBSDBase::Connect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                              TIdIPVersion AIPVersion, platform::ConnectAbort* AAbort) {
  CheckForSocketError(platform::ConnectSocket(ASocket, AddressRecord(*this, AIP, APort, AIPVersion), AAbort));
}

bool TIdStackBSDBase::BeginConnect(TIdStackSocketHandle ASocket, const std::u16string& AIP, TIdPort APort,
                                   TIdIPVersion AIPVersion) {
  const int r = platform::BeginConnect(ASocket, AddressRecord(*this, AIP, APort, AIPVersion));
  return CheckForSocketError(r) != platform::ConnectPending;
}

void TIdStackBSDBase::FinishConnect(TIdStackSocketHandle ASocket, platform::ConnectAbort* AAbort) {
  CheckForSocketError(platform::FinishConnect(ASocket, AAbort));
}

void TIdStackBSDBase::Disconnect(TIdStackSocketHandle ASocket) {
  platform::ShutdownSend(ASocket);
  platform::CloseSocket(ASocket);
}

int TIdStackBSDBase::Receive(TIdStackSocketHandle ASocket, TIdBytes& VBuffer) {
  return ReceiveInto(ASocket, VBuffer.data(), static_cast<int>(VBuffer.size()));
}

int TIdStackBSDBase::ReceiveInto(TIdStackSocketHandle ASocket, void* ABuffer, int ALength) {
  return CheckForSocketError(platform::Receive(ASocket, ABuffer, ALength));
}

int TIdStackBSDBase::Send(TIdStackSocketHandle ASocket, const TIdBytes& ABuffer, int AOffset, int ASize) {
  const int available = static_cast<int>(ABuffer.size()) - AOffset;
  const int count = ASize < 0 ? available : std::min(ASize, available);
  if (count <= 0) return count;
  return SendFrom(ASocket, ABuffer.data() + AOffset, count);
}

int TIdStackBSDBase::SendFrom(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, bool AMoreFollows) {
  if (ALength <= 0) return ALength;
  return CheckForSocketError(platform::Send(ASocket, ABuffer, ALength, AMoreFollows));
}

void TIdStackBSDBase::GetSocketName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                                    TIdIPVersion& VIPVersion) {
  platform::SocketAddress a;
  CheckForSocketError(platform::GetSocketName(ASocket, a));
  AddressText(a, VIP, VPort, VIPVersion);
}

void TIdStackBSDBase::GetPeerName(TIdStackSocketHandle ASocket, std::u16string& VIP, TIdPort& VPort,
                                  TIdIPVersion& VIPVersion) {
  platform::SocketAddress a;
  CheckForSocketError(platform::GetPeerName(ASocket, a));
  AddressText(a, VIP, VPort, VIPVersion);
}

void TIdStackBSDBase::GetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                      std::int32_t& AOptVal) {
  CheckForSocketError(platform::GetSocketOption(ASocket, ALevel, AOptName, AOptVal));
}

void TIdStackBSDBase::SetSocketOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                      std::int32_t AOptVal) {
  CheckForSocketError(platform::SetSocketOption(ASocket, ALevel, AOptName, AOptVal));
}

int TIdStackBSDBase::WSGetLastError() { return platform::LastSocketError(); }

std::uint16_t TIdStackBSDBase::HostToNetwork(std::uint16_t AValue) { return platform::HostToNetwork16(AValue); }
std::uint16_t TIdStackBSDBase::NetworkToHost(std::uint16_t AValue) { return platform::NetworkToHost16(AValue); }

std::u16string TIdStackBSDBase::LookupHostAddress(const std::u16string& AHost, TIdIPVersion AIPVersion) {
  if (AIPVersion != Id_IPv4) throw EIdIPVersionUnsupported(RSIPVersionUnsupported);
  std::uint8_t bytes[4];
  const int err = platform::LookupIPv4(AHost, bytes);
  if (err != 0) RaiseSocketError(err);
  return DottedText(bytes);
}

// The stack of this build

TIdStackNative::TIdStackNative() {
  try {
    platform::StartSocketLibrary();
  } catch (const Exception& e) {
    throw EIdStackInitializationFailed(e.Message());
  }
}

std::u16string TIdStackNative::WSTranslateSocketErrorMsg(int AErr) {
  if (AErr == platform::Id_WSAHOST_NOT_FOUND)
    return FormatText(RSStackError, {IntToText(AErr), u"Host not found."});
  return TIdStackBSDBase::WSTranslateSocketErrorMsg(AErr);
}

}  // namespace zorapi

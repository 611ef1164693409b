#include "transport/socket_handle.h"

#include "transport/format_text.h"
#include "core/text.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {
namespace {

TIdStack& Stack() { return *GSocketStack(); }

}  // namespace

// The socket object keeps the stack alive for as long as it may hold a
// socket, whoever owns it.
TIdSocketHandle::TIdSocketHandle(void*) : FReadSocketList(TIdSocketList::CreateSocketList()) {
  TIdStack::IncUsage();
}

TIdSocketHandle::~TIdSocketHandle() {
  CloseSocket();
  TIdStack::DecUsage();
}

void TIdSocketHandle::AllocateSocket(int ASocketType, int AProtocol) {
  CloseSocket();
  // A socket just made is of the type asked for, so its type need not be
  // asked of the platform.
  SetHandle(Stack().NewSocketHandle(ASocketType, AProtocol, FIPVersion, FOverLapped), ASocketType);
}

void TIdSocketHandle::SetHandle(TIdStackSocketHandle AHandle, int AKnownType) {
  if (FHandle != Id_INVALID_SOCKET) FReadSocketList->Remove(FHandle);
  FHandle = AHandle;
  FHandleAllocated = FHandle != Id_INVALID_SOCKET;
  FConnectPending = false;
  if (!FHandleAllocated) {
    FSocketType = 0;
    return;
  }
  FReadSocketList->Add(FHandle);
  if (AKnownType != 0) {
    // A new TCP socket has Nagle on.
    FSocketType = AKnownType;
    if (FSocketType == Id_SOCK_STREAM) FUseNagle = true;
    return;
  }
  GetSockOpt(Id_SOL_SOCKET, Id_SO_TYPE, FSocketType);
  if (FSocketType == Id_SOCK_STREAM) {
    std::int32_t noDelay = 0;
    GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, noDelay);
    FUseNagle = noDelay == 0;
  }
}

bool TIdSocketHandle::TryBind(TIdPort APort) {
  try {
    Stack().Bind(FHandle, FIP, APort, FIPVersion);
    UpdateBindingLocal();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void TIdSocketHandle::Bind() {
  if (FPort != 0 || FClientPortMin == 0 || FClientPortMax == 0) {
    if (!TryBind(FPort)) throw EIdCouldNotBindSocket(RSCouldNotBindSocket);
    return;
  }
  if (FClientPortMax < FClientPortMin)
    throw EIdInvalidPortRange(FormatText(RSInvalidPortRange, {IntToText(FClientPortMin), IntToText(FClientPortMax)}));
  for (int port = FClientPortMax; port >= FClientPortMin; --port)
    if (TryBind(static_cast<TIdPort>(port))) return;
  throw EIdCanNotBindPortInRange(FormatText(RSCannotBindRange, {IntToText(FClientPortMin), IntToText(FClientPortMax)}));
}

void TIdSocketHandle::Connect(platform::ConnectAbort* AAbort) {
  if (FConnectPending) {
    // Calling connect again would start a new attempt after a failure.
    FConnectPending = false;
    Stack().FinishConnect(FHandle, AAbort);
  } else {
    Stack().Connect(FHandle, FPeerIP, FPeerPort, FIPVersion, AAbort);
  }
  UpdateBindingConnected();
}

bool TIdSocketHandle::BeginConnect() {
  if (!Stack().BeginConnect(FHandle, FPeerIP, FPeerPort, FIPVersion)) {
    FConnectPending = true;
    return false;
  }
  UpdateBindingConnected();
  return true;
}

void TIdSocketHandle::UpdateBindingConnected() {
  std::lock_guard lock(FConnectionHandle);
  if (!FHandleAllocated) return;
  UpdateBindingLocal();
  // The peer is the address just connected to: asking the platform would
  // only give it back, in the form that ConnectedIPv4Text gives.
  if (FIPVersion == Id_IPv4) {
    std::u16string peer = ConnectedIPv4Text(FPeerIP);
    if (!peer.empty()) {
      FPeerIP = std::move(peer);
      return;
    }
  }
  UpdateBindingPeer();
}

void TIdSocketHandle::Disconnect() { Stack().Disconnect(FHandle); }

void TIdSocketHandle::CloseSocket() {
  if (!FHandleAllocated) return;
  std::lock_guard lock(FConnectionHandle);
  FHandleAllocated = false;
  Disconnect();
  SetHandle(Id_INVALID_SOCKET);
}

void TIdSocketHandle::Reset(bool AResetLocal) {
  SetHandle(Id_INVALID_SOCKET);
  FPeerIP.clear();
  FPeerPort = 0;
  FIPVersion = Id_IPv4;
  if (AResetLocal) {
    FIP.clear();
    FPort = 0;
  }
}

void TIdSocketHandle::SetPeer(const std::u16string& AIP, TIdPort APort, TIdIPVersion AIPVersion) {
  FPeerIP = AIP;
  FPeerPort = APort;
  FIPVersion = AIPVersion;
}

int TIdSocketHandle::Receive(TIdBytes& VBuffer) { return Stack().Receive(FHandle, VBuffer); }

int TIdSocketHandle::Receive(void* ABuffer, int ALength) { return Stack().ReceiveInto(FHandle, ABuffer, ALength); }

int TIdSocketHandle::Send(const TIdBytes& ABuffer, int AOffset, int ASize) {
  return Stack().Send(FHandle, ABuffer, AOffset, ASize);
}

int TIdSocketHandle::Send(const void* ABuffer, int ALength, bool AMoreFollows) {
  return Stack().SendFrom(FHandle, ABuffer, ALength, AMoreFollows);
}

bool TIdSocketHandle::Readable(std::int32_t AMSec) {
  if (AMSec == -1) AMSec = platform::WaitForever;
  if (!FHandleAllocated) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
  return Select(AMSec);
}

bool TIdSocketHandle::Select(std::int32_t ATimeout) { return FReadSocketList->SelectRead(ATimeout); }

void TIdSocketHandle::GetSockOpt(int ALevel, int AOptName, std::int32_t& VOptVal) {
  Stack().GetSocketOption(FHandle, ALevel, AOptName, VOptVal);
}

void TIdSocketHandle::SetSockOpt(int ALevel, int AOptName, std::int32_t AOptVal) {
  Stack().SetSocketOption(FHandle, ALevel, AOptName, AOptVal);
}

void TIdSocketHandle::SetNagleOpt(bool AEnabled) {
  if (FHandleAllocated && FSocketType == Id_SOCK_STREAM)
    SetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, AEnabled ? 0 : 1);
}

void TIdSocketHandle::UpdateBindingLocal() { Stack().GetSocketName(FHandle, FIP, FPort, FIPVersion); }

void TIdSocketHandle::UpdateBindingPeer() { Stack().GetPeerName(FHandle, FPeerIP, FPeerPort, FIPVersion); }

void TIdSocketHandle::SetIPVersion(TIdIPVersion AValue) {
  if (AValue == FIPVersion) return;
  if (FHandleAllocated) throw EIdCannotSetIPVersionWhenConnected(RSCannotSetIPVersionWhenConnected);
  FIPVersion = AValue;
}

void TIdSocketHandle::SetUseNagle(bool AValue) {
  if (AValue == FUseNagle) return;
  FUseNagle = AValue;
  SetNagleOpt(AValue);
}

}  // namespace zorapi

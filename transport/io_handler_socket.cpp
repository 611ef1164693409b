#include "transport/io_handler_socket.h"

namespace zorapi {

TIdIOHandlerSocket::TIdIOHandlerSocket(TComponent* AOwner) : TIdIOHandler(AOwner) {}

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  try {
    TIdIOHandlerSocket::Close();
  } catch (...) {
  }
}

bool TIdIOHandlerSocket::BindingAllocated() const { return FBinding && FBinding->HandleAllocated(); }

bool TIdIOHandlerSocket::SocketAvailable() { return BindingAllocated(); }

void TIdIOHandlerSocket::Open() {
  TIdIOHandler::Open();
  if (FBinding) {
    // Every connect takes a new socket; one still held is closed, not lost.
    FBinding->CloseSocket();
    FBinding->Reset(true);
  } else {
    FBinding = std::make_unique<TIdSocketHandle>(nullptr);
  }
  FBinding->SetClientPortMin(FBoundPortMin);
  FBinding->SetClientPortMax(FBoundPortMax);
  if (!FHost.empty() && FPort > 0) EstablishConnection();
}

void TIdIOHandlerSocket::Close() {
  if (FBinding) FBinding->CloseSocket();
  TIdIOHandler::Close();
}

bool TIdIOHandlerSocket::Connected() {
  return (BindingAllocated() && TIdIOHandler::Connected()) || !InputBufferIsEmpty();
}

void TIdIOHandlerSocket::SetUseNagle(bool AValue) {
  FUseNagle = AValue;
  if (FBinding) FBinding->SetUseNagle(AValue);
}

void TIdIOHandlerSocket::DoBeforeBind() {
  if (FOnBeforeBind) FOnBeforeBind(this);
}

void TIdIOHandlerSocket::DoAfterBind() {
  if (FOnAfterBind) FOnAfterBind(this);
}

void TIdIOHandlerSocket::DoSocketAllocated() {
  if (FOnSocketAllocated) FOnSocketAllocated(this);
}

void TIdIOHandlerSocket::EstablishConnection() {
  DoBeforeBind();
  FBinding->SetIPVersion(FIPVersion);
  FBinding->AllocateSocket(Id_SOCK_STREAM, 0);
  DoSocketAllocated();
  if (!FBoundIP.empty()) FBinding->SetIP(FBoundIP);
  FBinding->SetPort(FBoundPort);
  FBinding->SetClientPortMin(FBoundPortMin);
  FBinding->SetClientPortMax(FBoundPortMax);
  if (FReuseSocket == rsTrue) FBinding->SetSockOpt(Id_SOL_SOCKET, Id_SO_REUSEADDR, 1);
  // With no local address, port or port range asked for, the platform
  // binds the socket at connect; binding it to any address and port 0
  // first would only cost calls and use up ephemeral ports faster (a port
  // bound before the connect cannot be shared with other destinations).
  // The local address is read back after the connect all the same. A
  // handler told of the bind may look at the bound address, so it gets one.
  const bool bindAsked = !FBinding->IP().empty() || FBinding->Port() != 0 ||
                         (FBinding->ClientPortMin() != 0 && FBinding->ClientPortMax() != 0) ||
                         static_cast<bool>(FOnAfterBind);
  if (bindAsked) FBinding->Bind();
  FBinding->SetUseNagle(FUseNagle);
  DoAfterBind();
}

}  // namespace zorapi

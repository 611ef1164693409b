#include "transport/tcp_connection.h"

#include <exception>

#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {

TIdTCPConnection::TIdTCPConnection(TComponent* AOwner) : TIdComponent(AOwner) {}

TIdTCPConnection::~TIdTCPConnection() {
  // Frees a handler of our own and detaches any other one.
  TIdTCPConnection::SetIOHandler(nullptr);
}

void TIdTCPConnection::SetIOHandler(TIdIOHandler* AValue) {
  if (AValue == FIOHandler) return;
  TIdIOHandler* old = FIOHandler;
  if (FManagedIOHandler && old) {
    FIOHandler = nullptr;
    FSocket = nullptr;
    old->RemoveFreeNotification(this);
    delete old;
    old = nullptr;
  }
  FSocket = nullptr;
  FManagedIOHandler = false;
  if (old) {
    old->SetWorkTarget(nullptr);
    old->RemoveFreeNotification(this);
  }
  if (AValue) {
    AValue->SetWorkTarget(this);
    AValue->FreeNotification(this);
    FSocket = dynamic_cast<TIdIOHandlerSocket*>(AValue);
  }
  FIOHandler = AValue;
}

void TIdTCPConnection::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent != nullptr && AComponent == FIOHandler) {
    FIOHandler = nullptr;
    FSocket = nullptr;
    FManagedIOHandler = false;
  }
  TIdComponent::Notification(AComponent, Operation);
}

bool TIdTCPConnection::Connected() { return FIOHandler ? FIOHandler->Connected() : false; }

void TIdTCPConnection::Disconnect(bool ANotifyPeer) {
  std::exception_ptr failure;
  try {
    if (ANotifyPeer && Connected()) DisconnectNotifyPeer();
  } catch (...) {
    failure = std::current_exception();
  }
  if (FIOHandler && FIOHandler->Opened()) {
    ReportStatus(hsDisconnecting);
    FIOHandler->Close();
    NotifyDisconnected();
    ReportStatus(hsDisconnected);
  }
  if (failure) std::rethrow_exception(failure);
}

void TIdTCPConnection::DisconnectNotifyPeer() {}

void TIdTCPConnection::NotifyDisconnected() {
  if (FOnDisconnected) FOnDisconnected(this);
}

void TIdTCPConnection::CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected) {
  if (FIOHandler)
    FIOHandler->CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
  else if (ARaiseExceptionIfDisconnected)
    throw EIdException(RSNotConnected);
}

}  // namespace zorapi

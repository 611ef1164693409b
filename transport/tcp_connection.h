// A TCP connection: the I/O handler that carries it, and closing it.
#pragma once

#include "transport/id_component.h"
#include "transport/io_handler.h"
#include "transport/io_handler_socket.h"

namespace zorapi {

class TIdTCPConnection : public TIdComponent {
 public:
  explicit TIdTCPConnection(TComponent* AOwner);
  ~TIdTCPConnection() override;

  // Lets the handler notice a close by the peer; without a handler raises
  // "Not Connected" only when asked to.
  virtual void CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected = true);
  // False without a handler, else the handler's Connected.
  virtual bool Connected();
  void Disconnect() { Disconnect(true); }
  virtual void Disconnect(bool ANotifyPeer);
  // Hook for a goodbye message; does nothing.
  virtual void DisconnectNotifyPeer();

  TIdIOHandler* IOHandler() const { return FIOHandler; }
  // Attaches a handler (none detaches); a managed old handler is freed.
  virtual void SetIOHandler(TIdIOHandler* AValue);
  // The handler when it is a socket handler, else none.
  TIdIOHandlerSocket* Socket() const { return FSocket; }
  bool ManagedIOHandler() const { return FManagedIOHandler; }
  void SetManagedIOHandler(bool AValue) { FManagedIOHandler = AValue; }
  const TIdNotifyEvent& OnDisconnected() const { return FOnDisconnected; }
  void SetOnDisconnected(TIdNotifyEvent AValue) { FOnDisconnected = std::move(AValue); }

 protected:
  // Called by Disconnect after an opened handler was closed.
  virtual void NotifyDisconnected();
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TIdIOHandler* FIOHandler = nullptr;  // owned when FManagedIOHandler
  bool FManagedIOHandler = false;
  TIdNotifyEvent FOnDisconnected;
  TIdIOHandlerSocket* FSocket = nullptr;
};

}  // namespace zorapi

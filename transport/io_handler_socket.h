// An I/O handler that carries its connection on a socket object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/ip_version.h"
#include "transport/io_handler.h"
#include "transport/socket_handle.h"

namespace zorapi {

enum TIdReuseSocket : std::uint8_t { rsOSDependent, rsTrue, rsFalse };

class TIdIOHandlerSocket : public TIdIOHandler {
 public:
  explicit TIdIOHandlerSocket(TComponent* AOwner);
  ~TIdIOHandlerSocket() override;

  // Prepares the socket object and, with a host and a port, connects.
  void Open() override;
  // Closes the socket, then the handler; the input buffer keeps its bytes.
  void Close() override;
  bool Connected() override;

  bool BindingAllocated() const;
  TIdSocketHandle* Binding() const { return FBinding.get(); }

  const std::u16string& BoundIP() const { return FBoundIP; }
  void SetBoundIP(std::u16string AValue) { FBoundIP = std::move(AValue); }
  TIdPort BoundPort() const { return FBoundPort; }
  void SetBoundPort(TIdPort AValue) { FBoundPort = AValue; }
  TIdPort BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(TIdPort AValue) { FBoundPortMax = AValue; }
  TIdPort BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(TIdPort AValue) { FBoundPortMin = AValue; }
  TIdPort DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(TIdPort AValue) { FDefaultPort = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }
  TIdReuseSocket ReuseSocket() const { return FReuseSocket; }
  void SetReuseSocket(TIdReuseSocket AValue) { FReuseSocket = AValue; }
  bool UseNagle() const { return FUseNagle; }
  // Passed on to an existing socket object.
  void SetUseNagle(bool AValue);
  const TIdNotifyEvent& OnBeforeBind() const { return FOnBeforeBind; }
  void SetOnBeforeBind(TIdNotifyEvent AValue) { FOnBeforeBind = std::move(AValue); }
  const TIdNotifyEvent& OnAfterBind() const { return FOnAfterBind; }
  void SetOnAfterBind(TIdNotifyEvent AValue) { FOnAfterBind = std::move(AValue); }
  const TIdNotifyEvent& OnSocketAllocated() const { return FOnSocketAllocated; }
  void SetOnSocketAllocated(TIdNotifyEvent AValue) { FOnSocketAllocated = std::move(AValue); }

 protected:
  // Creates and binds the socket; subclasses extend it with the connect.
  virtual void EstablishConnection();
  virtual void DoBeforeBind();
  virtual void DoAfterBind();
  virtual void DoSocketAllocated();
  bool SocketAvailable() override;

  std::unique_ptr<TIdSocketHandle> FBinding;
  std::u16string FBoundIP;
  TIdPort FBoundPort = 0;
  TIdPort FBoundPortMax = 0;
  TIdPort FBoundPortMin = 0;
  TIdPort FDefaultPort = 0;
  TIdNotifyEvent FOnBeforeBind;
  TIdNotifyEvent FOnAfterBind;
  TIdNotifyEvent FOnSocketAllocated;
  bool FUseNagle = true;
  TIdReuseSocket FReuseSocket = rsOSDependent;
  TIdIPVersion FIPVersion = Id_IPv4;
};

}  // namespace zorapi

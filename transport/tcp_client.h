// The TCP client: its connection settings, and opening the connection to
// Host:Port within ConnectTimeout, on a handler it creates on first use.
#pragma once

#include <cstdint>
#include <string>

#include "core/ip_version.h"
#include "transport/tcp_connection.h"

namespace zorapi {

class TIdTCPClientCustom : public TIdTCPConnection {
 public:
  explicit TIdTCPClientCustom(TComponent* AOwner);
  ~TIdTCPClientCustom() override;

  // Opens the connection to Host:Port; every failure is an exception, after
  // which a handler the client created is freed again.
  virtual void Connect();
  void Connect(const std::u16string& AHost);
  void Connect(const std::u16string& AHost, TIdPort APort);
  // Connects, reads everything until the peer closes, disconnects; the
  // byte count read.
  std::int64_t ConnectAndGetAll();

  void SetIOHandler(TIdIOHandler* AValue) override;

  const std::u16string& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const std::u16string& AValue);
  TIdPort BoundPort() const { return FBoundPort; }
  void SetBoundPort(TIdPort AValue);
  TIdPort BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(TIdPort AValue);
  TIdPort BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(TIdPort AValue);
  std::int32_t ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(std::int32_t AValue);
  const std::u16string& Destination() const { return FDestination; }
  void SetDestination(const std::u16string& AValue) { FDestination = AValue; }
  const std::u16string& Host() const { return FHost; }
  virtual void SetHost(const std::u16string& AValue);
  TIdIPVersion IPVersion() const { return FIPVersion; }
  virtual void SetIPVersion(TIdIPVersion AValue);
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }
  TIdPort Port() const { return FPort; }
  virtual void SetPort(TIdPort AValue);
  // The handler's value when a handler exists.
  std::int32_t ReadTimeout() const;
  void SetReadTimeout(std::int32_t AValue);
  TIdReuseSocket ReuseSocket() const;
  void SetReuseSocket(TIdReuseSocket AValue);
  bool UseNagle() const;
  void SetUseNagle(bool AValue);
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& AValue) { FUsername = AValue; }
  const TIdNotifyEvent& OnConnected() const { return FOnConnected; }
  void SetOnConnected(TIdNotifyEvent AValue) { FOnConnected = std::move(AValue); }
  const TIdNotifyEvent& OnBeforeBind() const { return FOnBeforeBind; }
  void SetOnBeforeBind(TIdNotifyEvent AValue);
  const TIdNotifyEvent& OnAfterBind() const { return FOnAfterBind; }
  void SetOnAfterBind(TIdNotifyEvent AValue);
  const TIdNotifyEvent& OnSocketAllocated() const { return FOnSocketAllocated; }
  void SetOnSocketAllocated(TIdNotifyEvent AValue);

 protected:
  // Sets ReadTimeout, the bound ports and UseNagle; subclasses extend it,
  // inherited part first.
  void SetUpComponent() override;
  // Fires OnConnected.
  virtual void NotifyConnected();
  // The handler made on the first Connect: a TIdIOHandlerStack owned by
  // this client.
  virtual TIdIOHandler* CreateDefaultHandler();

  std::u16string FBoundIP;
  TIdPort FBoundPort = 0;
  TIdPort FBoundPortMax = 0;
  TIdPort FBoundPortMin = 0;
  std::int32_t FConnectTimeout = 0;
  std::u16string FDestination;
  std::u16string FHost;
  TIdIPVersion FIPVersion = Id_IPv4;
  TIdNotifyEvent FOnConnected;
  std::u16string FPassword;
  TIdPort FPort = 0;
  std::int32_t FReadTimeout = 0;
  std::u16string FUsername;
  TIdReuseSocket FReuseSocket = rsOSDependent;
  bool FUseNagle = false;
  TIdNotifyEvent FOnBeforeBind;
  TIdNotifyEvent FOnAfterBind;
  TIdNotifyEvent FOnSocketAllocated;

 private:
  void PassSettingsTo(TIdIOHandler* AHandler);
};

}  // namespace zorapi

#include "transport/tcp_client.h"

#include "transport/io_handler_stack.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {

TIdTCPClientCustom::TIdTCPClientCustom(TComponent* AOwner) : TIdTCPConnection(AOwner) {}

TIdTCPClientCustom::~TIdTCPClientCustom() = default;

void TIdTCPClientCustom::SetUpComponent() {
  TIdTCPConnection::SetUpComponent();
  FReadTimeout = IdTimeoutDefault;
  FBoundPort = 0;
  FBoundPortMin = 0;
  FBoundPortMax = 0;
  FUseNagle = true;
}

TIdIOHandler* TIdTCPClientCustom::CreateDefaultHandler() { return TIdIOHandler::MakeDefaultIOHandler(this); }

void TIdTCPClientCustom::Connect() {
  if (Connected()) throw EIdAlreadyConnected(RSAlreadyConnected);
  if (FHost.empty()) throw EIdHostRequired(u"");
  if (FPort == 0) throw EIdPortRequired(u"");
  if (!FIOHandler) {
    TIdIOHandler* handler = CreateDefaultHandler();
    SetIOHandler(handler);
    handler->SetOnStatus(OnStatus());
    FManagedIOHandler = true;
  }
  try {
    if (!FDestination.empty()) FIOHandler->SetDestination(FDestination);
    PassSettingsTo(FIOHandler);
    FIOHandler->Open();
    ReportStatus(hsConnected, FHost);
    NotifyConnected();
  } catch (...) {
    if (FIOHandler) FIOHandler->Close();
    if (FManagedIOHandler) SetIOHandler(nullptr);
    throw;
  }
}

void TIdTCPClientCustom::Connect(const std::u16string& AHost) {
  SetHost(AHost);
  Connect();
}

void TIdTCPClientCustom::Connect(const std::u16string& AHost, TIdPort APort) {
  SetHost(AHost);
  SetPort(APort);
  Connect();
}

std::int64_t TIdTCPClientCustom::ConnectAndGetAll() {
  Connect();
  TMemoryStream all;
  try {
    FIOHandler->ReadStream(&all, -1, true);
  } catch (...) {
    Disconnect();
    throw;
  }
  Disconnect();
  return all.Size();
}

void TIdTCPClientCustom::NotifyConnected() {
  if (FOnConnected) FOnConnected(this);
}

void TIdTCPClientCustom::PassSettingsTo(TIdIOHandler* AHandler) {
  AHandler->SetPort(FPort);
  AHandler->SetHost(FHost);
  AHandler->SetConnectTimeout(FConnectTimeout);
  AHandler->SetReadTimeout(FReadTimeout);
  if (auto* socket = dynamic_cast<TIdIOHandlerSocket*>(AHandler)) {
    socket->SetBoundIP(FBoundIP);
    socket->SetBoundPort(FBoundPort);
    socket->SetBoundPortMin(FBoundPortMin);
    socket->SetBoundPortMax(FBoundPortMax);
    socket->SetIPVersion(FIPVersion);
    socket->SetReuseSocket(FReuseSocket);
    socket->SetUseNagle(FUseNagle);
    socket->SetOnBeforeBind(FOnBeforeBind);
    socket->SetOnAfterBind(FOnAfterBind);
    socket->SetOnSocketAllocated(FOnSocketAllocated);
  }
}

void TIdTCPClientCustom::SetIOHandler(TIdIOHandler* AValue) {
  if (AValue == FIOHandler) return;
  TIdTCPConnection::SetIOHandler(AValue);
  if (AValue) PassSettingsTo(AValue);
}

void TIdTCPClientCustom::SetBoundIP(const std::u16string& AValue) {
  FBoundIP = AValue;
  if (FSocket) FSocket->SetBoundIP(AValue);
}

void TIdTCPClientCustom::SetBoundPort(TIdPort AValue) {
  FBoundPort = AValue;
  if (FSocket) FSocket->SetBoundPort(AValue);
}

void TIdTCPClientCustom::SetBoundPortMax(TIdPort AValue) {
  FBoundPortMax = AValue;
  if (FSocket) FSocket->SetBoundPortMax(AValue);
}

void TIdTCPClientCustom::SetBoundPortMin(TIdPort AValue) {
  FBoundPortMin = AValue;
  if (FSocket) FSocket->SetBoundPortMin(AValue);
}

void TIdTCPClientCustom::SetConnectTimeout(std::int32_t AValue) {
  FConnectTimeout = AValue;
  if (FIOHandler) FIOHandler->SetConnectTimeout(AValue);
}

void TIdTCPClientCustom::SetHost(const std::u16string& AValue) {
  FHost = AValue;
  if (FIOHandler) FIOHandler->SetHost(AValue);
}

void TIdTCPClientCustom::SetIPVersion(TIdIPVersion AValue) {
  FIPVersion = AValue;
  if (FSocket) FSocket->SetIPVersion(AValue);
}

void TIdTCPClientCustom::SetPort(TIdPort AValue) {
  FPort = AValue;
  if (FIOHandler) FIOHandler->SetPort(AValue);
}

std::int32_t TIdTCPClientCustom::ReadTimeout() const { return FIOHandler ? FIOHandler->ReadTimeout() : FReadTimeout; }

void TIdTCPClientCustom::SetReadTimeout(std::int32_t AValue) {
  FReadTimeout = AValue;
  if (FIOHandler) FIOHandler->SetReadTimeout(AValue);
}

TIdReuseSocket TIdTCPClientCustom::ReuseSocket() const { return FSocket ? FSocket->ReuseSocket() : FReuseSocket; }

void TIdTCPClientCustom::SetReuseSocket(TIdReuseSocket AValue) {
  FReuseSocket = AValue;
  if (FSocket) FSocket->SetReuseSocket(AValue);
}

bool TIdTCPClientCustom::UseNagle() const { return FSocket ? FSocket->UseNagle() : FUseNagle; }

void TIdTCPClientCustom::SetUseNagle(bool AValue) {
  FUseNagle = AValue;
  if (FSocket) FSocket->SetUseNagle(AValue);
}

void TIdTCPClientCustom::SetOnBeforeBind(TIdNotifyEvent AValue) {
  FOnBeforeBind = AValue;
  if (FSocket) FSocket->SetOnBeforeBind(std::move(AValue));
}

void TIdTCPClientCustom::SetOnAfterBind(TIdNotifyEvent AValue) {
  FOnAfterBind = AValue;
  if (FSocket) FSocket->SetOnAfterBind(std::move(AValue));
}

void TIdTCPClientCustom::SetOnSocketAllocated(TIdNotifyEvent AValue) {
  FOnSocketAllocated = AValue;
  if (FSocket) FSocket->SetOnSocketAllocated(std::move(AValue));
}

}  // namespace zorapi

#include "transport/io_handler_stack.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>

#include "core/utf8.h"
#include "transport/connect_thread.h"
#include "transport/transport_exceptions.h"
#include "transport/transport_messages.h"

namespace zorapi {
namespace {

constexpr std::int32_t kWaitSlice = 125;

}  // namespace

TIdIOHandlerStack::TIdIOHandlerStack(TComponent* AOwner) : TIdIOHandlerSocket(AOwner) {}

TIdIOHandlerStack::~TIdIOHandlerStack() = default;

void TIdIOHandlerStack::EstablishConnection() {
  TIdIOHandlerSocket::EstablishConnection();
  std::u16string address;
  if (FIPVersion == Id_IPv4 && GSocketStack()->IsIP(FHost)) {
    address = FHost;
  } else {
    ReportStatus(hsResolving, FHost);
    address = GSocketStack()->ResolveHost(FHost, FIPVersion);
  }
  FBinding->SetPeer(address, static_cast<TIdPort>(FPort), FIPVersion);
  ReportStatus(hsConnecting, address);
  if (FConnectTimeout != 0)
    WaitForConnect(FConnectTimeout);
  else
    FBinding->Connect();
}

void TIdIOHandlerStack::WaitForConnect(std::int32_t ATimeout) {
  if (ATimeout == IdTimeoutDefault) ATimeout = IdTimeoutInfinite;
  // A connect that ends at once, as most to this host or a near one do
  // (connected or refused), needs no worker: its end is taken here and a
  // failure raised as the worker's would be. Only one still under way goes
  // to the worker, which then waits for it.
  bool connected = false;
  std::int32_t error = 0;
  std::u16string message;
  TIdConnectThread::RecordFailure([&] { connected = FBinding->BeginConnect(); }, error, message);
  TIdConnectThread::RaiseRecordedFailure(error, message);
  if (connected) return;
  std::unique_ptr<TIdConnectThread> worker;
  try {
    worker = std::make_unique<TIdConnectThread>(FBinding.get());
  } catch (const std::system_error& e) {
    throw EIdConnectException(DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(e.what()),
                                                std::char_traits<char>::length(e.what())));
  }
  // The limit is counted as the sum of the slices waited; each wait ends
  // early once the worker is done.
  if (ATimeout == IdTimeoutInfinite) {
    while (!worker->WaitForTerminated(std::chrono::milliseconds(kWaitSlice))) {
    }
  } else {
    while (ATimeout > 0 && !worker->Terminated()) {
      const std::int32_t slice = std::min(ATimeout, kWaitSlice);
      worker->WaitForTerminated(std::chrono::milliseconds(slice));
      ATimeout -= slice;
    }
  }
  if (!worker->Terminated()) {
    // Out of time: the attempt is given up and the worker has ended before
    // the socket is closed, so no thread uses a closed descriptor.
    worker->Terminate();
    worker->WaitFor();
    worker.reset();
    Close();
    throw EIdConnectTimeout(RSConnectTimeout);
  }
  worker->WaitFor();
  error = worker->LastSocketError();
  message = worker->ExceptionMessage();
  worker.reset();
  TIdConnectThread::RaiseRecordedFailure(error, message);
}

bool TIdIOHandlerStack::Connected() {
  ReadIntoInputBuffer(false, 0, false);
  return TIdIOHandlerSocket::Connected();
}

void TIdIOHandlerStack::CheckForDisconnect(bool ARaiseExceptionIfDisconnected, bool AIgnoreBuffer) {
  bool disconnected;
  if (FClosedGracefully) {
    disconnected = true;
    if (BindingAllocated()) {
      Close();
      ReportStatus(hsDisconnected);
    }
  } else {
    disconnected = !BindingAllocated();
  }
  if (disconnected && (InputBufferIsEmpty() || AIgnoreBuffer) && ARaiseExceptionIfDisconnected)
    throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
}

bool TIdIOHandlerStack::Readable(std::int32_t AMSec) {
  if (!FBinding) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
  return FBinding->Readable(AMSec);
}

std::int32_t TIdIOHandlerStack::ReceiveFromSocket(void* ABuffer, std::int32_t ALength) {
  return FBinding->Receive(ABuffer, ALength);
}

std::int32_t TIdIOHandlerStack::SendToSocket(const std::uint8_t* ABuffer, std::int32_t ALength) {
  return FBinding->Send(ABuffer, ALength, FMoreFollows);
}

}  // namespace zorapi

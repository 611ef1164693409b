#include "transport/connect_thread.h"

#include "core/utf8.h"
#include "transport/socket_handle.h"
#include "transport/transport_exceptions.h"

namespace zorapi {

TIdConnectThread::TIdConnectThread(TIdSocketHandle* ABinding)
    : FBinding(ABinding), FThread([this] { Execute(); }) {}

TIdConnectThread::~TIdConnectThread() {
  FAbort.Abandon();
  WaitFor();
}

void TIdConnectThread::RecordFailure(const std::function<void()>& AStep, std::int32_t& VLastSocketError,
                                     std::u16string& VExceptionMessage) {
  VLastSocketError = 0;
  VExceptionMessage.clear();
  try {
    AStep();
  } catch (const EIdSocketError& e) {
    VExceptionMessage = e.Message();
    VLastSocketError = e.LastError();
  } catch (const Exception& e) {
    VExceptionMessage = e.Message();
  } catch (const std::exception& e) {
    const std::string what = e.what();
    VExceptionMessage = DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(what.data()), what.size());
    if (VExceptionMessage.empty()) VExceptionMessage = u"Connect failed.";
  } catch (...) {
    VExceptionMessage = u"Connect failed.";
  }
}

void TIdConnectThread::RaiseRecordedFailure(std::int32_t ALastSocketError, const std::u16string& AExceptionMessage) {
  if (AExceptionMessage.empty()) return;
  if (ALastSocketError != 0) throw EIdSocketError(ALastSocketError, AExceptionMessage);
  throw EIdConnectException(AExceptionMessage);
}

void TIdConnectThread::Execute() {
  std::int32_t error = 0;
  std::u16string message;
  RecordFailure([this] { FBinding->Connect(&FAbort); }, error, message);
  // The errors of a socket closed under a connect that was given up are
  // nothing to report; for any other attempt they are its failure.
  const bool closedUnder = error == platform::Id_WSAEBADF || error == platform::Id_WSAENOTSOCK;
  if (!closedUnder || !FAbort.Abandoned()) {
    FLastSocketError = error;
    FExceptionMessage = std::move(message);
  }
  SetTerminated();
}

void TIdConnectThread::SetTerminated() {
  {
    std::lock_guard lock(FLock);
    FTerminated = true;
  }
  FChanged.notify_all();
}

bool TIdConnectThread::Terminated() {
  std::lock_guard lock(FLock);
  return FTerminated;
}

void TIdConnectThread::Terminate() {
  SetTerminated();
  FAbort.Abandon();
}

bool TIdConnectThread::WaitForTerminated(std::chrono::milliseconds AMSec) {
  std::unique_lock lock(FLock);
  return FChanged.wait_for(lock, AMSec, [this] { return FTerminated; });
}

void TIdConnectThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

}  // namespace zorapi

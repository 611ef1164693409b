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

void TIdConnectThread::Execute() {
  try {
    FBinding->Connect(&FAbort);
  } catch (const EIdSocketError& e) {
    // The errors of a socket closed under a connect that was given up are
    // nothing to report; for any other attempt they are its failure.
    const bool closedUnder = e.LastError() == platform::Id_WSAEBADF || e.LastError() == platform::Id_WSAENOTSOCK;
    if (!closedUnder || !FAbort.Abandoned()) {
      FExceptionMessage = e.Message();
      FLastSocketError = e.LastError();
    }
  } catch (const Exception& e) {
    FExceptionMessage = e.Message();
  } catch (const std::exception& e) {
    const std::string what = e.what();
    FExceptionMessage = DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(what.data()), what.size());
    if (FExceptionMessage.empty()) FExceptionMessage = u"Connect failed.";
  } catch (...) {
    FExceptionMessage = u"Connect failed.";
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

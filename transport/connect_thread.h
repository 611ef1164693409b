// The worker that runs one timed connect. It starts at once, records what
// went wrong, and sets Terminated when its connect has ended.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sockets.h"

namespace zorapi {

class TIdSocketHandle;

class TIdConnectThread {
 public:
  explicit TIdConnectThread(TIdSocketHandle* ABinding);
  // Gives up a pending connect and waits until the thread has ended.
  ~TIdConnectThread();
  TIdConnectThread(const TIdConnectThread&) = delete;
  TIdConnectThread& operator=(const TIdConnectThread&) = delete;

  bool Terminated();
  // Sets Terminated and makes a pending connect give up.
  void Terminate();
  // Waits at most AMSec ms for Terminated; true when it is set.
  bool WaitForTerminated(std::chrono::milliseconds AMSec);
  // Waits until the thread has ended.
  void WaitFor();

  // Read these only once Terminated is set by the worker.
  std::int32_t LastSocketError() const { return FLastSocketError; }
  const std::u16string& ExceptionMessage() const { return FExceptionMessage; }

  // Runs one step of a connect and records its failure instead of raising
  // it, as the worker does: the message of any failure (empty after a
  // success) and the error number of a socket error (else 0).
  static void RecordFailure(const std::function<void()>& AStep, std::int32_t& VLastSocketError,
                            std::u16string& VExceptionMessage);
  // Raises the failure recorded by RecordFailure, if any: EIdSocketError
  // with an error number, else EIdConnectException.
  static void RaiseRecordedFailure(std::int32_t ALastSocketError, const std::u16string& AExceptionMessage);

 private:
  void Execute();
  void SetTerminated();

  TIdSocketHandle* FBinding;  // not owned
  std::int32_t FLastSocketError = 0;
  std::u16string FExceptionMessage;
  platform::ConnectAbort FAbort;
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FTerminated = false;
  std::thread FThread;  // last: started once everything else is ready
};

}  // namespace zorapi

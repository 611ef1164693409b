// The socket I/O handler of this library: the timed connect and the socket
// reads, writes and readiness waits.
#pragma once

#include <cstdint>

#include "transport/io_handler_socket.h"

namespace zorapi {

class TIdIOHandlerStack : public TIdIOHandlerSocket {
 public:
  explicit TIdIOHandlerStack(TComponent* AOwner);
  ~TIdIOHandlerStack() override;

  // Takes in, without waiting, whatever data or close notice is waiting.
  bool Connected() override;
  void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false) override;
  bool Readable(std::int32_t AMSec = IdTimeoutDefault) override;

 protected:
  // Resolves the host and connects, within ConnectTimeout.
  void EstablishConnection() override;
  // Connects on a TIdConnectThread and waits for it at most ATimeout ms.
  void WaitForConnect(std::int32_t ATimeout);

  std::int32_t ReceiveFromSocket(void* ABuffer, std::int32_t ALength) override;
  std::int32_t SendToSocket(const std::uint8_t* ABuffer, std::int32_t ALength) override;
};

}  // namespace zorapi

// The socket address 127.0.0.1:APort, for tests that call the platform's
// socket operations directly.
#pragma once

#include <cstdint>

#include "platform/sockets.h"

namespace zorapi::testing {

inline platform::SocketAddress LoopbackAddress(std::uint16_t APort) {
  platform::SocketAddress a;
  a.Family = platform::AddressFamily::IPv4;
  a.Bytes[0] = 127;
  a.Bytes[3] = 1;
  a.Port = APort;
  return a;
}

}  // namespace zorapi::testing

// The support of tests/support/transport_client.h that needs sockets, over
// Windows Sockets.
#include <winsock2.h>

#include "support/transport_client.h"

namespace zorapi::testing {

std::uint16_t UnusedPort() {
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  ::closesocket(s);
  WSACleanup();
  return ntohs(addr.sin_port);
}

}  // namespace zorapi::testing

// The address family of a host: shared by the URL parser and the transport.
#pragma once

#include <cstdint>

namespace zorapi {

enum TIdIPVersion : std::uint8_t { Id_IPv4, Id_IPv6 };

}  // namespace zorapi

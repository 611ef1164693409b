// Types shared by every layer of the transport.
#pragma once

#include <cstdint>
#include <vector>

namespace zorapi {

using TIdBytes = std::vector<std::uint8_t>;
using TIdPort = std::uint16_t;

}  // namespace zorapi

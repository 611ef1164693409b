#include <cstdlib>
#include <cstring>

#include "core/utf8.h"
#include "platform/environment.h"

namespace zorapi::platform {

std::optional<std::u16string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(value), std::strlen(value));
}

}  // namespace zorapi::platform

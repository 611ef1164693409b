// Process environment.
#pragma once

#include <optional>
#include <string>

namespace zorapi::platform {

// The value of an environment variable, nothing when it is not set.
std::optional<std::u16string> EnvironmentVariable(const char* name);

}  // namespace zorapi::platform

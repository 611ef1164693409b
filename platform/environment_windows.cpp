#include <windows.h>

#include <string>
#include <string_view>

#include "platform/environment.h"

namespace zorapi::platform {

// Read in UTF-16 straight from the process environment block; the C run
// time's copy would have gone through the ANSI code page.
std::optional<std::u16string> EnvironmentVariable(const char* name) {
  std::wstring wideName;  // names are ASCII
  for (const unsigned char c : std::string_view(name)) wideName.push_back(c);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::u16string();
    }
    if (n < value.size()) {
      value.resize(n);
      return std::u16string(value.begin(), value.end());
    }
    value.resize(n);  // too small: n is the size needed, terminator included
  }
}

}  // namespace zorapi::platform

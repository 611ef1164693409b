#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "core/utf8.h"
#include "host.h"

namespace zorapi::cli {
namespace {

std::wstring Wide(const std::string& utf8) {
  const auto text = DecodeUtf8Lenient(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
  return std::wstring(text.begin(), text.end());
}

template <typename Function>
bool Resolve(HMODULE library, const char* name, Function& function, std::string& error) {
  // The exports are undecorated stdcall names; void (*)() converts to any
  // function pointer type without a cast-function-type warning.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
  if (function == nullptr) error = std::string(name) + " is not exported";
  return function != nullptr;
}

}  // namespace

// main's arguments are in the ANSI code page; the wide command line has
// every character.
std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const std::wstring_view arg(wide[i]);
    arguments.push_back(EncodeUtf8(std::u16string(arg.begin(), arg.end())));
  }
  LocalFree(wide);
  return arguments;
}

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

// _wputenv_s changes both the C run-time's copy and the process's own
// environment, whichever of them the library reads.
void SetEnvironmentValue(const char* name, const std::string& utf8Value) {
  _wputenv_s(Wide(name).c_str(), Wide(utf8Value).c_str());
}

// Windows looks for a DLL beside the program first.
std::string DefaultLibrary() { return ZORAPI_LIBRARY_NAME; }

std::optional<ZorapiFunctions> LoadZorapi(const std::string& path, std::string& error) {
  HMODULE library = LoadLibraryW(Wide(path).c_str());
  if (library == nullptr) {
    error = path + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
    return std::nullopt;
  }
  ZorapiFunctions functions{};
  if (!Resolve(library, "zorlogin", functions.login, error) ||
      !Resolve(library, "identifySynonyms", functions.identify, error) ||
      !Resolve(library, "replaceEveryonesFavorites", functions.replace, error))
    return std::nullopt;
  return functions;
}

}  // namespace zorapi::cli

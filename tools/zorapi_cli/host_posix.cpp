#include <dlfcn.h>

#include <cstdlib>

#include "host.h"

namespace zorapi::cli {
namespace {

template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr) error = std::string(name) + " is not exported";
  return function != nullptr;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

void UseBinaryStandardStreams() {}

void SetEnvironmentValue(const char* name, const std::string& utf8Value) {
  setenv(name, utf8Value.c_str(), 1);
}

// The build sets the library's file name; the tool's run path leads to it
// (the build directory, or ../lib beside the installed tool).
std::string DefaultLibrary() { return ZORAPI_LIBRARY_NAME; }

std::optional<ZorapiFunctions> LoadZorapi(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    error = why ? why : path + ": cannot be loaded";
    return std::nullopt;
  }
  // Kept loaded for the life of the process.
  ZorapiFunctions functions{};
  if (!Resolve(library, "zorlogin", functions.login, error) ||
      !Resolve(library, "identifySynonyms", functions.identify, error) ||
      !Resolve(library, "replaceEveryonesFavorites", functions.replace, error))
    return std::nullopt;
  return functions;
}

}  // namespace zorapi::cli

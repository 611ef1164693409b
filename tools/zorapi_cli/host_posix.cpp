#include <dlfcn.h>
#include <unistd.h>

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

// The build gives the library's file name and where it lies from the tool:
// beside it in the build tree, in ../lib once installed. The path is made
// absolute from the tool's own location rather than left to the loader's
// run-path search, which a sanitizer's dlopen wrapper would see as its own.
std::string DefaultLibrary() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return ZORAPI_LIBRARY_NAME;
  std::string folder(self, static_cast<std::size_t>(n));
  folder.erase(folder.rfind('/') + 1);
  for (const char* relative : {"", "../" ZORAPI_INSTALL_LIBDIR "/"}) {
    const std::string candidate = folder + relative + ZORAPI_LIBRARY_NAME;
    if (access(candidate.c_str(), F_OK) == 0) return candidate;
  }
  // Elsewhere: the loader's own search (LD_LIBRARY_PATH, the system's folders).
  return ZORAPI_LIBRARY_NAME;
}

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

#include "support/loaded_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace zorapi::testing {

bool LibraryAlreadyLoaded() {
  void* handle = ::dlopen(ZORAPI_SHARED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);  // only drops the reference RTLD_NOLOAD took
  return true;
}

bool LoadLibraryExports(const std::string& AEndpoint, LibraryExports& AExports, std::string& AWhyNot) {
  if (LibraryAlreadyLoaded()) {
    AWhyNot = "the library is already loaded in this process, pointed at another peer";
    return false;
  }
  if (::setenv("ZORAPI_ENDPOINT", AEndpoint.c_str(), 1) != 0) {
    AWhyNot = "setenv failed";
    return false;
  }
  void* library = ::dlopen(ZORAPI_SHARED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ::unsetenv("ZORAPI_ENDPOINT");
  if (library == nullptr) {
    const char* why = ::dlerror();
    AWhyNot = why ? why : "dlopen failed";
    return false;
  }
  // Never closed: a host keeps the library for as long as it calls it.
  AExports.zorlogin = reinterpret_cast<decltype(AExports.zorlogin)>(::dlsym(library, "zorlogin"));
  AExports.identifySynonyms =
      reinterpret_cast<decltype(AExports.identifySynonyms)>(::dlsym(library, "identifySynonyms"));
  AExports.replaceEveryonesFavorites =
      reinterpret_cast<decltype(AExports.replaceEveryonesFavorites)>(::dlsym(library, "replaceEveryonesFavorites"));
  if (!AExports.zorlogin || !AExports.identifySynonyms || !AExports.replaceEveryonesFavorites) {
    AWhyNot = "an export is missing";
    return false;
  }
  return true;
}

std::string LoopbackEndpoint(std::uint16_t APort) { return "http://127.0.0.1:" + std::to_string(APort) + "/api.php"; }

}  // namespace zorapi::testing

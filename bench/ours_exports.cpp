#include "bench/ours_exports.h"

#include <dlfcn.h>

#include <cstdlib>

#include "bench/wire.h"

namespace bench {

OursExports::OursExports(const std::string& libraryPath, int port) {
  const std::string endpoint = "http://127.0.0.1:" + std::to_string(port) + "/api.php";
  setenv("ZORAPI_ENDPOINT", endpoint.c_str(), 1);
  void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    FError = dlerror();
    return;
  }
  FIdentify = reinterpret_cast<IdentifyFunction>(dlsym(library, "identifySynonyms"));
  if (!FIdentify) FError = "identifySynonyms is not exported";
}

const zorapi_char* OursExports::IdentifySynonyms() const { return FIdentify(kSession, kText, kMaxSyns); }

bool ResultIs(const zorapi_char* result, const char* ascii) {
  if (!result) return false;
  for (; *ascii; ++ascii, ++result)
    if (*result != static_cast<zorapi_char>(static_cast<unsigned char>(*ascii))) return false;
  return *result == 0;
}

}  // namespace bench

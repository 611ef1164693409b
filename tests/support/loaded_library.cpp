#include "support/loaded_library.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace zorapi::testing {
namespace {

// A copy of the library under a new name; a file of another identity is
// loaded anew, with globals of its own, even where the original is loaded.
bool CopyLibrary(std::string& APath, std::string& AWhyNot) {
  std::string name = (std::filesystem::temp_directory_path() / "zorapi-test-XXXXXX.so").string();
  const int fd = ::mkstemps(name.data(), 3);
  if (fd < 0) {
    AWhyNot = "mkstemps failed";
    return false;
  }
  ::close(fd);
  std::error_code error;
  std::filesystem::copy_file(ZORAPI_SHARED_LIBRARY_PATH, name, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) {
    ::unlink(name.c_str());
    AWhyNot = "copying the library failed: " + error.message();
    return false;
  }
  APath = name;
  return true;
}

}  // namespace

bool LoadLibraryExports(const std::string& AEndpoint, LibraryExports& AExports, std::string& AWhyNot) {
  std::string path;
  if (!CopyLibrary(path, AWhyNot)) return false;
  if (::setenv("ZORAPI_ENDPOINT", AEndpoint.c_str(), 1) != 0) {
    ::unlink(path.c_str());
    AWhyNot = "setenv failed";
    return false;
  }
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ::unsetenv("ZORAPI_ENDPOINT");
  ::unlink(path.c_str());  // the loaded copy stays mapped
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

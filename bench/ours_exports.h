// The library as a host uses it: libzorapi.so loaded at run time, with
// ZORAPI_ENDPOINT pointing at the bench server, and its identifySynonyms
// export called.
#pragma once

#include <string>

#include "zorapi.h"

namespace bench {

class OursExports {
 public:
  // Sets ZORAPI_ENDPOINT for the port, then loads the library.
  OursExports(const std::string& libraryPath, int port);
  bool Loaded() const { return FIdentify != nullptr; }
  const std::string& LoadError() const { return FError; }

  // One identifySynonyms call with the bench arguments; the result pointer
  // is the library's.
  const zorapi_char* IdentifySynonyms() const;

 private:
  using IdentifyFunction = const zorapi_char* (*)(const zorapi_char*, const zorapi_char*, int32_t);
  IdentifyFunction FIdentify = nullptr;
  std::string FError;
};

// Whether a result equals an ASCII text.
bool ResultIs(const zorapi_char* result, const char* ascii);

}  // namespace bench

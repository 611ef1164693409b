// The library's HTTP client used directly, below the exports, for the
// figures the exports cannot give (they keep only the output element):
// large reply bodies and long heads.
#pragma once

#include <memory>
#include <string>

#include "api/new_httpcli.h"
#include "core/streams.h"

namespace bench {

class OursInternal {
 public:
  explicit OursInternal(int port);
  ~OursInternal();
  OursInternal(const OursInternal&) = delete;
  OursInternal& operator=(const OursInternal&) = delete;

  // POSTs one small form field to target, the reply body into stream.
  // False when the client raised; the message is in Error().
  bool Post(const std::string& target, zorapi::TMemoryStream& stream);
  const std::string& Error() const { return FError; }

 private:
  int FPort;
  std::unique_ptr<zorapi::TNewHttpcli> FClient;
  std::string FError;
};

}  // namespace bench

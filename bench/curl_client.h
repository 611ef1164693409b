// libcurl's easy interface set up as a user of the service would: HTTP/1.0,
// a fresh connection per request, the library's header lines, the reply
// body into memory.
#pragma once

#include <curl/curl.h>

#include <string>

#include "bench/memory_sink.h"

namespace bench {

class CurlClient {
 public:
  explicit CurlClient(int port);
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  // POSTs body to target; true when the transfer succeeded with status 200.
  // The reply body is in Body() afterwards.
  bool Post(const std::string& target, const std::string& body);
  const MemorySink& Body() const { return FBody; }

 private:
  static std::size_t Append(char* data, std::size_t size, std::size_t count, void* self);

  int FPort;
  CURL* FHandle = nullptr;
  curl_slist* FHeaders = nullptr;
  std::string FUrl;
  MemorySink FBody;
};

}  // namespace bench

#include "bench/curl_client.h"

#include "bench/wire.h"

namespace bench {

CurlClient::CurlClient(int port) : FPort(port), FHandle(curl_easy_init()) {
  for (const std::string& line : LibraryHeaderLines(port)) FHeaders = curl_slist_append(FHeaders, line.c_str());
  FHeaders = curl_slist_append(FHeaders, "Expect:");  // the library never waits for 100-continue
  curl_easy_setopt(FHandle, CURLOPT_HTTPHEADER, FHeaders);
  curl_easy_setopt(FHandle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(FHandle, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(FHandle, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(FHandle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(FHandle, CURLOPT_CONNECTTIMEOUT_MS, 30000L);
  curl_easy_setopt(FHandle, CURLOPT_WRITEFUNCTION, &CurlClient::Append);
  curl_easy_setopt(FHandle, CURLOPT_WRITEDATA, this);
}

CurlClient::~CurlClient() {
  curl_easy_cleanup(FHandle);
  curl_slist_free_all(FHeaders);
}

std::size_t CurlClient::Append(char* data, std::size_t size, std::size_t count, void* self) {
  static_cast<CurlClient*>(self)->FBody.Append(data, size * count);
  return size * count;
}

bool CurlClient::Post(const std::string& target, const std::string& body) {
  FBody.Clear();
  const std::string url = "http://127.0.0.1:" + std::to_string(FPort) + target;
  if (url != FUrl) {
    FUrl = url;
    curl_easy_setopt(FHandle, CURLOPT_URL, FUrl.c_str());
  }
  curl_easy_setopt(FHandle, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(FHandle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  if (curl_easy_perform(FHandle) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(FHandle, CURLINFO_RESPONSE_CODE, &status);
  return status == 200;
}

}  // namespace bench

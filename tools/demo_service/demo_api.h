// The demo service's "/api.php": the three actions, their sessions and their
// XML replies.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zorapi::demo {

struct ApiReply {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::string> extraHeaders;  // whole lines without CR LF
  std::string body;
};

class DemoApi {
 public:
  // Answers one request; thread-safe.
  ApiReply Handle(std::string_view method, std::string_view target, std::string_view body);

 private:
  ApiReply Authenticate(const std::string& user, const std::string& password);
  bool KnownSession(const std::string& session);
  std::string NewSessionId();

  std::mutex FLock;
  std::set<std::string> FSessions;
};

}  // namespace zorapi::demo

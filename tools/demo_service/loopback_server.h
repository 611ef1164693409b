// A small HTTP/1.x server on the loopback interface: one request per
// connection, each connection on its own thread, the reply framed by
// Content-Length and followed by the close.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "demo_api.h"

namespace zorapi::demo {

struct HttpRequest {
  std::string method;
  std::string target;
  std::string version;
  std::string body;
};

using RequestHandler = std::function<ApiReply(const HttpRequest&)>;

class LoopbackServer {
 public:
  // Binds 127.0.0.1 on port (0 for an ephemeral one) and listens; throws
  // std::runtime_error when that fails.
  explicit LoopbackServer(std::uint16_t port);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t Port() const { return FPort; }

  // Serves until stopRequested() is true or lifetime has passed.
  void Serve(const RequestHandler& handler, std::chrono::seconds lifetime,
             const std::function<bool()>& stopRequested);

 private:
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::atomic<int> FActive{0};
};

// The reply's bytes on the wire.
std::string FormatReply(const ApiReply& reply);

}  // namespace zorapi::demo

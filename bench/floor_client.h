// The floor: a bare socket client that connects, sends the request bytes in
// one write, receives until the server closes, and closes.
#pragma once

#include <string>

namespace bench {

class FloorClient {
 public:
  explicit FloorClient(int port) : FPort(port) {}
  // The reply bytes; empty when connecting or sending failed.
  const std::string& Exchange(const std::string& request);

 private:
  int FPort;
  std::string FReply;
};

}  // namespace bench

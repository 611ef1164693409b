// A small threaded HTTP service on 127.0.0.1 for tests that make many
// calls: each worker accepts a connection, reads one request (the head up
// to the empty line, then "Content-Length" bytes of body), answers "200 OK"
// with the body the handler makes of the request body, and closes. Every
// wait is bounded, and the destructor stops and joins the workers.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zorapi::testing {

class ServiceResponder {
 public:
  // Gets the request body, returns the reply body. Called on the workers,
  // several at once.
  using Handler = std::function<std::string(const std::string& ABody)>;

  explicit ServiceResponder(Handler AHandler, int AWorkers = 4,
                            std::chrono::milliseconds AConnectionTimeout = std::chrono::milliseconds(10000));
  ~ServiceResponder();
  ServiceResponder(const ServiceResponder&) = delete;
  ServiceResponder& operator=(const ServiceResponder&) = delete;

  std::uint16_t Port() const { return FPort; }
  // Requests answered so far.
  std::size_t Served() const;
  // Connections that ended without an answer, as text, for test messages.
  std::vector<std::string> Errors() const;

 private:
  void Work();
  void Serve(int AFd);
  // Reads one request from AFd; false (with AWhy) when it did not come whole.
  bool ReadRequest(int AFd, std::string& ABody, std::string& AWhy);
  bool WaitReadable(int AFd, std::chrono::steady_clock::time_point ADeadline);
  void AddError(std::string AText);

  Handler FHandler;
  std::chrono::milliseconds FConnectionTimeout;
  int FListener = -1;
  int FWake[2] = {-1, -1};  // written by the destructor to stop every wait
  std::uint16_t FPort = 0;
  mutable std::mutex FLock;
  std::size_t FServed = 0;
  std::vector<std::string> FErrors;
  std::vector<std::thread> FWorkers;
};

// The value of the form field AName in a request body, still escaped; empty
// when the field is missing.
std::string FormField(std::string_view ABody, std::string_view AName);

}  // namespace zorapi::testing

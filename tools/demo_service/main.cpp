// The bundled demo service: answers the three operations on 127.0.0.1.
//
//   demo_service [--port N] [--lifetime SECONDS] [--verbose]
//
// Prints the port it listens on as the first line of its output, then serves
// until SIGINT or SIGTERM, or until the lifetime (default 300 s) has passed.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

#include "demo_api.h"
#include "loopback_server.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

int Usage() {
  std::fprintf(stderr, "usage: demo_service [--port N] [--lifetime SECONDS] [--verbose]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long port = 0;
  long lifetime = 300;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      port = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "--lifetime" && i + 1 < argc) {
      lifetime = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      return Usage();
    }
  }
  if (port < 0 || port > 65535 || lifetime <= 0) return Usage();

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  try {
    zorapi::demo::LoopbackServer server(static_cast<std::uint16_t>(port));
    std::cout << server.Port() << std::endl;
    zorapi::demo::DemoApi api;
    std::mutex logLock;
    server.Serve(
        [&](const zorapi::demo::HttpRequest& request) {
          zorapi::demo::ApiReply reply = api.Handle(request.method, request.target, request.body);
          if (verbose) {
            std::lock_guard<std::mutex> lock(logLock);
            std::cerr << "demo_service: " << request.method << " " << request.target << " " << request.version
                      << " (" << request.body.size() << " body bytes) -> " << reply.status << "\n";
          }
          return reply;
        },
        std::chrono::seconds(lifetime), [] { return gStop != 0; });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_service: %s\n", e.what());
    return 1;
  }
  return 0;
}

#include "support/service_responder.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace zorapi::testing {
namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024 * 1024;

bool StartsTextAscii(std::string_view AText, std::string_view APrefix) {
  if (AText.size() < APrefix.size()) return false;
  for (std::size_t i = 0; i < APrefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(AText[i])) != std::tolower(static_cast<unsigned char>(APrefix[i])))
      return false;
  return true;
}

// The "Content-Length" of a head, 0 without one; -1 when it is not a number.
long long ContentLength(std::string_view AHead) {
  constexpr std::string_view name = "content-length:";
  for (std::size_t at = 0; at < AHead.size();) {
    const std::size_t end = std::min(AHead.find("\r\n", at), AHead.size());
    const std::string_view line = AHead.substr(at, end - at);
    if (StartsTextAscii(line, name)) {
      const std::string value(line.substr(name.size()));
      char* stop = nullptr;
      const long long n = std::strtoll(value.c_str(), &stop, 10);
      return stop == value.c_str() || n < 0 ? -1 : n;
    }
    at = end + 2;
  }
  return 0;
}

bool SendAll(int AFd, std::string_view AData) {
  while (!AData.empty()) {
    const ssize_t n = ::send(AFd, AData.data(), AData.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    AData.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

ServiceResponder::ServiceResponder(Handler AHandler, int AWorkers, std::chrono::milliseconds AConnectionTimeout)
    : FHandler(std::move(AHandler)), FConnectionTimeout(AConnectionTimeout) {
  if (::pipe2(FWake, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  // Non-blocking, so a worker that loses the race for a connection to
  // another worker goes back to waiting instead of blocking in accept.
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (FListener < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(FListener, 64) != 0 ||
      ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("listen failed");
  FPort = ntohs(addr.sin_port);
  for (int i = 0; i < std::max(AWorkers, 1); ++i) FWorkers.emplace_back([this] { Work(); });
}

ServiceResponder::~ServiceResponder() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t r = ::write(FWake[1], &byte, 1);
  for (std::thread& t : FWorkers) t.join();
  ::close(FListener);
  ::close(FWake[0]);
  ::close(FWake[1]);
}

std::size_t ServiceResponder::Served() const {
  std::lock_guard lock(FLock);
  return FServed;
}

std::vector<std::string> ServiceResponder::Errors() const {
  std::lock_guard lock(FLock);
  return FErrors;
}

void ServiceResponder::AddError(std::string AText) {
  std::lock_guard lock(FLock);
  FErrors.push_back(std::move(AText));
}

// Readable, or false on stop or at the deadline. The wake pipe is never
// read, so once written it stops every worker.
bool ServiceResponder::WaitReadable(int AFd, std::chrono::steady_clock::time_point ADeadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(ADeadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{AFd, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    const int n = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (n < 0 && errno != EINTR) return false;
    if (fds[1].revents) return false;
    if (fds[0].revents) return true;
  }
}

void ServiceResponder::Work() {
  for (;;) {
    if (!WaitReadable(FListener, std::chrono::steady_clock::time_point::max())) return;
    const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;  // taken by another worker
    Serve(fd);
    ::close(fd);
  }
}

bool ServiceResponder::ReadRequest(int AFd, std::string& ABody, std::string& AWhy) {
  const auto deadline = std::chrono::steady_clock::now() + FConnectionTimeout;
  std::string got;
  std::size_t headEnd = std::string::npos;
  long long length = -1;
  char buf[65536];
  for (;;) {
    if (headEnd == std::string::npos) {
      headEnd = got.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        length = ContentLength(std::string_view(got).substr(0, headEnd));
        if (length < 0 || static_cast<unsigned long long>(length) > kMaxBody) {
          AWhy = "bad Content-Length";
          return false;
        }
        headEnd += 4;
      } else if (got.size() > kMaxHead) {
        AWhy = "head too long";
        return false;
      }
    }
    if (headEnd != std::string::npos && got.size() >= headEnd + static_cast<std::size_t>(length)) {
      ABody = got.substr(headEnd, static_cast<std::size_t>(length));
      return true;
    }
    if (!WaitReadable(AFd, deadline)) {
      AWhy = "timed out or stopped";
      return false;
    }
    const ssize_t n = ::recv(AFd, buf, sizeof buf, 0);
    if (n <= 0) {
      AWhy = "closed before the request was whole";
      return false;
    }
    got.append(buf, static_cast<std::size_t>(n));
  }
}

void ServiceResponder::Serve(int AFd) {
  // A client that stops reading cannot hold a worker for ever.
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(FConnectionTimeout).count();
  const timeval limit{static_cast<time_t>(std::max<long long>(seconds, 1)), 0};
  ::setsockopt(AFd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  std::string body, why;
  if (!ReadRequest(AFd, body, why)) {
    AddError(why);
    return;
  }
  const std::string reply = FHandler(body);
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(reply.size()) +
      "\r\nConnection: close\r\n\r\n";
  if (!SendAll(AFd, head + reply)) {
    AddError("send failed");
    return;
  }
  std::lock_guard lock(FLock);
  ++FServed;
}

std::string FormField(std::string_view ABody, std::string_view AName) {
  for (std::size_t at = 0; at <= ABody.size();) {
    const std::size_t end = std::min(ABody.find('&', at), ABody.size());
    const std::string_view field = ABody.substr(at, end - at);
    const std::size_t eq = field.find('=');
    if (eq != std::string_view::npos && field.substr(0, eq) == AName) return std::string(field.substr(eq + 1));
    at = end + 1;
  }
  return {};
}

}  // namespace zorapi::testing

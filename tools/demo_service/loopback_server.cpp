#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>

namespace zorapi::demo {
namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxBody = 16 * 1024 * 1024;
constexpr int kIdleSeconds = 10;

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads more bytes into buffer; false at the end of the stream, an error or
// the idle limit.
bool ReadMore(int fd, std::string& buffer) {
  char chunk[16 * 1024];
  for (;;) {
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

ApiReply BadRequest(std::string_view why) {
  ApiReply reply;
  reply.status = 400;
  reply.reason = "Bad Request";
  reply.body = "<html><body>" + std::string(why) + "</body></html>";
  return reply;
}

// Reads the head and the Content-Length body; a reply to send instead when
// the request is malformed, nothing when the peer went away.
std::optional<ApiReply> ReadRequest(int fd, HttpRequest& request) {
  std::string data;
  std::size_t headEnd;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
    if (data.size() > kMaxHead) return BadRequest("head too long");
    if (!ReadMore(fd, data)) return data.empty() ? std::nullopt : std::optional(BadRequest("truncated head"));
  }
  std::string_view head(data.data(), headEnd);
  const std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine = head.substr(0, lineEnd);
  const std::size_t sp1 = requestLine.find(' ');
  const std::size_t sp2 = requestLine.rfind(' ');
  if (sp1 == std::string_view::npos || sp2 == sp1) return BadRequest("bad request line");
  request.method = requestLine.substr(0, sp1);
  request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
  request.version = requestLine.substr(sp2 + 1);
  if (request.version.rfind("HTTP/1.", 0) != 0) return BadRequest("bad version");

  std::size_t contentLength = 0;
  std::string_view rest = lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 2);
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (SameAscii(Trimmed(line.substr(0, colon)), "Content-Length")) {
      const std::string value(Trimmed(line.substr(colon + 1)));
      char* stop = nullptr;
      const unsigned long long n = std::strtoull(value.c_str(), &stop, 10);
      if (value.empty() || *stop != '\0' || n > kMaxBody) return BadRequest("bad Content-Length");
      contentLength = static_cast<std::size_t>(n);
    }
  }
  const std::size_t bodyStart = headEnd + 4;
  while (data.size() - bodyStart < contentLength) {
    if (!ReadMore(fd, data)) return BadRequest("truncated body");
  }
  request.body = data.substr(bodyStart, contentLength);
  return std::nullopt;
}

void ServeConnection(int fd, const RequestHandler& handler) {
  timeval idle{kIdleSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle);
  HttpRequest request;
  std::optional<ApiReply> early;
  try {
    early = ReadRequest(fd, request);
  } catch (...) {
    early = BadRequest("unreadable request");
  }
  if (early || !request.method.empty()) {
    ApiReply reply;
    try {
      reply = early ? *early : handler(request);
    } catch (...) {
      reply = BadRequest("internal error");
      reply.status = 500;
      reply.reason = "Internal Server Error";
    }
    SendAll(fd, FormatReply(reply));
    shutdown(fd, SHUT_WR);
  }
  close(fd);
}

}  // namespace

std::string FormatReply(const ApiReply& reply) {
  std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
  out += reply.status == 200 ? "Content-Type: text/xml; charset=UTF-8\r\n" : "Content-Type: text/html; charset=UTF-8\r\n";
  out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  out += "Connection: close\r\n";
  for (const std::string& line : reply.extraHeaders) out += line + "\r\n";
  out += "\r\n";
  out += reply.body;
  return out;
}

LoopbackServer::LoopbackServer(std::uint16_t port) {
  FListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListener < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  const int one = 1;
  setsockopt(FListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(FListener, 128) != 0) {
    const std::string why = std::strerror(errno);
    close(FListener);
    throw std::runtime_error("bind 127.0.0.1:" + std::to_string(port) + ": " + why);
  }
  socklen_t length = sizeof address;
  getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
  FPort = ntohs(address.sin_port);
}

LoopbackServer::~LoopbackServer() {
  if (FListener >= 0) close(FListener);
}

void LoopbackServer::Serve(const RequestHandler& handler, std::chrono::seconds lifetime,
                           const std::function<bool()>& stopRequested) {
  const auto deadline = std::chrono::steady_clock::now() + lifetime;
  while (!stopRequested() && std::chrono::steady_clock::now() < deadline) {
    pollfd waiting{FListener, POLLIN, 0};
    if (poll(&waiting, 1, 200) <= 0) continue;
    const int fd = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++FActive;
    std::thread([this, fd, handler] {
      ServeConnection(fd, handler);
      --FActive;
    }).detach();
  }
  // Connections still being served use the handler; each ends within the
  // idle limit.
  const auto drainDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(2 * kIdleSeconds);
  while (FActive.load() > 0 && std::chrono::steady_clock::now() < drainDeadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace zorapi::demo

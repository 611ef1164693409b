// The loopback server of the benchmarks. One thread, epoll, non-blocking
// sockets; every reply is pre-built, so per request it only parses the head
// far enough to find the target and the body length, then writes.
//
//   bench_server [--body-mib N]
//
// Prints the port it listens on (127.0.0.1, ephemeral) and serves until its
// standard input is closed. The last request to "/api.php" is kept and sent
// back as the body of a request to "/last", so the harness can compare what
// the clients put on the wire.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "bench/reply_catalog.h"

namespace {

using bench::Reply;
using bench::ReplyCatalog;

constexpr std::size_t kMaxRequestBytes = 1 << 20;

struct Connection {
  int fd = -1;
  std::string in;
  bool writing = false;
  const Reply* reply = nullptr;
  Reply own;                 // for "/last": one range over `body`
  std::string body;          // storage of an own reply
  std::size_t index = 0;     // next range to send
  std::size_t offset = 0;    // bytes of that range already sent
};

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The value of Content-Length in a head, 0 when there is none.
std::size_t RequestBodyLength(std::string_view head) {
  std::size_t pos = head.find("\r\n");
  while (pos != std::string_view::npos && pos + 2 < head.size()) {
    const std::size_t start = pos + 2;
    const std::size_t end = head.find("\r\n", start);
    const std::string_view line = head.substr(start, end - start);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && SameTextAscii(line.substr(0, colon), "Content-Length"))
      return std::strtoull(std::string(line.substr(colon + 1)).c_str(), nullptr, 10);
    pos = end;
  }
  return 0;
}

std::string_view RequestTarget(std::string_view head) {
  const std::size_t a = head.find(' ');
  if (a == std::string_view::npos) return {};
  const std::size_t b = head.find(' ', a + 1);
  return head.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1);
}

class Server {
 public:
  Server(std::size_t bodyBytes) : FCatalog(bodyBytes) {}

  int Listen() {
    FListen = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(FListen, 1024) != 0) {
      std::perror("bench_server: listen");
      std::exit(1);
    }
    socklen_t len = sizeof addr;
    getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
    FEpoll = epoll_create1(EPOLL_CLOEXEC);
    Watch(FListen, EPOLLIN);
    Watch(STDIN_FILENO, EPOLLIN);
    return ntohs(addr.sin_port);
  }

  void Run() {
    epoll_event events[64];
    for (;;) {
      const int n = epoll_wait(FEpoll, events, 64, -1);
      if (n < 0 && errno == EINTR) continue;
      for (int i = 0; i < n; ++i) {
        const int fd = events[i].data.fd;
        if (fd == STDIN_FILENO) {
          char c;
          if (read(STDIN_FILENO, &c, 1) <= 0) return;
        } else if (fd == FListen) {
          AcceptAll();
        } else {
          Serve(fd);
        }
      }
    }
  }

 private:
  void Watch(int fd, std::uint32_t what) {
    epoll_event ev{};
    ev.events = what;
    ev.data.fd = fd;
    epoll_ctl(FEpoll, EPOLL_CTL_ADD, fd, &ev);
  }

  void AcceptAll() {
    for (;;) {
      const int fd = accept4(FListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      auto c = std::make_unique<Connection>();
      c->fd = fd;
      FConnections[fd] = std::move(c);
      Watch(fd, EPOLLIN);
    }
  }

  void Close(Connection& c) {
    const int fd = c.fd;
    close(fd);
    FConnections.erase(fd);
  }

  void Serve(int fd) {
    const auto it = FConnections.find(fd);
    if (it == FConnections.end()) return;
    Connection& c = *it->second;
    if (!c.writing && !ReadRequest(c)) return;
    if (c.writing) WriteReply(c);
  }

  // False when the connection is gone or the request is not complete yet.
  bool ReadRequest(Connection& c) {
    char buffer[65536];
    for (;;) {
      const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n > 0) {
        c.in.append(buffer, static_cast<std::size_t>(n));
        if (c.in.size() > kMaxRequestBytes) break;
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      Close(c);  // closed or failed before the request was complete
      return false;
    }
    const std::size_t headEnd = c.in.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
      if (c.in.size() > kMaxRequestBytes) Close(c);
      return false;
    }
    const std::string_view head(c.in.data(), headEnd + 2);
    if (c.in.size() < headEnd + 4 + RequestBodyLength(head)) return false;
    Choose(c, RequestTarget(head));
    c.writing = true;
    epoll_event ev{};
    ev.events = EPOLLOUT;
    ev.data.fd = c.fd;
    epoll_ctl(FEpoll, EPOLL_CTL_MOD, c.fd, &ev);
    return true;
  }

  void Choose(Connection& c, std::string_view target) {
    if (target == "/last") {
      c.body = ReplyCatalog::HeadFor(FLastRequest.size()) + FLastRequest;
      c.own = Reply{iovec{c.body.data(), c.body.size()}};
      c.reply = &c.own;
      return;
    }
    if (target == "/api.php") FLastRequest = c.in;
    c.reply = FCatalog.Find(target);
  }

  void WriteReply(Connection& c) {
    const Reply& r = *c.reply;
    while (c.index < r.size()) {
      iovec parts[IOV_MAX];
      std::size_t count = 0;
      for (std::size_t i = c.index; i < r.size() && count < IOV_MAX; ++i, ++count) parts[count] = r[i];
      parts[0].iov_base = static_cast<char*>(parts[0].iov_base) + c.offset;
      parts[0].iov_len -= c.offset;
      msghdr msg{};
      msg.msg_iov = parts;
      msg.msg_iovlen = count;
      ssize_t sent = sendmsg(c.fd, &msg, MSG_NOSIGNAL);
      if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) return;
        Close(c);
        return;
      }
      // Advance over what went out.
      std::size_t left = static_cast<std::size_t>(sent);
      while (left > 0) {
        const std::size_t rest = r[c.index].iov_len - c.offset;
        if (left < rest) {
          c.offset += left;
          left = 0;
        } else {
          left -= rest;
          ++c.index;
          c.offset = 0;
        }
      }
    }
    Close(c);  // the reply is complete; every request was read, so this is a plain FIN
  }

  ReplyCatalog FCatalog;
  int FListen = -1;
  int FEpoll = -1;
  std::unordered_map<int, std::unique_ptr<Connection>> FConnections;
  std::string FLastRequest;
};

}  // namespace

int main(int argc, char** argv) {
  std::size_t bodyMiB = 256;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string_view(argv[i]) == "--body-mib") bodyMiB = std::strtoull(argv[++i], nullptr, 10);
  Server server(bodyMiB << 20);
  std::printf("%d\n", server.Listen());
  std::fflush(stdout);
  server.Run();
  return 0;
}

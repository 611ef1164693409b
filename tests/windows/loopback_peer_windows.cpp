// The scripted loopback peer of tests/support/loopback_peer.h over Windows
// Sockets, linked directly: the peer is test equipment, independent of the
// library's own run-time binding of WS2_32. Its waits are select calls of
// at most 50 ms that look at the stop flag between them.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

#include "support/loopback_peer.h"

namespace zorapi::testing {
namespace {

constexpr auto kSlice = 50ms;

// Windows Sockets started for the test program's life. WSAStartup counts
// its callers, so the library's own start and stop are not disturbed.
class TWinsockUse {
 public:
  TWinsockUse() {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~TWinsockUse() { WSACleanup(); }
};

SOCKET Sock(int AFd) { return static_cast<SOCKET>(static_cast<unsigned>(AFd)); }
int Fd(SOCKET s) { return static_cast<int>(s); }

// A listener on 127.0.0.1 with a system-chosen port.
SOCKET Listen(int ABacklog, sockaddr_in& AAddress) {
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  AAddress = sockaddr_in{};
  AAddress.sin_family = AF_INET;
  AAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof AAddress;
  if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr*>(&AAddress), sizeof AAddress) != 0 ||
      ::listen(s, ABacklog) != 0 || ::getsockname(s, reinterpret_cast<sockaddr*>(&AAddress), &len) != 0)
    throw std::runtime_error("listen failed");
  return s;
}

// One select on one socket for at most ASlice; true when readable.
bool ReadableWithin(SOCKET s, std::chrono::milliseconds ASlice) {
  fd_set set{};
  set.fd_count = 1;
  set.fd_array[0] = s;
  timeval limit{0, static_cast<long>(ASlice.count() * 1000)};
  return ::select(0, &set, nullptr, nullptr, &limit) == 1;
}

TWinsockUse& WinsockUse() {
  static TWinsockUse use;
  return use;
}

}  // namespace

PeerScript& PeerScript::ReadUntil(std::string ADelimiter) {
  FSteps.push_back({Kind::ReadUntil, std::move(ADelimiter), 0, 0ms});
  return *this;
}

PeerScript& PeerScript::ReadCount(std::size_t ACount) {
  FSteps.push_back({Kind::ReadCount, {}, ACount, 0ms});
  return *this;
}

PeerScript& PeerScript::ReadUntilClose() {
  FSteps.push_back({Kind::ReadUntilClose, {}, 0, 0ms});
  return *this;
}

PeerScript& PeerScript::Send(std::string ABytes, std::size_t APiece, std::chrono::milliseconds ADelay) {
  FSteps.push_back({Kind::Send, std::move(ABytes), APiece, ADelay});
  return *this;
}

PeerScript& PeerScript::Sleep(std::chrono::milliseconds ADelay) {
  FSteps.push_back({Kind::Sleep, {}, 0, ADelay});
  return *this;
}

PeerScript& PeerScript::ShutdownWrite() {
  FSteps.push_back({Kind::ShutdownWrite, {}, 0, 0ms});
  return *this;
}

PeerScript& PeerScript::Reset() {
  FSteps.push_back({Kind::Reset, {}, 0, 0ms});
  return *this;
}

PeerScript& PeerScript::Close() {
  FSteps.push_back({Kind::Close, {}, 0, 0ms});
  return *this;
}

LoopbackPeer::LoopbackPeer(std::vector<PeerScript> AScripts, std::chrono::milliseconds AStepTimeout)
    : FScripts(std::move(AScripts)), FStepTimeout(AStepTimeout) {
  WinsockUse();
  sockaddr_in addr{};
  FListener = Fd(Listen(16, addr));
  FPort = ntohs(addr.sin_port);
  FConnections.resize(FScripts.size());
  FThread = std::thread([this] { Run(); });
}

LoopbackPeer::~LoopbackPeer() {
  {
    std::lock_guard lock(FLock);
    FStop = true;
  }
  FThread.join();
  ::closesocket(Sock(FListener));
}

bool LoopbackPeer::Stopping() const {
  std::lock_guard lock(FLock);
  return FStop;
}

void LoopbackPeer::AddError(std::string AText) {
  std::lock_guard lock(FLock);
  FErrors.push_back(std::move(AText));
}

std::vector<std::string> LoopbackPeer::Errors() const {
  std::lock_guard lock(FLock);
  return FErrors;
}

std::size_t LoopbackPeer::Accepted() const {
  std::lock_guard lock(FLock);
  std::size_t n = 0;
  for (const Connection& c : FConnections) n += c.Accepted ? 1 : 0;
  return n + FExtraAccepted;
}

std::string LoopbackPeer::Received(std::size_t AIndex) const {
  std::lock_guard lock(FLock);
  return AIndex < FConnections.size() ? FConnections[AIndex].Received : std::string();
}

std::vector<std::string> LoopbackPeer::Pieces(std::size_t AIndex) const {
  std::lock_guard lock(FLock);
  return AIndex < FConnections.size() ? FConnections[AIndex].Pieces : std::vector<std::string>();
}

bool LoopbackPeer::WaitDone(std::chrono::milliseconds ATimeout) {
  std::unique_lock lock(FLock);
  return FChanged.wait_for(lock, ATimeout, [this] { return FDone; });
}

// Waits for the socket to become readable; false on stop or at the deadline.
bool LoopbackPeer::WaitReadable(int AFd, std::chrono::steady_clock::time_point ADeadline) {
  for (;;) {
    if (Stopping()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ADeadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (ReadableWithin(Sock(AFd), std::min<std::chrono::milliseconds>(left, kSlice))) return true;
  }
}

void LoopbackPeer::SleepFor(std::chrono::milliseconds ADelay) {
  const auto end = std::chrono::steady_clock::now() + ADelay;
  while (!Stopping()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(left, kSlice));
  }
}

// One receive into the record of connection AIndex; AClosed on end of stream
// or reset.
bool LoopbackPeer::Receive(int AFd, std::size_t AIndex, std::chrono::steady_clock::time_point ADeadline,
                           bool& AClosed) {
  AClosed = false;
  if (!WaitReadable(AFd, ADeadline)) return false;
  char buf[65536];
  const int n = ::recv(Sock(AFd), buf, sizeof buf, 0);
  if (n <= 0) {
    AClosed = true;
    return true;
  }
  std::lock_guard lock(FLock);
  FConnections[AIndex].Received.append(buf, static_cast<std::size_t>(n));
  FConnections[AIndex].Pieces.emplace_back(buf, static_cast<std::size_t>(n));
  return true;
}

bool LoopbackPeer::SendAll(int AFd, const char* AData, std::size_t ALength) {
  while (ALength > 0) {
    const int n = ::send(Sock(AFd), AData, static_cast<int>(std::min<std::size_t>(ALength, 1 << 20)), 0);
    if (n == SOCKET_ERROR) return false;
    AData += n;
    ALength -= static_cast<std::size_t>(n);
  }
  return true;
}

void LoopbackPeer::Serve(int AFd, const PeerScript& AScript, std::size_t AIndex) {
  const SOCKET s = Sock(AFd);
  std::size_t cursor = 0;  // bytes of Received consumed by earlier read steps
  const std::string where = "connection " + std::to_string(AIndex) + ": ";
  auto received = [&] {
    std::lock_guard lock(FLock);
    return FConnections[AIndex].Received;
  };
  for (const PeerScript::Step& step : AScript.Steps()) {
    if (Stopping()) break;
    const auto deadline = std::chrono::steady_clock::now() + FStepTimeout;
    bool closed = false;
    switch (step.What) {
      case PeerScript::Kind::ReadUntil: {
        for (;;) {
          const std::string got = received();
          const std::size_t at = got.find(step.Bytes, cursor);
          if (at != std::string::npos) {
            cursor = at + step.Bytes.size();
            break;
          }
          if (!Receive(AFd, AIndex, deadline, closed) || closed) {
            AddError(where + "ReadUntil did not see its delimiter");
            break;
          }
        }
        break;
      }
      case PeerScript::Kind::ReadCount: {
        while (received().size() < cursor + step.Count) {
          if (!Receive(AFd, AIndex, deadline, closed) || closed) {
            AddError(where + "ReadCount got too few bytes");
            break;
          }
        }
        cursor = std::min(cursor + step.Count, received().size());
        break;
      }
      case PeerScript::Kind::ReadUntilClose:
        while (!closed) {
          if (!Receive(AFd, AIndex, deadline, closed)) {
            AddError(where + "ReadUntilClose timed out");
            break;
          }
        }
        cursor = received().size();
        break;
      case PeerScript::Kind::Send:
        if (step.Count == 0) {
          if (!SendAll(AFd, step.Bytes.data(), step.Bytes.size())) AddError(where + "Send failed");
        } else {
          for (std::size_t at = 0; at < step.Bytes.size() && !Stopping(); at += step.Count) {
            if (at > 0) SleepFor(step.Delay);
            const std::size_t n = std::min(step.Count, step.Bytes.size() - at);
            if (!SendAll(AFd, step.Bytes.data() + at, n)) {
              AddError(where + "Send failed");
              break;
            }
          }
        }
        break;
      case PeerScript::Kind::Sleep:
        SleepFor(step.Delay);
        break;
      case PeerScript::Kind::ShutdownWrite:
        ::shutdown(s, SD_SEND);
        break;
      case PeerScript::Kind::Reset: {
        const linger hard{1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        ::closesocket(s);
        return;
      }
      case PeerScript::Kind::Close:
        ::closesocket(s);
        return;
    }
  }
  ::closesocket(s);
}

void LoopbackPeer::Run() {
  const auto forever = std::chrono::steady_clock::time_point::max();
  for (std::size_t i = 0;; ++i) {
    if (i == FScripts.size()) {
      std::lock_guard lock(FLock);
      FDone = true;
      FChanged.notify_all();
    }
    if (!WaitReadable(FListener, forever)) return;
    const SOCKET s = ::accept(Sock(FListener), nullptr, nullptr);
    if (s == INVALID_SOCKET) continue;
    if (i < FScripts.size()) {
      {
        std::lock_guard lock(FLock);
        FConnections[i].Accepted = true;
      }
      Serve(Fd(s), FScripts[i], i);
    } else {
      {
        std::lock_guard lock(FLock);
        ++FExtraAccepted;
      }
      ::closesocket(s);
    }
  }
}

// A listener that accepts nothing, its one-place backlog taken by a client.

BacklogFullListener::BacklogFullListener() {
  WinsockUse();
  sockaddr_in addr{};
  FListener = Fd(Listen(0, addr));
  FPort = ntohs(addr.sin_port);
  // Fill the accept queue; a second client is then left waiting.
  const SOCKET queued = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (queued == INVALID_SOCKET || ::connect(queued, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("queue fill failed");
  FQueued = Fd(queued);
}

BacklogFullListener::~BacklogFullListener() {
  ::closesocket(Sock(FQueued));
  ::closesocket(Sock(FListener));
}

}  // namespace zorapi::testing

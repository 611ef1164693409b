#include "support/loopback_peer.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace zorapi::testing {

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
  if (::pipe2(FWake, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListener < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(FListener, 16) != 0 ||
      ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("listen failed");
  FPort = ntohs(addr.sin_port);
  FConnections.resize(FScripts.size());
  FThread = std::thread([this] { Run(); });
}

LoopbackPeer::~LoopbackPeer() {
  {
    std::lock_guard lock(FLock);
    FStop = true;
  }
  const char byte = 1;
  [[maybe_unused]] const ssize_t r = ::write(FWake[1], &byte, 1);
  FThread.join();
  ::close(FListener);
  ::close(FWake[0]);
  ::close(FWake[1]);
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

// Waits for fd to become readable; false on stop or at the deadline.
bool LoopbackPeer::WaitReadable(int AFd, std::chrono::steady_clock::time_point ADeadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ADeadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{AFd, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    const int n = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (n < 0 && errno != EINTR) return false;
    if (fds[1].revents) return false;
    if (fds[0].revents) return true;
  }
}

void LoopbackPeer::SleepFor(std::chrono::milliseconds ADelay) {
  pollfd fd{FWake[0], POLLIN, 0};
  ::poll(&fd, 1, static_cast<int>(ADelay.count()));
}

// One receive into the record of connection AIndex; AClosed on end of stream
// or reset.
bool LoopbackPeer::Receive(int AFd, std::size_t AIndex, std::chrono::steady_clock::time_point ADeadline,
                           bool& AClosed) {
  AClosed = false;
  if (!WaitReadable(AFd, ADeadline)) return false;
  char buf[65536];
  const ssize_t n = ::recv(AFd, buf, sizeof buf, 0);
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
    const ssize_t n = ::send(AFd, AData, ALength, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    AData += n;
    ALength -= static_cast<std::size_t>(n);
  }
  return true;
}

void LoopbackPeer::Serve(int AFd, const PeerScript& AScript, std::size_t AIndex) {
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
        ::shutdown(AFd, SHUT_WR);
        break;
      case PeerScript::Kind::Reset: {
        const linger hard{1, 0};
        ::setsockopt(AFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(AFd);
        return;
      }
      case PeerScript::Kind::Close:
        ::close(AFd);
        return;
    }
  }
  ::close(AFd);
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
    const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (i < FScripts.size()) {
      {
        std::lock_guard lock(FLock);
        FConnections[i].Accepted = true;
      }
      Serve(fd, FScripts[i], i);
    } else {
      {
        std::lock_guard lock(FLock);
        ++FExtraAccepted;
      }
      ::close(fd);
    }
  }
}

// A listener that accepts nothing, its one-place backlog taken by a client.

BacklogFullListener::BacklogFullListener() {
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(FListener, 0) != 0 || ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("listen failed");
  FPort = ntohs(addr.sin_port);
  // Fill the accept queue; a second client is then left waiting.
  FQueued = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FQueued < 0 || ::connect(FQueued, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("queue fill failed");
}

BacklogFullListener::~BacklogFullListener() {
  ::close(FQueued);
  ::close(FListener);
}

}  // namespace zorapi::testing

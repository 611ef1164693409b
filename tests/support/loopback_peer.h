// A scripted TCP peer on 127.0.0.1 for tests: it accepts connections in
// order and runs one script per connection (read until a delimiter, read a
// count, read until the other side closes, send exact bytes, optionally a
// few at a time, sleep, shut down sending, reset, close). Every wait of its
// own is bounded, and the destructor stops and joins its thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zorapi::testing {

using namespace std::chrono_literals;

class PeerScript {
 public:
  enum class Kind { ReadUntil, ReadCount, ReadUntilClose, Send, Sleep, ShutdownWrite, Reset, Close };
  struct Step {
    Kind What;
    std::string Bytes;       // delimiter for ReadUntil, data for Send
    std::size_t Count = 0;   // ReadCount; piece size of a trickled Send
    std::chrono::milliseconds Delay{0};  // Sleep; pause between trickled pieces
  };

  // Reads until ADelimiter has been received (it stays in Received).
  PeerScript& ReadUntil(std::string ADelimiter = "\r\n\r\n");
  PeerScript& ReadCount(std::size_t ACount);
  // Reads until the other side closes or resets.
  PeerScript& ReadUntilClose();
  // Sends ABytes; with APiece > 0 in pieces of that size, ADelay apart.
  PeerScript& Send(std::string ABytes, std::size_t APiece = 0, std::chrono::milliseconds ADelay = 0ms);
  PeerScript& Sleep(std::chrono::milliseconds ADelay);
  PeerScript& ShutdownWrite();
  // SO_LINGER {1, 0} then close: the other side sees a reset.
  PeerScript& Reset();
  PeerScript& Close();

  const std::vector<Step>& Steps() const { return FSteps; }

 private:
  std::vector<Step> FSteps;
};

class LoopbackPeer {
 public:
  // One script per accepted connection, in order; a connection whose script
  // ends without Close or Reset is closed. Connections after the last
  // script are accepted and closed.
  explicit LoopbackPeer(std::vector<PeerScript> AScripts,
                        std::chrono::milliseconds AStepTimeout = std::chrono::milliseconds(10000));
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // Waits (at most ATimeout) until every script has run; true when done.
  bool WaitDone(std::chrono::milliseconds ATimeout = std::chrono::milliseconds(10000));
  std::size_t Accepted() const;
  // Every byte connection AIndex received, and the pieces in which each
  // receive returned them.
  std::string Received(std::size_t AIndex) const;
  std::vector<std::string> Pieces(std::size_t AIndex) const;
  // Steps that failed or timed out, as text, for test messages.
  std::vector<std::string> Errors() const;

 private:
  struct Connection {
    bool Accepted = false;
    std::string Received;
    std::vector<std::string> Pieces;
  };

  void Run();
  void Serve(int AFd, const PeerScript& AScript, std::size_t AIndex);
  bool WaitReadable(int AFd, std::chrono::steady_clock::time_point ADeadline);
  bool Receive(int AFd, std::size_t AIndex, std::chrono::steady_clock::time_point ADeadline, bool& AClosed);
  bool SendAll(int AFd, const char* AData, std::size_t ALength);
  void AddError(std::string AText);
  bool Stopping() const;
  void SleepFor(std::chrono::milliseconds ADelay);

  std::vector<PeerScript> FScripts;
  std::chrono::milliseconds FStepTimeout;
  int FListener = -1;
  int FWake[2] = {-1, -1};  // written by the destructor to stop every wait
  std::uint16_t FPort = 0;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<Connection> FConnections;
  std::vector<std::string> FErrors;
  std::size_t FExtraAccepted = 0;
  bool FDone = false;
  bool FStop = false;
  std::thread FThread;
};

// A listening socket on 127.0.0.1 that never accepts, whose accept queue
// is already full: a further connect to Port() gets no answer at all.
class BacklogFullListener {
 public:
  BacklogFullListener();
  ~BacklogFullListener();
  BacklogFullListener(const BacklogFullListener&) = delete;
  BacklogFullListener& operator=(const BacklogFullListener&) = delete;
  std::uint16_t Port() const { return FPort; }

 private:
  int FListener = -1;
  int FQueued = -1;
  std::uint16_t FPort = 0;
};

}  // namespace zorapi::testing

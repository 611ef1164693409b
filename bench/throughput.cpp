#include "bench/throughput.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "bench/body_block.h"
#include "bench/curl_client.h"
#include "bench/ours_internal.h"
#include "bench/server_process.h"
#include "bench/stats.h"
#include "bench/wire.h"

extern char** environ;

namespace bench {
namespace {

constexpr unsigned kChildSecondsLimit = 60;

// Whether the bytes are exactly the server's body.
bool IsServerBody(const std::uint8_t* bytes, std::size_t size, std::size_t expected) {
  if (size != expected) return false;
  const std::string block = BodyBlock();
  for (std::size_t at = 0; at < size; at += block.size()) {
    const std::size_t n = std::min(block.size(), size - at);
    if (std::memcmp(bytes + at, block.data(), n) != 0) return false;
  }
  return true;
}

// VmHWM of this process in MiB.
double PeakResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

std::string Flatten(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text.empty() ? "failed" : text;
}

const char* SideName(Side side) {
  switch (side) {
    case Side::ours: return "ours";
    case Side::curl: return "curl";
    case Side::floor: return "floor";
  }
  return "?";
}

// Runs one child and reads its line of figures.
TransferRun RunChild(const std::string& self, Side side, Framing framing, int port, std::size_t bodyBytes) {
  TransferRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string portText = std::to_string(port), bytesText = std::to_string(bodyBytes);
  const char* sideText = SideName(side);
  char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--throughput-child"),
                  const_cast<char*>(sideText), const_cast<char*>(FramingName(framing)),
                  const_cast<char*>(portText.c_str()), const_cast<char*>(bytesText.c_str()), nullptr};
  pid_t pid;
  const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    run.error = "cannot start the child";
    return run;
  }
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  std::istringstream in(text);
  std::string word;
  in >> word;
  if (word == "ok") {
    in >> run.seconds >> run.startMiB >> run.peakMiB;
    run.ok = run.seconds > 0;
    run.mbPerSecond = run.ok ? static_cast<double>(bodyBytes) / 1e6 / run.seconds : 0;
    // The kernel's figure for the whole child, in case it peaked after the
    // child's own last look.
    run.peakMiB = std::max(run.peakMiB, static_cast<double>(usage.ru_maxrss) / 1024.0);
  } else {
    std::getline(in, run.error);
    if (WIFSIGNALED(status)) run.error += " (killed by signal " + std::to_string(WTERMSIG(status)) + ")";
    run.error = Flatten(run.error);
  }
  return run;
}

// The whole reply off the socket into memory, until the server closes.
bool FloorReceive(int port, Framing framing, MemorySink& sink) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  const std::string request = LibraryRequest(port, TargetOf(framing), "format=xml");
  ok = ok && send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  constexpr std::size_t kRead = 256 << 10;
  while (ok) {
    if (sink.Room() < kRead) sink.Reserve(std::max(2 * sink.Size(), sink.Size() + kRead));
    const ssize_t n = recv(fd, sink.Tail(), sink.Room(), 0);
    if (n < 0) ok = false;
    if (n <= 0) break;
    sink.Grew(static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}

void KeepBest(std::optional<TransferRun>& best, std::string& error, const TransferRun& run) {
  if (!run.ok) {
    if (error.empty()) error = run.error;
    return;
  }
  if (!best || run.mbPerSecond > best->mbPerSecond) {
    const double peak = best ? std::max(best->peakMiB, run.peakMiB) : run.peakMiB;
    best = run;
    best->peakMiB = peak;
  } else {
    best->peakMiB = std::max(best->peakMiB, run.peakMiB);
  }
}

}  // namespace

const char* FramingName(Framing f) {
  switch (f) {
    case Framing::length: return "length";
    case Framing::chunked: return "chunked";
    case Framing::close: return "close";
  }
  return "?";
}

const char* TargetOf(Framing f) {
  switch (f) {
    case Framing::length: return "/body/length";
    case Framing::chunked: return "/body/chunked";
    case Framing::close: return "/body/close";
  }
  return "/";
}

bool ParseSide(const std::string& text, Side& side) {
  for (Side s : {Side::ours, Side::curl, Side::floor})
    if (text == SideName(s)) {
      side = s;
      return true;
    }
  return false;
}

bool ParseFraming(const std::string& text, Framing& framing) {
  for (Framing f : {Framing::length, Framing::chunked, Framing::close})
    if (text == FramingName(f)) {
      framing = f;
      return true;
    }
  return false;
}

ThroughputResult RunThroughput(const std::string& self, const ServerProcess& server, std::size_t bodyBytes,
                               int runs) {
  ThroughputResult result;
  const CpuShare cpu(server);
  for (Framing f : {Framing::length, Framing::chunked, Framing::close}) {
    FramingResult r{f, {}, {}, {}, {}, {}, {}};
    bool oursAbsent = false;  // once it has failed without a success, it is not tried again
    std::vector<Side> order{Side::ours, Side::curl, Side::floor};
    for (int i = 0; i < runs; ++i) {
      for (Side s : order) {
        if (s == Side::ours && oursAbsent) continue;
        const TransferRun run = RunChild(self, s, f, server.Port(), bodyBytes);
        switch (s) {
          case Side::ours:
            KeepBest(r.ours, r.oursError, run);
            oursAbsent = !r.ours;
            break;
          case Side::curl: KeepBest(r.curl, r.curlError, run); break;
          case Side::floor: KeepBest(r.floor, r.floorError, run); break;
        }
      }
      std::rotate(order.begin(), order.begin() + 1, order.end());  // a different side goes first each run
    }
    result.framings.push_back(r);
  }
  result.serverCpuPercent = cpu.Percent();
  return result;
}

int ThroughputChild(Side side, Framing framing, int port, std::size_t bodyBytes) {
  alarm(kChildSecondsLimit);
  const double startMiB = PeakResidentMiB();
  double seconds = 0;
  bool ok = false;
  std::string error;
  if (side == Side::ours) {
    OursInternal client(port);
    zorapi::TMemoryStream stream;
    const auto begin = Clock::now();
    ok = client.Post(TargetOf(framing), stream);
    seconds = SecondsSince(begin);
    if (!ok)
      error = client.Error();
    else if (!IsServerBody(stream.Memory(), static_cast<std::size_t>(stream.Size()), bodyBytes))
      ok = false, error = "wrong body (" + std::to_string(stream.Size()) + " bytes)";
  } else if (side == Side::floor) {
    MemorySink sink;
    const auto begin = Clock::now();
    ok = FloorReceive(port, framing, sink);
    seconds = SecondsSince(begin);
    if (!ok)
      error = "receiving failed";
    else if (sink.Size() < bodyBytes || !sink.View().starts_with("HTTP/1."))
      ok = false, error = "short reply (" + std::to_string(sink.Size()) + " bytes)";
  } else {
    CurlClient client(port);
    const auto begin = Clock::now();
    ok = client.Post(TargetOf(framing), "format=xml");
    seconds = SecondsSince(begin);
    const MemorySink& body = client.Body();
    if (!ok)
      error = "libcurl transfer failed";
    else if (!IsServerBody(reinterpret_cast<const std::uint8_t*>(body.Data()), body.Size(), bodyBytes))
      ok = false, error = "wrong body (" + std::to_string(body.Size()) + " bytes)";
  }
  if (!ok) {
    std::printf("error %s\n", Flatten(error).c_str());
    return 1;
  }
  std::printf("ok %.6f %.1f %.1f\n", seconds, startMiB, PeakResidentMiB());
  return 0;
}

}  // namespace bench

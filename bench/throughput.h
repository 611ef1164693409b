// Part 2 of the benchmark: reading one large reply body into memory, by
// Content-Length, chunked and until close, for the library's client, for
// libcurl and for a bare socket read. Each run is a fresh process, so its peak resident memory is the
// run's own.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

enum class Framing { length, chunked, close };
enum class Side { ours, curl, floor };

const char* FramingName(Framing f);
const char* TargetOf(Framing f);

struct TransferRun {
  bool ok = false;
  std::string error;
  double seconds = 0;
  double mbPerSecond = 0;   // 10^6 bytes per second
  double peakMiB = 0;       // VmHWM of the run's process at its end
  double startMiB = 0;      // VmHWM before the transfer (program and libraries)
};

struct FramingResult {
  Framing framing;
  // The best of the runs; absent when every run failed. The floor receives
  // the raw reply until close, framing included, without decoding it.
  std::optional<TransferRun> ours, curl, floor;
  std::string oursError, curlError, floorError;
};

struct ThroughputResult {
  std::vector<FramingResult> framings;
  double serverCpuPercent = 0;
};

class ServerProcess;

// Runs each side and framing `runs` times in child processes of self.
ThroughputResult RunThroughput(const std::string& self, const ServerProcess& server, std::size_t bodyBytes,
                               int runs);

// The child's side: one transfer, its figures printed on standard output.
int ThroughputChild(Side side, Framing framing, int port, std::size_t bodyBytes);
bool ParseSide(const std::string& text, Side& side);
bool ParseFraming(const std::string& text, Framing& framing);

}  // namespace bench

// Part 1 of the benchmark: the latency of one identifySynonyms call through
// the library's export, through libcurl and through the bare socket floor,
// called in turn so that machine noise hits all three alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench/ours_exports.h"
#include "bench/server_process.h"

namespace bench {

struct LatencySamples {
  std::vector<double> seconds;  // one per successful call
  int failures = 0;
};

struct LatencyResult {
  std::optional<LatencySamples> ours;  // absent when the library returned nothing
  LatencySamples curl, floor;
  double serverCpuPercent = 0;
  double wallSeconds = 0;
  std::vector<std::string> wireNotes;  // how the requests on the wire compare
};

LatencyResult RunLatency(const ServerProcess& server, const OursExports& ours, int calls, int warmup);

}  // namespace bench

#include "bench/latency.h"

#include <algorithm>
#include <array>
#include <functional>
#include <sstream>

#include "bench/curl_client.h"
#include "bench/floor_client.h"
#include "bench/server_process.h"
#include "bench/stats.h"
#include "bench/wire.h"

namespace bench {
namespace {

// One client of the comparison: a call, timed, that reports success.
struct Contender {
  LatencySamples* samples;
  std::function<bool()> call;
};

bool HasExpectedOutput(std::string_view reply) {
  return reply.find(std::string("<output>") + kExpectedOutput + "</output>") != std::string::npos;
}

std::vector<std::string> Lines(const std::string& request) {
  std::vector<std::string> lines;
  std::istringstream in(request.substr(0, request.find("\r\n\r\n")));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string BodyOf(const std::string& message) {
  const std::size_t end = message.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : message.substr(end + 4);
}

// The last request the server took for "/api.php".
std::string LastRequest(int port) {
  FloorClient floor(port);
  return BodyOf(floor.Exchange("GET /last HTTP/1.0\r\n\r\n"));
}

// How a client's request compares with the library's bytes.
std::string CompareWire(const std::string& who, const std::string& got, const std::string& wanted) {
  if (got == wanted) return who + ": the same " + std::to_string(got.size()) + " bytes as the library's request";
  std::vector<std::string> a = Lines(got), b = Lines(wanted);
  std::string text = who + ": ";
  text += BodyOf(got) == BodyOf(wanted) ? "same body" : "DIFFERENT body";
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  std::vector<std::string> extra, missing;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(extra));
  std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(missing));
  if (extra.empty() && missing.empty()) return text + ", same head lines in another order";
  for (const std::string& l : extra) text += "; extra \"" + l + "\"";
  for (const std::string& l : missing) text += "; missing \"" + l + "\"";
  return text;
}

}  // namespace

LatencyResult RunLatency(const ServerProcess& server, const OursExports& ours, int calls, int warmup) {
  LatencyResult result;
  const int port = server.Port();
  const std::string body = SynonymsBody();
  const std::string request = LibraryRequest(port, "/api.php", body);
  FloorClient floor(port);
  CurlClient curl(port);

  // The wire first: each client's request is read back from the server and
  // compared with the bytes the library is meant to send.
  floor.Exchange(request);
  result.wireNotes.push_back(CompareWire("floor", LastRequest(port), request));
  if (ours.Loaded() && ResultIs(ours.IdentifySynonyms(), kExpectedOutput)) {
    result.ours.emplace();
    result.wireNotes.push_back(CompareWire("ours", LastRequest(port), request));
  } else {
    result.wireNotes.push_back("ours: no result from identifySynonyms, the library's side is n/a");
  }
  curl.Post("/api.php", body);
  result.wireNotes.push_back(CompareWire("libcurl", LastRequest(port), request));

  std::vector<Contender> contenders;
  if (result.ours)
    contenders.push_back({&*result.ours, [&] { return ResultIs(ours.IdentifySynonyms(), kExpectedOutput); }});
  contenders.push_back({&result.curl, [&] { return curl.Post("/api.php", body) && HasExpectedOutput(curl.Body().View()); }});
  contenders.push_back({&result.floor, [&] { return HasExpectedOutput(floor.Exchange(request)); }});

  for (int i = 0; i < warmup; ++i)
    for (Contender& c : contenders) c.call();

  // Every permutation of the contenders in turn, so none is always first
  // after the server's idle time or last before it.
  std::vector<std::size_t> order(contenders.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  for (Contender& c : contenders) c.samples->seconds.reserve(static_cast<std::size_t>(calls));
  const CpuShare cpu(server);
  const auto begin = Clock::now();
  for (int i = 0; i < calls; ++i) {
    for (std::size_t k : order) {
      Contender& c = contenders[k];
      const auto start = Clock::now();
      const bool ok = c.call();
      const double took = SecondsSince(start);
      if (ok)
        c.samples->seconds.push_back(took);
      else
        ++c.samples->failures;
    }
    std::next_permutation(order.begin(), order.end());
  }
  result.wallSeconds = SecondsSince(begin);
  result.serverCpuPercent = cpu.Percent();
  return result;
}

}  // namespace bench

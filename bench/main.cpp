// The benchmark harness of scripts/bench. Starts the bench server, measures
// the library against libcurl and a bare socket client, and prints one table.
//
//   zorapi_bench [--calls N] [--warmup N] [--body-mib N] [--runs N]
//                [--library PATH] [--server PATH] [--only latency,transfers,cookies,login,heads] [--head-rounds N]
//
// Also re-executes itself for each large transfer (--throughput-child), so
// that each run's peak resident memory is its own.
#include <curl/curl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/growth.h"
#include "bench/latency.h"
#include "bench/ours_exports.h"
#include "bench/report.h"
#include "bench/server_process.h"
#include "bench/stats.h"
#include "bench/throughput.h"

namespace bench {
namespace {

struct Options {
  int calls = 2000;
  int warmup = 100;
  std::size_t bodyMiB = 256;
  int runs = 3;
  std::string library = ZORAPI_BENCH_LIBRARY;
  std::string server = ZORAPI_BENCH_SERVER;
  int headRounds = 400;
  std::string only;  // comma-separated sections; empty for all

  bool Wants(const std::string& section) const {
    return only.empty() || ("," + only + ",").find("," + section + ",") != std::string::npos;
  }
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    const char* v = argv[++i];
    if (a == "--calls") o.calls = std::atoi(v);
    else if (a == "--warmup") o.warmup = std::atoi(v);
    else if (a == "--body-mib") o.bodyMiB = std::strtoull(v, nullptr, 10);
    else if (a == "--runs") o.runs = std::atoi(v);
    else if (a == "--library") o.library = v;
    else if (a == "--server") o.server = v;
    else if (a == "--only") o.only = v;
    else if (a == "--head-rounds") o.headRounds = std::atoi(v);
    else return false;
  }
  return o.calls > 0 && o.runs > 0 && o.bodyMiB > 0;
}

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b == 0) return std::nullopt;
  return *a / *b;
}

std::optional<double> MedianMicros(const LatencySamples& s) {
  if (s.seconds.empty()) return std::nullopt;
  return Median(s.seconds) * 1e6;
}

std::optional<double> P99Micros(const LatencySamples& s) {
  if (s.seconds.empty()) return std::nullopt;
  return Quantile(s.seconds, 0.99) * 1e6;
}

void LatencyRows(Report& report, const LatencyResult& r, int calls) {
  report.Section("1. identifySynonyms per call, fresh connection each (" + std::to_string(calls) +
                 " calls each, interleaved)");
  const LatencySamples none;
  const LatencySamples& ours = r.ours ? *r.ours : none;
  const auto oursMedian = MedianMicros(ours), curlMedian = MedianMicros(r.curl), floorMedian = MedianMicros(r.floor);
  const auto vsCurl = Ratio(oursMedian, curlMedian), vsFloor = Ratio(oursMedian, floorMedian);
  report.Add({"median (us)", Fixed(oursMedian, 1), Fixed(curlMedian, 1), Fixed(floorMedian, 1),
              "ours/curl " + Times(vsCurl), "<= 1.00x libcurl", Verdict(vsCurl ? std::optional(*vsCurl <= 1.0) : std::nullopt)});
  report.Add({"", "", "", "", "ours/floor " + Times(vsFloor), "<= 1.50x floor",
              Verdict(vsFloor ? std::optional(*vsFloor <= 1.5) : std::nullopt)});
  report.Add({"", "", "", "", "curl/floor " + Times(Ratio(curlMedian, floorMedian)), "", ""});
  const auto oursP99 = P99Micros(ours), curlP99 = P99Micros(r.curl), floorP99 = P99Micros(r.floor);
  report.Add({"p99 (us)", Fixed(oursP99, 1), Fixed(curlP99, 1), Fixed(floorP99, 1),
              "ours/curl " + Times(Ratio(oursP99, curlP99)), "", ""});
  report.Add({"failed calls", r.ours ? std::to_string(ours.failures) : "n/a", std::to_string(r.curl.failures),
              std::to_string(r.floor.failures), "", "", ""});
}

void ThroughputRows(Report& report, const ThroughputResult& r, std::size_t bodyMiB) {
  report.Section("2. reply body of " + std::to_string(bodyMiB) + " MiB into memory (best run; each run a fresh process)");
  const double limitMiB = static_cast<double>(bodyMiB) + 32;
  for (const FramingResult& f : r.framings) {
    const std::optional<double> ours = f.ours ? std::optional(f.ours->mbPerSecond) : std::nullopt;
    const std::optional<double> curl = f.curl ? std::optional(f.curl->mbPerSecond) : std::nullopt;
    const std::optional<double> floor = f.floor ? std::optional(f.floor->mbPerSecond) : std::nullopt;
    const auto ratio = Ratio(ours, curl);
    report.Add({std::string(FramingName(f.framing)) + ": MB/s", Fixed(ours, 0), Fixed(curl, 0), Fixed(floor, 0),
                "ours/curl " + Times(ratio), ">= 0.90x libcurl",
                Verdict(ratio ? std::optional(*ratio >= 0.9) : std::nullopt)});
    const std::optional<double> oursPeak = f.ours ? std::optional(f.ours->peakMiB) : std::nullopt;
    const std::optional<double> curlPeak = f.curl ? std::optional(f.curl->peakMiB) : std::nullopt;
    const std::optional<double> floorPeak = f.floor ? std::optional(f.floor->peakMiB) : std::nullopt;
    report.Add({std::string(FramingName(f.framing)) + ": peak RSS (MiB)", Fixed(oursPeak, 1), Fixed(curlPeak, 1),
                Fixed(floorPeak, 1),
                "ours/curl " + Times(Ratio(oursPeak, curlPeak)), "<= " + Fixed(limitMiB, 0) + " MiB",
                Verdict(oursPeak ? std::optional(*oursPeak <= limitMiB) : std::nullopt)});
    if (!f.ours && !f.oursError.empty()) report.Note("   " + std::string(FramingName(f.framing)) + ", ours: " + f.oursError);
    if (!f.curl && !f.curlError.empty()) report.Note("   " + std::string(FramingName(f.framing)) + ", libcurl: " + f.curlError);
    if (!f.floor && !f.floorError.empty()) report.Note("   " + std::string(FramingName(f.framing)) + ", floor: " + f.floorError);
  }
  if (!r.framings.empty() && r.framings.front().curl)
    report.Note("   a run's process holds " + Fixed(r.framings.front().curl->startMiB, 1) +
                " MiB before its transfer (program and libraries)");
}

// Rows of a growth measurement: the figure per size and the step ratio next
// to the bound the goal allows for it.
void GrowthRows(Report& report, const std::string& what, const std::string& unit, double scale,
                const std::vector<SizedCost>& costs, double (*model)(double), const std::string& modelName,
                bool judged, bool withCurl = false) {
  constexpr double kSlack = 1.5;
  for (std::size_t i = 0; i < costs.size(); ++i) {
    const SizedCost& c = costs[i];
    Row row{what + " " + Fixed(c.size, c.size == std::floor(c.size) ? 0 : 2) + " (" + unit + ")",
            Fixed(c.seconds ? std::optional(*c.seconds * scale) : std::nullopt, 2),
            withCurl ? Fixed(c.curlSeconds ? std::optional(*c.curlSeconds * scale) : std::nullopt, 2) : "",
            "", "", "", ""};
    if (i > 0) {
      const SizedCost& p = costs[i - 1];
      const double bound = model(c.size) / model(p.size);
      const auto step = Ratio(c.seconds, p.seconds);
      row.ratio = "step " + Times(step) + " (" + modelName + " " + Times(bound) + ")";
      if (judged) {
        row.goal = "<= " + Fixed(kSlack, 1) + " x " + modelName + " step";
        row.result = Verdict(step ? std::optional(*step <= kSlack * bound) : std::nullopt);
      }
    }
    report.Add(row);
  }
}

double NLogN(double n) { return n * std::log2(n); }
double Linear(double n) { return n; }

void Header(const Options& o, int port) {
  utsname u{};
  uname(&u);
  std::printf("zorapi bench: Release build, %ld cores online, %s %s, %s\n", sysconf(_SC_NPROCESSORS_ONLN), u.sysname,
              u.release, curl_version());
  std::printf("server: bench_server on 127.0.0.1:%d (epoll, one thread, pre-built replies)\n", port);
  std::printf("library: %s\n\n", o.library.c_str());
}

void CookieRows(Report& report) {
  GrowthRows(report, "GenerateClientCookies, cookies", "us", 1e6,
             CookieGeneration({10, 100, 1000, 10000}, true, 0.25), NLogN, "n log n", true);
  GrowthRows(report, "  same, equal creation times, cookies", "us", 1e6,
             CookieGeneration({10, 100, 1000, 10000}, false, 0.25), NLogN, "n log n", false);
}

void LoginRows(Report& report) {
  const std::vector<double> mib{1.25, 2.5, 5, 10};
  GrowthRows(report, "login match (cold cache), MiB", "ms", 1e3, LoginMatching(mib, false, 15), Linear, "linear",
             true);
  GrowthRows(report, "  same, near misses all through, MiB", "ms", 1e3, LoginMatching(mib, true, 15), Linear,
             "linear", true);
  GrowthRows(report, "  strict UTF-8 decoding before it, MiB", "ms", 1e3, LoginDecoding(mib, 15), Linear,
             "linear", false);
}

void HeadRows(Report& report, const ServerProcess& server, int rounds, std::vector<std::string>& cpuNotes) {
  const CpuShare cpu(server);
  std::vector<SizedCost> heads = HeadReading(server.Port(), {0, 32, 64, 128, 255}, rounds);
  cpuNotes.push_back("heads " + Fixed(cpu.Percent(), 0) + "%");
  heads.erase(heads.begin());  // the baseline itself
  GrowthRows(report, "head reading, in memory, lines", "us", 1e6, HeadParsing({32, 64, 128, 255}, 0.25), Linear,
             "linear", true);
  GrowthRows(report, "  whole POST beyond a minimal head, lines", "us", 1e6, heads, Linear, "linear", false, true);
}

int RunAll(const Options& o) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const auto begin = Clock::now();
  ServerProcess server(o.server, o.bodyMiB);
  Header(o, server.Port());
  Report report;
  std::vector<std::string> cpuNotes, wireNotes;

  if (o.Wants("latency")) {
    const OursExports ours(o.library, server.Port());
    if (!ours.Loaded()) report.Note("ours: cannot load the library: " + ours.LoadError());
    const LatencyResult latency = RunLatency(server, ours, o.calls, o.warmup);
    LatencyRows(report, latency, o.calls);
    cpuNotes.push_back("latency " + Fixed(latency.serverCpuPercent, 0) + "%");
    wireNotes = latency.wireNotes;
  }
  if (o.Wants("transfers")) {
    const ThroughputResult throughput = RunThroughput("/proc/self/exe", server, o.bodyMiB << 20, o.runs);
    ThroughputRows(report, throughput, o.bodyMiB);
    cpuNotes.push_back("transfers " + Fixed(throughput.serverCpuPercent, 0) + "%");
  }
  if (o.Wants("cookies") || o.Wants("login") || o.Wants("heads")) report.Section("3. cost growth (time per call)");
  if (o.Wants("cookies")) CookieRows(report);
  if (o.Wants("login")) LoginRows(report);
  if (o.Wants("heads")) HeadRows(report, server, o.headRounds, cpuNotes);

  std::string cpu = "server CPU (share of one core):";
  for (const std::string& n : cpuNotes) cpu += " " + n;
  report.Note(cpu);
  if (!wireNotes.empty()) report.Note("wire check:");
  for (const std::string& n : wireNotes) report.Note("   " + n);
  report.Note("total " + Fixed(SecondsSince(begin), 1) + " s");
  report.Print();
  curl_global_cleanup();
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  using namespace bench;
  if (argc == 6 && std::string(argv[1]) == "--throughput-child") {
    Side side;
    Framing framing;
    if (!ParseSide(argv[2], side) || !ParseFraming(argv[3], framing)) return 2;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return ThroughputChild(side, framing, std::atoi(argv[4]), std::strtoull(argv[5], nullptr, 10));
  }
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: zorapi_bench [--calls N] [--warmup N] [--body-mib N] [--runs N] [--library PATH] "
                 "[--server PATH] [--only latency,transfers,cookies,login,heads] [--head-rounds N]\n");
    return 2;
  }
  try {
    return RunAll(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorapi_bench: %s\n", e.what());
    return 1;
  }
}

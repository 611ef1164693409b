// Clock and order statistics of the benchmarks.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The q-quantile (0..1) of the samples, nearest rank; 0 for no samples.
double Quantile(std::vector<double> samples, double q);
inline double Median(std::vector<double> samples) { return Quantile(std::move(samples), 0.5); }

// Seconds per call of fn: batches of calls are timed until about budget
// seconds have passed (at least minBatches batches, each of at least
// ~1 ms), and the median batch gives the figure. Robust against the odd
// preemption on a shared machine.
double SecondsPerCall(const std::function<void()>& fn, double budget, int minBatches = 9);

// Seconds of one call with the caches emptied first (a 64 MiB buffer is
// written before each call): the median of reps calls. For inputs larger
// than a cache level, so that every size pays for memory alike and the
// growth shows the algorithm rather than the cache sizes.
double ColdSecondsPerCall(const std::function<void()>& fn, int reps);

}  // namespace bench

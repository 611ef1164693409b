#include "bench/stats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace bench {

double Quantile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0;
  const std::size_t rank =
      std::min(samples.size() - 1, static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size()))) -
                                       (q > 0 ? 1 : 0));
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(rank), samples.end());
  return samples[rank];
}

double SecondsPerCall(const std::function<void()>& fn, double budget, int minBatches) {
  // Calibrate the batch size to about 1 ms.
  std::size_t perBatch = 1;
  for (;;) {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < perBatch; ++i) fn();
    const double took = SecondsSince(start);
    if (took >= 1e-3 || perBatch >= (1u << 20)) break;
    perBatch *= took > 0 ? std::clamp<std::size_t>(static_cast<std::size_t>(1.2e-3 / took), 2, 16) : 16;
  }
  std::vector<double> perCall;
  const auto begin = Clock::now();
  while (static_cast<int>(perCall.size()) < minBatches || SecondsSince(begin) < budget) {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < perBatch; ++i) fn();
    perCall.push_back(SecondsSince(start) / static_cast<double>(perBatch));
    if (perCall.size() >= 1000) break;
  }
  return Median(std::move(perCall));
}

double ColdSecondsPerCall(const std::function<void()>& fn, int reps) {
  static std::vector<unsigned char> evict(64u << 20);
  std::vector<double> samples;
  for (int i = 0; i < reps; ++i) {
    std::memset(evict.data(), i & 0xFF, evict.size());
    const auto start = Clock::now();
    fn();
    samples.push_back(SecondsSince(start));
  }
  return Median(std::move(samples));
}

}  // namespace bench

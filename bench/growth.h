// Part 3 of the benchmark: how costs grow with the size of their input,
// measured on the library's internal pieces.
#pragma once

#include <optional>
#include <vector>

namespace bench {

struct SizedCost {
  double size;                     // the input size (cookies, header lines, MiB)
  std::optional<double> seconds;   // per call; absent when not measurable
  std::optional<double> curlSeconds;
};

// GenerateClientCookies per request with n stored cookies that all go with
// the request. With distinctTimes false every cookie has the same creation
// time, as cookies set by one reply within the clock's resolution do.
std::vector<SizedCost> CookieGeneration(const std::vector<int>& counts, bool distinctTimes, double budget);

// Strict UTF-8 decoding and the login match on replies of the given sizes
// (MiB), with cold caches; the match is found at the end. With nearMisses
// the text is full of "<success>" candidates that fail late.
std::vector<SizedCost> LoginDecoding(const std::vector<double>& mib, int reps);
std::vector<SizedCost> LoginMatching(const std::vector<double>& mib, bool nearMisses, int reps);

// Reading a reply head of n extra header lines as the client does, from
// bytes already in the I/O handler's input buffer: the lines one by one
// into the raw headers (at most 255), the header record filled from them,
// and the "Set-Cookie" values picked out.
std::vector<SizedCost> HeadParsing(const std::vector<int>& lines, double budget);

// The time a whole POST takes more than with a minimal head, for heads of n
// extra header lines; through the library's client and through libcurl.
// Absent for the library when its client is not available.
std::vector<SizedCost> HeadReading(int port, const std::vector<int>& lines, int rounds);

}  // namespace bench

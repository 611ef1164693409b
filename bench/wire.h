// The bytes of one identifySynonyms call as the library puts them on the
// wire, so that libcurl and the bare socket client send the same request.
#pragma once

#include <string>
#include <vector>

namespace bench {

// The arguments of the measured call.
inline constexpr char16_t kSession[] = u"f3a9c1d2e4b5a6978877";
inline constexpr char16_t kText[] = u"The quick brown fox jumps over the lazy dog.";
inline constexpr int kMaxSyns = 3;

// What the server's reply to it holds between "<output>" and "</output>".
inline constexpr char kExpectedOutput[] = "The {quick|fast|speedy} brown {fox|vixen} jumps over the {lazy|idle} dog.";

// The form body of the call, already encoded.
std::string SynonymsBody();

// The header lines after the request line, without CR LF, in the
// library's order; "Content-Length" is left out (libcurl writes its own).
std::vector<std::string> LibraryHeaderLines(int port);

// The whole request: request line, header lines, empty line and body.
std::string LibraryRequest(int port, const std::string& target, const std::string& body);

// The reply head of "/head/N": the status line, N extra header lines, the
// usual ones and the empty line, each ended by CR LF.
std::string HeadOfLines(int extraLines, std::size_t bodySize);

}  // namespace bench

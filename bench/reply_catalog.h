// The bench server's replies, built once at start: each is a list of byte
// ranges over a few static buffers, so a 256 MiB body costs no copies and
// little memory, and sending it is a run of writev calls.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

using Reply = std::vector<iovec>;

// The largest N of "/head/N".
inline constexpr int kMaxHeadLines = 300;

class ReplyCatalog {
 public:
  // bodyBytes: the size of the large bodies (a multiple of 16 KiB).
  explicit ReplyCatalog(std::size_t bodyBytes);

  // The reply to a request target; a 404 reply for an unknown one. The
  // "/last" target is answered by the server itself.
  //   /api.php          the identifySynonyms reply
  //   /body/length      large body, framed by Content-Length
  //   /body/chunked     large body in 16 KiB chunks
  //   /body/close       large body ended by closing the connection
  //   /head/N           a head of N extra header lines and a short body
  const Reply* Find(std::string_view target) const;

  // A reply whose body is the given bytes (kept by the caller).
  static std::string HeadFor(std::size_t bodySize);

 private:
  Reply Fixed(std::string text);

  std::vector<std::unique_ptr<std::string>> FTexts;  // storage of the small replies
  std::string FBlock;                                // repeating body content
  std::string FChunkHead, FCrLf, FLastChunk;
  Reply FSynonyms, FLength, FChunked, FClose, FNotFound;
  std::vector<Reply> FHeads;  // index = number of extra header lines
};

}  // namespace bench

#include "bench/reply_catalog.h"

#include <algorithm>
#include <charconv>

#include "bench/body_block.h"
#include "bench/wire.h"

namespace bench {
namespace {

constexpr std::size_t kBlockBytes = kBodyBlockBytes;
constexpr std::size_t kChunkBytes = 16 << 10;

iovec Range(const std::string& s, std::size_t from = 0, std::size_t count = std::string::npos) {
  const std::size_t n = count == std::string::npos ? s.size() - from : count;
  return iovec{const_cast<char*>(s.data() + from), n};
}

std::string SynonymsReply() {
  const std::string body = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<response><output>") +
                           kExpectedOutput + "</output></response>\n";
  return "HTTP/1.1 200 OK\r\n"
         "Date: Thu, 10 Dec 2026 13:02:41 GMT\r\n"
         "Server: Apache\r\n"
         "Content-Length: " + std::to_string(body.size()) + "\r\n"
         "Connection: close\r\n"
         "Content-Type: text/xml; charset=utf-8\r\n"
         "\r\n" + body;
}

std::string HeadReply(int extraLines) {
  static constexpr std::string_view kBody = "<response><output>ok</output></response>\n";
  return HeadOfLines(extraLines, kBody.size()) + std::string(kBody);
}

}  // namespace

ReplyCatalog::ReplyCatalog(std::size_t bodyBytes)
    : FBlock(BodyBlock()), FChunkHead("4000\r\n"), FCrLf("\r\n"), FLastChunk("0\r\n\r\n") {
  FSynonyms = Fixed(SynonymsReply());
  FNotFound = Fixed("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");

  FLength = Fixed("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                  std::to_string(bodyBytes) + "\r\nConnection: close\r\n\r\n");
  FClose = Fixed("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n");
  FChunked = Fixed("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                   "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
  for (std::size_t sent = 0; sent < bodyBytes;) {
    const std::size_t n = std::min(kBlockBytes, bodyBytes - sent);
    FLength.push_back(Range(FBlock, 0, n));
    FClose.push_back(Range(FBlock, 0, n));
    sent += n;
  }
  for (std::size_t sent = 0; sent < bodyBytes; sent += kChunkBytes) {
    FChunked.push_back(Range(FChunkHead));
    FChunked.push_back(Range(FBlock, sent % kBlockBytes, kChunkBytes));
    FChunked.push_back(Range(FCrLf));
  }
  FChunked.push_back(Range(FLastChunk));

  for (int n = 0; n <= kMaxHeadLines; ++n) FHeads.push_back(Fixed(HeadReply(n)));
}

Reply ReplyCatalog::Fixed(std::string text) {
  FTexts.push_back(std::make_unique<std::string>(std::move(text)));
  return Reply{Range(*FTexts.back())};
}

std::string ReplyCatalog::HeadFor(std::size_t bodySize) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
         std::to_string(bodySize) + "\r\nConnection: close\r\n\r\n";
}

const Reply* ReplyCatalog::Find(std::string_view target) const {
  if (target == "/api.php") return &FSynonyms;
  if (target == "/body/length") return &FLength;
  if (target == "/body/chunked") return &FChunked;
  if (target == "/body/close") return &FClose;
  if (target.starts_with("/head/")) {
    int n = -1;
    const std::string_view digits = target.substr(6);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec == std::errc() && end == digits.data() + digits.size() && n >= 0 && n <= kMaxHeadLines)
      return &FHeads[static_cast<std::size_t>(n)];
  }
  return &FNotFound;
}

}  // namespace bench

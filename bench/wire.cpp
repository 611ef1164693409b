#include "bench/wire.h"

namespace bench {

std::string SynonymsBody() {
  return "action=identifySynonyms&session=f3a9c1d2e4b5a6978877&format=xml"
         "&text=The+quick+brown+fox+jumps+over+the+lazy+dog.&maxsyns=3";
}

std::vector<std::string> LibraryHeaderLines(int port) {
  return {
      "Connection: keep-alive",
      "Content-Type: application/x-www-form-urlencoded",
      "Host: 127.0.0.1:" + std::to_string(port),
      "Accept: text/html, */*",
      "Accept-Encoding: identity",
      "User-Agent: Mozilla/3.0 (compatible; Zora Library)",
  };
}

std::string LibraryRequest(int port, const std::string& target, const std::string& body) {
  const std::vector<std::string> lines = LibraryHeaderLines(port);
  std::string request = "POST " + target + " HTTP/1.0\r\n";
  request += lines[0] + "\r\n" + lines[1] + "\r\n";
  request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  for (std::size_t i = 2; i < lines.size(); ++i) request += lines[i] + "\r\n";
  request += "\r\n";
  request += body;
  return request;
}

std::string HeadOfLines(int extraLines, std::size_t bodySize) {
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n";
  for (int i = 0; i < extraLines; ++i)
    head += "X-Trace-" + std::to_string(i) + ": node=api-" + std::to_string(i % 17) + "; span=0x" +
            std::to_string(1000003 * (i + 1)) + "; sampled=1\r\n";
  head += "Content-Length: " + std::to_string(bodySize) + "\r\nConnection: close\r\n\r\n";
  return head;
}

}  // namespace bench

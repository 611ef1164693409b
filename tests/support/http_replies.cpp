#include "support/http_replies.h"

#include "core/text.h"

namespace zorapi::testing {

std::string Reply(std::string_view AStatusLine, const std::vector<std::string>& AHeaders, std::string_view ABody) {
  std::string out(AStatusLine);
  out += "\r\n";
  for (const std::string& h : AHeaders) out += h + "\r\n";
  out += "\r\n";
  out += ABody;
  return out;
}

std::string LengthReply(std::string_view AStatusLine, std::string_view ABody,
                        const std::vector<std::string>& AExtraHeaders) {
  std::vector<std::string> headers = AExtraHeaders;
  headers.push_back("Content-Length: " + std::to_string(ABody.size()));
  return Reply(AStatusLine, headers, ABody);
}

std::u16string PeerURL(std::uint16_t APort, std::u16string_view APath) {
  return u"http://127.0.0.1:" + IntToText(APort) + std::u16string(APath);
}

}  // namespace zorapi::testing

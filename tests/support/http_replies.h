// Small builders for the HTTP tests: reply texts and the client under test
// pointed at a loopback peer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorapi::testing {

// "HTTP/1.1 <status>" followed by the header lines, an empty line and the
// body, each line ending in CR LF. No header is added.
std::string Reply(std::string_view AStatusLine, const std::vector<std::string>& AHeaders, std::string_view ABody = {});

// The text of a reply whose body has a "Content-Length".
std::string LengthReply(std::string_view AStatusLine, std::string_view ABody,
                        const std::vector<std::string>& AExtraHeaders = {});

// The URL of the endpoint script on the loopback peer.
std::u16string PeerURL(std::uint16_t APort, std::u16string_view APath = u"/api.php");

}  // namespace zorapi::testing

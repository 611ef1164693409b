// The three exported functions of the shared library, loaded as a host
// loads it, against a loopback peer that answers like the service.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/http_replies.h"
#include "support/loaded_library.h"
#include "support/loopback_peer.h"

namespace zorapi {
namespace {

using testing::LengthReply;
using testing::LoopbackPeer;
using testing::PeerScript;
using testing::Reply;

// A peer connection that reads the request with exactly ABody as its body
// and answers with AReply.
PeerScript Exchange(const std::string& ABody, std::string AReply) {
  PeerScript s;
  s.ReadUntil().ReadCount(ABody.size()).Send(std::move(AReply)).Close();
  return s;
}

const std::string kLogin = "action=authenticate&format=xml&username=demo&password=s%C3%A9same";
const std::string kIdentify = "action=identifySynonyms&session=S1&format=xml&text=big+house&maxsyns=3";
const std::string kReplace =
    "action=replaceEveryonesFavorites&session=S1&format=xml&text=big+house&maxsyns=2&quality=5";

TEST(ExportsEndToEndTest, OperationsReturnTheServiceResultsAndEmptyOnEveryFailure) {
  const std::string xml = "Content-Type: text/xml; charset=utf-8";
  std::vector<PeerScript> scripts = {
      Exchange(kLogin, LengthReply("HTTP/1.1 200 OK", "<response><success>true</success><session>S1</session>"
                                                      "</response>", {xml, "Set-Cookie: sid=S1"})),
      Exchange(kIdentify, LengthReply("HTTP/1.1 200 OK", "<output>{big|large} house \xC3\xA9</output>", {xml})),
      Exchange(kReplace, LengthReply("HTTP/1.1 200 OK", "<r><output>large house</output></r>", {xml})),
      Exchange(kIdentify, LengthReply("HTTP/1.1 500 Internal Server Error", "<output>no</output>", {xml})),
      Exchange(kIdentify, LengthReply("HTTP/1.1 200 OK", "<output>bad \xC3</output>", {xml})),
      Exchange(kIdentify, LengthReply("HTTP/1.1 200 OK", "<output>again</output>", {xml})),
  };
  LoopbackPeer peer(std::move(scripts));
  testing::LibraryExports exports;
  std::string whyNot;
  ASSERT_TRUE(testing::LoadLibraryExports(testing::LoopbackEndpoint(peer.Port()), exports, whyNot)) << whyNot;
  const auto login = exports.zorlogin;
  const auto identify = exports.identifySynonyms;
  const auto replace = exports.replaceEveryonesFavorites;

  EXPECT_EQ(std::u16string(login(u"demo", u"s\u00E9same")), u"S1");
  EXPECT_EQ(std::u16string(identify(u"S1", u"big house", 3)), u"{big|large} house \u00E9");
  EXPECT_EQ(std::u16string(replace(u"S1", u"big house", 2, 5)), u"large house");
  const char16_t* failed = identify(u"S1", u"big house", 3);
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(std::u16string(failed), u"") << "an error status gives the empty result";
  EXPECT_EQ(std::u16string(identify(u"S1", u"big house", 3)), u"") << "malformed UTF-8 gives the empty result";
  EXPECT_EQ(std::u16string(identify(u"S1", u"big house", 3)), u"again") << "the next call works";
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Accepted(), 6u);
  for (std::size_t i = 1; i < 6; ++i)
    EXPECT_NE(peer.Received(i).find("\r\nCookie: sid=S1\r\n"), std::string::npos) << "request " << i;
  // The library is never unloaded by a host that keeps calling it; neither
  // is it here, so its shared client stays as the host would see it.
}

enum class Op { Login, Identify, Replace };

// The last field of each request of the table: once the peer has read it,
// it has read the whole request.
std::string EndOfRequest(Op AOperation) {
  switch (AOperation) {
    case Op::Login:
      return "&password=pw";
    case Op::Identify:
      return "&maxsyns=3";
    case Op::Replace:
      return "&quality=5";
  }
  return {};
}

// One call and the reply the service gives it; what the host gets back;
// and a part of the request of the call after it, when checked.
struct ExportCase {
  const char* Name;
  Op Operation;
  std::string Reply;
  std::u16string Expected;
  std::string NextRequestHas = {};
  bool KeepOpen = false;  // the peer waits for the client to close
};

std::string Ok(std::string_view ABody, const std::vector<std::string>& AExtraHeaders = {}) {
  return LengthReply("HTTP/1.1 200 OK", ABody, AExtraHeaders);
}

std::vector<ExportCase> ExportCases() {
  const std::string output = "<output>ok</output>";
  std::vector<std::string> headers300;
  for (int i = 1; i <= 300; ++i) headers300.push_back("X-H" + std::to_string(i) + ": " + std::to_string(i));
  return {
      {"loginTrue", Op::Login, Ok("<r><success>true</success><session>S9</session></r>"), u"S9"},
      {"loginFalse", Op::Login, Ok("<r><success>false</success><session>S9</session></r>"), u""},
      {"loginError", Op::Login, LengthReply("HTTP/1.1 500 Oops", "<success>true</success><session>S9</session>"),
       u""},
      {"ok", Op::Identify, Ok(output), u"ok"},
      {"created", Op::Replace, LengthReply("HTTP/1.1 201 Created", output), u"ok"},
      {"upper2xx", Op::Identify, LengthReply("HTTP/1.1 299 Odd", output), u"ok"},
      {"noContent", Op::Identify, Reply("HTTP/1.1 204 No Content", {"Content-Length: 19"}, output), u""},
      {"continueThenOk", Op::Identify, Reply("HTTP/1.1 100 Continue", {}) + Ok(output), u"ok"},
      {"continueThenError", Op::Identify,
       Reply("HTTP/1.1 100 Continue", {}) + LengthReply("HTTP/1.1 500 Oops", output), u""},
      {"switching", Op::Identify, Reply("HTTP/1.1 101 Switching Protocols", {}), u""},
      {"moved", Op::Identify, LengthReply("HTTP/1.1 301 Moved", output, {"Location: /x"}), u""},
      {"found", Op::Identify, LengthReply("HTTP/1.1 302 Found", output, {"Location: /x"}), u""},
      {"foundNoLocation", Op::Identify, LengthReply("HTTP/1.1 302 Found", output), u""},
      {"notModified", Op::Identify, Reply("HTTP/1.1 304 Not Modified", {"Content-Length: 19"}, output), u""},
      {"unauthorizedUnknownScheme", Op::Identify,
       LengthReply("HTTP/1.1 401 Unauthorized", output, {"WWW-Authenticate: Bearer x"}), u""},
      {"unauthorizedBasic", Op::Identify,
       LengthReply("HTTP/1.1 401 Unauthorized", output, {"WWW-Authenticate: Basic realm=x"}), u"",
       "\r\nAuthorization: Basic Og==\r\n"},
      {"proxyAuth", Op::Replace,
       LengthReply("HTTP/1.1 407 Proxy Authentication Required", output, {"Proxy-Authenticate: Bearer p"}), u""},
      {"serverErrorHtml", Op::Identify,
       LengthReply("HTTP/1.1 500 Internal Server Error", "<html>caf\xE9 " + output + "</html>",
                   {"Content-Type: text/html; charset=iso-8859-1"}),
       u""},
      {"notFoundXmlWithBom", Op::Identify,
       LengthReply("HTTP/1.1 404 Not Found", "\xEF\xBB\xBF" + output, {"Content-Type: application/xml"}), u""},
      {"noStatusNumber", Op::Identify, LengthReply("HTTP/1.1 OK", output), u""},
      {"lengthWithExtraBytes", Op::Identify, Reply("HTTP/1.1 200 OK", {"Content-Length: 19"}, output + "EXTRA"),
       u"ok"},
      {"lengthCutShort", Op::Identify, Reply("HTTP/1.1 200 OK", {"Content-Length: 100"}, output), u"ok"},
      {"chunkedExtensionsAndTrailer", Op::Identify,
       Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
             "8;name=value\r\n<output>\r\n  b  \r\nok</output>\r\n0\r\nX-Trace: 7\r\n\r\n"),
       u"ok"},
      {"chunkTooLarge", Op::Identify,
       Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "100000000\r\n" + output + "\r\n0\r\n\r\n"), u""},
      {"untilClose", Op::Identify, Reply("HTTP/1.0 200 OK", {}, output), u"ok"},
      {"headerLines300", Op::Identify, Reply("HTTP/1.1 200 OK", headers300, output), u"ok"},
      {"keepAlive", Op::Identify, Ok(output, {"Connection: keep-alive"}), u"ok", {}, true},
      {"malformedUtf8", Op::Identify, Ok("<output>bad \xC3(</output>"), u""},
  };
}

// Every row through the exports of one loaded library, in order on its one
// shared client, each followed by a call that must work.
TEST(ExportsEndToEndTest, EveryStatusAndFramingThroughTheExports) {
  const std::vector<ExportCase> cases = ExportCases();
  std::vector<PeerScript> scripts;
  for (const ExportCase& c : cases) {
    PeerScript s;
    s.ReadUntil(EndOfRequest(c.Operation)).Send(c.Reply);
    if (c.KeepOpen) s.ReadUntilClose();
    scripts.push_back(s.Close());
    PeerScript next;
    next.ReadUntil(EndOfRequest(Op::Identify)).Send(Ok("<output>next</output>")).Close();
    scripts.push_back(next);
  }
  LoopbackPeer peer(std::move(scripts));
  testing::LibraryExports exports;
  std::string whyNot;
  ASSERT_TRUE(testing::LoadLibraryExports(testing::LoopbackEndpoint(peer.Port()), exports, whyNot)) << whyNot;

  for (std::size_t i = 0; i < cases.size(); ++i) {
    const ExportCase& c = cases[i];
    SCOPED_TRACE(c.Name);
    const char16_t* result = nullptr;
    switch (c.Operation) {
      case Op::Login:
        result = exports.zorlogin(u"demo", u"pw");
        break;
      case Op::Identify:
        result = exports.identifySynonyms(u"S1", u"w", 3);
        break;
      case Op::Replace:
        result = exports.replaceEveryonesFavorites(u"S1", u"w", 3, 5);
        break;
    }
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(std::u16string(result), c.Expected);
    const char16_t* next = exports.identifySynonyms(u"S1", u"w", 3);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(std::u16string(next), u"next") << "the call after the row";
    if (!c.NextRequestHas.empty()) {
      EXPECT_NE(peer.Received(2 * i + 1).find(c.NextRequestHas), std::string::npos) << peer.Received(2 * i + 1);
    }
  }
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Accepted(), 2 * cases.size());
  EXPECT_TRUE(peer.Errors().empty());
}

}  // namespace
}  // namespace zorapi

// The HTTP client against scripted loopback peers: the exact request bytes,
// the reply head and body framings, the status dispatch and what a client
// keeps from one POST to the next.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "api/new_httpcli.h"
#include "core/exceptions.h"
#include "core/text.h"
#include "http/http_exceptions.h"
#include "support/http_replies.h"
#include "support/loopback_peer.h"
#include "support/transport_client.h"
#include "transport/io_handler_stack.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

using namespace std::chrono_literals;
using testing::LengthReply;
using testing::LoopbackPeer;
using testing::PeerScript;
using testing::PeerURL;
using testing::Reply;

std::string Bytes(const TMemoryStream& s) { return std::string(s.Bytes().begin(), s.Bytes().end()); }

// The head the library writes for a POST with a body of ALength bytes.
std::string PostHead(std::uint16_t APort, std::size_t ALength, std::string_view ACookie = {}) {
  std::string head = "POST /api.php HTTP/1.0\r\n"
                     "Connection: keep-alive\r\n"
                     "Content-Type: application/x-www-form-urlencoded\r\n"
                     "Content-Length: " + std::to_string(ALength) + "\r\n"
                     "Host: 127.0.0.1:" + std::to_string(APort) + "\r\n"
                     "Accept: text/html, */*\r\n"
                     "Accept-Encoding: identity\r\n"
                     "User-Agent: Mozilla/3.0 (compatible; Zora Library)\r\n";
  if (!ACookie.empty()) head += "Cookie: " + std::string(ACookie) + "\r\n";
  return head + "\r\n";
}

// A peer connection that takes a request with a body of ABodyLength bytes
// and answers with AReply.
PeerScript Answer(std::size_t ABodyLength, std::string AReply) {
  PeerScript s;
  s.ReadUntil();
  if (ABodyLength) s.ReadCount(ABodyLength);
  s.Send(std::move(AReply)).Close();
  return s;
}

// A socket handler that connects to the loopback peer whatever host and port
// the client names, so that the request for any URL can be captured, and
// that records the length of every send and whether it was said to be
// followed by more. With FailHeldSends a send said so fails instead.
class TLoopbackIOHandler : public TIdIOHandlerStack {
 public:
  TLoopbackIOHandler(TComponent* AOwner, std::uint16_t APeerPort) : TIdIOHandlerStack(AOwner), FPeerPort(APeerPort) {}

  std::vector<std::int32_t> Sends;
  std::vector<bool> Held;
  bool FailHeldSends = false;

 protected:
  void EstablishConnection() override {
    FHost = u"127.0.0.1";
    FPort = FPeerPort;
    FIPVersion = Id_IPv4;
    TIdIOHandlerStack::EstablishConnection();
  }
  std::int32_t SendToSocket(const std::uint8_t* ABuffer, std::int32_t ALength) override {
    if (FailHeldSends && MoreFollows()) GSocketStack()->RaiseSocketError(10054);
    Sends.push_back(ALength);
    Held.push_back(MoreFollows());
    return TIdIOHandlerStack::SendToSocket(ABuffer, ALength);
  }

 private:
  std::uint16_t FPeerPort;
};

class HttpClientTest : public ::testing::Test {
 protected:
  HttpClientTest() : FClient(TNewHttpcli::Create(nullptr)) {}

  // POSTs the two worked-example fields and returns the body received.
  void PostFields(const std::u16string& AURL, TMemoryStream& AResponse) {
    TStringList fields;
    fields.Add(u"format=xml");
    fields.Add(u"text=hello world");
    FClient->Post(AURL, &fields, &AResponse, &UTF8Encoding());
  }

  // Whether the client's socket is still open. Connected alone also counts
  // unread bytes left in the input buffer after a close.
  bool SocketOpen() const { return FClient->IOHandler() && FClient->IOHandler()->Opened(); }

  static constexpr std::size_t kFieldsLength = 27;  // "format=xml&text=hello+world"
  std::unique_ptr<TNewHttpcli> FClient;
};

TEST_F(HttpClientTest, FreshClientHasTheFixedSettings) {
  EXPECT_EQ(FClient->ConnectTimeout(), 30000);
  EXPECT_EQ(FClient->ReadTimeout(), -1);
  EXPECT_EQ(FClient->ProtocolVersion(), pv1_1);
  EXPECT_EQ(FClient->HTTPOptions().Bits(), TIdHTTPOptions({hoForceEncodeParams}).Bits());
  EXPECT_FALSE(FClient->HandleRedirects());
  EXPECT_EQ(FClient->RedirectMaximum(), 15);
  EXPECT_EQ(FClient->MaxAuthRetries(), 3);
  EXPECT_EQ(FClient->MaxHeaderLines(), 255);
  EXPECT_TRUE(FClient->AllowCookies());
  EXPECT_EQ(FClient->CookieManager(), nullptr);
  EXPECT_EQ(FClient->IOHandler(), nullptr);
  EXPECT_EQ(FClient->Response().ResponseCode(), -1);
}

TEST_F(HttpClientTest, FirstPostSendsTheExactHeadInOneWriteThenTheBody) {
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "<output>x</output>"))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  ASSERT_TRUE(peer.WaitDone());

  const std::string head = PostHead(peer.Port(), kFieldsLength);
  EXPECT_EQ(peer.Received(0), head + "format=xml&text=hello+world");
  const std::vector<std::string> pieces = peer.Pieces(0);
  ASSERT_FALSE(pieces.empty());
  EXPECT_GE(pieces[0].size(), head.size()) << "the head arrived split";
  EXPECT_EQ(Bytes(response), "<output>x</output>");
  EXPECT_EQ(FClient->ProtocolVersion(), pv1_1);
}

// The two fields posted as the first request of a client to http://192.0.2.1/api.php,
// then again after the reply set a cookie: the head leaves in one send, the
// body in one send after it, and the cookie line comes last.
TEST_F(HttpClientTest, WorkedExampleLeavesAsTheExactBytes) {
  const std::string head =
      "POST /api.php HTTP/1.0\r\n"
      "Connection: keep-alive\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\n"
      "Content-Length: 27\r\n"
      "Host: 192.0.2.1\r\n"
      "Accept: text/html, */*\r\n"
      "Accept-Encoding: identity\r\n"
      "User-Agent: Mozilla/3.0 (compatible; Zora Library)\r\n"
      "\r\n";
  const std::string body = "format=xml&text=hello+world";
  ASSERT_EQ(head.size(), 239u);
  ASSERT_EQ(body.size(), kFieldsLength);
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "a", {"Set-Cookie: lang=en; Path=/"})),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "b"))});
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  FClient->SetIOHandler(handler.get());
  TMemoryStream first, second;

  PostFields(u"http://192.0.2.1/api.php", first);
  EXPECT_EQ(handler->Sends, (std::vector<std::int32_t>{239, 27}));
  EXPECT_EQ(FClient->Host(), u"192.0.2.1");
  EXPECT_EQ(FClient->Port(), 80);

  PostFields(u"http://192.0.2.1/api.php", second);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(0), head + body);
  EXPECT_EQ(peer.Received(0).size(), 266u);
  const std::string withCookie = head.substr(0, head.size() - 2) + "Cookie: lang=en\r\n\r\n";
  EXPECT_EQ(peer.Received(1), withCookie + body);
  EXPECT_EQ(handler->Sends, (std::vector<std::int32_t>{239, 27, 256, 27}));
  EXPECT_EQ(Bytes(second), "b");
}

TEST_F(HttpClientTest, BodyLeavesFromItsStartInBlocksOf32768Bytes) {
  std::string body(70000, 'b');
  body.front() = 'F';
  body.back() = 'L';
  LoopbackPeer peer({Answer(body.size(), LengthReply("HTTP/1.1 200 OK", "ok"))});
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  FClient->SetIOHandler(handler.get());
  TMemoryStream source, response;
  source.Write(body.data(), body.size());  // left at its end
  FClient->Post(u"http://192.0.2.1/api.php", &source, &response);
  ASSERT_TRUE(peer.WaitDone());
  const std::string received = peer.Received(0);
  const std::size_t headLength = received.find("\r\n\r\n") + 4;
  EXPECT_NE(received.find("\r\nContent-Length: 70000\r\n"), std::string::npos);
  EXPECT_EQ(received.substr(headLength), body);
  EXPECT_EQ(handler->Sends,
            (std::vector<std::int32_t>{static_cast<std::int32_t>(headLength), 32768, 32768, 70000 - 2 * 32768}));
  EXPECT_EQ(Bytes(response), "ok");
}

// The head of a request with a body is said to be followed, so that the
// platform can send both together; the body's sends, and a head without
// body, are not. The sends are the same either way.
struct HeldCase {
  const char* Name;
  std::size_t BodyLength;
  std::vector<bool> Held;
};

class HttpClientHeldSends : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HttpClientHeldSends, OnlyTheHeadBeforeABodyIsHeld) {
  const HeldCase& c = GetParam();
  LoopbackPeer peer({Answer(c.BodyLength, LengthReply("HTTP/1.1 200 OK", "ok"))});
  const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  client->SetIOHandler(handler.get());
  TMemoryStream source, response;
  const std::string body(c.BodyLength, 'b');
  source.Write(body.data(), body.size());
  client->Post(u"http://192.0.2.1/api.php", &source, &response);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(handler->Held, c.Held);
  EXPECT_EQ(handler->Sends.size(), c.Held.size());
  EXPECT_FALSE(handler->MoreFollows());
  EXPECT_EQ(peer.Received(0).substr(peer.Received(0).size() - body.size()), body);
  EXPECT_EQ(Bytes(response), "ok");
}

INSTANTIATE_TEST_SUITE_P(Bodies, HttpClientHeldSends,
                         ::testing::Values(HeldCase{"Small", 27, {true, false}}, HeldCase{"Empty", 0, {false}},
                                           HeldCase{"ThreeBlocks", 70000, {true, false, false, false}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A head whose send fails leaves nothing said to be followed for later sends.
TEST_F(HttpClientTest, FailedHeadLeavesLaterSendsUnheld) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  handler->FailHeldSends = true;
  FClient->SetIOHandler(handler.get());
  TMemoryStream response;
  try {
    PostFields(u"http://192.0.2.1/api.php", response);
    FAIL() << "the head's send did not fail";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
  }
  EXPECT_FALSE(handler->MoreFollows());
  EXPECT_TRUE(handler->Sends.empty());
}

// One URL and what the request for it carries; the handler takes every
// connection to the loopback peer, so no URL here reaches the network.
struct TargetCase {
  const char* Name;
  std::u16string URL;
  std::string RequestLine;
  std::string Host;
  std::uint16_t Port;  // the port the client connects to
  TIdIPVersion IPVersion;
};

class RequestTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(RequestTargetTest, TargetAndHostComeFromTheURL) {
  const TargetCase& c = GetParam();
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.1 200 OK", ""))});
  const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  client->SetIOHandler(handler.get());
  TStringList none;
  TMemoryStream response;
  client->Post(c.URL, &none, &response, &UTF8Encoding());
  ASSERT_TRUE(peer.WaitDone());
  const std::string received = peer.Received(0);
  EXPECT_EQ(received.substr(0, received.find("\r\n")), c.RequestLine);
  EXPECT_NE(received.find("\r\nHost: " + c.Host + "\r\n"), std::string::npos) << received;
  EXPECT_EQ(received.find("Authorization"), std::string::npos);
  EXPECT_EQ(client->Port(), c.Port);
  EXPECT_EQ(client->Request().IPVersion(), c.IPVersion);
  EXPECT_EQ(client->IPVersion(), c.IPVersion);
}

INSTANTIATE_TEST_SUITE_P(
    URLs, RequestTargetTest,
    ::testing::Values(
        TargetCase{"noPort", u"http://192.0.2.1/api.php", "POST /api.php HTTP/1.0", "192.0.2.1", 80, Id_IPv4},
        TargetCase{"port80Written", u"http://192.0.2.1:80/api.php", "POST /api.php HTTP/1.0", "192.0.2.1", 80,
                   Id_IPv4},
        // The text differs from "80", so it shows; the connection still goes to 80.
        TargetCase{"port080", u"http://192.0.2.1:080/api.php", "POST /api.php HTTP/1.0", "192.0.2.1:080", 80,
                   Id_IPv4},
        TargetCase{"portInHexadecimal", u"http://192.0.2.1:0x50/api.php", "POST /api.php HTTP/1.0",
                   "192.0.2.1:0x50", 80, Id_IPv4},
        // A port beyond 16 bits is no port at all, not the port of its low bits.
        TargetCase{"portOutOfRange", u"http://192.0.2.1:65616/api.php", "POST /api.php HTTP/1.0",
                   "192.0.2.1:65616", 80, Id_IPv4},
        TargetCase{"otherPortAndFragment", u"http://192.0.2.1:8080/a/b.php#frag", "POST /a/b.php HTTP/1.0",
                   "192.0.2.1:8080", 8080, Id_IPv4},
        TargetCase{"queryTakesTheFragment", u"http://192.0.2.1:8080/a/b.php?q=1#frag",
                   "POST /a/b.php?q=1#frag HTTP/1.0", "192.0.2.1:8080", 8080, Id_IPv4},
        TargetCase{"schemeAndPortIgnoringCase", u"HTTP://Service.Example:80/api.php", "POST /api.php HTTP/1.0",
                   "Service.Example", 80, Id_IPv4},
        TargetCase{"bracketedIPv6", u"http://[2001:db8::1]/x", "POST /x HTTP/1.0", "2001:db8::1", 80, Id_IPv6},
        TargetCase{"bracketedIPv6WithPort", u"http://[2001:db8::1]:8080/x", "POST /x HTTP/1.0", "2001:db8::1:8080",
                   8080, Id_IPv6},
        TargetCase{"backslashesOfThePath", u"http://192.0.2.1\\dir\\api.php", "POST /dir/api.php HTTP/1.0",
                   "192.0.2.1", 80, Id_IPv4},
        // Sent as written, except that what ASCII cannot hold becomes "?".
        TargetCase{"unencodedPath", u"http://192.0.2.1/a%20b c/\u00E9.php", "POST /a%20b c/?.php HTTP/1.0",
                   "192.0.2.1", 80, Id_IPv4},
        // Credentials go into the request but nothing is sent for them.
        TargetCase{"credentials", u"http://u:p@192.0.2.1/api.php", "POST /api.php HTTP/1.0", "192.0.2.1", 80,
                   Id_IPv4}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HttpClientTest, CredentialsOfTheURLGoIntoTheRequest) {
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.1 200 OK", ""))});
  const auto handler = NewComponent<TLoopbackIOHandler>(peer.Port());
  FClient->SetIOHandler(handler.get());
  TStringList none;
  TMemoryStream response;
  FClient->Post(u"http://u:p@192.0.2.1/api.php", &none, &response, &UTF8Encoding());
  EXPECT_EQ(FClient->Request().Username(), u"u");
  EXPECT_EQ(FClient->Request().Password(), u"p");
  EXPECT_EQ(FClient->URL().Username(), u"u");
}

TEST(HttpClientFormTest, FormPostReplacesOnlyAnEmptyOrHtmlContentType) {
  struct Row {
    std::u16string Before, After;
  };
  const Row rows[] = {{u"", u"application/x-www-form-urlencoded"},
                      {u"TEXT/HTML; level=1", u"application/x-www-form-urlencoded"},
                      {u"text/html-sandboxed", u"application/x-www-form-urlencoded"},
                      {u"application/json", u"application/json"}};
  for (const Row& r : rows) {
    LoopbackPeer peer({Answer(3, LengthReply("HTTP/1.1 200 OK", ""))});
    const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
    client->Request().SetContentType(r.Before);
    TStringList fields;
    fields.Add(u"a=b");
    TMemoryStream response;
    client->Post(PeerURL(peer.Port()), &fields, &response, &UTF8Encoding());
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(client->Request().ContentType(), r.After) << TextToAscii(r.Before);
    EXPECT_NE(peer.Received(0).find("\r\nContent-Type: " + TextToAscii(r.After)), std::string::npos)
        << peer.Received(0);
  }
}

TEST_F(HttpClientTest, LoneSurrogateFailsTheCallBeforeAnyConnect) {
  TStringList fields;
  fields.Add(u"format=xml");
  fields.Add(u"text=ab\xDC00");
  TMemoryStream response;
  try {
    FClient->Post(u"http://192.0.2.1/api.php", &fields, &response, &UTF8Encoding());
    FAIL() << "a lone low surrogate was encoded";
  } catch (const EArgumentException& e) {
    EXPECT_EQ(e.Message(),
              u"Low surrogate char without a preceding high surrogate char at index: 3. "
              u"Check that the string is encoded properly");
  }
  EXPECT_EQ(FClient->IOHandler(), nullptr) << "nothing was to be connected";
  EXPECT_EQ(FClient->ProtocolVersion(), pv1_1);
}

TEST_F(HttpClientTest, CookieWithAControlCharacterIsNotSentBack) {
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "",
                                                       {"Set-Cookie: a=b\rX-Injected: 1", "Set-Cookie: ok=1"})),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream first, second;
  PostFields(PeerURL(peer.Port()), first);
  PostFields(PeerURL(peer.Port()), second);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(1), PostHead(peer.Port(), kFieldsLength, "ok=1") + "format=xml&text=hello+world");
}

TEST_F(HttpClientTest, CookieOfTheFirstReplyGoesLastInTheSecondRequest) {
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "a", {"Set-Cookie: lang=en; Path=/"})),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "b"))});
  TMemoryStream first, second;
  PostFields(PeerURL(peer.Port()), first);
  PostFields(PeerURL(peer.Port()), second);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(1), PostHead(peer.Port(), kFieldsLength, "lang=en") + "format=xml&text=hello+world");
  EXPECT_NE(FClient->CookieManager(), nullptr);
}

TEST_F(HttpClientTest, KeepAliveReplyStillGivesEachPostItsOwnConnection) {
  const std::string reply = LengthReply("HTTP/1.1 200 OK", "ok", {"Connection: keep-alive"});
  PeerScript keepOpen;
  keepOpen.ReadUntil().ReadCount(kFieldsLength).Send(reply).ReadUntilClose();
  LoopbackPeer peer({keepOpen, Answer(kFieldsLength, reply)});
  TMemoryStream first, second;
  PostFields(PeerURL(peer.Port()), first);
  EXPECT_TRUE(FClient->Connected()) << "a keep-alive reply leaves the connection open";
  PostFields(PeerURL(peer.Port()), second);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Accepted(), 2u);
  EXPECT_EQ(peer.Received(1), PostHead(peer.Port(), kFieldsLength) + "format=xml&text=hello+world")
      << "Connection and Accept-Encoding are written once each";
  EXPECT_EQ(Bytes(second), "ok");
}

TEST_F(HttpClientTest, EmptyFieldListSendsContentLengthZero) {
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.0 200 OK", "z"))});
  TStringList none;
  TMemoryStream response;
  FClient->Post(PeerURL(peer.Port()), &none, &response, &UTF8Encoding());
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(0), PostHead(peer.Port(), 0));
}

TEST_F(HttpClientTest, UrlTargetAndHostValue) {
  // The query takes everything after "?", the fragment included; a port
  // written as "0" + port differs from the plain text and shows in "Host".
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.0 200 OK", "")), Answer(0, LengthReply("HTTP/1.0 200 OK", ""))});
  TMemoryStream r1, r2;
  TStringList none;
  const std::u16string port = IntToText(peer.Port());
  FClient->Post(u"http://127.0.0.1:" + port + u"/a/b.php#frag", &none, &r1, &UTF8Encoding());
  FClient->Post(u"http://127.0.0.1:0" + port + u"/a/b.php?q=1#frag", &none, &r2, &UTF8Encoding());
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(0).substr(0, 24), "POST /a/b.php HTTP/1.0\r\n");
  EXPECT_NE(peer.Received(0).find("\r\nHost: 127.0.0.1:" + std::to_string(peer.Port()) + "\r\n"), std::string::npos);
  EXPECT_EQ(peer.Received(1).substr(0, 33), "POST /a/b.php?q=1#frag HTTP/1.0\r\n");
  EXPECT_NE(peer.Received(1).find("\r\nHost: 127.0.0.1:0" + std::to_string(peer.Port()) + "\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, RefusedSchemesAndPortsRaiseBeforeAnyConnect) {
  TMemoryStream response;
  TStringList none;
  try {
    FClient->Post(u"https://127.0.0.1/api.php", &none, &response, &UTF8Encoding());
    FAIL() << "https was accepted";
  } catch (const EIdIOHandlerPropInvalid& e) {
    EXPECT_EQ(e.Message(), u"IOHandler value is not valid");
  }
  EXPECT_EQ(FClient->IOHandler(), nullptr);
  auto fresh = std::unique_ptr<TNewHttpcli>(TNewHttpcli::Create(nullptr));
  try {
    fresh->Post(u"ftp://127.0.0.1/api.php", &none, &response, &UTF8Encoding());
    FAIL() << "ftp without a port was accepted";
  } catch (const EIdUnknownProtocol& e) {
    EXPECT_EQ(e.Message(), u"Unknown Protocol");
  }
  EXPECT_EQ(fresh->ProtocolVersion(), pv1_1);
}

TEST_F(HttpClientTest, RefusedConnectionReachesTheCallerAndTheNextPostWorks) {
  std::uint16_t closedPort;
  {
    LoopbackPeer probe({});
    closedPort = probe.Port();
  }
  TMemoryStream response;
  try {
    PostFields(PeerURL(closedPort), response);
    FAIL() << "connect to a closed port succeeded";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
  }
  EXPECT_EQ(FClient->ProtocolVersion(), pv1_1);
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "fine"))});
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(Bytes(response), "fine");
}

// One reply and what the client makes of it.
struct StatusCase {
  const char* Name;
  std::string Reply;
  int ErrorCode;            // 0: no exception expected
  std::string Body;         // what the caller's stream holds
  std::u16string ErrorMessage;
};

class StatusDispatchTest : public HttpClientTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusDispatchTest, ReplyIsDispatchedByItsStatus) {
  const StatusCase& c = GetParam();
  LoopbackPeer peer({Answer(kFieldsLength, c.Reply)});
  TMemoryStream response;
  int code = 0;
  std::u16string errorMessage, message;
  try {
    PostFields(PeerURL(peer.Port()), response);
  } catch (const EIdHTTPProtocolException& e) {
    code = e.ErrorCode();
    errorMessage = e.ErrorMessage();
    message = e.Message();
  }
  EXPECT_EQ(code, c.ErrorCode);
  EXPECT_EQ(Bytes(response), c.Body);
  EXPECT_EQ(errorMessage, c.ErrorMessage);
  if (code) {
    // The status line of the final head.
    const std::size_t last = c.Reply.rfind("HTTP/1.1");
    EXPECT_EQ(message, AsciiToText(c.Reply.substr(last, c.Reply.find("\r\n", last) - last)));
  }
  EXPECT_EQ(FClient->ProtocolVersion(), pv1_1);
  EXPECT_FALSE(SocketOpen()) << "the reply did not ask to keep the connection";
}

const std::string kHtml500 = "<html>caf\xE9</html>";

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusDispatchTest,
    ::testing::Values(
        StatusCase{"ok", LengthReply("HTTP/1.1 200 OK", "hello"), 0, "hello", u""},
        StatusCase{"created", LengthReply("HTTP/1.1 201 Created", "made"), 0, "made", u""},
        StatusCase{"upper2xx", LengthReply("HTTP/1.1 299 Odd", "odd"), 0, "odd", u""},
        StatusCase{"noContent", Reply("HTTP/1.1 204 No Content", {"Content-Length: 5"}, "junk!"), 0, "", u""},
        StatusCase{"continueThenOk",
                   Reply("HTTP/1.1 100 Continue", {}) + LengthReply("HTTP/1.1 200 OK", "after"), 0, "after", u""},
        StatusCase{"continueThenError",
                   Reply("HTTP/1.1 100 Continue", {}) + LengthReply("HTTP/1.1 500 Oops", "bad"), 500, "", u"bad"},
        StatusCase{"switching", Reply("HTTP/1.1 101 Switching Protocols", {}), 101, "", u""},
        StatusCase{"movedNoLocation", LengthReply("HTTP/1.1 301 Moved", "m"), 301, "", u"m"},
        StatusCase{"found", LengthReply("HTTP/1.1 302 Found", "moved", {"Location: /x"}), 302, "", u"moved"},
        StatusCase{"foundNoLocation", LengthReply("HTTP/1.1 302 Found", "where?"), 302, "", u"where?"},
        StatusCase{"seeOther", LengthReply("HTTP/1.1 303 See Other", "s", {"Location: /y"}), 303, "", u"s"},
        StatusCase{"temporaryRedirect", LengthReply("HTTP/1.1 307 Temporary Redirect", "t", {"Location: /z"}), 307,
                   "", u"t"},
        StatusCase{"notModified", Reply("HTTP/1.1 304 Not Modified", {"Content-Length: 4"}, "body"), 304, "", u""},
        StatusCase{"finalInterimCode", Reply("HTTP/1.1 199 Odd", {"Content-Length: 3"}, "abc"), 199, "", u""},
        StatusCase{"unauthorizedBasic",
                   LengthReply("HTTP/1.1 401 Unauthorized", "who?", {"WWW-Authenticate: Basic realm=x"}), 401, "",
                   u"who?"},
        StatusCase{"unauthorizedUnknownScheme",
                   LengthReply("HTTP/1.1 401 Unauthorized", "no", {"WWW-Authenticate: Bearer x"}), 401, "", u"no"},
        StatusCase{"proxyAuth", LengthReply("HTTP/1.1 407 Proxy", "p", {"Proxy-Authenticate: Basic realm=p"}), 407,
                   "", u"p"},
        StatusCase{"serverErrorLatin1",
                   LengthReply("HTTP/1.1 500 Internal Server Error", kHtml500,
                               {"Content-Type: text/html; charset=iso-8859-1"}),
                   500, "", u"<html>caf\u00E9</html>"},
        StatusCase{"notFoundXmlWithBom",
                   LengthReply("HTTP/1.1 404 Not Found", "\xEF\xBB\xBF<e>\xC3\xA9</e>",
                               {"Content-Type: application/xml"}),
                   404, "", u"<e>\u00E9</e>"},
        StatusCase{"noStatusNumber", LengthReply("HTTP/1.1 OK", "?"), -1, "", u"?"}),
    [](const auto& info) { return std::string(info.param.Name); });

// One body framing and the bytes it leaves in the caller's stream.
struct FramingCase {
  const char* Name;
  std::string Reply;
  std::string Body;
};

class BodyFramingTest : public HttpClientTest, public ::testing::WithParamInterface<FramingCase> {};

TEST_P(BodyFramingTest, BodyArrivesWhole) {
  const FramingCase& c = GetParam();
  LoopbackPeer peer({Answer(kFieldsLength, c.Reply)});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(Bytes(response), c.Body);
  EXPECT_EQ(response.Position(), response.Size());
}

INSTANTIATE_TEST_SUITE_P(
    Framings, BodyFramingTest,
    ::testing::Values(
        FramingCase{"length", Reply("HTTP/1.1 200 OK", {"Content-Length: 5"}, "helloEXTRA"), "hello"},
        FramingCase{"lengthCutShort", Reply("HTTP/1.1 200 OK", {"Content-Length: 100"}, std::string(60, 'x')),
                    std::string(60, 'x')},
        FramingCase{"lengthZero", Reply("HTTP/1.1 200 OK", {"Content-Length: 0"}, "ignored"), ""},
        FramingCase{"chunked", Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "5\r\nhello\r\n0\r\n\r\n"),
                    "hello"},
        FramingCase{"chunkedExtensionsAndTrailer",
                    Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: gzip, Chunked"},
                          "1a;name=value\r\nabcdefghijklmnopqrstuvwxyz\r\n  1A  \r\nABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
                          "0\r\nX-Trace: 7\r\n\r\n"),
                    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        FramingCase{"malformedChunkSizeEndsTheBody",
                    Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "3\r\nabc\r\n0x1A\r\n\r\n"), "abc"},
        FramingCase{"untilClose", Reply("HTTP/1.0 200 OK", {}, "all of it until the close"),
                    "all of it until the close"},
        FramingCase{"contentCodingKept",
                    Reply("HTTP/1.1 200 OK", {"Content-Encoding: gzip", "Content-Length: 4"},
                          std::string("\x1f\x8b\x08\x00", 4)),
                    std::string("\x1f\x8b\x08\x00", 4)},
        FramingCase{"htmlBodyUnchangedByMetaScan",
                    LengthReply("HTTP/1.1 200 OK",
                                "<html><head><meta http-equiv=\"Set-Cookie\" content=\"a=b\"></head></html>",
                                {"Content-Type: text/html"}),
                    "<html><head><meta http-equiv=\"Set-Cookie\" content=\"a=b\"></head></html>"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HttpClientTest, ChunkedTrailerIsAppendedToTheRawHeadersOnly) {
  LoopbackPeer peer({Answer(kFieldsLength, Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                                 "2\r\nhi\r\n0\r\nX-Trace: 7\r\n\r\n"))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(FClient->Response().RawHeaders().ValueOfName(u"X-Trace"), u"7");
}

TEST_F(HttpClientTest, ChunkSizeOf2GiBOrMoreIsRefusedAsMalformed) {
  // A size wider than 32 bits must not read as 0, which would end the body
  // at once and take the chunk's data for trailer lines.
  struct Row {
    std::string Size;
    std::u16string Message;
  };
  const Row rows[] = {
      {"ffffffff", u"Chunk size too large: ffffffff"},
      {"80000000", u"Chunk size too large: 80000000"},
      {"100000000", u"Chunk size too large: 100000000"},
      {"  0000000080000000;ext=1 ", u"Chunk size too large: 0000000080000000"},
      {"FFFFFFFFFFFFFFFFFFFF", u"Chunk size too large: FFFFFFFFFFFFFFFF..."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Size);
    LoopbackPeer peer({Answer(kFieldsLength, Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                                   r.Size + "\r\n<output>lost</output>\r\n0\r\n\r\n"))});
    TMemoryStream response;
    try {
      PostFields(PeerURL(peer.Port()), response);
      ADD_FAILURE() << "the reply was taken, with body \"" << Bytes(response) << "\"";
    } catch (const EIdHTTPMalformedReply& e) {
      EXPECT_EQ(e.Message(), r.Message);
    }
    EXPECT_FALSE(SocketOpen());
  }
}

TEST_F(HttpClientTest, ChunkSizeBelow2GiBIsReadWhateverItsLeadingZeros) {
  LoopbackPeer peer({Answer(kFieldsLength, Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"},
                                                 "00000000000000000003\r\nabc\r\n0\r\n\r\n"))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(Bytes(response), "abc");
}

TEST_F(HttpClientTest, HugeAnnouncedLengthDoesNotAllocateAheadOfTheBytes) {
  // The stream grows as the bytes arrive: what the peer announces may be
  // reserved only up to a small bound.
  constexpr std::size_t kBound = 64 * 1024 * 1024;
  struct Row {
    const char* Name;
    std::string Reply;
    bool Completes;
  };
  const Row rows[] = {
      {"length", Reply("HTTP/1.1 200 OK", {"Content-Length: 9000000000"}, "tiny"), true},
      {"chunk", Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "7fffffff\r\ntiny"), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    LoopbackPeer peer({Answer(kFieldsLength, r.Reply)});
    TMemoryStream response;
    if (r.Completes) {
      PostFields(PeerURL(peer.Port()), response);
    } else {
      EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdConnClosedGracefully);
    }
    EXPECT_EQ(Bytes(response), "tiny");
    EXPECT_LE(response.Capacity(), kBound);
  }
}

TEST_F(HttpClientTest, ChunkedBodyCutByTheCloseRaises) {
  LoopbackPeer peer({Answer(kFieldsLength, Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "a\r\nabc"))});
  TMemoryStream response;
  EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdConnClosedGracefully);
  EXPECT_EQ(Bytes(response), "abc") << "the bytes read so far stay";
}

TEST_F(HttpClientTest, CloseBeforeTheStatusLineRaises) {
  PeerScript s;
  s.ReadUntil().ReadCount(kFieldsLength).Close();
  LoopbackPeer peer({s});
  TMemoryStream response;
  EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdConnClosedGracefully);
}

TEST_F(HttpClientTest, AtMost255HeaderLinesAreStored) {
  std::vector<std::string> headers;
  for (int i = 1; i <= 300; ++i) headers.push_back("X-H" + std::to_string(i) + ": " + std::to_string(i));
  LoopbackPeer peer({Answer(kFieldsLength, Reply("HTTP/1.1 200 OK", headers, "body"))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  const TIdHeaderList& raw = FClient->Response().RawHeaders();
  EXPECT_EQ(raw.Count(), 255);
  EXPECT_EQ(raw.ValueOfName(u"X-H255"), u"255");
  EXPECT_EQ(raw.ValueOfName(u"X-H256"), u"");
  // No length and no chunking: what followed the dropped line is the body.
  std::string rest;
  for (int i = 257; i <= 300; ++i) rest += "X-H" + std::to_string(i) + ": " + std::to_string(i) + "\r\n";
  EXPECT_EQ(Bytes(response), rest + "\r\nbody");
}

TEST_F(HttpClientTest, CloseAtALineBoundaryEndsTheHead) {
  PeerScript s;
  s.ReadUntil().ReadCount(kFieldsLength).Send("HTTP/1.1 200 OK\r\nX-A: 1\r\n").Close();
  LoopbackPeer peer({s});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(FClient->Response().RawHeaders().ValueOfName(u"X-A"), u"1");
  EXPECT_EQ(FClient->ResponseCode(), 200);
}

TEST_F(HttpClientTest, CookiesAreTakenFromTheInterimHeadToo) {
  LoopbackPeer peer(
      {Answer(kFieldsLength, Reply("HTTP/1.1 100 Continue", {"Set-Cookie: early=1"}) +
                                 LengthReply("HTTP/1.1 500 Oops", "", {"Set-Cookie: late=2"})),
       Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream response;
  EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdHTTPProtocolException);
  PostFields(PeerURL(peer.Port()), response);
  ASSERT_TRUE(peer.WaitDone());
  const std::string& second = peer.Received(1);
  const std::size_t cookie = second.find("\r\nCookie: ");
  ASSERT_NE(cookie, std::string::npos) << second;
  const std::string line = second.substr(cookie + 2, second.find("\r\n", cookie + 2) - cookie - 2);
  EXPECT_NE(line.find("early=1"), std::string::npos) << line;
  EXPECT_NE(line.find("late=2"), std::string::npos) << line;
}

// A challenge and the header that every later request carries for it.
struct ChallengeCase {
  const char* Name;
  std::string Reply;
  int AuthRetries, AuthProxyRetries;
  std::string LaterHeader;  // empty: no authorization header at all
};

class ChallengeTest : public HttpClientTest, public ::testing::WithParamInterface<ChallengeCase> {};

TEST_P(ChallengeTest, LaterRequestsCarryWhatTheChallengeAttached) {
  const ChallengeCase& c = GetParam();
  LoopbackPeer peer({Answer(kFieldsLength, c.Reply), Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "")),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream response;
  EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdHTTPProtocolException);
  EXPECT_EQ(FClient->AuthRetries(), c.AuthRetries);
  EXPECT_EQ(FClient->AuthProxyRetries(), c.AuthProxyRetries);
  PostFields(PeerURL(peer.Port()), response);
  PostFields(PeerURL(peer.Port()), response);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Received(0).find("Authorization"), std::string::npos);
  for (std::size_t i : {1u, 2u}) {
    const std::string& request = peer.Received(i);
    if (c.LaterHeader.empty()) {
      EXPECT_EQ(request.find("Authorization"), std::string::npos) << request;
    } else {
      EXPECT_NE(request.find("\r\n" + c.LaterHeader + "\r\n"), std::string::npos) << request;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Challenges, ChallengeTest,
    ::testing::Values(
        ChallengeCase{"basic", LengthReply("HTTP/1.1 401 Unauthorized", "", {"WWW-Authenticate: Basic realm=x"}), 1,
                      0, "Authorization: Basic Og=="},
        ChallengeCase{"basicAfterUnknown",
                      LengthReply("HTTP/1.1 401 Unauthorized", "",
                                  {"WWW-Authenticate: Bearer x", "WWW-Authenticate: BASIC realm=x"}),
                      1, 0, "Authorization: Basic Og=="},
        ChallengeCase{"unknownScheme", LengthReply("HTTP/1.1 401 Unauthorized", "", {"WWW-Authenticate: Bearer x"}),
                      1, 0, ""},
        ChallengeCase{"noChallenge", LengthReply("HTTP/1.1 401 Unauthorized", ""), 1, 0, ""},
        ChallengeCase{"proxyBasic",
                      LengthReply("HTTP/1.1 407 Proxy Authentication Required", "",
                                  {"Proxy-Authenticate: Basic realm=p"}),
                      0, 1, "Proxy-Authorization: Basic Og=="},
        ChallengeCase{"proxyUnknownScheme",
                      LengthReply("HTTP/1.1 407 Proxy Authentication Required", "", {"Proxy-Authenticate: Bearer p"}),
                      0, 1, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HttpClientTest, ReplyToHeadHasNoBodyWhateverItsFraming) {
  for (const std::string& reply : {Reply("HTTP/1.1 200 OK", {"Content-Length: 5"}, "hello"),
                                   Reply("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "5\r\nhello\r\n0\r\n\r\n"),
                                   Reply("HTTP/1.1 200 OK", {}, "until close")}) {
    SCOPED_TRACE(reply);
    PeerScript s;
    s.ReadUntil().Send(reply).ReadUntilClose();
    LoopbackPeer peer({s});
    auto client = NewComponent<TIdHTTP>();
    TMemoryStream response;
    client->PerformRequest(u"HEAD", PeerURL(peer.Port()), nullptr, &response, {});
    EXPECT_EQ(Bytes(response), "");
    EXPECT_EQ(client->ResponseCode(), 200);
    client->Disconnect(true);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(peer.Received(0).substr(0, 24), "HEAD /api.php HTTP/1.1\r\n");
  }
}

TEST_F(HttpClientTest, InterimHeadGivesItsCookiesButNotItsHeaders) {
  LoopbackPeer peer(
      {Answer(kFieldsLength, Reply("HTTP/1.1 100 Continue", {"Set-Cookie: early=1", "X-Interim: 1"}) +
                                 LengthReply("HTTP/1.1 200 OK", "done", {"Set-Cookie: late=2", "X-Final: 2"})),
       Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(Bytes(response), "done");
  EXPECT_EQ(FClient->ResponseText(), u"HTTP/1.1 200 OK");
  EXPECT_EQ(FClient->Response().RawHeaders().ValueOfName(u"X-Interim"), u"");
  EXPECT_EQ(FClient->Response().RawHeaders().ValueOfName(u"X-Final"), u"2");
  TMemoryStream second;
  PostFields(PeerURL(peer.Port()), second);
  ASSERT_TRUE(peer.WaitDone());
  const std::string& request = peer.Received(1);
  EXPECT_NE(request.find("early=1"), std::string::npos) << request;
  EXPECT_NE(request.find("late=2"), std::string::npos) << request;
}

TEST(HttpResponseTest, PeerThatClosedAfterTheReplyIsNotKeptWhateverItsHeaders) {
  PeerScript s;
  s.ReadUntil().Send(Reply("HTTP/1.1 200 OK", {"Connection: keep-alive", "Content-Length: 2"}, "ok")).Close();
  LoopbackPeer peer({s});
  auto client = NewComponent<TIdHTTP>();
  client->SetProtocolVersion(pv1_0);
  TMemoryStream response;
  client->PerformRequest(u"POST", PeerURL(peer.Port()), nullptr, &response, {});
  ASSERT_TRUE(peer.WaitDone());
  // The close may reach the client after its cycle ended; once it has, the
  // reply's keep-alive no longer keeps the connection.
  EXPECT_TRUE(testing::Eventually([&] { return !client->Response().KeepAlive(); }));
  EXPECT_FALSE(client->Connected());
}

TEST_F(HttpClientTest, RedirectIsNotFollowedButCounted) {
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 302 Found", "", {"Location: http://elsewhere/"}))});
  TMemoryStream response;
  EXPECT_THROW(PostFields(PeerURL(peer.Port()), response), EIdHTTPProtocolException);
  EXPECT_EQ(FClient->RedirectCount(), 1);
  EXPECT_EQ(peer.Accepted(), 1u);
}

TEST_F(HttpClientTest, RedirectionWaitsBoundedForABodyToBegin) {
  // A 3xx reply without a length may still send a body: the client waits up
  // to 5000 ms for it to begin, and reads none when nothing comes.
  struct Row {
    const char* Name;
    PeerScript Script;
    std::u16string ErrorMessage;
    bool WaitsTheWholeBound;
  };
  PeerScript late;
  late.ReadUntil().ReadCount(kFieldsLength).Send("HTTP/1.1 302 Found\r\n\r\n").Sleep(300ms).Send("late").Close();
  PeerScript silent;
  silent.ReadUntil().ReadCount(kFieldsLength).Send("HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n").ReadUntilClose();
  const Row rows[] = {{"lateBody", late, u"late", false}, {"noBody", silent, u"", true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    LoopbackPeer peer({r.Script});
    TMemoryStream response;
    std::u16string errorMessage = u"(none)";
    const auto start = std::chrono::steady_clock::now();
    try {
      PostFields(PeerURL(peer.Port()), response);
    } catch (const EIdHTTPProtocolException& e) {
      errorMessage = e.ErrorMessage();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(errorMessage, r.ErrorMessage);
    if (r.WaitsTheWholeBound) {
      EXPECT_GE(elapsed, 4500ms);
    }
    EXPECT_LT(elapsed, 30s);
    EXPECT_FALSE(SocketOpen());
    EXPECT_TRUE(peer.WaitDone());
  }
}

TEST_F(HttpClientTest, IgnoredStatusRaisesNothingAndKeepsTheStreamEmpty) {
  // The replies close their connections: a kept-alive one would race the
  // peer's close against the second request.
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.1 404 Not Found", "missing", {"Connection: close"})),
                     Answer(0, LengthReply("HTTP/1.1 404 Not Found", "missing", {"Connection: close"}))});
  TMemoryStream response;
  FClient->PerformRequest(u"POST", PeerURL(peer.Port()), nullptr, &response, {500, 404});
  EXPECT_EQ(Bytes(response), "");
  EXPECT_EQ(FClient->ResponseCode(), 404);
  EXPECT_THROW(FClient->PerformRequest(u"POST", PeerURL(peer.Port()), nullptr, &response, {500}),
               EIdHTTPProtocolException);
  EXPECT_EQ(Bytes(response), "");
}

TEST_F(HttpClientTest, AssignedCookieManagerOutlivesTheClientThatUsedIt) {
  auto manager = NewComponent<TIdCookieManager>();
  {
    auto client = std::unique_ptr<TNewHttpcli>(TNewHttpcli::Create(nullptr));
    client->SetCookieManager(manager.get());
    LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "", {"Set-Cookie: k=v"}))});
    TMemoryStream response;
    TStringList fields;
    fields.Add(u"format=xml");
    fields.Add(u"text=hello world");
    client->Post(PeerURL(peer.Port()), &fields, &response, &UTF8Encoding());
    EXPECT_EQ(client->CookieManager(), manager.get());
  }
  // The client is gone; the manager it was given is alive and holds the cookie.
  EXPECT_EQ(manager->CookieCollection()->Count(), 1);
}

TEST_F(HttpClientTest, ImplicitCookieManagerIsFreedWhenReplacedAndWithTheClient) {
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "")),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", "", {"Set-Cookie: k=v"})),
                     Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  TIdCookieManager* implicit = FClient->CookieManager();
  ASSERT_NE(implicit, nullptr);
  bool implicitFreed = false;
  implicit->OnDestroy = [&](TIdCookieManager*, TIdCookies*) { implicitFreed = true; };

  auto assigned = NewComponent<TIdCookieManager>();
  FClient->SetCookieManager(assigned.get());
  EXPECT_TRUE(implicitFreed);
  EXPECT_EQ(FClient->CookieManager(), assigned.get());
  PostFields(PeerURL(peer.Port()), response);
  EXPECT_EQ(assigned->CookieCollection()->Count(), 1);

  // Given back: the assigned manager stays alive, and a reply makes a new one.
  FClient->SetCookieManager(nullptr);
  EXPECT_EQ(assigned->CookieCollection()->Count(), 1);
  PostFields(PeerURL(peer.Port()), response);
  TIdCookieManager* second = FClient->CookieManager();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, assigned.get());
  bool secondFreed = false;
  second->OnDestroy = [&](TIdCookieManager*, TIdCookies*) { secondFreed = true; };
  FClient.reset();
  EXPECT_TRUE(secondFreed);
  assigned.reset();  // no notification may reach the client that is gone
}

TEST_F(HttpClientTest, FreeingTheAssignedManagerLetsTheNextReplyCreateOne) {
  auto manager = NewComponent<TIdCookieManager>();
  FClient->SetCookieManager(manager.get());
  manager.reset();
  EXPECT_EQ(FClient->CookieManager(), nullptr);
  LoopbackPeer peer({Answer(kFieldsLength, LengthReply("HTTP/1.1 200 OK", ""))});
  TMemoryStream response;
  PostFields(PeerURL(peer.Port()), response);
  ASSERT_NE(FClient->CookieManager(), nullptr);
  // Destroying the fixture's client frees the implicit manager with it.
}

TEST(HttpResponseTest, StatusLineGivesCodeAndVersion) {
  struct Row {
    std::u16string Line;
    std::int32_t Code;
    TIdHTTPProtocolVersion Version;
  };
  const Row rows[] = {
      {u"HTTP/1.1 200 OK", 200, pv1_1},       {u"HTTP/1.0 404 Not Found", 404, pv1_0},
      {u"HTTP/1.1 200", 200, pv1_1},          {u"HTTP/1.1  302  Found", 302, pv1_1},
      {u"HTTP/1.1", -1, pv1_1},               {u"HTTP/1.1 OK", -1, pv1_1},
      {u"", -1, pv1_0},                       {u"HTTP/2 200", 200, pv1_0},
      {u"XXXXX1.1 200 OK", 200, pv1_1},       {u"http/1.1 0x1F x", 31, pv1_1},
  };
  auto client = NewComponent<TIdHTTP>();
  for (const Row& r : rows) {
    client->Response().SetResponseText(r.Line);
    EXPECT_EQ(client->Response().ResponseCode(), r.Code) << TextToAscii(r.Line);
    EXPECT_EQ(client->Response().ResponseVersion(), r.Version) << TextToAscii(r.Line);
  }
}

TEST(HttpResponseTest, CharsetOfAnXmlReplyWithoutAStreamIsEmpty) {
  // With no content stream there is no body to look into.
  LoopbackPeer peer({Answer(0, LengthReply("HTTP/1.1 200 OK", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>",
                                           {"Content-Type: application/xml"}))});
  auto client = NewComponent<TIdHTTP>();
  client->PerformRequest(u"POST", PeerURL(peer.Port()), nullptr, nullptr, {});
  EXPECT_EQ(client->ResponseTextCharset(), u"");
}

TEST(HttpResponseTest, KeepAliveByTheClientsVersion) {
  struct Row {
    TIdHTTPProtocolVersion Version;
    std::vector<std::string> Headers;
    bool Keep;
  };
  const Row rows[] = {
      {pv1_0, {"Connection: Keep-Alive"}, true},
      {pv1_0, {}, false},
      {pv1_0, {"Connection: close"}, false},
      {pv1_0, {"Connection: keep-alive, Upgrade"}, false},
      {pv1_0, {"Proxy-Connection: keep-alive"}, true},
      {pv1_1, {}, true},
      {pv1_1, {"Connection: Close"}, false},
      {pv1_1, {"Proxy-Connection: close"}, false},
  };
  for (const Row& r : rows) {
    std::vector<std::string> headers = r.Headers;
    headers.push_back("Content-Length: 0");
    // The peer answers and keeps its end open, so only the headers decide.
    PeerScript s;
    s.ReadUntil().Send(Reply("HTTP/1.1 200 OK", headers, "")).ReadUntilClose();
    LoopbackPeer peer({s});
    auto client = NewComponent<TIdHTTP>();
    client->SetProtocolVersion(r.Version);
    TMemoryStream response;
    client->PerformRequest(u"POST", PeerURL(peer.Port()), nullptr, &response, {});
    EXPECT_EQ(client->Connected(), r.Keep) << r.Headers.size();
    client->Disconnect(true);
  }
}

}  // namespace
}  // namespace zorapi

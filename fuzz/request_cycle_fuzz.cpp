// A whole reply through the request cycle: a fresh client posts the form of
// the service calls to a loopback peer that answers with the input bytes and
// closes. Any exception from the library is an allowed outcome; a crash, a
// hang, an exception of another kind, or a second post on the same client
// that does not get its exact reply is a finding.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "api/login_reply_matcher.h"
#include "api/new_httpcli.h"
#include "api/service_operations.h"
#include "core/text.h"
#include "core/utf8.h"
#include "fuzz_input.h"

namespace zorapi::fuzz {
namespace {

// One listener for the whole run; every connection gets the reply set when
// it was accepted, after the request has been read.
class ReplyPeer {
 public:
  static ReplyPeer& Get() {
    static ReplyPeer* peer = new ReplyPeer();  // lives as long as its thread
    return *peer;
  }

  std::uint16_t Port() const { return FPort; }

  void SetReply(std::string_view AReply) {
    std::lock_guard<std::mutex> lock(FLock);
    FReply.assign(AReply);
  }

 private:
  ReplyPeer() {
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    Check(FListener >= 0, "listener socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Check(::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0, "bind");
    Check(::listen(FListener, 64) == 0, "listen");
    socklen_t len = sizeof addr;
    Check(::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) == 0, "getsockname");
    FPort = ntohs(addr.sin_port);
    std::thread([this] { Run(); }).detach();
  }

  void Run() {
    for (;;) {
      const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string reply;
      {
        std::lock_guard<std::mutex> lock(FLock);
        reply = FReply;
      }
      if (ReadRequest(fd)) {
        SendAll(fd, reply);
        ::shutdown(fd, SHUT_WR);
      }
      ::close(fd);
    }
  }

  // Reads the head and the body its Content-Length announces, so that the
  // close after the reply is a plain FIN and not a reset.
  static bool ReadRequest(int fd) {
    std::string got;
    std::size_t need = std::string::npos;
    char buffer[4096];
    while (need == std::string::npos || got.size() < need) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) return false;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return false;
      got.append(buffer, static_cast<std::size_t>(n));
      if (need == std::string::npos) {
        const std::size_t end = got.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        need = end + 4 + ContentLength(std::string_view(got).substr(0, end));
      }
    }
    return true;
  }

  static std::size_t ContentLength(std::string_view head) {
    constexpr std::string_view kName = "\r\nContent-Length: ";
    const std::size_t at = head.find(kName);
    if (at == std::string_view::npos) return 0;
    std::size_t value = 0;
    for (std::size_t i = at + kName.size(); i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i)
      value = value * 10 + static_cast<std::size_t>(head[i] - '0');
    return value;
  }

  static void SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  int FListener = -1;
  std::uint16_t FPort = 0;
  std::mutex FLock;
  std::string FReply;
};

constexpr std::string_view kGoodReply = "HTTP/1.1 200 OK\r\nContent-Length: 19\r\n\r\n<output>ok</output>";

std::string Bytes(const TMemoryStream& s) { return std::string(s.Bytes().begin(), s.Bytes().end()); }

// The POST of the service calls; true when it returned without raising.
bool PostForm(TNewHttpcli& client, const std::u16string& url, TMemoryStream& response, bool AReport) {
  TStringList fields;
  fields.Add(u"action=identifySynonyms");
  fields.Add(u"session=S1");
  fields.Add(u"format=xml");
  fields.Add(u"text=hello world");
  fields.Add(u"maxsyns=3");
  try {
    client.Post(url, &fields, &response, &UTF8Encoding());
    return true;
  } catch (const Exception& e) {
    if (AReport) std::fprintf(stderr, "raised: %s\n", e.what());
    return false;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "not a library exception: %s\n", e.what());
    Fail("the post raised an exception of another kind");
  }
}

}  // namespace
}  // namespace zorapi::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  ReplyPeer& peer = ReplyPeer::Get();
  static const std::u16string url = u"http://127.0.0.1:" + IntToText(peer.Port()) + u"/api.php";

  const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
  peer.SetReply(BytesOf(data, size));
  TMemoryStream first;
  if (PostForm(*client, url, first, false)) {
    // What the operations make of the body.
    if (const auto text = DecodeUtf8Strict(first.Memory(), first.Bytes().size())) {
      TLoginReplyMatcher matcher;
      SessionFromReply(matcher, *text);
      Check(OutputFromReply(*text).size() <= text->size(), "output longer than the reply");
    }
  }

  // Whatever the first reply did, the same client's next post must work.
  peer.SetReply(kGoodReply);
  TMemoryStream second;
  Check(PostForm(*client, url, second, true), "the next post on the same client raised");
  Check(Bytes(second) == "<output>ok</output>", "the next post got another body");
  return 0;
}

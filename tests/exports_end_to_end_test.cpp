// The three exported functions of the shared library, loaded as a host
// loads it, against a loopback peer that answers like the service.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/http_replies.h"
#include "support/loopback_peer.h"

namespace zorapi {
namespace {

using testing::LengthReply;
using testing::LoopbackPeer;
using testing::PeerScript;

using LoginFn = const char16_t* (*)(const char16_t*, const char16_t*);
using IdentifyFn = const char16_t* (*)(const char16_t*, const char16_t*, std::int32_t);
using ReplaceFn = const char16_t* (*)(const char16_t*, const char16_t*, std::int32_t, std::int32_t);

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
  const std::string endpoint = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/api.php";
  ASSERT_EQ(setenv("ZORAPI_ENDPOINT", endpoint.c_str(), 1), 0);
  void* library = dlopen(ZORAPI_SHARED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  unsetenv("ZORAPI_ENDPOINT");
  ASSERT_NE(library, nullptr) << dlerror();
  auto login = reinterpret_cast<LoginFn>(dlsym(library, "zorlogin"));
  auto identify = reinterpret_cast<IdentifyFn>(dlsym(library, "identifySynonyms"));
  auto replace = reinterpret_cast<ReplaceFn>(dlsym(library, "replaceEveryonesFavorites"));
  ASSERT_TRUE(login && identify && replace);

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

}  // namespace
}  // namespace zorapi

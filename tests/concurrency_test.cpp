// Many host threads at once. The exports serialise their calls on the one
// shared client, and each thread gets its own correct results, which stay
// readable while the other threads go on calling. Clients of their own on
// several threads work side by side. A connect that times out on one
// thread does not disturb the threads that work meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "api/login_reply_matcher.h"
#include "api/new_httpcli.h"
#include "api/service_operations.h"
#include "core/text.h"
#include "core/text_encoding.h"
#include "support/http_replies.h"
#include "support/loaded_library.h"
#include "support/loopback_peer.h"
#include "support/service_responder.h"
#include "support/transport_client.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

using testing::FormField;
using testing::PeerURL;
using testing::ServiceResponder;

constexpr int kHostThreads = 8;
constexpr int kShortConnectTimeout = 300;
constexpr int kMostTimeOuts = 20;

// The service's answer, made from the request's fields, so that every
// result shows which call it belongs to. The texts of the calls are plain
// letters and digits, which the form body carries unescaped.
std::string ServiceReply(const std::string& ABody) {
  const std::string action = FormField(ABody, "action");
  const std::string session = FormField(ABody, "session");
  const std::string text = FormField(ABody, "text");
  const std::string maxsyns = FormField(ABody, "maxsyns");
  if (action == "authenticate")
    return "<response><success>true</success><session>S" + FormField(ABody, "username") + "</session></response>";
  if (action == "identifySynonyms") return "<output>id-" + session + "-" + text + "-" + maxsyns + "</output>";
  if (action == "replaceEveryonesFavorites")
    return "<output>rep-" + session + "-" + text + "-" + maxsyns + "-" + FormField(ABody, "quality") + "</output>";
  return "<error>unknown action</error>";
}

std::u16string Wide(const std::string& AAscii) { return std::u16string(AAscii.begin(), AAscii.end()); }

// Keeps a client of its own connecting to a listener that never answers,
// each time with a short limit, until AStop is set (at least once, at most
// kMostTimeOuts times). Counts the time-outs seen.
class TimingOutThread {
 public:
  explicit TimingOutThread(const std::atomic<bool>& AStop)
      : FThread([this, &AStop] {
          testing::BacklogFullListener silent;
          const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
          client->SetConnectTimeout(kShortConnectTimeout);
          for (int i = 0; i < kMostTimeOuts && (i == 0 || !AStop.load()); ++i) {
            TStringList fields;
            fields.Add(u"action=authenticate");
            TMemoryStream response;
            try {
              client->Post(PeerURL(silent.Port()), &fields, &response, &UTF8Encoding());
              FOther.fetch_add(1);
            } catch (const EIdConnectTimeout&) {
              FTimeOuts.fetch_add(1);
            } catch (...) {
              FOther.fetch_add(1);
            }
          }
        }) {}
  void Join() { FThread.join(); }
  int TimeOuts() const { return FTimeOuts.load(); }
  int Other() const { return FOther.load(); }

 private:
  std::atomic<int> FTimeOuts{0};
  std::atomic<int> FOther{0};
  std::thread FThread;
};

// What one host thread saw go wrong, for the test message.
struct ThreadReport {
  int Wrong = 0;
  std::string First;
  void Check(bool AOk, const std::string& AWhat) {
    if (AOk) return;
    if (Wrong++ == 0) First = AWhat;
  }
};

// One host thread: ACalls calls, the three operations in turn. Each result
// must be its own call's, and the result of the other operations, taken
// earlier on this thread, must still read the same.
void CallExports(const testing::LibraryExports& AExports, int AThread, int ACalls, ThreadReport& AReport) {
  const std::string tag = "t" + std::to_string(AThread);
  const char16_t* lastLogin = nullptr;
  std::u16string lastLoginValue;
  const char16_t* lastIdentify = nullptr;
  std::u16string lastIdentifyValue;
  for (int i = 0; i < ACalls; ++i) {
    const std::string call = tag + "c" + std::to_string(i);
    const std::string session = "S" + tag;
    const int maxsyns = i % 7;
    std::u16string expected;
    const char16_t* result = nullptr;
    switch (i % 3) {
      case 0:
        result = AExports.zorlogin(Wide(call).c_str(), u"pw");
        expected = Wide("S" + call);
        lastLogin = result;
        lastLoginValue = expected;
        break;
      case 1:
        result = AExports.identifySynonyms(Wide(session).c_str(), Wide(call).c_str(), maxsyns);
        expected = Wide("id-" + session + "-" + call + "-" + std::to_string(maxsyns));
        lastIdentify = result;
        lastIdentifyValue = expected;
        break;
      case 2:
        result = AExports.replaceEveryonesFavorites(Wide(session).c_str(), Wide(call).c_str(), maxsyns, i % 4);
        expected = Wide("rep-" + session + "-" + call + "-" + std::to_string(maxsyns) + "-" + std::to_string(i % 4));
        break;
    }
    AReport.Check(result != nullptr && std::u16string(result) == expected, "call " + call + " got another result");
    if (lastLogin) AReport.Check(std::u16string(lastLogin) == lastLoginValue, "a login result changed: " + call);
    if (lastIdentify)
      AReport.Check(std::u16string(lastIdentify) == lastIdentifyValue, "an identify result changed: " + call);
  }
}

TEST(ConcurrencyTest, EightHostThreadsCallTheExportsWhileAnotherConnectTimesOut) {
  constexpr int calls = 200;
  ServiceResponder service(ServiceReply, 2);
  testing::LibraryExports exports;
  std::string whyNot;
  ASSERT_TRUE(testing::LoadLibraryExports(testing::LoopbackEndpoint(service.Port()), exports, whyNot)) << whyNot;
  const int descriptors = testing::OpenDescriptors();
  const int threads = testing::ThreadCount();

  std::atomic<bool> hostsDone{false};
  TimingOutThread timingOut(hostsDone);
  std::vector<ThreadReport> reports(kHostThreads);
  std::vector<std::thread> hosts;
  for (int t = 0; t < kHostThreads; ++t)
    hosts.emplace_back([&, t] { CallExports(exports, t, calls, reports[static_cast<std::size_t>(t)]); });
  for (std::thread& h : hosts) h.join();
  hostsDone = true;
  timingOut.Join();

  for (int t = 0; t < kHostThreads; ++t)
    EXPECT_EQ(reports[static_cast<std::size_t>(t)].Wrong, 0)
        << "thread " << t << ": " << reports[static_cast<std::size_t>(t)].First;
  // A worker counts an answer once it is sent, which may be just after the
  // client has read it.
  EXPECT_TRUE(testing::Eventually([&] { return service.Served() == static_cast<std::size_t>(kHostThreads * calls); }))
      << service.Served() << " answered";
  EXPECT_TRUE(service.Errors().empty()) << service.Errors().size() << " connections without an answer";
  EXPECT_GE(timingOut.TimeOuts(), 1);
  EXPECT_EQ(timingOut.Other(), 0) << "a connect to the full backlog ended otherwise than by its time-out";
  EXPECT_TRUE(testing::Eventually([&] { return testing::OpenDescriptors() == descriptors; }))
      << testing::OpenDescriptors() << " descriptors open, " << descriptors << " before";
  EXPECT_TRUE(testing::Eventually([&] { return testing::ThreadCount() == threads; }));
}

// Clients of their own, one per thread, in use at the same moment: what
// they share inside the library (the socket layer and its user count) is
// safe to share.
TEST(ConcurrencyTest, ClientsOfTheirOwnWorkSideBySideWhileAnotherConnectTimesOut) {
  constexpr int calls = 50;
  ServiceResponder service(ServiceReply, 4);
  const int descriptors = testing::OpenDescriptors();
  const int threads = testing::ThreadCount();

  std::atomic<bool> workersDone{false};
  TimingOutThread timingOut(workersDone);
  std::vector<ThreadReport> reports(kHostThreads);
  std::vector<std::thread> workers;
  for (int t = 0; t < kHostThreads; ++t) {
    workers.emplace_back([&, t] {
      const std::unique_ptr<TNewHttpcli> client(TNewHttpcli::Create(nullptr));
      TLoginReplyMatcher matcher;
      const FormPost post = [&](const std::u16string& AURL, TStringList& ASource, TMemoryStream& AResponse) {
        client->Post(AURL, &ASource, &AResponse, &UTF8Encoding());
      };
      const std::u16string url = PeerURL(service.Port());
      ThreadReport& report = reports[static_cast<std::size_t>(t)];
      for (int i = 0; i < calls; ++i) {
        const std::string call = "w" + std::to_string(t) + "c" + std::to_string(i);
        if (i % 2 == 0) {
          report.Check(Login(post, url, matcher, Wide(call), u"pw") == Wide("S" + call), "login " + call);
        } else {
          report.Check(IdentifySynonyms(post, url, u"S", Wide(call), 2) == Wide("id-S-" + call + "-2"),
                       "identify " + call);
        }
      }
    });
  }
  for (std::thread& w : workers) w.join();
  workersDone = true;
  timingOut.Join();

  for (int t = 0; t < kHostThreads; ++t)
    EXPECT_EQ(reports[static_cast<std::size_t>(t)].Wrong, 0)
        << "thread " << t << ": " << reports[static_cast<std::size_t>(t)].First;
  // A worker counts an answer once it is sent, which may be just after the
  // client has read it.
  EXPECT_TRUE(testing::Eventually([&] { return service.Served() == static_cast<std::size_t>(kHostThreads * calls); }))
      << service.Served() << " answered";
  EXPECT_TRUE(service.Errors().empty()) << service.Errors().size() << " connections without an answer";
  EXPECT_GE(timingOut.TimeOuts(), 1);
  EXPECT_EQ(timingOut.Other(), 0);
  EXPECT_TRUE(testing::Eventually([&] { return testing::OpenDescriptors() == descriptors; }))
      << testing::OpenDescriptors() << " descriptors open, " << descriptors << " before";
  EXPECT_TRUE(testing::Eventually([&] { return testing::ThreadCount() == threads; }));
}

}  // namespace
}  // namespace zorapi

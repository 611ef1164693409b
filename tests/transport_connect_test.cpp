// Opening and closing TCP connections against real loopback peers.
#include <sys/resource.h>
#include <unistd.h>
#include <fcntl.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/loopback_peer.h"
#include "support/transport_client.h"
#include "transport/connect_thread.h"
#include "transport/io_handler_stack.h"
#include "transport/socket_handle.h"
#include "transport/stack.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackPeer;
using testing::PeerScript;

using Clock = std::chrono::steady_clock;

TEST(TcpConnect, ConnectsAndLearnsBothAddresses) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  auto client = testing::ConnectedClient(peer.Port());
  ASSERT_TRUE(client->Connected());
  auto* socket = client->Socket();
  ASSERT_NE(socket, nullptr);
  EXPECT_EQ(client->IOHandler(), socket);
  EXPECT_TRUE(client->ManagedIOHandler());
  EXPECT_EQ(socket->Binding()->PeerIP(), u"127.0.0.1");
  EXPECT_EQ(socket->Binding()->PeerPort(), peer.Port());
  EXPECT_EQ(socket->Binding()->IP(), u"127.0.0.1");
  EXPECT_NE(socket->Binding()->Port(), 0);
  EXPECT_TRUE(socket->Binding()->UseNagle());
  client->Disconnect();
  EXPECT_FALSE(client->Connected());
  EXPECT_TRUE(peer.WaitDone());
}

// However the address was written, the socket object reports both ends as
// the platform reads them back, and a new socket has Nagle on; the same
// for a connect on the calling thread and a timed one.
struct PeerTextCase {
  const char* Name;
  const char16_t* Host;
};

class TcpConnectEnds : public ::testing::TestWithParam<PeerTextCase> {};

TEST_P(TcpConnectEnds, ReportsBothEndsAsThePlatformReadsThemBack) {
  LoopbackPeer peer({PeerScript().ReadUntilClose(), PeerScript().ReadUntilClose()});
  for (const std::int32_t timeout : {5000, 0}) {
    SCOPED_TRACE(timeout);
    auto client = testing::NewClient(peer.Port(), timeout, GetParam().Host);
    client->Connect();
    TIdSocketHandle* binding = client->Socket()->Binding();
    platform::SocketAddress local, remote;
    ASSERT_EQ(platform::GetSocketName(binding->Handle(), local), 0);
    ASSERT_EQ(platform::GetPeerName(binding->Handle(), remote), 0);
    EXPECT_EQ(binding->PeerIP(), u"127.0.0.1");
    EXPECT_EQ(binding->PeerPort(), peer.Port());
    EXPECT_EQ(remote.Port, peer.Port());
    EXPECT_EQ(binding->IP(), u"127.0.0.1");
    EXPECT_EQ(binding->Port(), local.Port);
    EXPECT_NE(binding->Port(), 0);
    EXPECT_EQ(binding->IPVersion(), Id_IPv4);
    EXPECT_EQ(binding->SocketType(), Id_SOCK_STREAM);
    EXPECT_TRUE(binding->UseNagle());
    std::int32_t noDelay = -1;
    binding->GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, noDelay);
    EXPECT_EQ(noDelay, 0);
    client->Disconnect();
  }
  EXPECT_TRUE(peer.WaitDone());
}

INSTANTIATE_TEST_SUITE_P(Hosts, TcpConnectEnds,
                         ::testing::Values(PeerTextCase{"Dotted", u"127.0.0.1"},
                                           PeerTextCase{"LeadingZeros", u"127.000.000.001"},
                                           PeerTextCase{"HexPart", u"0x7F.0.0.1"},
                                           PeerTextCase{"Localhost", u"LocalHost"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A local address, port or port range asked for is bound before the
// connect; a handler told of the bind finds the bound address as before.
struct LocalEndCase {
  const char* Name;
  const char16_t* BoundIP;  // empty: none asked for
  bool FixedPort;           // BoundPort: a free port
  bool PortRange;           // BoundPortMin and BoundPortMax: just that port
  const char16_t* SeenAfterBind;  // the local address OnAfterBind finds; null: no handler
};

class TcpConnectLocalEnd : public ::testing::TestWithParam<LocalEndCase> {};

TEST_P(TcpConnectLocalEnd, BindsWhatIsAskedFor) {
  const LocalEndCase& c = GetParam();
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  const std::uint16_t port = testing::UnusedPort();
  auto client = testing::NewClient(peer.Port());
  client->SetBoundIP(c.BoundIP);
  if (c.FixedPort) client->SetBoundPort(port);
  if (c.PortRange) {
    client->SetBoundPortMin(port);
    client->SetBoundPortMax(port);
  }
  std::u16string seenIP;
  TIdPort seenPort = 0;
  if (c.SeenAfterBind) {
    client->SetOnAfterBind([&](TIdComponent*) {
      seenIP = client->Socket()->Binding()->IP();
      seenPort = client->Socket()->Binding()->Port();
    });
  }
  client->Connect();
  TIdSocketHandle* binding = client->Socket()->Binding();
  EXPECT_EQ(binding->IP(), u"127.0.0.1");
  if (c.FixedPort || c.PortRange)
    EXPECT_EQ(binding->Port(), port);
  else
    EXPECT_NE(binding->Port(), 0);
  if (c.SeenAfterBind) {
    EXPECT_EQ(seenIP, c.SeenAfterBind);
    EXPECT_NE(seenPort, 0);
    EXPECT_EQ(seenPort, binding->Port());
  }
  client->Disconnect();
  EXPECT_TRUE(peer.WaitDone());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TcpConnectLocalEnd,
    ::testing::Values(LocalEndCase{"NothingAsked", u"", false, false, nullptr},
                      LocalEndCase{"Address", u"127.0.0.1", false, false, nullptr},
                      LocalEndCase{"Port", u"", true, false, nullptr},
                      LocalEndCase{"PortRange", u"", false, true, nullptr},
                      LocalEndCase{"AfterBindHandler", u"", false, false, u"0.0.0.0"},
                      LocalEndCase{"AfterBindHandlerWithAddress", u"127.0.0.1", false, false, u"127.0.0.1"}),
    [](const auto& info) { return std::string(info.param.Name); });

// The timed wait ends when the worker does, not at the end of a slice.
TEST(TcpConnect, TimedConnectReturnsAsSoonAsConnected) {
  LoopbackPeer peer({PeerScript().ReadUntilClose(), PeerScript().ReadUntilClose(), PeerScript().ReadUntilClose()});
  auto best = Clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    auto client = testing::NewClient(peer.Port(), 30000);
    const auto start = Clock::now();
    client->Connect();
    best = std::min(best, Clock::now() - start);
    client->Disconnect();
  }
  EXPECT_LT(best, 60ms);
}

struct RefusedCase {
  const char* Name;
  std::int32_t ConnectTimeout;
};

class TcpConnectRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(TcpConnectRefused, RaisesConnectionRefusedAndLeavesNoHandler) {
  std::thread([] {}).join();  // see TimesOutOnSilentHostWithoutLeavingThreadOrDescriptor
  const int fdsBefore = testing::OpenDescriptors();
  const int threadsBefore = testing::ThreadCount();
  auto client = testing::NewClient(testing::UnusedPort(), GetParam().ConnectTimeout);
  try {
    client->Connect();
    FAIL() << "connected to a closed port";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(), u"Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_EQ(client->IOHandler(), nullptr);
  EXPECT_FALSE(client->Connected());
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
  EXPECT_EQ(testing::ThreadCount(), threadsBefore);
  // The client stays usable: the next Connect starts from scratch.
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  client->SetPort(peer.Port());
  client->Connect();
  EXPECT_TRUE(client->Connected());
}

INSTANTIATE_TEST_SUITE_P(Waits, TcpConnectRefused,
                         ::testing::Values(RefusedCase{"OnWorker", 5000}, RefusedCase{"WithoutLimit", -1},
                                           RefusedCase{"OnCallingThread", 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TcpConnect, UnresolvableNameRaisesHostNotFound) {
  const int before = testing::OpenDescriptors();
  auto client = testing::NewClient(80, 5000, u"no-such-host.invalid");
  try {
    client->Connect();
    FAIL() << "resolved a name under .invalid";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), u"Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_EQ(client->IOHandler(), nullptr);
  EXPECT_EQ(testing::OpenDescriptors(), before);
}

TEST(TcpConnect, TimesOutOnSilentHostWithoutLeavingThreadOrDescriptor) {
  testing::BacklogFullListener silent;
  // A thread started and joined first, so that a helper thread the runtime or a
  // sanitizer starts along with the first thread is already counted.
  std::thread([] {}).join();
  const int fdsBefore = testing::OpenDescriptors();
  const int threadsBefore = testing::ThreadCount();
  auto client = testing::NewClient(silent.Port(), 300);
  const auto start = Clock::now();
  try {
    client->Connect();
    FAIL() << "connected to a full accept queue";
  } catch (const EIdConnectTimeout& e) {
    EXPECT_EQ(e.Message(), u"Connect timed out.");
  }
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 5s);
  EXPECT_EQ(client->IOHandler(), nullptr);
  EXPECT_EQ(testing::ThreadCount(), threadsBefore);
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
  // A second attempt starts from scratch and ends the same way.
  EXPECT_THROW(client->Connect(), EIdConnectTimeout);
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
}

// A socket object whose connect fails with one socket error.
class FailingSocketHandle : public TIdSocketHandle {
 public:
  explicit FailingSocketHandle(int AError) : FError(AError) {}
  void Connect(platform::ConnectAbort*) override { GSocketStack()->RaiseSocketError(FError); }

 private:
  int FError;
};

// No thread closes the socket under a connect that was not given up, so
// every error of such a connect is a real failure and must not read as a
// success.
TEST(TcpConnectThread, ReportsEveryErrorOfAnAttemptNotGivenUp) {
  for (int error : {10009, 10038, 10061}) {
    SCOPED_TRACE(error);
    FailingSocketHandle binding(error);
    TIdConnectThread worker(&binding);
    worker.WaitFor();
    EXPECT_TRUE(worker.Terminated());
    EXPECT_EQ(worker.LastSocketError(), error);
    EXPECT_EQ(worker.ExceptionMessage(), GSocketStack()->WSTranslateSocketErrorMsg(error));
  }
}

TEST(TcpConnect, NamesLocalhostInAnyCaseWithoutTheResolver) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  auto client = testing::NewClient(peer.Port(), 5000, u"LocalHost");
  std::vector<std::u16string> statuses;
  client->SetOnStatus([&](TIdComponent*, TIdStatus, const std::u16string& AText) { statuses.push_back(AText); });
  client->Connect();
  client->Disconnect();
  const std::vector<std::u16string> expected = {u"Resolving hostname LocalHost.", u"Connecting to 127.0.0.1.",
                                                u"Connected.", u"Disconnecting.", u"Disconnected."};
  EXPECT_EQ(statuses, expected);
}

TEST(TcpConnect, RefusesSecondConnectAndMissingHostOrPort) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  auto client = testing::ConnectedClient(peer.Port());
  try {
    client->Connect();
    FAIL();
  } catch (const EIdAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), u"Already connected.");
  }
  auto noHost = testing::NewClient(peer.Port(), 1000, u"");
  EXPECT_THROW(noHost->Connect(), EIdHostRequired);
  auto noPort = testing::NewClient(0);
  EXPECT_THROW(noPort->Connect(), EIdPortRequired);
}

TEST(TcpConnect, DisconnectClosesOnceAndIsHarmlessWithoutHandler) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  auto client = testing::ConnectedClient(peer.Port());
  int disconnected = 0;
  client->SetOnDisconnected([&](TIdComponent*) { ++disconnected; });
  client->Disconnect();
  client->Disconnect();
  EXPECT_EQ(disconnected, 1);
  auto fresh = testing::NewClient(peer.Port());
  fresh->Disconnect();
  fresh->CheckForGracefulDisconnect(false);
  try {
    fresh->CheckForGracefulDisconnect(true);
    FAIL();
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Not Connected");
  }
  EXPECT_TRUE(peer.WaitDone());
}

TEST(TcpConnect, SettingsReachTheHandler) {
  auto client = testing::NewClient(8080, 1234);
  EXPECT_EQ(client->ReadTimeout(), -1);
  EXPECT_TRUE(client->UseNagle());
  auto* handler = TIdIOHandler::MakeDefaultIOHandler(client.get());
  client->SetIOHandler(handler);
  EXPECT_EQ(handler->Host(), u"127.0.0.1");
  EXPECT_EQ(handler->Port(), 8080);
  EXPECT_EQ(handler->ConnectTimeout(), 1234);
  client->SetReadTimeout(500);
  EXPECT_EQ(handler->ReadTimeout(), 500);
  EXPECT_EQ(client->ReadTimeout(), 500);
  EXPECT_FALSE(client->ManagedIOHandler());
  EXPECT_EQ(handler->WorkTarget(), client.get());
  // A handler freed elsewhere is dropped by the client.
  delete handler;
  EXPECT_EQ(client->IOHandler(), nullptr);
  EXPECT_EQ(client->Socket(), nullptr);
}

TEST(TcpConnect, WorksInProcessWithThousandsOfOpenDescriptors) {
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  const rlimit saved = limit;
  if (limit.rlim_cur < 2200) {
    if (limit.rlim_max < 2200) GTEST_SKIP() << "descriptor limit too low";
    limit.rlim_cur = 2200;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  }
  std::vector<int> held;
  while (held.size() < 2000) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    held.push_back(fd);
  }
  {
    LoopbackPeer peer({PeerScript().ReadUntil("\n").Send("pong\r\n").ReadUntilClose()});
    auto client = testing::ConnectedClient(peer.Port());
    EXPECT_GE(static_cast<int>(client->Socket()->Binding()->Handle()), 1024);
    client->IOHandler()->WriteLn(u"ping");
    EXPECT_EQ(client->IOHandler()->ReadLn(), u"pong");
    client->Disconnect();
    EXPECT_TRUE(peer.WaitDone());
    EXPECT_EQ(peer.Received(0), "ping\r\n");
  }
  for (int fd : held) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
}

TEST(TcpConnect, ThousandCyclesLeaveNoDescriptorBehind) {
  LoopbackPeer peer({});  // accepts and closes every connection
  auto client = testing::NewClient(peer.Port(), 10000);
  const int before = testing::OpenDescriptors();
  constexpr std::size_t kCycles = 1000;
  for (std::size_t i = 0; i < kCycles; ++i) {
    client->Connect();
    client->Disconnect();
    client->IOHandler()->InputBuffer()->Clear();
  }
  EXPECT_TRUE(testing::Eventually([&] { return peer.Accepted() == kCycles; }, 10s));
  EXPECT_TRUE(testing::Eventually([&] { return testing::OpenDescriptors() == before; }))
      << testing::OpenDescriptors() << " open, " << before << " before";
}

TEST(TcpConnect, ComponentsRegisterStackUsers) {
  const std::int32_t before = StackUserCount();
  {
    auto client = testing::NewClient(80);
    EXPECT_GT(StackUserCount(), before);
    EXPECT_NE(GSocketStack(), nullptr);
  }
  EXPECT_EQ(StackUserCount(), before);
}

}  // namespace
}  // namespace zorapi

// Which timed connects need the worker thread: one that ends at once
// (connected or refused) is taken on the calling thread, one still under
// way is waited for by the worker. Shown by making thread creation fail
// for a while (glibc's default thread attributes), so that a connect that
// needed the worker ends in EIdConnectException instead.
#include <pthread.h>

#include <cstddef>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "support/loopback_peer.h"
#include "support/transport_client.h"
#include "transport/io_handler_stack.h"
#include "transport/socket_handle.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

using testing::BacklogFullListener;
using testing::LoopbackPeer;
using testing::PeerScript;

// While it lives, no thread can be started: the default stack is larger
// than the address space.
class NoNewThreads {
 public:
  NoNewThreads() {
    pthread_getattr_default_np(&FSaved);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, std::size_t{1} << (sizeof(std::size_t) >= 8 ? 50 : 31));
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
  }
  ~NoNewThreads() {
    pthread_setattr_default_np(&FSaved);
    pthread_attr_destroy(&FSaved);
  }
  NoNewThreads(const NoNewThreads&) = delete;
  NoNewThreads& operator=(const NoNewThreads&) = delete;

  static bool Effective() {
    const NoNewThreads blocked;
    try {
      std::thread([] {}).join();
      return false;
    } catch (const std::system_error&) {
      return true;
    }
  }

 private:
  pthread_attr_t FSaved;
};

// A loopback connect ends at once nearly always; a loaded machine may
// leave one under way now and then, which then needed the worker and
// failed for want of a thread. A few tries show the path without one.
constexpr int kTries = 10;

TEST(TcpConnectWorker, RefusedConnectThatEndsAtOnceIsReportedWithoutWorker) {
  if (!NoNewThreads::Effective()) GTEST_SKIP() << "thread creation cannot be blocked here";
  const int fdsBefore = testing::OpenDescriptors();
  int withoutWorker = 0;
  for (int i = 0; i < kTries && withoutWorker == 0; ++i) {
    auto client = testing::NewClient(testing::UnusedPort(), 5000);
    const NoNewThreads blocked;
    try {
      client->Connect();
      ADD_FAILURE() << "connected to a closed port";
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), 10061);
      EXPECT_EQ(e.Message(), u"Socket Error # 10061\r\nConnection refused.");
      ++withoutWorker;
    } catch (const EIdConnectException&) {
      // Still under way after the first look: it needed the worker.
    }
    EXPECT_EQ(client->IOHandler(), nullptr);
  }
  EXPECT_EQ(withoutWorker, 1);
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
}

TEST(TcpConnectWorker, ConnectThatEndsAtOnceSucceedsWithoutWorker) {
  if (!NoNewThreads::Effective()) GTEST_SKIP() << "thread creation cannot be blocked here";
  std::vector<PeerScript> scripts(kTries, PeerScript().ReadUntilClose());
  LoopbackPeer peer(scripts);
  bool connected = false;
  for (int i = 0; i < kTries && !connected; ++i) {
    auto client = testing::NewClient(peer.Port(), 5000);
    {
      const NoNewThreads blocked;
      try {
        client->Connect();
        connected = true;
      } catch (const EIdConnectException&) {
        continue;  // needed the worker, as above
      }
    }
    EXPECT_TRUE(client->Connected());
    EXPECT_EQ(client->Socket()->Binding()->PeerPort(), peer.Port());
    EXPECT_NE(client->Socket()->Binding()->Port(), 0);
    client->Disconnect();
  }
  EXPECT_TRUE(connected);
}

// A connect that gets no answer is still under way after the first look:
// only the worker can wait for it, in slices and within the limit.
TEST(TcpConnectWorker, ConnectStillUnderWayIsLeftToTheWorker) {
  if (!NoNewThreads::Effective()) GTEST_SKIP() << "thread creation cannot be blocked here";
  BacklogFullListener silent;
  const int fdsBefore = testing::OpenDescriptors();
  auto client = testing::NewClient(silent.Port(), 30000);
  {
    const NoNewThreads blocked;
    EXPECT_THROW(client->Connect(), EIdConnectException);
  }
  EXPECT_EQ(client->IOHandler(), nullptr);
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
  // With threads, the same connect runs out of time on the worker.
  client->SetConnectTimeout(200);
  try {
    client->Connect();
    FAIL() << "connected to a full accept queue";
  } catch (const EIdConnectTimeout& e) {
    EXPECT_EQ(e.Message(), u"Connect timed out.");
  }
  EXPECT_EQ(testing::OpenDescriptors(), fdsBefore);
}

// The any-address is replaced by the platform with an address of this
// host; the socket object reports the peer the platform connected to.
TEST(TcpConnectWorker, AnyAddressPeerIsReportedAsThePlatformReadsItBack) {
  LoopbackPeer peer({PeerScript().ReadUntilClose()});
  auto client = testing::NewClient(peer.Port(), 5000, u"0.0.0.0");
  client->Connect();
  TIdSocketHandle* binding = client->Socket()->Binding();
  platform::SocketAddress remote;
  ASSERT_EQ(platform::GetPeerName(binding->Handle(), remote), 0);
  EXPECT_EQ(binding->PeerIP(), testing::Text(std::to_string(remote.Bytes[0]) + "." + std::to_string(remote.Bytes[1]) +
                                             "." + std::to_string(remote.Bytes[2]) + "." +
                                             std::to_string(remote.Bytes[3])));
  EXPECT_NE(binding->PeerIP(), u"0.0.0.0");
  client->Disconnect();
}

}  // namespace
}  // namespace zorapi

// The POSIX socket operations: failures in the Windows Sockets numbering, and
// a connect that another thread gives up.
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "platform/sockets_posix.h"
#include "support/loopback_address.h"
#include "support/loopback_peer.h"
#include "support/transport_client.h"

namespace zorapi::platform {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackAddress;
using Clock = std::chrono::steady_clock;

struct ErrnoCase {
  int Errno;
  int Number;
};

class PosixErrnoNumber : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(PosixErrnoNumber, IsTheWinsockNumber) { EXPECT_EQ(WsaFromErrno(GetParam().Errno), GetParam().Number); }

INSTANTIATE_TEST_SUITE_P(
    Errors, PosixErrnoNumber,
    ::testing::Values(ErrnoCase{EINTR, 10004}, ErrnoCase{EBADF, 10009}, ErrnoCase{EINVAL, 10022},
                      ErrnoCase{EMFILE, 10024}, ErrnoCase{EWOULDBLOCK, 10035}, ErrnoCase{EINPROGRESS, 10036},
                      ErrnoCase{ENOTSOCK, 10038}, ErrnoCase{EADDRINUSE, 10048}, ErrnoCase{ENETUNREACH, 10051},
                      ErrnoCase{ECONNABORTED, 10053}, ErrnoCase{ECONNRESET, 10054}, ErrnoCase{EPIPE, 10054},
                      ErrnoCase{ENOTCONN, 10057}, ErrnoCase{ETIMEDOUT, 10060}, ErrnoCase{ECONNREFUSED, 10061},
                      ErrnoCase{EHOSTUNREACH, 10065}));

struct AddrInfoCase {
  const char* Name;
  int Result;
  int SavedErrno;
  int Number;
};

class PosixAddrInfoNumber : public ::testing::TestWithParam<AddrInfoCase> {};

TEST_P(PosixAddrInfoNumber, IsTheWinsockNumberAndNeverSuccess) {
  EXPECT_EQ(WsaFromAddrInfo(GetParam().Result, GetParam().SavedErrno), GetParam().Number);
}

const AddrInfoCase kAddrInfoCases[] = {
    {"NoName", EAI_NONAME, 0, 11001},
    {"Again", EAI_AGAIN, 0, 11002},
    {"Fail", EAI_FAIL, 0, 11003},
    {"BadFlags", EAI_BADFLAGS, 0, 10022},
    {"Family", EAI_FAMILY, 0, 10047},
    {"Memory", EAI_MEMORY, 0, 8},
    {"Service", EAI_SERVICE, 0, 10109},
    {"SockType", EAI_SOCKTYPE, 0, 10044},
#ifdef EAI_NODATA
    {"NoData", EAI_NODATA, 0, 11004},
#endif
#ifdef EAI_ADDRFAMILY
    {"AddrFamily", EAI_ADDRFAMILY, 0, 11004},
#endif
    {"SystemWithErrno", EAI_SYSTEM, EMFILE, 10024},
    // A failure must not read as success, which would use an unset address.
    {"SystemWithoutErrno", EAI_SYSTEM, 0, 11003},
};

INSTANTIATE_TEST_SUITE_P(Results, PosixAddrInfoNumber, ::testing::ValuesIn(kAddrInfoCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PosixConnect, AbandonedBeforeItStartsFailsWithInterrupted) {
  testing::LoopbackPeer peer({});
  const SocketHandle s = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
  ASSERT_NE(s, InvalidSocket);
  ConnectAbort abort;
  abort.Abandon();
  EXPECT_EQ(ConnectSocket(s, LoopbackAddress(peer.Port()), &abort), SocketError);
  EXPECT_EQ(LastSocketError(), Id_WSAEINTR);
  CloseSocket(s);
}

// A connect that gets no answer ends once another thread abandons it; the
// socket is still open and blocking for the thread that owns it.
TEST(PosixConnect, ConnectThatGetsNoAnswerEndsWhenAbandoned) {
  testing::BacklogFullListener silent;
  const SocketHandle s = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
  ASSERT_NE(s, InvalidSocket);
  ConnectAbort abort;
  int result = 0, error = 0;
  std::thread worker([&] {
    result = ConnectSocket(s, LoopbackAddress(silent.Port()), &abort);
    error = LastSocketError();
  });
  std::this_thread::sleep_for(100ms);
  const auto start = Clock::now();
  abort.Abandon();
  worker.join();
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_EQ(result, SocketError);
  EXPECT_EQ(error, Id_WSAEINTR);
  std::int32_t type = 0;
  EXPECT_EQ(GetSocketOption(s, Id_SOL_SOCKET, Id_SO_TYPE, type), 0);
  EXPECT_EQ(type, Id_SOCK_STREAM);
  EXPECT_EQ(::fcntl(static_cast<int>(s), F_GETFL) & O_NONBLOCK, 0);
  CloseSocket(s);
}

bool NonBlocking(SocketHandle s) { return (::fcntl(static_cast<int>(s), F_GETFL) & O_NONBLOCK) != 0; }

// A connect begun without waiting: one that has ended is taken at once
// with the socket blocking again; one still under way is left
// non-blocking for FinishConnect, which waits for that same attempt.
TEST(PosixConnect, BeginTakesAnEndedConnectAndFinishWaitsForAPendingOne) {
  testing::LoopbackPeer peer({testing::PeerScript().ReadUntilClose()});
  struct Case {
    const char* Name;
    std::uint16_t Port;
    int Error;
  };
  for (const Case& c : {Case{"Listening", peer.Port(), 0}, Case{"Closed", testing::UnusedPort(), Id_WSAECONNREFUSED}}) {
    SCOPED_TRACE(c.Name);
    const SocketHandle s = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
    ASSERT_NE(s, InvalidSocket);
    int r = BeginConnect(s, LoopbackAddress(c.Port));
    if (r == ConnectPending) {
      EXPECT_TRUE(NonBlocking(s));
      r = FinishConnect(s, nullptr);
    }
    EXPECT_EQ(r, c.Error == 0 ? 0 : SocketError);
    if (c.Error != 0) {
      EXPECT_EQ(LastSocketError(), c.Error);
    }
    EXPECT_FALSE(NonBlocking(s));
    CloseSocket(s);
  }
}

// A send said to be followed by more is held back and leaves with the next
// one, in one piece; the sends themselves take their own bytes.
TEST(PosixSend, SendFollowedByMoreLeavesWithTheNext) {
  testing::LoopbackPeer peer({testing::PeerScript().ReadUntilClose()});
  const SocketHandle s = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
  ASSERT_EQ(ConnectSocket(s, LoopbackAddress(peer.Port())), 0);
  EXPECT_EQ(Send(s, "head|", 5, true), 5);
  std::this_thread::sleep_for(20ms);  // time for the peer to read a piece that had left
  EXPECT_EQ(Send(s, "body", 4), 4);
  ShutdownSend(s);
  ASSERT_TRUE(peer.WaitDone());
  EXPECT_EQ(peer.Pieces(0), (std::vector<std::string>{"head|body"}));
  CloseSocket(s);
}

TEST(PosixConnect, PendingConnectEndsWhenItsWaitIsGivenUp) {
  testing::BacklogFullListener silent;
  const SocketHandle s = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
  ASSERT_NE(s, InvalidSocket);
  ASSERT_EQ(BeginConnect(s, LoopbackAddress(silent.Port())), ConnectPending);
  EXPECT_TRUE(NonBlocking(s));
  ConnectAbort abort;
  int result = 0, error = 0;
  std::thread worker([&] {
    result = FinishConnect(s, &abort);
    error = LastSocketError();
  });
  std::this_thread::sleep_for(100ms);
  abort.Abandon();
  worker.join();
  EXPECT_EQ(result, SocketError);
  EXPECT_EQ(error, Id_WSAEINTR);
  EXPECT_FALSE(NonBlocking(s));
  // Given up before it starts, the wait does not begin at all.
  const SocketHandle t = NewSocket(Id_IPv4, Id_SOCK_STREAM, 0);
  ASSERT_EQ(BeginConnect(t, LoopbackAddress(silent.Port())), ConnectPending);
  EXPECT_EQ(FinishConnect(t, &abort), SocketError);
  EXPECT_EQ(LastSocketError(), Id_WSAEINTR);
  EXPECT_FALSE(NonBlocking(t));
  CloseSocket(t);
  CloseSocket(s);
}

}  // namespace
}  // namespace zorapi::platform

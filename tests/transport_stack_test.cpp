// The socket stack: address checks, name resolution, error texts, the socket
// list and the socket object.
#include <string>

#include <gtest/gtest.h>

#include "support/loopback_peer.h"
#include "transport/socket_handle.h"
#include "transport/socket_list.h"
#include "transport/stack.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

// Holds one user of the stack for the length of a test.
class TcpStack : public ::testing::Test {
 protected:
  TcpStack() { TIdStack::IncUsage(); }
  ~TcpStack() override { TIdStack::DecUsage(); }
  TIdStack& Stack() { return *GSocketStack(); }
};

struct IsIPCase {
  const char16_t* Text;
  bool Expected;
};

class TcpStackIsIP : public TcpStack, public ::testing::WithParamInterface<IsIPCase> {};

TEST_P(TcpStackIsIP, AcceptsFourNumbersUpTo255) { EXPECT_EQ(Stack().IsIP(GetParam().Text), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(Texts, TcpStackIsIP,
                         ::testing::Values(IsIPCase{u"127.0.0.1", true}, IsIPCase{u"10.1.2.3", true},
                                           IsIPCase{u"255.255.255.255", true}, IsIPCase{u"256.1.1.1", false},
                                           IsIPCase{u"1.2.3", false}, IsIPCase{u"1.2.3.4.5", false},
                                           IsIPCase{u"10.1.2.256", false}, IsIPCase{u"", false},
                                           IsIPCase{u"a.b.c.d", false}, IsIPCase{u"1..2.3", false},
                                           IsIPCase{u"-1.2.3.4", false}));

TEST_F(TcpStack, ResolvesLocalhostAndAddressesWithoutLookup) {
  EXPECT_EQ(Stack().ResolveHost(u"localhost"), u"127.0.0.1");
  EXPECT_EQ(Stack().ResolveHost(u"LOCALHOST"), u"127.0.0.1");
  EXPECT_EQ(Stack().ResolveHost(u"10.1.2.3"), u"10.1.2.3");
}

TEST_F(TcpStack, UnknownNameRaisesHostNotFound) {
  try {
    Stack().ResolveHost(u"nothing-here.invalid");
    FAIL();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), u"Socket Error # 11001\r\nHost not found.");
  }
}

TEST_F(TcpStack, NameWithNulIsNotLookedUpCutShort) {
  EXPECT_THROW(Stack().ResolveHost(std::u16string(u"localhost\0.invalid", 18)), EIdSocketError);
}

struct MessageCase {
  int Number;
  const char16_t* Message;
};

class TcpStackMessage : public TcpStack, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(TcpStackMessage, FormatsNumberLineBreakAndText) {
  EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(GetParam().Number), GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(Numbers, TcpStackMessage,
                         ::testing::Values(MessageCase{10054, u"Socket Error # 10054\r\nConnection reset by peer."},
                                           MessageCase{10061, u"Socket Error # 10061\r\nConnection refused."},
                                           MessageCase{10066, u"Socket Error # 10066\r\nDirectory not empty"},
                                           MessageCase{10004, u"Socket Error # 10004\r\nInterrupted system call."},
                                           MessageCase{11004, u"Socket Error # 11004\r\n"},
                                           MessageCase{0, u"Socket Error # 0\r\n"}));

TEST_F(TcpStack, NotASocketHasItsOwnClass) {
  EXPECT_THROW(Stack().RaiseSocketError(10038), EIdNotASocket);
  try {
    Stack().RaiseSocketError(10060);
  } catch (const EIdNotASocket&) {
    FAIL();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
  }
  EXPECT_EQ(Stack().CheckForSocketError(5), 5);
}

TEST_F(TcpStack, SocketListHoldsAtMost64Handles) {
  auto list = TIdSocketList::CreateSocketList();
  for (TIdStackSocketHandle h = 100; h < 164; ++h) list->Add(h);
  EXPECT_EQ(list->Count(), 64);
  try {
    list->Add(500);
    FAIL();
  } catch (const EIdStackSetSizeExceeded& e) {
    EXPECT_EQ(e.Message(), u"Set Size Exceeded.");
  }
  list->Remove(100);
  EXPECT_FALSE(list->ContainsSocket(100));
  EXPECT_TRUE(list->ContainsSocket(163));
  list->Add(500);
  EXPECT_EQ(list->Count(), 64);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(TcpStack, SocketObjectWithoutHandleIsClosedForReading) {
  TIdSocketHandle socket;
  EXPECT_FALSE(socket.HandleAllocated());
  try {
    socket.Readable(0);
    FAIL();
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), u"Connection Closed Gracefully.");
  }
  socket.CloseSocket();  // nothing to close
}

TEST_F(TcpStack, SocketObjectBindsConnectsWaitsAndCloses) {
  testing::LoopbackPeer peer({testing::PeerScript().Sleep(std::chrono::milliseconds(100)).Send("x")});
  TIdSocketHandle socket;
  socket.AllocateSocket();
  EXPECT_TRUE(socket.HandleAllocated());
  EXPECT_EQ(socket.SocketType(), Id_SOCK_STREAM);
  try {
    socket.SetIPVersion(Id_IPv6);
    FAIL();
  } catch (const EIdCannotSetIPVersionWhenConnected& e) {
    EXPECT_EQ(e.Message(), u"Cannot change IPVersion when connected");
  }
  socket.Bind();
  EXPECT_EQ(socket.IP(), u"0.0.0.0");
  EXPECT_NE(socket.Port(), 0);
  socket.SetPeer(u"127.0.0.1", peer.Port());
  socket.Connect();
  EXPECT_EQ(socket.PeerPort(), peer.Port());
  EXPECT_FALSE(socket.Readable(0));    // only looks
  EXPECT_TRUE(socket.Readable(-1));    // waits without limit
  TIdBytes buffer(16);
  EXPECT_EQ(socket.Receive(buffer), 1);
  EXPECT_EQ(buffer[0], 'x');
  socket.SetUseNagle(false);
  std::int32_t noDelay = 0;
  socket.GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, noDelay);
  EXPECT_NE(noDelay, 0);
  socket.CloseSocket();
  EXPECT_FALSE(socket.HandleAllocated());
  EXPECT_EQ(socket.Handle(), Id_INVALID_SOCKET);
}

TEST_F(TcpStack, BindRejectsReversedPortRange) {
  TIdSocketHandle socket;
  socket.AllocateSocket();
  socket.SetClientPortMin(5000);
  socket.SetClientPortMax(4000);
  try {
    socket.Bind();
    FAIL();
  } catch (const EIdInvalidPortRange& e) {
    EXPECT_EQ(e.Message(), u"Invalid Port Range (5000 - 4000)");
  }
}

TEST_F(TcpStack, BindToTakenPortRaises) {
  testing::LoopbackPeer peer({});
  TIdSocketHandle socket;
  socket.AllocateSocket();
  socket.SetIP(u"127.0.0.1");
  socket.SetPort(peer.Port());
  try {
    socket.Bind();
    FAIL();
  } catch (const EIdCouldNotBindSocket& e) {
    EXPECT_EQ(e.Message(), u"Could not bind socket. Address and port are already in use.");
  }
}

}  // namespace
}  // namespace zorapi

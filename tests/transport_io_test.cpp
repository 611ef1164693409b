// Reading and writing through the I/O handler of a connected client, against
// scripted loopback peers.
#include <chrono>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "core/streams.h"
#include "support/loopback_peer.h"
#include "support/transport_client.h"
#include "transport/io_handler_stack.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackPeer;
using testing::PeerScript;

std::string StreamText(const TMemoryStream& AStream) {
  return std::string(AStream.Bytes().begin(), AStream.Bytes().end());
}

// A client connected to a peer that runs one script.
struct Session {
  explicit Session(PeerScript AScript) : Peer({std::move(AScript)}), Client(testing::ConnectedClient(Peer.Port())) {}
  TIdIOHandler& IO() { return *Client->IOHandler(); }
  LoopbackPeer Peer;
  std::unique_ptr<TIdTCPClientCustom> Client;
};

TEST(TcpReadLn, SplitsAtLineFeedAndDropsOnlyTheCarriageReturnBeforeIt) {
  Session s(PeerScript().Send("HTTP/1.0 200 OK\r\nlone\nmid\rline\r\n\r\nend"));
  EXPECT_EQ(s.IO().ReadLn(), u"HTTP/1.0 200 OK");
  EXPECT_EQ(s.IO().ReadLn(), u"lone");
  EXPECT_EQ(s.IO().ReadLn(), u"mid\rline");
  EXPECT_EQ(s.IO().ReadLn(), u"");
}

TEST(TcpReadLn, KeepsCarriageReturnBeforeAnotherTerminator) {
  Session s(PeerScript().Send("ab\r|cd|"));
  EXPECT_EQ(s.IO().ReadLn(u"|"), u"ab\r");
  EXPECT_EQ(s.IO().ReadLn(u"|"), u"cd");
}

TEST(TcpReadLn, AssemblesLinesTrickledByteByByte) {
  Session s(PeerScript().Send("Content-Length: 12\r\nX: y\r\n", 1, 1ms));
  EXPECT_EQ(s.IO().ReadLn(), u"Content-Length: 12");
  EXPECT_EQ(s.IO().ReadLn(), u"X: y");
}

struct LineLimitCase {
  const char* Name;
  std::size_t Length;  // bytes before the line feed
  bool CarriageReturn;
  bool Passes;
};

class TcpReadLnLimit : public ::testing::TestWithParam<LineLimitCase> {};

TEST_P(TcpReadLnLimit, TestsThePositionOfTheTerminator) {
  const LineLimitCase& c = GetParam();
  const std::string body(c.Length - (c.CarriageReturn ? 1 : 0), 'a');
  const std::string line = body + (c.CarriageReturn ? "\r\n" : "\n");
  Session s(PeerScript().Send(line + "next\n"));
  if (c.Passes) {
    EXPECT_EQ(s.IO().ReadLn().size(), body.size());
    EXPECT_EQ(s.IO().ReadLn(), u"next");
  } else {
    try {
      s.IO().ReadLn();
      FAIL() << "an overlong line passed";
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
      EXPECT_EQ(e.Message(), u"Max line length exceeded.");
    }
    // The line stays in the input buffer.
    EXPECT_GE(s.IO().InputBuffer()->Size(), static_cast<std::int32_t>(c.Length));
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TcpReadLnLimit,
                         ::testing::Values(LineLimitCase{"Exactly16384", 16384, false, true},
                                           LineLimitCase{"Over16384", 16385, false, false},
                                           LineLimitCase{"CarriageReturnCountsIn16384", 16384, true, true},
                                           LineLimitCase{"CarriageReturnMakes16385", 16385, true, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A peer that never ends its line cannot make the client buffer without end.
TEST(TcpReadLn, GivesUpOnEndlessLineWithoutWaitingForItsEnd) {
  Session s(PeerScript().Send(std::string(200000, 'a')).Sleep(5s));
  EXPECT_THROW(s.IO().ReadLn(), EIdReadLnMaxLineLengthExceeded);
  EXPECT_LT(s.IO().InputBuffer()->Size(), 200000);
}

TEST(TcpReadLn, PartialLineThenCloseRaisesAndLeavesBytesReadable) {
  Session s(PeerScript().Send("abc").Close());
  ASSERT_TRUE(s.Peer.WaitDone());
  try {
    s.IO().ReadLn();
    FAIL();
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), u"Connection Closed Gracefully.");
  }
  EXPECT_FALSE(s.IO().InputBufferIsEmpty());
  TIdBytes bytes;
  EXPECT_THROW(s.IO().ReadBytes(bytes, -1), EIdConnClosedGracefully);
  TMemoryStream rest;
  s.IO().ReadStream(&rest, -1, true);
  EXPECT_EQ(StreamText(rest), "abc");
}

TEST(TcpReadLn, DiscardTakesBufferedBytesAfterClose) {
  Session s(PeerScript().Send("abc").Close());
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_THROW(s.IO().ReadLn(), EIdConnClosedGracefully);
  s.IO().Discard(3);
  EXPECT_TRUE(s.IO().InputBufferIsEmpty());
}

TEST(TcpReadLn, ReadTimeoutRaisesOnSilentPeer) {
  Session s(PeerScript().Sleep(5s));
  s.Client->SetReadTimeout(200);
  const auto start = std::chrono::steady_clock::now();
  try {
    s.IO().ReadLn();
    FAIL();
  } catch (const EIdReadTimeout& e) {
    EXPECT_EQ(e.Message(), u"Read timed out.");
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
}

// -1 and 0 both mean "without limit", not "only look".
TEST(TcpReadLn, ReadTimeoutMinusOneAndZeroWaitForTheLine) {
  for (std::int32_t timeout : {-1, 0}) {
    SCOPED_TRACE(timeout);
    Session s(PeerScript().Sleep(300ms).Send("late\n"));
    s.Client->SetReadTimeout(timeout);
    EXPECT_EQ(s.IO().ReadLn(), u"late");
  }
}

TEST(TcpReadLn, ExplicitTimeoutReturnsEmptyAndSetsTheFlag) {
  Session s(PeerScript().Sleep(5s));
  EXPECT_EQ(s.IO().ReadLn(u"\n", 100), u"");
  EXPECT_TRUE(s.IO().ReadLnTimedout());
}

TEST(TcpCodec, DefaultCodecIsAscii) {
  Session s(PeerScript().Send("caf\xE9\n").ReadCount(6));
  EXPECT_EQ(s.IO().ReadLn(), u"caf?");
  s.IO().WriteLn(u"caf\u00E9");
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_EQ(s.Peer.Received(0), "caf?\r\n");
}

TEST(TcpReadStream, CountedReadStopsAtTheCount) {
  Session s(PeerScript().Send("0123456789tail\n"));
  TMemoryStream stream;
  s.IO().ReadStream(&stream, 10);
  EXPECT_EQ(StreamText(stream), "0123456789");
  EXPECT_EQ(stream.Position(), 10);
  EXPECT_EQ(s.IO().ReadLn(), u"tail");
}

TEST(TcpReadStream, LargeCountedBodyArrivesWhole) {
  std::string body;
  for (int i = 0; body.size() < 3'000'000; ++i) body += std::to_string(i) + ",";
  Session s(PeerScript().Send("head\n" + body));
  EXPECT_EQ(s.IO().ReadLn(), u"head");
  TMemoryStream stream;
  s.IO().ReadStream(&stream, static_cast<std::int64_t>(body.size()));
  EXPECT_EQ(StreamText(stream), body);
}

TEST(TcpReadStream, CutShortKeepsWhatArrivedAndRaises) {
  Session s(PeerScript().Send("abcd").Close());
  TMemoryStream stream;
  EXPECT_THROW(s.IO().ReadStream(&stream, 10), EIdConnClosedGracefully);
  EXPECT_EQ(StreamText(stream), "abcd");
  EXPECT_EQ(stream.Size(), 4);
}

// An announced length is the peer's word: memory follows the bytes that come.
TEST(TcpReadStream, HugeAnnouncedCountDoesNotAllocateIt) {
  Session s(PeerScript().Send("hello").Close());
  TMemoryStream stream;
  EXPECT_THROW(s.IO().ReadStream(&stream, 9'000'000'000LL), EIdConnClosedGracefully);
  EXPECT_EQ(StreamText(stream), "hello");
  EXPECT_LE(stream.Capacity(), std::size_t{64} << 20);
}

TEST(TcpReadStream, UntilCloseTakesEverythingQuietly) {
  const std::string body(100000, 'z');
  Session s(PeerScript().Send(body.substr(0, 50000)).Sleep(20ms).Send(body.substr(50000)).Close());
  TMemoryStream stream;
  s.IO().ReadStream(&stream, -1, true);
  EXPECT_EQ(StreamText(stream), body);
}

TEST(TcpReadStream, WritesAtThePositionAndCutsWhatFollows) {
  Session s(PeerScript().Send("abc"));
  TMemoryStream stream;
  stream.Write("XXXXXXXX", 8);
  stream.SetPosition(2);
  s.IO().ReadStream(&stream, 3);
  EXPECT_EQ(StreamText(stream), "XXabc");
}

TEST(TcpReadStream, ReadsSizePrefixWhenNoCountIsGiven) {
  Session s(PeerScript().Send(std::string("\0\0\0\3abc", 7)).Send(std::string("\0\0\0\0\0\0\0\2de", 10)));
  TMemoryStream small;
  s.IO().ReadStream(&small);
  EXPECT_EQ(StreamText(small), "abc");
  s.IO().SetLargeStream(true);
  TMemoryStream large;
  s.IO().ReadStream(&large);
  EXPECT_EQ(StreamText(large), "de");
}

TEST(TcpReadStream, RefusesCountPastTheLargestStreamPosition) {
  auto handler = NewComponent<TIdIOHandlerStack>();
  TMemoryStream stream;
  stream.SetPosition(std::numeric_limits<std::int64_t>::max() - 5);
  try {
    handler->ReadStream(&stream, 10);
    FAIL();
  } catch (const EIdIOHandlerStreamDataTooLarge& e) {
    EXPECT_EQ(e.Message(), u"Data is too large for stream");
  }
}

TEST(TcpDiscard, DropsExactlyTheCount) {
  Session s(PeerScript().Send("abcdefghij").Sleep(10ms).Send("XYZ\n"));
  s.IO().Discard(10);
  EXPECT_EQ(s.IO().ReadLn(), u"XYZ");
}

TEST(TcpDiscard, DiscardAllReadsToTheCloseQuietly) {
  Session s(PeerScript().Send(std::string(300000, 'q')).Close());
  s.IO().DiscardAll();
  EXPECT_TRUE(s.IO().InputBufferIsEmpty());
  EXPECT_FALSE(s.Client->Connected());
}

TEST(TcpWrite, BufferedWritesGoOutAsOnePiece) {
  Session s(PeerScript().ReadUntil("three\r\n").ReadUntilClose());
  s.IO().WriteBufferOpen();
  EXPECT_TRUE(s.IO().WriteBufferingActive());
  s.IO().WriteLn(u"one");
  s.IO().WriteLn(u"two");
  s.IO().WriteLn(u"three");
  s.IO().WriteBufferClose();
  EXPECT_FALSE(s.IO().WriteBufferingActive());
  s.Client->Disconnect();
  ASSERT_TRUE(s.Peer.WaitDone());
  const std::vector<std::string> pieces = s.Peer.Pieces(0);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0], "one\r\ntwo\r\nthree\r\n");
}

TEST(TcpWrite, CancelledBufferSendsNothing) {
  Session s(PeerScript().ReadUntilClose());
  s.IO().WriteBufferOpen();
  s.IO().Write(u"never");
  s.IO().WriteBufferCancel();
  EXPECT_FALSE(s.IO().WriteBufferingActive());
  s.Client->Disconnect();
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_EQ(s.Peer.Received(0), "");
}

TEST(TcpWrite, ThresholdSendsFullPiecesAtOnce) {
  Session s(PeerScript().ReadCount(8).ReadUntilClose());
  s.IO().WriteBufferOpen(4);
  s.IO().Write(u"abcdefghij");
  ASSERT_TRUE(testing::Eventually([&] { return s.Peer.Received(0).size() >= 8; }));
  s.IO().WriteBufferCancel();
  s.Client->Disconnect();
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_EQ(s.Peer.Received(0), "abcdefgh");
}

TEST(TcpWrite, StreamGoesOutWhole) {
  std::string body;
  for (int i = 0; body.size() < 200000; ++i) body += std::to_string(i) + ";";
  Session s(PeerScript().ReadCount(body.size()));
  TMemoryStream stream;
  stream.Write(body.data(), body.size());
  s.IO().Write(&stream);
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_EQ(s.Peer.Received(0), body);
}

TEST(TcpWrite, StreamWithSizePrefix) {
  Session s(PeerScript().ReadCount(7));
  TMemoryStream stream;
  stream.Write("xyz", 3);
  s.IO().Write(&stream, 0, true);
  ASSERT_TRUE(s.Peer.WaitDone());
  EXPECT_EQ(s.Peer.Received(0), std::string("\0\0\0\3xyz", 7));
}

TEST(TcpWrite, AfterNoticedCloseRaisesBeforeSending) {
  Session s(PeerScript().Close());
  ASSERT_TRUE(s.Peer.WaitDone());
  ASSERT_TRUE(testing::Eventually([&] { return !s.Client->Connected(); }));
  EXPECT_THROW(s.IO().Write(u"late"), EIdConnClosedGracefully);
}

// The peer shuts down its sending side and then closes with unread data,
// which resets the connection: sending must fail with an error, not a signal.
TEST(TcpWrite, PeerGoneMidRequestGivesErrorNotSignal) {
  Session s(PeerScript().ReadCount(4).ShutdownWrite().Sleep(20ms).Close());
  s.IO().Write(u"head");
  ASSERT_TRUE(s.Peer.WaitDone());
  const std::string chunk(65536, 'b');
  const TIdBytes bytes(chunk.begin(), chunk.end());
  bool failed = false;
  for (int i = 0; i < 200 && !failed; ++i) {
    try {
      s.IO().Write(bytes);
    } catch (const EIdSocketError& e) {
      failed = true;
      EXPECT_TRUE(e.LastError() == 10054 || e.LastError() == 10053) << e.LastError();
    } catch (const EIdConnClosedGracefully&) {
      failed = true;
    }
  }
  EXPECT_TRUE(failed);
}

TEST(TcpState, ConnectedWhileUnreadBytesRemainAfterClose) {
  Session s(PeerScript().Send("hello").Close());
  ASSERT_TRUE(s.Peer.WaitDone());
  ASSERT_TRUE(testing::Eventually([&] {
    s.Client->Connected();
    return s.IO().ClosedGracefully();
  }));
  EXPECT_TRUE(s.Client->Connected());
  EXPECT_FALSE(s.Client->Socket()->BindingAllocated());
  TIdBytes bytes;
  s.IO().ReadBytes(bytes, 5);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello");
  EXPECT_FALSE(s.Client->Connected());
}

// The check closes the handler once the peer's close was seen, but raises
// only when no unread bytes are left.
TEST(TcpState, GracefulDisconnectCheckRaisesOnlyOnceUnreadBytesAreGone) {
  Session s(PeerScript().Send("abc").Close());
  ASSERT_TRUE(s.Peer.WaitDone());
  ASSERT_TRUE(testing::Eventually([&] {
    s.Client->Connected();
    return s.IO().ClosedGracefully();
  }));
  EXPECT_NO_THROW(s.Client->CheckForGracefulDisconnect(true));
  EXPECT_FALSE(s.IO().Opened());
  EXPECT_TRUE(s.Client->Connected());
  s.IO().Discard(3);
  EXPECT_NO_THROW(s.Client->CheckForGracefulDisconnect(false));
  try {
    s.Client->CheckForGracefulDisconnect(true);
    FAIL() << "no close reported";
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), u"Connection Closed Gracefully.");
  }
  EXPECT_FALSE(s.Client->Connected());
}

TEST(TcpState, ResetByPeerRaisesSocketError10054) {
  Session s(PeerScript().ReadUntil("\n").Reset());
  s.IO().WriteLn(u"x");
  ASSERT_TRUE(s.Peer.WaitDone());
  try {
    s.IO().ReadLn();
    FAIL();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(), u"Socket Error # 10054\r\nConnection reset by peer.");
  }
  // The handler stays opened; disconnecting is the caller's decision.
  EXPECT_TRUE(s.IO().Opened());
  s.Client->Disconnect(false);
  EXPECT_FALSE(s.IO().Opened());
}

TEST(TcpState, CheckForDataOnSourceSeesArrivingBytes) {
  Session s(PeerScript().Sleep(50ms).Send("x"));
  EXPECT_TRUE(s.IO().CheckForDataOnSource(5000));
  EXPECT_EQ(s.IO().InputBuffer()->Size(), 1);
}

TEST(TcpState, ReadWorkReachesTheClient) {
  Session s(PeerScript().Send("line\nabcdef"));
  std::int64_t last = 0;
  int begins = 0, ends = 0;
  s.Client->SetOnWorkBegin([&](TIdComponent*, TWorkMode m, std::int64_t) { begins += m == wmRead; });
  s.Client->SetOnWork([&](TIdComponent*, TWorkMode m, std::int64_t n) {
    if (m == wmRead) last = n;
  });
  s.Client->SetOnWorkEnd([&](TIdComponent*, TWorkMode m) { ends += m == wmRead; });
  EXPECT_EQ(s.IO().ReadLn(), u"line");
  TMemoryStream stream;
  s.IO().ReadStream(&stream, 6);
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(last, 6);
}

}  // namespace
}  // namespace zorapi

// The byte queue behind the I/O handler's input and write buffers.
#include <string>

#include <gtest/gtest.h>

#include "transport/buffer.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

TIdBytes Bytes(const std::string& AText) { return TIdBytes(AText.begin(), AText.end()); }
std::string Str(const TIdBytes& ABytes) { return std::string(ABytes.begin(), ABytes.end()); }

TEST(TcpBuffer, QueuesBytesInOrderAcrossManyWritesAndRemovals) {
  TIdBuffer buffer;
  std::string expected;
  std::string taken;
  for (int i = 0; i < 5000; ++i) {
    const std::string piece = std::to_string(i) + "|";
    buffer.Write(Bytes(piece));
    expected += piece;
    if (i % 3 == 0) {
      TIdBytes out;
      buffer.ExtractToBytes(out, buffer.Size() / 2);
      taken += Str(out);
    }
  }
  TIdBytes rest;
  buffer.ExtractToBytes(rest);
  EXPECT_EQ(taken + Str(rest), expected);
  EXPECT_EQ(buffer.Size(), 0);
}

TEST(TcpBuffer, WriteHonoursLengthOffsetAndInsertPosition) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abcdef"), 3, -1, 2);
  EXPECT_EQ(buffer.AsString(), u"cde");
  buffer.Write(Bytes("XY"), -1, 1);
  EXPECT_EQ(buffer.AsString(), u"cXYde");
  buffer.Write(Bytes("zz"), 5, -1, 10);  // nothing after the offset
  EXPECT_EQ(buffer.Size(), 5);
}

TEST(TcpBuffer, ExtractWithoutAppendOverwritesFromTheStartAndNeverShortens) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abc"));
  TIdBytes target = Bytes("12345");
  buffer.ExtractToBytes(target, 2, false);
  EXPECT_EQ(Str(target), "ab345");
  buffer.ExtractToBytes(target, -1, true);
  EXPECT_EQ(Str(target), "ab345c");
}

TEST(TcpBuffer, ExtractFromAnIndexLeavesTheBytes) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abcdef"));
  TIdBytes target;
  buffer.ExtractToBytes(target, 2, true, 3);
  EXPECT_EQ(Str(target), "de");
  EXPECT_EQ(buffer.Size(), 6);
}

TEST(TcpBuffer, ExtractBeyondSizeRaisesWithBothCounts) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abc"));
  TIdBytes target;
  try {
    buffer.ExtractToBytes(target, 5);
    FAIL();
  } catch (const EIdNotEnoughDataInBuffer& e) {
    EXPECT_EQ(e.Message(), u"Not enough data in buffer. (5/3)");
  }
  EXPECT_EQ(buffer.Size(), 3);
}

TEST(TcpBuffer, ExtractToStringDecodesWithTheCodec) {
  TIdBuffer buffer;
  buffer.Write(Bytes("h\xC3\xA9!"));
  EXPECT_EQ(buffer.ExtractToString(0), u"");
  EXPECT_EQ(buffer.ExtractToString(3, &UTF8Encoding()), u"h\u00E9");
  EXPECT_EQ(buffer.ExtractToString(), u"!");
  buffer.Write(Bytes("\xE9"));
  EXPECT_EQ(buffer.ExtractToString(), u"?");
}

TEST(TcpBuffer, ExtractToStreamWritesAndRemoves) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abcdef"));
  TMemoryStream stream;
  buffer.ExtractToStream(&stream, 4);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "abcd");
  EXPECT_EQ(buffer.AsString(), u"ef");
}

struct IndexCase {
  const char* Name;
  std::string Content;
  std::string Pattern;
  std::int32_t Start;
  std::int32_t Expected;
};

class TcpBufferIndexOf : public ::testing::TestWithParam<IndexCase> {};

TEST_P(TcpBufferIndexOf, FindsWholePatternFromStart) {
  const IndexCase& c = GetParam();
  TIdBuffer buffer;
  buffer.Write(Bytes("junk"));
  buffer.Remove(4);  // the head has moved: positions count from it
  buffer.Write(Bytes(c.Content));
  EXPECT_EQ(buffer.IndexOf(Bytes(c.Pattern), c.Start), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TcpBufferIndexOf,
                         ::testing::Values(IndexCase{"First", "ab\r\ncd\r\n", "\r\n", 0, 2},
                                           IndexCase{"FromStart", "ab\r\ncd\r\n", "\r\n", 3, 6},
                                           IndexCase{"PartialAtEnd", "abc\r", "\r\n", 0, -1},
                                           IndexCase{"FalseStart", "aab", "ab", 0, 1},
                                           IndexCase{"Missing", "abcdef", "x", 0, -1},
                                           IndexCase{"AtLastByte", "abcdef", "f", 5, 5}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(TcpBuffer, IndexOfRejectsBadArguments) {
  TIdBuffer buffer;
  EXPECT_EQ(buffer.IndexOf(Bytes("x"), 0), -1);  // empty buffer: no checks
  buffer.Write(Bytes("abc"));
  try {
    buffer.IndexOf({}, 0);
    FAIL();
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Buffer terminator must be specified.");
  }
  for (std::int32_t start : {-1, 3}) {
    try {
      buffer.IndexOf(Bytes("a"), start);
      FAIL() << start;
    } catch (const EIdException& e) {
      EXPECT_EQ(e.Message(), u"Buffer start position is invalid.");
    }
  }
}

TEST(TcpBuffer, RemoveReportsTheCount) {
  std::int32_t removed = 0;
  TIdBuffer buffer([&](TIdBuffer*, std::int32_t n) { removed += n; });
  buffer.Write(Bytes("abcdef"));
  buffer.Remove(2);
  TIdBytes out;
  buffer.ExtractToBytes(out, 3);
  EXPECT_EQ(removed, 5);
  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0);
}

TEST(TcpBuffer, CompactHeadMovesUnreadBytesToTheFront) {
  TIdBuffer buffer;
  buffer.Write(Bytes(std::string(10000, 'a') + "tail"));
  buffer.Remove(10000);
  buffer.CompactHead(true);
  EXPECT_EQ(buffer.AsString(), u"tail");
  EXPECT_LE(buffer.Capacity(), 4 + buffer.GrowthFactor());
}

}  // namespace
}  // namespace zorapi

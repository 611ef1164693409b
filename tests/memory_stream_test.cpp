#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "core/streams.h"

namespace zorapi {
namespace {

std::string Text(const TMemoryStream& AStream) { return std::string(AStream.Bytes().begin(), AStream.Bytes().end()); }

void WriteText(TMemoryStream& AStream, std::string_view AText) { AStream.Write(AText.data(), AText.size()); }

TEST(MemoryStream, OverwritesInsideAndGrowsAtTheEnd) {
  TMemoryStream stream;
  WriteText(stream, "abcdef");
  stream.SetPosition(2);
  WriteText(stream, "XYZWV");
  EXPECT_EQ(Text(stream), "abXYZWV");
  EXPECT_EQ(stream.Position(), 7);
  stream.SetPosition(1);
  char out[3] = {};
  EXPECT_EQ(stream.Read(out, 3), 3u);
  EXPECT_EQ(std::string(out, 3), "bXY");
}

TEST(MemoryStream, GapsLeftByAPositionOrASizeReadAsZeros) {
  TMemoryStream stream;
  WriteText(stream, "ab");
  stream.SetPosition(5);
  WriteText(stream, "c");
  EXPECT_EQ(Text(stream), std::string("ab\0\0\0c", 6));
  // Shrinking then growing must not bring the old bytes back.
  stream.SetSize(1);
  stream.SetSize(4);
  EXPECT_EQ(Text(stream), std::string("a\0\0\0", 4));
}

TEST(MemoryStream, ReadsNothingAtOrPastTheEnd) {
  TMemoryStream stream;
  WriteText(stream, "ab");
  char out[4] = {};
  stream.SetPosition(2);
  EXPECT_EQ(stream.Read(out, 4), 0u);
  stream.SetPosition(9);
  EXPECT_EQ(stream.Read(out, 4), 0u);
  stream.SetPosition(-3);
  EXPECT_EQ(stream.Position(), 0);
}

// A reader that reserves a little more before each block must not pay a copy
// of everything so far each time.
TEST(MemoryStream, SmallSuccessiveReservationsGrowGeometrically) {
  TMemoryStream stream;
  int growths = 0;
  std::size_t capacity = 0;
  for (std::size_t size = 4096; size <= (std::size_t{1} << 24); size += 4096) {
    stream.Reserve(size);
    if (stream.Capacity() != capacity) ++growths;
    capacity = stream.Capacity();
    ASSERT_GE(capacity, size);
  }
  EXPECT_LT(growths, 40);
}

TEST(MemoryStream, MoveLeavesTheSourceEmpty) {
  TMemoryStream stream;
  WriteText(stream, "abc");
  TMemoryStream moved(std::move(stream));
  EXPECT_EQ(Text(moved), "abc");
  EXPECT_EQ(moved.Position(), 3);
  EXPECT_EQ(stream.Size(), 0);
  WriteText(stream, "z");  // still usable
  moved = std::move(stream);
  EXPECT_EQ(Text(moved), "z");
}

}  // namespace
}  // namespace zorapi

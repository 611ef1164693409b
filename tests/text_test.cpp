// Trimming, case-insensitive comparison, decimal text and the shared integer
// conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

#include "core/text.h"

namespace zorapi {
namespace {

TEST(TrimTest, RemovesOnlyUnitsUpToSpace) {
  EXPECT_EQ(Trim(u"\x01\t x y \r\n\x20"), u"x y");
  EXPECT_EQ(Trim(u"\u00A0x\u3000"), u"\u00A0x\u3000");
  EXPECT_EQ(Trim(u" \t\r\n "), u"");
  EXPECT_EQ(Trim(std::u16string(u"\0a\0", 3)), u"a");
}

TEST(SameTextTest, IgnoresAsciiCaseOnly) {
  EXPECT_TRUE(SameText(u"Keep-Alive", u"KEEP-ALIVE"));
  EXPECT_FALSE(SameText(u"\u00E9", u"\u00C9"));
  EXPECT_FALSE(SameText(u"ab", u"abc"));
}

TEST(IntToTextTest, Decimal) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-5), u"-5");
  EXPECT_EQ(IntToText(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
  EXPECT_EQ(IntToText(-2147483647 - 1), u"-2147483648");
}

struct ConvCase {
  std::u16string text;
  int bits;
  bool ok;
  std::int64_t value;
};

void PrintTo(const ConvCase& c, std::ostream* os) {
  *os << '"' << TextToAscii(c.text) << "\" as " << c.bits << " bits";
}

class IntegerConversionTest : public testing::TestWithParam<ConvCase> {};

TEST_P(IntegerConversionTest, Converts) {
  std::int64_t v = 12345;
  const ConvCase& c = GetParam();
  EXPECT_EQ(TryTextToInt(c.text, c.bits, v), c.ok) << testing::PrintToString(c.text);
  if (c.ok) {
    EXPECT_EQ(v, c.value) << testing::PrintToString(c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerConversionTest,
    testing::Values(ConvCase{u"42", 32, true, 42}, ConvCase{u"  7 ", 32, true, 7},
                    ConvCase{u"+7", 32, true, 7}, ConvCase{u"-7", 32, true, -7},
                    ConvCase{u"080", 32, true, 80}, ConvCase{u"", 32, false, 0},
                    ConvCase{u"-", 32, false, 0}, ConvCase{u"1 2", 32, false, 0},
                    ConvCase{u"abc", 32, false, 0}, ConvCase{u"12a", 32, false, 0},
                    ConvCase{u"2147483647", 32, true, 2147483647},
                    ConvCase{u"2147483648", 32, false, 0},
                    ConvCase{u"-2147483648", 32, true, -2147483648LL},
                    ConvCase{u"-2147483649", 32, false, 0},
                    ConvCase{u"9223372036854775807", 64, true, std::numeric_limits<std::int64_t>::max()},
                    ConvCase{u"9223372036854775808", 64, false, 0},
                    ConvCase{u"-9223372036854775808", 64, true, std::numeric_limits<std::int64_t>::min()},
                    ConvCase{u"127", 8, true, 127}, ConvCase{u"128", 8, false, 0},
                    ConvCase{u"32767", 16, true, 32767}, ConvCase{u"-32769", 16, false, 0},
                    ConvCase{u"$1A", 32, true, 26}, ConvCase{u"x1a", 32, true, 26},
                    ConvCase{u"X1A", 32, true, 26}, ConvCase{u"0x1A", 32, true, 26},
                    ConvCase{u"$", 32, false, 0}, ConvCase{u"$-5", 32, false, 0},
                    ConvCase{u"$0x1A", 32, false, 0}, ConvCase{u"$FFFFFFFF", 32, true, -1},
                    ConvCase{u"$80000000", 32, true, -2147483648LL},
                    ConvCase{u"$100000000", 32, false, 0}, ConvCase{u"$FF", 8, true, -1},
                    ConvCase{u"-$10", 32, true, -16}, ConvCase{u"$1 2", 32, false, 0},
                    ConvCase{u"$FFFFFFFFFFFFFFFF", 64, true, -1}));

TEST(IntegerConversionTest, DefaultOnFailure) {
  EXPECT_EQ(TextToIntDef<std::int32_t>(u"zz", -1), -1);
  EXPECT_EQ(TextToIntDef<std::int64_t>(u" 9000000000 ", -1), 9000000000LL);
  EXPECT_EQ(TextToIntDef<std::int16_t>(u"80", 0), 80);
}

}  // namespace
}  // namespace zorapi

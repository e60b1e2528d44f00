// SPDX-License-Identifier: MIT
#include <bit>
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

using namespace std::string_literals;

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

constexpr float inf = std::numeric_limits<float>::infinity();

struct Case {
  std::string text;
  float expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class PriceFromText : public ::testing::TestWithParam<Case> {};

TEST_P(PriceFromText, ReadsTheLongestNumberPrefixAndRoundsTwice) {
  const Case& c = GetParam();
  EXPECT_EQ(bits(price_from_text(c.text)), bits(c.expected)) << std::hexfloat << price_from_text(c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, PriceFromText,
    ::testing::Values(
        Case{"10.0", 10.0f}, Case{"10", 10.0f}, Case{"1d1", 10.0f}, Case{"  10xyz", 10.0f},
        Case{"\t\n\v\f\r 3", 3.0f}, Case{"+4", 4.0f}, Case{"- 5", 0.0f},
        Case{"", 0.0f}, Case{"abc", 0.0f}, Case{"-", 0.0f}, Case{"+.", 0.0f}, Case{".", 0.0f},
        Case{"e5", 0.0f}, Case{"0x10", 0.0f}, Case{"12,5", 12.0f},
        Case{"-0", -0.0f}, Case{"-0.00", -0.0f}, Case{"-0e7", -0.0f}, Case{"-5", -5.0f},
        Case{".5", 0.5f}, Case{"5.", 5.0f}, Case{"-.5", -0.5f}, Case{"1.2.3", 1.2f},
        Case{"1e", 1.0f}, Case{"1e+", 1.0f}, Case{"1E0", 1.0f}, Case{"1d0", 1.0f}, Case{"1D-1", 0.1f},
        Case{"1e-", 1.0f}, Case{"2e+1x", 20.0f}, Case{"007", 7.0f}));

INSTANTIATE_TEST_SUITE_P(
    Values, PriceFromText,
    ::testing::Values(
        Case{"12.34", 0x1.8ae148p+3f},   // 12.340000152587890625
        Case{"2.35", 0x1.2cccccp+1f},    // 2.349999904632568359375
        Case{"0.01", 0x1.47ae14p-7f},    // 0.00999999977648258209228515625
        Case{"1e13", 0x1.2309cep+43f},   // 9999999827968
        Case{"3.4028235e38", 0x1.fffffep+127f},
        Case{"3.5e38", inf}, Case{"1e39", inf}, Case{"1e400", inf}, Case{"-1e39", -inf},
        Case{"1e-46", 0.0f}, Case{"1e-400", 0.0f}, Case{"-1e-46", -0.0f},
        Case{"1e-45", 0x1p-149f},        // the smallest subnormal float
        // An exponent beyond 5200 counts as 5201, whatever the mantissa.
        Case{"0.0000001e5207", inf}, Case{"1000000e-5207", 0.0f}, Case{"1e99999999999999999999", inf},
        Case{"1e-99999999999999999999", 0.0f},
        // More digits than a double holds still give the nearest value.
        Case{"2.3499999999999999999999999999999999999", 0x1.2cccccp+1f},
        Case{"0.000000000000000000000000000000000000000000000000000000000123e60", 0x1.ec0000p+6f}));

INSTANTIATE_TEST_SUITE_P(
    FullWidth, PriceFromText,
    ::testing::Values(
        Case{"\xA3\xAD\xA3\xB5", -5.0f},                                   // full-width "-5"
        Case{"\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB3\xA3\xB4", 0x1.8ae148p+3f},  // full-width "12.34"
        Case{"\xA1\xA1" "7.5", 7.5f},                                       // ideographic space first
        Case{"\xA3\xB1\xA3\xB2\xA1\xA3\xA3\xB5", 12.0f},                    // 12, ideographic full stop, 5
        Case{"\xA3\xB1\xA3\xB2\xA3\xAC\xA3\xB5", 12.0f},                    // 12, full-width comma, 5
        Case{"1\xA3\xC5\xA3\xAB\xA3\xB2", 100.0f},                          // 1, "E", "+", 2
        Case{"2\xA3\xE4" "1", 20.0f},                                       // 2, "d", 1
        Case{"\xA1\xAB" "5", 0.0f},                                         // a tilde is no number
        Case{"\xD5\xC7" "5", 0.0f}));                                       // a Chinese character first

INSTANTIATE_TEST_SUITE_P(
    BadBytes, PriceFromText,
    ::testing::Values(
        Case{"12\0" "34"s, 12.0f},          // the text ends at its first NUL
        Case{"\0" "5"s, 0.0f},
        Case{"5\xA3", 5.0f},                // a lone lead byte at the end is dropped
        Case{"\xA3\xB5\xA3", 5.0f},
        Case{"\xA3\0" "7"s, 0.0f},          // a lead byte before the NUL is dropped and the walk ends
        Case{"\x80" "5", 0.0f},             // a lead byte takes any byte with it, even a digit
        Case{"\xFF\xFF" "1", 0.0f},
        Case{"1\x80\x30", 1.0f},
        Case{"\xA3", 0.0f}));

TEST(PriceFromPlainText, DoesNotFoldFullWidthForms) {
  EXPECT_EQ(bits(price_from_plain_text("\xA3\xB5")), bits(0.0f));
  EXPECT_EQ(bits(price_from_plain_text("7\xA3\xB5")), bits(7.0f));
  EXPECT_EQ(bits(price_from_plain_text("\xA1\xA1" "7")), bits(0.0f));
  EXPECT_EQ(bits(price_from_plain_text(" 12.34")), bits(0x1.8ae148p+3f));
  EXPECT_EQ(bits(price_from_plain_text("-0")), bits(-0.0f));
  EXPECT_EQ(bits(price_from_plain_text("1.#INF")), bits(1.0f));
}

// A double that rounds to a float tie: decimal -> double -> float rounds twice.
TEST(PriceFromText, RoundsToDoubleBeforeFloat) {
  // 1 + 2^-24 + 2^-60 is nearest to the double 1 + 2^-24 (a float tie), which goes to even 1.
  EXPECT_EQ(bits(price_from_text("1.000000059604644776257986737988403547205962240695953369140625")),
            bits(1.0f));
}

// head, then count copies of fill, then tail (built by appending: GCC 12 warns falsely about
// operator+ on strings of this kind).
std::string repeated(std::string_view head, std::size_t count, char fill, std::string_view tail = {}) {
  std::string text(head);
  text.append(count, fill);
  text.append(tail);
  return text;
}

class PriceFromLongText : public ::testing::Test {
protected:
  static float timed(const std::string& text, std::chrono::milliseconds& took) {
    const auto start = std::chrono::steady_clock::now();
    const float value = price_from_text(text);
    took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return value;
  }
  static constexpr std::size_t mebibyte = std::size_t{1} << 20;
  // Linear work on a mebibyte takes a few milliseconds; quadratic work would take minutes. The
  // sanitizer build runs several times slower on a shared machine, so it gets more room.
#if defined(__SANITIZE_ADDRESS__)
  static constexpr std::chrono::milliseconds bound{2000};
#else
  static constexpr std::chrono::milliseconds bound{200};
#endif
};

TEST_F(PriceFromLongText, MebibyteOfDigitsOverflowsQuickly) {
  std::chrono::milliseconds took{};
  EXPECT_EQ(price_from_text(std::string(mebibyte, '9')), inf);
  EXPECT_EQ(timed(std::string(mebibyte, '9'), took), inf);
  EXPECT_LT(took, bound);
}

TEST_F(PriceFromLongText, DigitsBeyondTheKeptOnesStillCount) {
  std::chrono::milliseconds took{};
  // 1 followed by a mebibyte of zeros, scaled back by the clamped exponent: still far too large.
  EXPECT_EQ(timed(repeated("1", mebibyte, '0', "e-1048576"), took), inf);
  EXPECT_LT(took, bound);
  // Within the exponent's range the dropped zeros are counted exactly.
  EXPECT_EQ(price_from_text(repeated("1", 5000, '0', "e-5000")), 1.0f);
  EXPECT_EQ(price_from_text(repeated("0.", 5000, '0', "1e5001")), 1.0f);
  // 1 + 2^-24 + 2^-53 lies halfway between the doubles 1 + 2^-24 (a float tie, which goes to 1)
  // and the next one up (which becomes 1 + 2^-23). A non-zero digit 3000 places behind decides it.
  const std::string midpoint = "1.00000005960464488641292746251565404236316680908203125";
  EXPECT_EQ(bits(price_from_text(midpoint)), bits(1.0f));
  EXPECT_EQ(bits(price_from_text(repeated(midpoint, 3000, '0', "1"))), bits(0x1.000002p+0f));
}

TEST_F(PriceFromLongText, MebibyteOfFractionDigitsAndLeadBytesIsLinear) {
  std::chrono::milliseconds took{};
  EXPECT_EQ(bits(timed(repeated("0.", mebibyte, '0'), took)), bits(0.0f));
  EXPECT_LT(took, bound);
  EXPECT_EQ(bits(timed(repeated("-0.", mebibyte, '0', "5"), took)), bits(-0.0f));
  EXPECT_LT(took, bound);
  std::string full_width;
  for (std::size_t i = 0; i < mebibyte / 2; ++i) full_width += "\xA3\xB3";
  EXPECT_EQ(timed(full_width, took), inf);
  EXPECT_LT(took, bound);
  EXPECT_EQ(timed(std::string(mebibyte, '\xA3'), took), 0.0f);
  EXPECT_LT(took, bound);
  EXPECT_EQ(timed(repeated("1e", mebibyte, '7'), took), inf);
  EXPECT_LT(took, bound);
}

}  // namespace
}  // namespace vantelo

// SPDX-License-Identifier: MIT
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

struct Case {
  double value;
  std::string expected;
};

class NumberToText : public ::testing::TestWithParam<Case> {};

TEST_P(NumberToText, WritesAtMostThirteenDigits) {
  EXPECT_EQ(number_to_text(GetParam().value), GetParam().expected) << std::hexfloat << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberToText,
    ::testing::Values(
        Case{0.0, "0"}, Case{-0.0, "0"}, Case{11.0, "11"}, Case{10.5, "10.5"}, Case{0.01, "0.01"},
        Case{10.11, "10.11"}, Case{0.0001, "0.0001"}, Case{0.00001, "1e-005"}, Case{0.000015, "1.5e-005"},
        Case{1234567890123.0, "1234567890123"}, Case{9999999999999.5, "1e+013"}, Case{1e13, "1e+013"},
        Case{12345678901234.0, "1.234567890123e+013"},
        // 17 digits give ...12.45000, then the 14th digit rounds up.
        Case{123456789012.45, "123456789012.5"}, Case{99.9999999999999, "100"},
        Case{1e100, "1e+100"}, Case{1e-100, "1e-100"}, Case{-2.5, "-2.5"}, Case{-0.25, "-0.25"},
        Case{0.1, "0.1"}, Case{1.0 / 3.0, "0.3333333333333"}, Case{2.0 / 3.0, "0.6666666666667"},
        Case{-0.00012345678901234, "-0.0001234567890123"}, Case{100.0, "100"}, Case{1e12, "1000000000000"},
        Case{DBL_MAX, "1.797693134862e+308"}, Case{DBL_MIN, "2.225073858507e-308"},
        Case{0x1p-1074, "4.940656458412e-324"}, Case{-0x1p-1074, "-4.940656458412e-324"},
        Case{9.999999999999e-5, "9.999999999999e-005"}, Case{9.9999999999999e-5, "0.0001"},
        Case{0x1.0624dd2f1a9fcp-10, "0.001"}, Case{1.099999981076e13, "1.099999981076e+013"}));

INSTANTIATE_TEST_SUITE_P(
    FixedTexts, NumberToText,
    ::testing::Values(Case{inf, "1.#INF"}, Case{-inf, "-1.#INF"}, Case{default_nan(), "-1.#IND"},
                      Case{std::bit_cast<double>(std::uint64_t{0x7FF8'0000'0000'0000}), "1.#QNAN"},
                      Case{std::bit_cast<double>(std::uint64_t{0xFFF8'0000'0000'0001}), "-1.#QNAN"},
                      Case{std::bit_cast<double>(std::uint64_t{0x7FF0'0000'0000'0001}), "1.#SNAN"},
                      Case{std::bit_cast<double>(std::uint64_t{0xFFF4'0000'0000'0000}), "-1.#SNAN"}));

TEST(NumberToText, SixDigitVariantDecidesBySeventhDigit) {
  EXPECT_EQ(number_to_text(1234570.0, 6), "1.23457e+006");
  EXPECT_EQ(number_to_text(1234565.0, 6), "1.23457e+006");
  EXPECT_EQ(number_to_text(999999.0, 6), "999999");
  EXPECT_EQ(number_to_text(9999995.0, 6), "1e+007");
  EXPECT_EQ(number_to_text(100000.0, 6), "100000");
  EXPECT_EQ(number_to_text(1.234e-5, 6), "1.234e-005");
  EXPECT_EQ(number_to_text(12.3457, 6), "12.3457");
  EXPECT_EQ(number_to_text(-0.5, 6), "-0.5");
  EXPECT_EQ(number_to_text(inf, 6), "1.#INF");
}

// The first stage on its own: number_to_text(v, 17) must carry the 17 digits rounded with an exact
// half going up. The reference is the C library's exact expansion to 61 digits, rounded by its 18th
// digit: digits 18 to 61 decide a half exactly as the full expansion would.
TEST(NumberToText, SeventeenDigitsAgreeWithTheExactExpansionOnSeededDoubles) {
  constexpr std::uint64_t seed = 7;
  std::mt19937_64 rng(seed);
  for (int i = 0; i < 20000; ++i) {
    double v;
    do v = std::fabs(std::bit_cast<double>(rng())); while (!std::isfinite(v) || v == 0);
    // Random doubles of a few hundred thousand magnitude and below have short expansions, where
    // exact halves at the 18th digit are common; mix those in.
    if (i % 2 == 1) v = std::ldexp(static_cast<double>(rng() >> 11), -static_cast<int>(rng() % 20));
    if (v == 0) continue;
    char reference[128];
    std::snprintf(reference, sizeof reference, "%.60e", v);
    // Digits of "d.ddd...e+XX" and the exponent.
    std::string digits(1, reference[0]);
    digits.append(reference + 2, 60);
    int exponent = std::atoi(std::strchr(reference, 'e') + 1);
    const bool up = digits[17] >= '5';
    digits.resize(17);
    if (up) {
      int pos = 16;
      while (pos >= 0 && digits[static_cast<std::size_t>(pos)] == '9') digits[static_cast<std::size_t>(pos--)] = '0';
      if (pos < 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exponent;
      } else {
        ++digits[static_cast<std::size_t>(pos)];
      }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    const std::string text = number_to_text(v, 17);
    const auto e_pos = text.find('e');
    const std::string mantissa = text.substr(0, e_pos);
    int mine_exponent = e_pos == std::string::npos ? 0 : std::atoi(text.c_str() + e_pos + 1);
    const auto point = mantissa.find('.');
    std::string mine_digits;
    for (char c : mantissa) if (c != '.') mine_digits += c;
    const int whole_digits = static_cast<int>(point == std::string::npos ? mantissa.size() : point);
    const auto first = mine_digits.find_first_not_of('0');
    mine_exponent += whole_digits - 1 - static_cast<int>(first);
    mine_digits.erase(0, first);
    while (mine_digits.size() > 1 && mine_digits.back() == '0') mine_digits.pop_back();
    ASSERT_EQ(mine_digits, digits) << "seed " << seed << ", case " << i << ": " << reference << " vs " << text;
    ASSERT_EQ(mine_exponent, exponent) << "seed " << seed << ", case " << i << ": " << reference << " vs " << text;
  }
}

TEST(NumberToText, SeventeenDigitExactHalfRoundsUp) {
  // 1234567890123456.25 is a double (the spacing there is 0.25) whose 18th digit is an exact half.
  EXPECT_EQ(number_to_text(1234567890123456.25, 17), "1234567890123456.3");
  EXPECT_EQ(number_to_text(-1234567890123454.25, 17), "-1234567890123454.3");
  // The 14th digit alone decides: 0.12345678901235 is the double 0.1234567890123499933..., whose
  // 17 digits are 12345678901234999, so it is cut, although its nearest 13 digits end in ...124.
  EXPECT_EQ(number_to_text(0.12345678901235), "0.1234567890123");
  EXPECT_EQ(number_to_text(0x1.f9add3746f797p-4), "0.1234567890124");  // 0.12345678901235000723...
}

}  // namespace
}  // namespace vantelo

// SPDX-License-Identifier: MIT
// The MPFR reference is only worth comparing against if it is right itself: these tests hold it to
// the calculator's known answers and, on x86-64, to the x87 unit it imitates.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cases.h"
#include "mpfr_reference.h"

namespace ref = vantelo::reference;
using namespace std::string_literals;

namespace {

using vantelo::cases::bits_of;
using vantelo::cases::double_from_bits;

constexpr float inf_f = std::numeric_limits<float>::infinity();
constexpr double inf = std::numeric_limits<double>::infinity();

struct TextToPrice {
  std::string text;
  float price;
};

TEST(ReferencePriceFromText, ReadsTypedPricesAsTheCalculatorDoes) {
  const std::vector<TextToPrice> cases = {
      {"10.0", 10.0f}, {"10", 10.0f}, {"1d1", 10.0f}, {"  10xyz", 10.0f},
      {"12.34", 12.340000152587890625f}, {"2.35", 2.349999904632568359375f},
      {"0.01", 0.00999999977648258209228515625f},
      {"", 0.0f}, {"abc", 0.0f}, {"-", 0.0f}, {"e5", 0.0f}, {"0x10", 0.0f}, {"- 5", 0.0f}, {"+.", 0.0f},
      {"-0", -0.0f}, {"-0.00", -0.0f}, {"-0e7", -0.0f},
      {"-5", -5.0f}, {"\xA3\xAD\xA3\xB5", -5.0f},
      {"\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB3\xA3\xB4", 12.340000152587890625f},
      {"\xA1\xA1" "7.5", 7.5f},
      {"12,5", 12.0f}, {"\xA3\xB1\xA3\xB2\xA1\xA3\xA3\xB5", 12.0f},
      {".5", 0.5f}, {"5.", 5.0f}, {"-.5", -0.5f},
      {"1e", 1.0f}, {"1e+", 1.0f}, {"1E0", 1.0f}, {"1d0", 1.0f}, {"1D+1", 10.0f}, {"\xA3\xB1\xA3\xE5\xA3\xB2", 100.0f},
      {"1e13", 9999999827968.0f},
      {"3.4028235e38", FLT_MAX},
      {"3.5e38", inf_f}, {"1e39", inf_f}, {"1e400", inf_f}, {"-1e39", -inf_f},
      {"1e-46", 0.0f}, {"1e-400", 0.0f}, {"-1e-400", -0.0f},
      {"1e99999999999999999999", inf_f}, {"0.0000000001e5210", inf_f},
      {"5\xA3", 5.0f},              // a lone lead byte at the end is dropped
      {"\xB0\xA1" "5", 0.0f},       // any other two-byte character ends (here: prevents) a number
      {"7\0" "5"s, 7.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    EXPECT_EQ(bits_of(ref::price_from_text(c.text)), bits_of(c.price)) << ref::price_from_text(c.text);
  }
}

TEST(ReferencePriceFromText, PlainReadingDoesNotFoldFullWidthDigits) {
  EXPECT_EQ(bits_of(ref::price_from_plain_text("\xA3\xB1\xA3\xB2")), bits_of(0.0f));
  EXPECT_EQ(bits_of(ref::price_from_plain_text("3\xA3\xB1")), bits_of(3.0f));
  EXPECT_EQ(bits_of(ref::price_from_plain_text("\xA1\xA1" "7")), bits_of(0.0f));
}

TEST(ReferencePriceFromText, RoundsTwiceAtTheSinglesMidpointAndSubnormals) {
  // The midpoint above the largest finite single, and the double just below it.
  EXPECT_EQ(bits_of(ref::price_from_text("3.4028235677973366e38")), bits_of(inf_f));
  EXPECT_EQ(bits_of(ref::price_from_text("3.4028235677973362e38")), bits_of(FLT_MAX));
  // The smallest subnormal single, half of it (ties to even: zero) and just above half.
  EXPECT_EQ(bits_of(ref::price_from_text("1.401298464324817e-45")), 1u);
  EXPECT_EQ(bits_of(ref::price_from_text("7.006492321624085e-46")), 0u);
  EXPECT_EQ(bits_of(ref::price_from_text("7.00649232162409e-46")), 1u);
  // Doubles: the largest finite, overflow just above its midpoint, the smallest subnormal.
  EXPECT_EQ(ref::double_from_plain_text("1.7976931348623157e308"), DBL_MAX);
  EXPECT_EQ(ref::double_from_plain_text("1.7976931348623159e308"), inf);
  EXPECT_EQ(ref::double_from_plain_text("4.9406564584124654e-324"), double_from_bits(1));
  EXPECT_EQ(ref::double_from_plain_text("2.4703282292062328e-324"), double_from_bits(1));
  EXPECT_EQ(bits_of(ref::double_from_plain_text("2.4703282292062327e-324")), 0u);
  EXPECT_EQ(bits_of(ref::double_from_plain_text("-2.4703282292062327e-324")), bits_of(-0.0));
}

TEST(ReferenceRoundToPlaces, RoundsHalvesAwayFromZeroAfterTheNudge) {
  const std::vector<std::pair<double, double>> cases = {
      {1.005, 1.01}, {2.675, 2.68}, {0.125, 0.13}, {-2.345, -2.35},
      {256.145, 256.14}, {256.395, 256.39}, {-0.001, -0.0},
      {0.0, 0.0}, {-0.0, -0.0}, {inf, inf}, {-inf, -inf},
      {2.5849998950958252, 2.58}, {166.14499999999998181, 166.14}, {0.005, 0.01}, {-0.005, -0.01},
      {1.8e306, inf}, {-1.8e306, -inf},
  };
  for (const auto& [x, expected] : cases) {
    SCOPED_TRACE(x);
    EXPECT_EQ(bits_of(ref::round_to_places(x)), bits_of(expected));
  }
  const double quiet = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(bits_of(ref::round_to_places(quiet)), bits_of(quiet));
}

TEST(ReferenceNumberToText, WritesThirteenDigitsRoundedTwiceHalfUp) {
  const std::vector<std::pair<double, std::string>> cases = {
      {0.0, "0"}, {-0.0, "0"}, {11, "11"}, {10.5, "10.5"}, {0.01, "0.01"}, {10.11, "10.11"},
      {0.0001, "0.0001"}, {0.00001, "1e-005"}, {0.000015, "1.5e-005"},
      {1234567890123.0, "1234567890123"}, {9999999999999.5, "1e+013"}, {1e13, "1e+013"},
      {12345678901234.0, "1.234567890123e+013"}, {123456789012.45, "123456789012.5"},
      {99.9999999999999, "100"}, {1e100, "1e+100"}, {1e-100, "1e-100"}, {-2.5, "-2.5"},
      {inf, "1.#INF"}, {-inf, "-1.#INF"}, {double_from_bits(ref::default_nan_bits), "-1.#IND"},
      {double_from_bits(0x7FF8'0000'0000'0000u), "1.#QNAN"}, {double_from_bits(0xFFF8'0000'0000'0001u), "-1.#QNAN"},
      {double_from_bits(0x7FF0'0000'0000'0001u), "1.#SNAN"}, {double_from_bits(0xFFF4'0000'0000'0000u), "-1.#SNAN"},
      {DBL_MAX, "1.797693134862e+308"}, {double_from_bits(1), "4.940656458412e-324"},
      {1e-5 * 0.99999999999999, "1e-005"}, {0.000099999999999999, "0.0001"},
  };
  for (const auto& [x, text] : cases) {
    SCOPED_TRACE(x);
    EXPECT_EQ(ref::number_to_text(x), text);
  }
}

TEST(ReferenceNumberToText, SixDigitFormUsesItsOwnExponentBoundary) {
  EXPECT_EQ(ref::number_to_text(1234570.0, 6), "1.23457e+006");
  EXPECT_EQ(ref::number_to_text(999999.0, 6), "999999");
  EXPECT_EQ(ref::number_to_text(9999995.0, 6), "1e+007");
  EXPECT_EQ(ref::number_to_text(1.234e-5, 6), "1.234e-005");
}

// The exact digits come from MPFR; glibc's printf also writes exact digits when asked for enough.
TEST(ReferenceNumberToText, DigitsAgreeWithExactPrintfExpansion) {
  std::mt19937_64 random(20261211);
  std::vector<char> buffer(1200);
  for (int k = 0; k < 20000; ++k) {
    double x = double_from_bits(random() & 0x7FFF'FFFF'FFFF'FFFFu);
    if (!std::isfinite(x) || x == 0.0) continue;
    if (k % 2 == 0) x = std::ldexp(1.0 + static_cast<double>(random() % 4096) / 4096, static_cast<int>(random() % 200) - 100);
    std::snprintf(buffer.data(), buffer.size(), "%.800e", x);
    std::string digits;
    const char* c = buffer.data();
    for (; *c != 'e'; ++c) {
      if (*c != '.') digits += *c;
    }
    int exponent = std::atoi(c + 1);
    const bool up = digits[17] >= '5';
    digits.resize(17);
    if (up) {
      int i = 16;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
      if (i < 0) {
        digits = "1" + digits.substr(0, 16);
        ++exponent;
      } else {
        ++digits[static_cast<std::size_t>(i)];
      }
    }
    const ref::Decimal d = ref::round_decimal_half_up(x, 17);
    ASSERT_EQ(d.digits, digits) << std::hexfloat << x;
    ASSERT_EQ(d.exponent, exponent) << std::hexfloat << x;
  }
}

TEST(ReferenceNumberToText, ExactSeventeenDigitTieRoundsUp) {
  // 2^-25 = 2.98023223876953125e-08 has eighteen digits: its seventeenth is rounded up, not to even.
  EXPECT_EQ(ref::round_decimal_half_up(std::ldexp(1.0, -25), 17).digits, "29802322387695313");
}

struct LadderCase {
  std::string base;
  std::vector<std::string> texts;  // rows 1 to 20
};

TEST(ReferenceLadder, WritesTheKnownLadders) {
  const std::vector<LadderCase> cases = {
      {"10.0", {" 11", " 10.9", " 10.8", " 10.7", " 10.6", " 10.5", " 10.4", " 10.3", " 10.2", " 10.1",
                " 9", " 9.1", " 9.2", " 9.3", " 9.4", " 9.5", " 9.6", " 9.7", " 9.8", " 9.9"}},
      {"2.35", {" 2.58", " 2.56", " 2.54", " 2.51", " 2.49", " 2.47", " 2.44", " 2.42", " 2.4", " 2.37",
                " 2.11", " 2.14", " 2.16", " 2.19", " 2.21", " 2.23", " 2.26", " 2.28", " 2.3", " 2.33"}},
      {"12.34", {" 13.57", " 13.45", " 13.33", " 13.2", " 13.08", " 12.96", " 12.83", " 12.71", " 12.59",
                 " 12.46", " 11.11", " 11.23", " 11.35", " 11.48", " 11.6", " 11.72", " 11.85", " 11.97",
                 " 12.09", " 12.22"}},
      {"-5", {" -5.5", " -5.45", " -5.4", " -5.35", " -5.3", " -5.25", " -5.2", " -5.15", " -5.1", " -5.05",
              " -4.5", " -4.55", " -4.6", " -4.65", " -4.7", " -4.75", " -4.8", " -4.85", " -4.9", " -4.95"}},
  };
  const double multipliers[20] = {1.1,  1.09, 1.08, 1.07, 1.06, 1.05, 1.04, 1.03, 1.02, 1.01,
                                  0.9,  0.91, 0.92, 0.93, 0.94, 0.95, 0.96, 0.97, 0.98, 0.99};
  for (const auto& c : cases) {
    const float base = ref::price_from_text(c.base);
    for (std::size_t row = 0; row < 20; ++row) {
      EXPECT_EQ(ref::ladder_text(base, multipliers[row]), c.texts[row]) << c.base << " row " << row + 1;
    }
  }
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("176.75"), 0.94), " 166.14");
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("2220.75"), 0.94), " 2087.51");
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("1e13"), 1.1), " 1.099999981076e+013");
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("1e13"), 0.9), " 8999999845171");
  for (const char* zero : {"0", "abc", "-0"}) EXPECT_EQ(ref::ladder_text(ref::price_from_text(zero), 1.05), " 0");
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("1e39"), 0.99), " 1.#INF");
  EXPECT_EQ(ref::ladder_text(ref::price_from_text("-1e39"), 1.1), " -1.#INF");
}

TEST(ReferenceChangePercentage, WritesTheKnownPercentages) {
  struct Case {
    const char* base;
    const char* target;
    const char* text;
  };
  const Case cases[] = {
      {"10.0", "11", "10 %"},    {"10.0", "9.5", "-5 %"},    {"10.0", "10", "0 %"},
      {"10.0", "20", "100 %"},   {"10.0", "5", "-50 %"},     {"10.0", "", "-100 %"},
      {"10.0", "10.005", "0.05 %"}, {"12.34", "13", "5.35 %"}, {"3", "3.01", "0.33 %"},
      {"3", "1", "-66.67 %"},    {"8", "8.01", "0.13 %"},    {"200", "200.25", "0.13 %"},
      {"2.35", "2.35", "0 %"},   {"2.35", "2.585", "10 %"},  {"7", "7.0001", "0 %"},
      {"7", "6.9999", "0 %"},    {"-5", "-5", "0 %"},        {"-5", "-6", "20 %"},
      {"0", "5", "1.#INF %"},    {"0", "-5", "-1.#INF %"},   {"0", "0", "-1.#IND %"},
      {"0", "", "-1.#IND %"},    {"-0", "5", "-1.#INF %"},   {"10", "1e39", "1.#INF %"},
      {"1e39", "5", "-1.#IND %"}, {"1e39", "1e39", "-1.#IND %"}, {"1e-30", "1", "9.999999968289e+031 %"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ref::change_percentage_text(ref::price_from_text(c.target), ref::price_from_text(c.base)), c.text)
        << "base " << c.base << " target " << c.target;
  }
}

TEST(ReferenceNormalisation, WritesSixDigitsAndEmptiesZero) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"10.0", "10"}, {"007", "7"}, {"12.50", "12.5"}, {"5.", "5"}, {".5", "0.5"}, {"1.2.3", "1.2"},
      {"12.345678", "12.3457"}, {"1234565", "1.23457e+006"}, {"99999.95", "100000"},
      {"0.00001234", "1.234e-005"}, {"0", ""}, {"-0", ""}, {"-", ""}, {".", ""}, {"--5", ""},
      {"-0.5", "-0.5"}, {"9.99", "9.99"}, {"", ""}, {std::string(39, '9'), "1.#INF"}, {"1.#INF", "1"},
      {"-1e39", "-1.#INF"}, {"\xA3\xB5", ""}, {" 9", "9"}, {"0.1", "0.1"}, {"123456.5", "123457"},
  };
  for (const auto& [text, normalised] : cases) {
    EXPECT_EQ(ref::normalise_number_text(text), normalised) << '"' << text << '"';
  }
}

TEST(ReferenceSixDigits, ZeroBecomesPositiveAndInfinityStays) {
  EXPECT_EQ(bits_of(ref::round_to_six_digits(-0.0f)), bits_of(0.0));
  EXPECT_EQ(ref::round_to_six_digits(inf_f), inf);
  EXPECT_EQ(ref::round_to_six_digits(-inf_f), -inf);
  EXPECT_EQ(ref::round_to_six_digits(1.0f), 1.0);
  EXPECT_EQ(ref::number_to_text(ref::round_to_six_digits(3.14159265f), 6), "3.14159");
  EXPECT_EQ(ref::number_to_text(ref::round_to_six_digits(FLT_MAX), 6), "3.40282e+038");
  EXPECT_EQ(ref::number_to_text(ref::round_to_six_digits(FLT_MIN), 6), "1.17549e-038");
}

TEST(ReferenceExtended, DoubleRoundingAndSpecialValues) {
  // 2220.75 * 0.94 rounds in extended to a double midpoint, and then to the even double above.
  EXPECT_EQ(ref::extended_multiply(2220.75, 0.94), 2087.50500000000010914);
  const double nan = double_from_bits(ref::default_nan_bits);
  struct Case {
    double (*op)(double, double);
    double a, b;
    double result;
  };
  const Case cases[] = {
      {ref::extended_subtract, inf, inf, nan},   {ref::extended_multiply, 0.0, inf, nan},
      {ref::extended_divide, 0.0, 0.0, nan},     {ref::extended_divide, -inf, inf, nan},
      {ref::extended_divide, 1.0, 0.0, inf},     {ref::extended_divide, 1.0, -0.0, -inf},
      {ref::extended_divide, -1.0, -0.0, inf},   {ref::extended_add, 0.0, -0.0, 0.0},
      {ref::extended_add, -0.0, -0.0, -0.0},     {ref::extended_subtract, 3.0, 3.0, 0.0},
      {ref::extended_multiply, -1e-300, 1e-300, -0.0}, {ref::extended_multiply, DBL_MAX, 2.0, inf},
      {ref::extended_divide, double_from_bits(1), 2.0, 0.0}, {ref::extended_divide, double_from_bits(3), 2.0, double_from_bits(2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bits_of(c.op(c.a, c.b)), bits_of(c.result)) << c.a << ", " << c.b;
  }
  EXPECT_EQ(bits_of(ref::extended_add(double_from_bits(0x7FF0'0000'0000'0001u), 1.0)), 0x7FF8'0000'0000'0001u);
}

#if defined(__x86_64__) && LDBL_MANT_DIG == 64
// On x86-64, long double is the x87 format: a long double operation followed by a conversion to
// double is exactly the calculator's extended step. Random operands of every class, with a bias
// towards products that land on double midpoints and results in the subnormal range.
TEST(ReferenceExtended, AgreesWithTheX87Unit) {
  std::mt19937_64 random(7);
  auto operand = [&](int kind) {
    switch (kind % 4) {
      case 0: return double_from_bits(random());
      case 1: return std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 120) - 60 - 53);
      case 2: return std::ldexp(static_cast<double>(random() >> 40), static_cast<int>(random() % 2200) - 1100);
      default: return static_cast<double>(static_cast<std::int64_t>(random() % 2001) - 1000) / 8;
    }
  };
  for (int k = 0; k < 400000; ++k) {
    volatile double a = operand(k), b = operand(k / 4);
    const long double la = a, lb = b;
    const double sum = static_cast<double>(la + lb), difference = static_cast<double>(la - lb);
    const double product = static_cast<double>(la * lb), quotient = static_cast<double>(la / lb);
    auto same = [](double x, double y) { return bits_of(x) == bits_of(y) || (std::isnan(x) && std::isnan(y)); };
    ASSERT_TRUE(same(ref::extended_add(a, b), sum)) << std::hexfloat << a << " + " << b;
    ASSERT_TRUE(same(ref::extended_subtract(a, b), difference)) << std::hexfloat << a << " - " << b;
    ASSERT_TRUE(same(ref::extended_multiply(a, b), product)) << std::hexfloat << a << " * " << b;
    ASSERT_TRUE(same(ref::extended_divide(a, b), quotient)) << std::hexfloat << a << " / " << b;
    if (!std::isnan(a) && !std::isnan(b)) {
      // The unit's invalid operations give its indefinite NaN: the calculator's default NaN.
      if (std::isnan(product)) {
        ASSERT_EQ(bits_of(product), ref::default_nan_bits);
      }
      if (std::isnan(quotient)) {
        ASSERT_EQ(bits_of(ref::extended_divide(a, b)), ref::default_nan_bits);
      }
    }
  }
}

// The x87 unit scaling by 100 - 2^-57 (its largest value below 100) and storing.
TEST(ReferenceRoundToPlaces, AgreesWithAnX87Implementation) {
  const long double scale = 100.0L - std::ldexp(1.0L, -57);
  auto x87 = [&](double value) {
    if (value == 0.0 || std::isnan(value)) return value;
    const double a = std::fabs(value);
    volatile double t = static_cast<double>(a * scale);
    volatile double u = static_cast<double>(static_cast<long double>(t) + static_cast<long double>(1e-12));
    const double i = std::trunc(u);
    const double r = (u - i) >= 0.5 ? i + 1 : i;
    const double result = static_cast<double>(static_cast<long double>(r) / 100.0L);
    return value < 0 ? -result : result;
  };
  std::mt19937_64 random(11);
  for (int k = 0; k < 400000; ++k) {
    const double half = static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) / 200.0;
    double x = std::ldexp(half, static_cast<int>(random() % 9) - 4);
    for (int step = static_cast<int>(random() % 5); step > 0; --step) x = std::nextafter(x, k % 2 ? inf : -inf);
    ASSERT_EQ(bits_of(ref::round_to_places(x)), bits_of(x87(x))) << std::hexfloat << x;
  }
}
#endif

}  // namespace

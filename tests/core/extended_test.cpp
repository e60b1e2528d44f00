// SPDX-License-Identifier: MIT
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
double from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr std::uint64_t default_nan_bits = 0xFFF8'0000'0000'0000;

TEST(DefaultNan, IsTheNegativeQuietNanWithOnlyTheTopFractionBit) {
  EXPECT_EQ(bits(default_nan()), default_nan_bits);
}

enum class Op { add, subtract, multiply, divide };

double apply(Op op, double a, double b) {
  switch (op) {
    case Op::add: return extended::add(a, b);
    case Op::subtract: return extended::subtract(a, b);
    case Op::multiply: return extended::multiply(a, b);
    case Op::divide: return extended::divide(a, b);
  }
  return 0;
}

struct Case {
  Op op;
  double a, b;
  std::uint64_t expected;
};

class ExtendedSpecialValues : public ::testing::TestWithParam<Case> {};

TEST_P(ExtendedSpecialValues, GiveIeeeResultsAndTheDefaultNanForInvalidOperations) {
  const Case& c = GetParam();
  EXPECT_EQ(bits(apply(c.op, c.a, c.b)), c.expected) << c.a << " op " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtendedSpecialValues,
    ::testing::Values(
        Case{Op::divide, 0.0, 0.0, default_nan_bits}, Case{Op::subtract, inf, inf, default_nan_bits},
        Case{Op::add, inf, -inf, default_nan_bits}, Case{Op::divide, inf, -inf, default_nan_bits},
        Case{Op::multiply, 0.0, inf, default_nan_bits}, Case{Op::multiply, -inf, -0.0, default_nan_bits},
        Case{Op::divide, 5.0, 0.0, bits(inf)}, Case{Op::divide, 5.0, -0.0, bits(-inf)},
        Case{Op::divide, -5.0, -0.0, bits(inf)}, Case{Op::divide, -5.0, 0.0, bits(-inf)},
        Case{Op::divide, 5.0, inf, bits(0.0)}, Case{Op::divide, -5.0, inf, bits(-0.0)},
        Case{Op::add, 0.0, -0.0, bits(0.0)}, Case{Op::add, -0.0, -0.0, bits(-0.0)},
        Case{Op::subtract, 3.0, 3.0, bits(0.0)}, Case{Op::subtract, -0.0, 0.0, bits(-0.0)},
        Case{Op::multiply, -2.0, 0.0, bits(-0.0)}, Case{Op::add, inf, 1e308, bits(inf)},
        // Overflow to infinity and gradual underflow.
        Case{Op::multiply, DBL_MAX, 2.0, bits(inf)}, Case{Op::add, DBL_MAX, DBL_MAX, bits(inf)},
        Case{Op::multiply, -DBL_MAX, 1.5, bits(-inf)},
        Case{Op::divide, DBL_MIN, 4.0, bits(DBL_MIN / 4)},
        Case{Op::multiply, 0x1p-1074, 0.5, bits(0.0)},       // a tie with 0 goes to the even 0
        Case{Op::multiply, 0x1p-1074, 0.75, bits(0x1p-1074)},
        Case{Op::multiply, -0x1p-1074, 0x1p-60, bits(-0.0)},
        Case{Op::multiply, 0x1.8p-1074, 1.0, bits(0x1.8p-1074 * 1.0)},
        // A NaN operand comes through quieted.
        Case{Op::add, from_bits(0x7FF8'0000'0000'0001), 1.0, 0x7FF8'0000'0000'0001},
        Case{Op::multiply, 2.0, from_bits(0x7FF0'0000'0000'0001), 0x7FF8'0000'0000'0001}));

struct RoundingCase {
  const char* what;
  Op op;
  double a, b;
  double expected;
};

class ExtendedDoubleRounding : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(ExtendedDoubleRounding, RoundsToSixtyFourBitsFirstAndThenToDouble) {
  const RoundingCase& c = GetParam();
  EXPECT_EQ(bits(apply(c.op, c.a, c.b)), bits(c.expected)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtendedDoubleRounding,
    ::testing::Values(
        // 2220.75 * 0.94 = 2087.50499999999988165...: it rounds in 64 bits onto the midpoint between
        // two doubles, and the tie then goes to the even, upper one.
        RoundingCase{"2220.75 * 0.94", Op::multiply, 2220.75, 0.94, 0x1.04f028f5c28f6p+11},
        // 1 + 2^-53 + 2^-80: within 64 bits the 2^-80 is lost, leaving a tie that goes to even 1.
        RoundingCase{"sum lost below the 64th bit", Op::add, 1.0, 0x1.0000008p-53, 1.0},
        // 1 + 2^-53 + 2^-62 keeps its excess in 64 bits and rounds up.
        RoundingCase{"sum kept within 64 bits", Op::add, 1.0, 0x1.02p-53, 0x1.0000000000001p+0},
        // Sticky bits far below: 1 - 2^-200 rounds back to 1 (64-bit rounding), not below.
        RoundingCase{"far operand", Op::subtract, 1.0, 0x1p-200, 1.0},
        RoundingCase{"1 / 3", Op::divide, 1.0, 3.0, 0x1.5555555555555p-2},
        RoundingCase{"exact quotient", Op::divide, 10.0, 4.0, 2.5},
        RoundingCase{"cancellation", Op::subtract, 0x1.0000000000001p+0, 1.0, 0x1p-52}));

// Checks the emulation against the x87 unit where the compiler's long double is the 80-bit format.
#if defined(__x86_64__) && LDBL_MANT_DIG == 64

double x87(Op op, double a, double b) {
  const long double x = a;
  const long double y = b;
  long double r = 0;
  switch (op) {
    case Op::add: r = x + y; break;
    case Op::subtract: r = x - y; break;
    case Op::multiply: r = x * y; break;
    case Op::divide: r = x / y; break;
  }
  return static_cast<double>(r);
}

// Doubles with short significands and nearby exponents: their sums and products are exact or land
// on ties far more often than random doubles do.
double short_significand(std::mt19937_64& rng, int exponent_low, int exponent_high) {
  const int kept_bits = static_cast<int>(rng() % 53);
  const std::uint64_t significand = (rng() | (std::uint64_t{1} << 63)) >> (63 - kept_bits);
  const int exponent = exponent_low + static_cast<int>(rng() % static_cast<std::uint64_t>(exponent_high - exponent_low + 1));
  const double v = std::ldexp(static_cast<double>(significand), exponent - kept_bits);
  return (rng() & 1) ? -v : v;
}

double any_bits(std::mt19937_64& rng) {
  double v;
  do v = from_bits(rng()); while (std::isnan(v));
  return v;
}

TEST(ExtendedAgainstX87, AgreesBitForBitOnSeededOperands) {
  constexpr std::uint64_t seed = 20261211;
  std::mt19937_64 rng(seed);
  const std::vector<double> specials{0.0, -0.0, inf, -inf, DBL_MAX, -DBL_MAX, DBL_MIN, 0x1p-1074, -0x1p-1074,
                                     1.0, -1.0, 0.1, 100.0, 1e-12, 2220.75, 0.94};
  struct Range {
    int low, high;
  };
  // Around 1, across underflow (products of two 2^-540s), across overflow, and everything.
  const std::vector<Range> ranges{{-3, 3}, {-60, 60}, {-545, -520}, {-1075, -1000}, {500, 520}, {1000, 1023}};
  int failures = 0;
  for (int i = 0; i < 400000 && failures < 10; ++i) {
    double a, b;
    switch (i % 7) {
      case 0:
        a = any_bits(rng);
        b = any_bits(rng);
        break;
      case 1: {
        const Range r = ranges[rng() % ranges.size()];
        a = short_significand(rng, r.low, r.high);
        b = short_significand(rng, r.low, r.high);
        break;
      }
      case 2: {
        const Range r = ranges[rng() % ranges.size()];
        a = short_significand(rng, r.low, r.high);
        b = short_significand(rng, r.low - 70, r.high);
        break;
      }
      case 3: {
        // Sums within a few 64-bit units of a midpoint between doubles, on either side.
        a = short_significand(rng, -20, 20);
        const double ulp = std::nextafter(std::fabs(a), inf) - std::fabs(a);
        const int offset = static_cast<int>(rng() % 17) - 8;
        b = ulp / 2 * (1 + std::ldexp(offset, -static_cast<int>(6 + rng() % 10)));
        if (rng() & 1) b = -b;
        break;
      }
      case 4: {
        // Quotients near a midpoint between doubles: a is a midpoint times a divisor of few bits,
        // formed exactly in 64 bits and rounded once.
        b = std::ldexp(static_cast<double>(1 + 2 * (rng() % 512)), static_cast<int>(rng() % 11) - 5);
        const double q = short_significand(rng, -20, 20);
        const long double midpoint = static_cast<long double>(q) + (std::nextafter(q, 2 * q) - q) / 2;
        a = static_cast<double>(midpoint * b);
        break;
      }
      case 5: {
        // Products of a full significand and a short one: the bits below the double's last place
        // are few, so they land on or within a 64-bit unit of a half now and then.
        a = std::ldexp(static_cast<double>((rng() >> 11) | (std::uint64_t{1} << 52)), -52);
        const std::uint64_t short_bits = (rng() >> 50) | 1;  // up to 14 bits, odd
        b = std::ldexp(static_cast<double>(short_bits), static_cast<int>(rng() % 40) - 20);
        break;
      }
      default:
        a = specials[rng() % specials.size()];
        b = (rng() & 1) ? specials[rng() % specials.size()] : any_bits(rng);
        break;
    }
    for (Op op : {Op::add, Op::subtract, Op::multiply, Op::divide}) {
      const double mine = apply(op, a, b);
      const double reference = x87(op, a, b);
      if (bits(mine) != bits(reference)) {
        ADD_FAILURE() << "seed " << seed << ", case " << i << ", op " << static_cast<int>(op) << ": "
                      << std::hexfloat << a << ", " << b << " gives " << mine << ", x87 " << reference;
        ++failures;
      }
    }
  }
}

#endif

}  // namespace
}  // namespace vantelo

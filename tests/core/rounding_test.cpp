// SPDX-License-Identifier: MIT
#include <bit>
#include <cfloat>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

constexpr double inf = std::numeric_limits<double>::infinity();

struct Case {
  double value;
  int places;
  double expected;
};

class RoundToPlaces : public ::testing::TestWithParam<Case> {};

TEST_P(RoundToPlaces, NudgesAndRoundsHalvesAwayFromZero) {
  const Case& c = GetParam();
  const double result = round_to_places(c.value, c.places);
  EXPECT_EQ(bits(result), bits(c.expected)) << std::hexfloat << c.value << " -> " << result;
}

INSTANTIATE_TEST_SUITE_P(
    TwoPlaces, RoundToPlaces,
    ::testing::Values(
        // 100 * 1.005 is 100.49999999999998579; the nudge carries it onto the half.
        Case{1.005, 2, 0x1.028f5c28f5c29p+0},     // 1.01
        Case{2.675, 2, 0x1.570a3d70a3d71p+1},     // 2.68
        Case{0.125, 2, 0x1.0a3d70a3d70a4p-3},     // 0.13
        Case{-2.345, 2, -0x1.2cccccccccccdp+1},   // -2.35
        // 100 * x lies exactly halfway between two doubles; the smaller is taken, then no nudge helps.
        Case{256.145, 2, 0x1.0023d70a3d70ap+8},   // 256.14
        Case{256.395, 2, 0x1.0063d70a3d70ap+8},   // 256.39
        Case{-0.001, 2, -0.0}, Case{0.004999, 2, 0.0}, Case{0.005, 2, 0x1.47ae147ae147bp-7},
        Case{10.0, 2, 10.0}, Case{-5.45, 2, -0x1.5cccccccccccdp+2},
        // t one ulp below a half: below 16384 the nudge lifts it onto the half, from 16384 on it is
        // less than half an ulp of t and changes nothing.
        Case{0x1.47b3333333332p+6, 2, 0x1.47b851eb851ecp+6},   // t = 8192.5 - 2^-39 -> 81.93
        Case{0x1.47b0a3d70a3d6p+7, 2, 0x1.47ae147ae147bp+7},   // t = 16384.5 - 2^-38 -> 163.84
        // Scaled values beyond the double range; subnormals.
        Case{1e307, 2, inf}, Case{-1e307, 2, -inf}, Case{DBL_MAX, 2, inf},
        Case{1.7976931348623157e306, 2, 1.7976931348623157e306}, Case{0x1p-1074, 2, 0.0}));

INSTANTIATE_TEST_SUITE_P(
    OtherPlaces, RoundToPlaces,
    ::testing::Values(Case{2.5, 0, 3.0}, Case{-2.5, 0, -3.0}, Case{2.4999999999999, 0, 3.0},
                      Case{2.49, 0, 2.0}, Case{1234.5, -2, 1200.0}, Case{1250.0, -2, 1300.0},
                      Case{-1249.0, -2, -1200.0}, Case{0.0005, 3, 0.001}, Case{0.12345, 4, 0.1235}));

TEST(RoundToPlaces, KeepsZerosInfinitiesAndNans) {
  for (const double v : {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(), default_nan()}) {
    EXPECT_EQ(bits(round_to_places(v, 2)), bits(v)) << v;
  }
}

TEST(RoundToSixDigits, ZerosBecomePositiveZeroAndInfinitiesStay) {
  EXPECT_EQ(bits(round_to_six_digits(0.0f)), bits(0.0));
  EXPECT_EQ(bits(round_to_six_digits(-0.0f)), bits(0.0));
  EXPECT_EQ(bits(round_to_six_digits(std::numeric_limits<float>::infinity())), bits(inf));
  EXPECT_EQ(bits(round_to_six_digits(-std::numeric_limits<float>::infinity())), bits(-inf));
}

TEST(RoundToSixDigits, RoundsHalvesAwayFromZeroAtTheSixthDigit) {
  EXPECT_EQ(round_to_six_digits(1234565.0f), 1234570.0);
  EXPECT_EQ(round_to_six_digits(-1234565.0f), -1234570.0);
  EXPECT_EQ(round_to_six_digits(1234564.0f), 1234560.0);
  EXPECT_EQ(round_to_six_digits(10.0f), 10.0);
  EXPECT_EQ(round_to_six_digits(1.0f), 1.0);
  EXPECT_EQ(round_to_six_digits(0x1.fffffep+127f), 3.40282e38);
  // Between 1e-38 and the smallest normal float the scaling leaves fewer than six digits.
  EXPECT_EQ(number_to_text(round_to_six_digits(1e-40f), 6), "1e-040");
}

}  // namespace
}  // namespace vantelo

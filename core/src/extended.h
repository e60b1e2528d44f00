// SPDX-License-Identifier: MIT
// The x87 double-extended format, emulated with integer arithmetic so that every platform gets the
// same digits: a sign, a 64-bit significand with its top bit set, and an exponent that never
// overflows (the calculator's values stay far inside the 15-bit range of the real format, and its
// results are rounded to double anyway, which is where overflow and gradual underflow happen).
//
// A computation that keeps intermediates in this format (the six-digit rounding does) chains these
// operations and rounds to a double once at the end; the public vantelo::extended functions are one
// operation followed by to_double.
#pragma once

#include <cstdint>

namespace vantelo::detail {

struct Extended {
  enum class Kind : std::uint8_t { zero, finite, infinite, nan };
  Kind kind = Kind::zero;
  bool negative = false;
  // For finite values: the value is significand * 2^exponent, with bit 63 of significand set.
  std::uint64_t significand = 0;
  std::int32_t exponent = 0;
  // For NaNs: the bits of the (quieted) double the NaN came from.
  std::uint64_t nan_bits = 0;
};

inline constexpr std::uint64_t default_nan_bits = 0xFFF8'0000'0000'0000;

// Exact.
Extended from_double(double value) noexcept;

// Nearest double, ties to even; gradual underflow, overflow to infinity.
double to_double(const Extended& value) noexcept;
// Nearest double, but a value exactly halfway between two doubles goes to the one of smaller
// magnitude. Overflow only from the midpoint above the largest double on (exclusive).
double to_double_ties_to_smaller(const Extended& value) noexcept;

// Exact result rounded once to the 64-bit significand, ties to even.
Extended add(const Extended& a, const Extended& b) noexcept;
Extended subtract(const Extended& a, const Extended& b) noexcept;
Extended multiply(const Extended& a, const Extended& b) noexcept;
Extended divide(const Extended& a, const Extended& b) noexcept;

// IEEE comparisons: false whenever a NaN takes part; zeros of either sign are equal.
bool less(const Extended& a, const Extended& b) noexcept;
bool less_equal(const Extended& a, const Extended& b) noexcept;

inline Extended negate(Extended value) noexcept {
  if (value.kind != Extended::Kind::nan) value.negative = !value.negative;
  return value;
}

}  // namespace vantelo::detail

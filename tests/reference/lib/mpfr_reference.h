// SPDX-License-Identifier: MIT
// A second, slow implementation of the price arithmetic on GNU MPFR, written without looking at the
// core's code, so that differential tests and fuzzers can compare the two bit for bit.
//
// Where the core uses integer tricks, this one uses exact multi-precision values and lets MPFR do
// each rounding: the extended step is an exact result rounded to a 64-bit significand with an
// unbounded exponent, the store is a rounding of that to 53 bits with the double's subnormal range
// emulated (mpfr_subnormalize). round_to_places scales by 100 - 2^-57 in extended precision, which is
// the x87 way of getting "ties towards the smaller magnitude"; number_to_text takes the exact decimal
// expansion of the double and rounds it half up by hand.
//
// Each call narrows MPFR's exponent range (which is per thread) while it rounds, and restores it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantelo::reference {

// The quiet NaN with the sign bit set that every invalid operation yields.
inline constexpr std::uint64_t default_nan_bits = 0xFFF8'0000'0000'0000u;

double extended_add(double a, double b);
double extended_subtract(double a, double b);
double extended_multiply(double a, double b);
double extended_divide(double a, double b);

// Full-width folding, then the plain reading.
float price_from_text(std::string_view text);
// Number syntax, nearest double, nearest float; reads up to the first NUL byte.
float price_from_plain_text(std::string_view text);
// The double nearest to the decimal value of a text that the plain reading accepts in full
// (the step between the syntax and the float); exposed for tests of the reference itself.
double double_from_plain_text(std::string_view text);

double round_to_places(double value);  // two places, the only number used by the calculator
std::string number_to_text(double value, int significant_digits = 13);

double round_to_six_digits(float x);
std::string normalise_number_text(std::string_view text);

std::string ladder_text(float base_price, double multiplier);
std::string change_percentage_text(float target_price, float base_price);

// The first `digits` significant decimal digits of |value| (finite, non-zero), rounded half up from
// the exact expansion, and the decimal exponent of the first one. Exposed for self-tests.
struct Decimal {
  std::string digits;
  int exponent = 0;
};
Decimal round_decimal_half_up(double value, int digits);

}  // namespace vantelo::reference

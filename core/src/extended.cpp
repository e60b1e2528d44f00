// SPDX-License-Identifier: MIT
#include "extended.h"
#include "uint128.h"

#include <bit>
#include <cassert>
#include <cstdint>

#include "vantelo/price.h"

namespace vantelo::detail {
namespace {


using Kind = Extended::Kind;

constexpr std::uint64_t sign_bit = 0x8000'0000'0000'0000;
constexpr std::uint64_t fraction_mask = 0x000F'FFFF'FFFF'FFFF;
constexpr std::uint64_t quiet_bit = 0x0008'0000'0000'0000;
constexpr std::uint64_t infinity_bits = 0x7FF0'0000'0000'0000;

Extended make_zero(bool negative) noexcept {
  Extended r;
  r.kind = Kind::zero;
  r.negative = negative;
  return r;
}

Extended make_infinity(bool negative) noexcept {
  Extended r;
  r.kind = Kind::infinite;
  r.negative = negative;
  return r;
}

Extended make_nan(std::uint64_t bits) noexcept {
  Extended r;
  r.kind = Kind::nan;
  r.negative = (bits & sign_bit) != 0;
  r.nan_bits = bits | quiet_bit;
  return r;
}

Extended default_nan_value() noexcept { return make_nan(default_nan_bits); }

// The NaN an operation with NaN operands gives: as the x87 unit does it, the quieted operand with the
// larger significand (the first on a tie).
Extended propagate_nan(const Extended& a, const Extended& b) noexcept {
  if (a.kind != Kind::nan) return b;
  if (b.kind != Kind::nan) return a;
  return (b.nan_bits & fraction_mask) > (a.nan_bits & fraction_mask) ? b : a;
}

// Rounds sig * 2^exp (sig != 0; a set bit 0 may stand for "something non-zero further down", as long
// as it lies at least two places below the rounding position) to a 64-bit significand, ties to even.
Extended round_to_extended(bool negative, u128 sig, std::int64_t exp) noexcept {
  assert(sig != 0);
  const auto high = static_cast<std::uint64_t>(sig >> 64);
  const int leading = high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<std::uint64_t>(sig));
  sig <<= leading;
  exp -= leading;
  auto top = static_cast<std::uint64_t>(sig >> 64);
  const auto rest = static_cast<std::uint64_t>(sig);
  constexpr std::uint64_t half = sign_bit;
  if (rest > half || (rest == half && (top & 1) != 0)) {
    ++top;
    if (top == 0) {  // 0xFFFF...FF rounded up to 2^64
      top = sign_bit;
      ++exp;
    }
  }
  Extended r;
  r.kind = Kind::finite;
  r.negative = negative;
  r.significand = top;
  r.exponent = static_cast<std::int32_t>(exp + 64);
  return r;
}

enum class Ties { to_even, to_smaller };

double bits_to_double(std::uint64_t bits) noexcept { return std::bit_cast<double>(bits); }

[[gnu::always_inline]] inline double round_to_double(const Extended& x, Ties ties) noexcept {
  switch (x.kind) {
    case Kind::zero: return bits_to_double(x.negative ? sign_bit : 0);
    case Kind::infinite: return bits_to_double(infinity_bits | (x.negative ? sign_bit : 0));
    case Kind::nan: return bits_to_double(x.nan_bits);
    case Kind::finite: break;
  }
  const std::uint64_t sign = x.negative ? sign_bit : 0;
  const std::int64_t e = x.exponent;
  // The value lies in [2^(e+63), 2^(e+64)). From 2^1024 on it is beyond every double.
  if (e + 63 > 1023) return bits_to_double(sign | infinity_bits);
  // Quantum of the result: 2^(e+63-52) for a normal double, never finer than 2^-1074 (subnormals).
  const std::int64_t quantum = e + 11 > -1074 ? e + 11 : -1074;
  const std::int64_t shift = quantum - e;  // >= 11
  if (shift > 64) return bits_to_double(sign);  // below half the smallest subnormal
  std::uint64_t kept;
  std::uint64_t rest;
  std::uint64_t half;
  if (shift < 64) {
    kept = x.significand >> shift;
    rest = x.significand & ((std::uint64_t{1} << shift) - 1);
    half = std::uint64_t{1} << (shift - 1);
  } else {  // everything is below the smallest subnormal's place
    kept = 0;
    rest = x.significand;
    half = sign_bit;
  }
  const bool up = ties == Ties::to_even ? (rest > half || (rest == half && (kept & 1) != 0)) : rest > half;
  if (up) ++kept;
  // kept * 2^quantum with kept <= 2^53. Adding the biased quantum exponent to the field of kept lets
  // the implicit bit (2^52) and a carry to 2^53 step the exponent field by themselves; a subnormal
  // (quantum -1074, kept < 2^52) comes out with field 0.
  const auto field_base = static_cast<std::uint64_t>(quantum + 1074) << 52;
  const std::uint64_t bits = field_base + kept;
  if ((bits >> 52) >= 2047) return bits_to_double(sign | infinity_bits);
  return bits_to_double(sign | bits);
}

// |a| + |b| or |a| - |b| (|a| >= |b|), both finite and non-zero.
Extended add_magnitudes(bool negative, const Extended& a, const Extended& b, bool subtract) noexcept {
  // a's significand goes to bits 125..62: one free bit above for a carry, 62 below for b's bits.
  constexpr int headroom = 62;
  const u128 big = static_cast<u128>(a.significand) << headroom;
  const std::int64_t distance = static_cast<std::int64_t>(a.exponent) - b.exponent;
  u128 small;
  if (distance >= 128) {
    small = 1;  // all of b lies below the window: only that it is non-zero matters
  } else {
    const u128 unshifted = static_cast<u128>(b.significand) << headroom;
    small = unshifted >> distance;
    if ((small << distance) != unshifted) small |= 1;  // sticky
  }
  const u128 sum = subtract ? big - small : big + small;
  if (sum == 0) return make_zero(false);
  return round_to_extended(negative, sum, static_cast<std::int64_t>(a.exponent) - headroom);
}

bool magnitude_less(const Extended& a, const Extended& b) noexcept {
  if (a.exponent != b.exponent) return a.exponent < b.exponent;
  return a.significand < b.significand;
}

}  // namespace

Extended from_double(double value) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits & sign_bit) != 0;
  const auto field = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & fraction_mask;
  if (field == 0x7FF) return fraction != 0 ? make_nan(bits) : make_infinity(negative);
  if (field == 0 && fraction == 0) return make_zero(negative);
  Extended r;
  r.kind = Kind::finite;
  r.negative = negative;
  if (field != 0) {
    // (2^52 + fraction) * 2^(field - 1075), moved up by 11 bits to put the implicit bit at bit 63.
    r.significand = (fraction | (std::uint64_t{1} << 52)) << 11;
    r.exponent = field - 1075 - 11;
  } else {
    const int leading = std::countl_zero(fraction);
    r.significand = fraction << leading;
    r.exponent = -1074 - leading;
  }
  return r;
}

double to_double(const Extended& value) noexcept { return round_to_double(value, Ties::to_even); }

double to_double_ties_to_smaller(const Extended& value) noexcept {
  return round_to_double(value, Ties::to_smaller);
}

Extended add(const Extended& a, const Extended& b) noexcept {
  if (a.kind == Kind::nan || b.kind == Kind::nan) return propagate_nan(a, b);
  if (a.kind == Kind::infinite) {
    if (b.kind == Kind::infinite && a.negative != b.negative) return default_nan_value();
    return a;
  }
  if (b.kind == Kind::infinite) return b;
  if (a.kind == Kind::zero) {
    // -0 + -0 is -0; any other sum of zeros is +0 when rounding to nearest.
    if (b.kind == Kind::zero) return make_zero(a.negative && b.negative);
    return b;
  }
  if (b.kind == Kind::zero) return a;
  const bool b_larger = magnitude_less(a, b);
  const Extended& larger = b_larger ? b : a;
  const Extended& smaller = b_larger ? a : b;
  return add_magnitudes(larger.negative, larger, smaller, a.negative != b.negative);
}

Extended subtract(const Extended& a, const Extended& b) noexcept {
  Extended negated = b;
  if (b.kind != Kind::nan) negated.negative = !b.negative;
  return add(a, negated);
}

Extended multiply(const Extended& a, const Extended& b) noexcept {
  if (a.kind == Kind::nan || b.kind == Kind::nan) return propagate_nan(a, b);
  const bool negative = a.negative != b.negative;
  if (a.kind == Kind::infinite || b.kind == Kind::infinite) {
    if (a.kind == Kind::zero || b.kind == Kind::zero) return default_nan_value();
    return make_infinity(negative);
  }
  if (a.kind == Kind::zero || b.kind == Kind::zero) return make_zero(negative);
  const u128 product = static_cast<u128>(a.significand) * b.significand;  // exact: 64 x 64 -> 128 bits
  return round_to_extended(negative, product, static_cast<std::int64_t>(a.exponent) + b.exponent);
}

Extended divide(const Extended& a, const Extended& b) noexcept {
  if (a.kind == Kind::nan || b.kind == Kind::nan) return propagate_nan(a, b);
  const bool negative = a.negative != b.negative;
  if (a.kind == Kind::infinite) {
    return b.kind == Kind::infinite ? default_nan_value() : make_infinity(negative);
  }
  if (b.kind == Kind::infinite) return make_zero(negative);
  if (b.kind == Kind::zero) return a.kind == Kind::zero ? default_nan_value() : make_infinity(negative);
  if (a.kind == Kind::zero) return make_zero(negative);
  // Operands that came from doubles have at most 53 significant bits: one 128-by-64-bit division
  // gives a quotient of 75 or 76 bits, again ample, with the remainder as the sticky bit.
  constexpr std::uint64_t below_double_bits = (std::uint64_t{1} << 11) - 1;
  if (((a.significand | b.significand) & below_double_bits) == 0) {
    const std::uint64_t narrow_divisor = b.significand >> 11;
    const u128 dividend = static_cast<u128>(a.significand >> 11) << 75;  // < 2^128
    u128 quotient = dividend / narrow_divisor;
    if (dividend - quotient * narrow_divisor != 0) quotient |= 1;
    return round_to_extended(negative, quotient, static_cast<std::int64_t>(a.exponent) - b.exponent - 75);
  }
  // Long division in two 63-bit steps. Both significands lie in [2^63, 2^64), so the first partial
  // quotient lies in (2^62, 2^64) and the whole quotient has at least 125 bits: far more than the 64
  // kept plus a rounding bit, and a non-zero remainder becomes the sticky bit.
  const std::uint64_t divisor = b.significand;
  const u128 dividend1 = static_cast<u128>(a.significand) << 63;
  const u128 first = dividend1 / divisor;
  const u128 remainder1 = dividend1 - first * divisor;
  const u128 dividend2 = remainder1 << 63;  // remainder1 < 2^64, so this fits
  const u128 second = dividend2 / divisor;
  const u128 remainder2 = dividend2 - second * divisor;
  u128 quotient = (first << 63) | second;
  if (remainder2 != 0) quotient |= 1;
  return round_to_extended(negative, quotient, static_cast<std::int64_t>(a.exponent) - b.exponent - 126);
}

namespace {
// Orders non-NaN values: -1, 0 or 1.
int order(const Extended& a, const Extended& b) noexcept {
  const bool a_zero = a.kind == Kind::zero;
  const bool b_zero = b.kind == Kind::zero;
  if (a_zero && b_zero) return 0;
  const int a_sign = a_zero ? 0 : (a.negative ? -1 : 1);
  const int b_sign = b_zero ? 0 : (b.negative ? -1 : 1);
  if (a_sign != b_sign) return a_sign < b_sign ? -1 : 1;
  // Same sign, both non-zero: compare magnitudes, then flip for negatives.
  int magnitude;
  if (a.kind == Kind::infinite || b.kind == Kind::infinite) {
    magnitude = (a.kind == Kind::infinite) - (b.kind == Kind::infinite);
  } else if (magnitude_less(a, b)) {
    magnitude = -1;
  } else {
    magnitude = magnitude_less(b, a) ? 1 : 0;
  }
  return a_sign < 0 ? -magnitude : magnitude;
}
}  // namespace

bool less(const Extended& a, const Extended& b) noexcept {
  if (a.kind == Kind::nan || b.kind == Kind::nan) return false;
  return order(a, b) < 0;
}

bool less_equal(const Extended& a, const Extended& b) noexcept {
  if (a.kind == Kind::nan || b.kind == Kind::nan) return false;
  return order(a, b) <= 0;
}

}  // namespace vantelo::detail

namespace vantelo {

namespace extended {
double add(double a, double b) noexcept {
  return detail::to_double(detail::add(detail::from_double(a), detail::from_double(b)));
}
double subtract(double a, double b) noexcept {
  return detail::to_double(detail::subtract(detail::from_double(a), detail::from_double(b)));
}
double multiply(double a, double b) noexcept {
  return detail::to_double(detail::multiply(detail::from_double(a), detail::from_double(b)));
}
double divide(double a, double b) noexcept {
  return detail::to_double(detail::divide(detail::from_double(a), detail::from_double(b)));
}
}  // namespace extended

double default_nan() noexcept { return std::bit_cast<double>(detail::default_nan_bits); }

}  // namespace vantelo

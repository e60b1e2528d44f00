// SPDX-License-Identifier: MIT
#include "extended.h"
#include "uint128.h"

#include <bit>
#include <cassert>
#include <cmath>
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

struct Division {
  std::uint64_t quotient;
  std::uint64_t remainder;
};

// dividend / divisor when the quotient fits 64 bits (the dividend's upper half is below the divisor).
// x86-64 has an instruction for exactly this; elsewhere the compiler's 128-bit division does it.
Division divide_by_64(u128 dividend, std::uint64_t divisor) noexcept {
  assert(static_cast<std::uint64_t>(dividend >> 64) < divisor);
#if defined(__x86_64__)
  std::uint64_t quotient;
  std::uint64_t remainder;
  __asm__("divq %4"
          : "=a"(quotient), "=d"(remainder)
          : "a"(static_cast<std::uint64_t>(dividend)), "d"(static_cast<std::uint64_t>(dividend >> 64)), "rm"(divisor));
  return {quotient, remainder};
#else
  const auto quotient = static_cast<std::uint64_t>(dividend / divisor);
  return {quotient, static_cast<std::uint64_t>(dividend - static_cast<u128>(quotient) * divisor)};
#endif
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
  // gives all 64 bits of the quotient, and the remainder tells where the rest lies against a half.
  constexpr std::uint64_t below_double_bits = (std::uint64_t{1} << 11) - 1;
  if (((a.significand | b.significand) & below_double_bits) == 0) {
    const std::uint64_t dividend_bits = a.significand >> 11;  // both in [2^52, 2^53)
    const std::uint64_t divisor_bits = b.significand >> 11;
    // Shift the dividend so that the quotient lies in [2^63, 2^64).
    const int shift = dividend_bits >= divisor_bits ? 63 : 64;
    const Division d = divide_by_64(static_cast<u128>(dividend_bits) << shift, divisor_bits);
    std::uint64_t below = 0;  // what lies below the quotient, as round and sticky bits
    if (d.remainder != 0) {
      const u128 twice = static_cast<u128>(d.remainder) * 2;
      below = twice > divisor_bits ? 0xC000'0000'0000'0000 : (twice == divisor_bits ? sign_bit : 0x4000'0000'0000'0000);
    }
    return round_to_extended(negative, (static_cast<u128>(d.quotient) << 64) | below,
                             static_cast<std::int64_t>(a.exponent) - b.exponent - shift - 64);
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

namespace {

using detail::u128;

// The x87 unit's two roundings (to 64 bits, then to 53) differ from one rounding to 53 bits only when
// the exact result lies within half a 64-bit unit of a midpoint between two doubles. The hardware's
// own double result and its exact error show whether that can be so; when it cannot, the hardware
// result is the answer and the emulation is skipped. This is the common case by far.

constexpr std::uint64_t fraction_bits = 0x000F'FFFF'FFFF'FFFF;
constexpr std::uint64_t implicit_bit = std::uint64_t{1} << 52;

int field_of(double x) noexcept { return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF); }
std::uint64_t significand_of(double x) noexcept { return (std::bit_cast<std::uint64_t>(x) & fraction_bits) | implicit_bit; }

// For a sum s with exact error (the exact sum is s + error, |error| <= ulp(s) / 2): whether s is the
// twice-rounded sum as well. Only for normal s well above the subnormal range, and not for a power of
// two, below which the units are finer.
bool sum_needs_no_second_look(double s, double error) noexcept {
  const int field = field_of(s);
  if (field <= 64 || field == 0x7FF || (std::bit_cast<std::uint64_t>(s) & fraction_bits) == 0) return false;
  // ulp(s) = 2^(field - 1075). The exact sum is safe while it stays more than half a 64-bit unit
  // (2^-12 ulp) away from the midpoints at +-ulp/2: |error| < (1/2 - 2^-12) ulp, an exact product.
  const double ulp = std::bit_cast<double>(static_cast<std::uint64_t>(field - 52) << 52);
  return std::fabs(error) < ulp * (0.5 - 0x1p-12);
}

// Knuth's two-sum: a + b == s + error exactly, for finite a, b and s, rounding to nearest.
double sum_error(double a, double b, double s) noexcept {
  const double b_part = s - a;
  const double a_part = s - b_part;
  return (a - a_part) + (b - b_part);
}

bool quotient_needs_no_second_look(double a, double b, double q) noexcept {
  const int fa = field_of(a);
  const int fb = field_of(b);
  const int fq = field_of(q);
  if (fa == 0 || fa == 0x7FF || fb == 0 || fb == 0x7FF || fq == 0 || fq == 0x7FF) return false;
  if ((std::bit_cast<std::uint64_t>(q) & fraction_bits) == 0) return false;  // a power of two
  // |a| = ma 2^(fa-1075), |b| = mb 2^(fb-1075), |q| = mq 2^(fq-1075) = mq ulp(q). So
  // (|a/b| - |q|) / ulp(q) = (ma 2^k - mq mb) / mb with k = fa - fb - fq + 1075 (52 to 54).
  const int k = fa - fb - fq + 1075;
  if (k < 0 || k > 70) return false;
  const std::uint64_t ma = significand_of(a);
  const std::uint64_t mb = significand_of(b);
  const std::uint64_t mq = significand_of(q);
  const u128 scaled = static_cast<u128>(ma) << k;
  const u128 product = static_cast<u128>(mq) * mb;
  const u128 distance = scaled > product ? scaled - product : product - scaled;
  // Safe while |a/b - q| < (1/2 - 2^-12) ulp(q), as for sums: 4096 distance < 2047 mb.
  return distance * 4096 < static_cast<u128>(mb) * 2047;
}

bool product_needs_no_second_look(double a, double b, double p) noexcept {
  const int fa = field_of(a);
  const int fb = field_of(b);
  const int fp = field_of(p);
  if (fa == 0 || fa == 0x7FF || fb == 0 || fb == 0x7FF || fp < 2 || fp == 0x7FF) return false;
  // The exact product has 105 or 106 bits; the double keeps its top 53, the extended format its
  // top 64. Safe while the bits below the double's cut stay more than half a 64-bit unit away from
  // a half (an exact half is kept by both roundings and then goes to even, as the hardware does).
  const u128 exact = static_cast<u128>(significand_of(a)) * significand_of(b);
  const int cut = (exact >> 105) != 0 ? 53 : 52;
  const u128 below = exact & ((static_cast<u128>(1) << cut) - 1);
  const u128 half = static_cast<u128>(1) << (cut - 1);
  const u128 distance = below > half ? below - half : half - below;
  return distance == 0 || distance > (static_cast<u128>(1) << (cut - 12));
}

}  // namespace

namespace extended {
double add(double a, double b) noexcept {
  const double s = a + b;
  if (std::isfinite(s) && sum_needs_no_second_look(s, sum_error(a, b, s))) return s;
  return detail::to_double(detail::add(detail::from_double(a), detail::from_double(b)));
}
double subtract(double a, double b) noexcept {
  const double s = a - b;
  if (std::isfinite(s) && sum_needs_no_second_look(s, sum_error(a, -b, s))) return s;
  return detail::to_double(detail::subtract(detail::from_double(a), detail::from_double(b)));
}
double multiply(double a, double b) noexcept {
  const double p = a * b;
  if (product_needs_no_second_look(a, b, p)) return p;
  return detail::to_double(detail::multiply(detail::from_double(a), detail::from_double(b)));
}
double divide(double a, double b) noexcept {
  const double q = a / b;
  if (quotient_needs_no_second_look(a, b, q)) return q;
  return detail::to_double(detail::divide(detail::from_double(a), detail::from_double(b)));
}
}  // namespace extended

double default_nan() noexcept { return std::bit_cast<double>(detail::default_nan_bits); }

}  // namespace vantelo

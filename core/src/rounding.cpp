// SPDX-License-Identifier: MIT
// Rounding to decimal places, and the six-digit rounding of the number boxes.
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "extended.h"
#include "uint128.h"
#include "vantelo/price.h"

namespace vantelo {
namespace {

// The double nearest to 10^-12. Added to the scaled value before it is split, it lifts a value that
// binary rounding left just below a half (1.005 * 100 = 100.49999999999998579) onto the half.
constexpr double nudge = 1e-12;
constexpr double round_up_threshold = 0.5;

// Nearest doubles to 10^0 .. 10^38 (exact up to 10^22); the compiler rounds each literal correctly.
constexpr std::array<double, 39> pow10_nearest_table{
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25,
    1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38};

// The double nearest to 10^k, k >= 0 (infinity from 10^309 on).
double pow10_nearest(int k) noexcept {
  if (k < static_cast<int>(pow10_nearest_table.size())) return pow10_nearest_table[static_cast<std::size_t>(k)];
  if (k > 308) return HUGE_VAL;
  std::array<char, 8> text{'1', 'e'};
  const auto end = std::to_chars(text.data() + 2, text.data() + text.size(), k).ptr;
  double value = 0;
  std::from_chars(text.data(), end, value);
  return value;
}

// The double nearest to magnitude * scale, an exact tie going to the smaller magnitude. For places = 2
// (100 * m fits 60 bits) the extended product is exact, and rounding it so is what multiplying by
// 100 - 2^-57, the largest extended value below 100, and storing gives. Only a tie needs the
// emulation: otherwise the hardware's nearest double is the answer.
double scale_up(double magnitude, double scale) noexcept {
  const double product = magnitude * scale;
  const auto field = [](double x) { return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF); };
  if (field(magnitude) != 0 && field(product) >= 2 && field(product) != 0x7FF) {
    const auto significand = [](double x) {
      return (std::bit_cast<std::uint64_t>(x) & 0x000F'FFFF'FFFF'FFFF) | (std::uint64_t{1} << 52);
    };
    const detail::u128 exact = static_cast<detail::u128>(significand(magnitude)) * significand(scale);
    const auto high = static_cast<std::uint64_t>(exact >> 64);
    const int top = high != 0 ? 127 - std::countl_zero(high) : 63 - std::countl_zero(static_cast<std::uint64_t>(exact));
    const int cut = top - 52;  // bits below the double's last place: 52 or more, as exact >= 2^104
    const detail::u128 below = exact & ((static_cast<detail::u128>(1) << cut) - 1);
    if (below != (static_cast<detail::u128>(1) << (cut - 1))) return product;
  }
  return detail::to_double_ties_to_smaller(
      detail::multiply(detail::from_double(magnitude), detail::from_double(scale)));
}

// r from u: the integer part, plus one when the fraction reaches the threshold. u >= 0.
double split_and_decide(double u) noexcept {
  // From 2^52 on every double is an integer (and infinities stay as they are).
  constexpr double integers_from = 0x1p52;
  if (!(u < integers_from)) return u;
  const auto whole = static_cast<double>(static_cast<std::int64_t>(u));  // truncation, exact here
  const double fraction = u - whole;                                     // exact
  return fraction >= round_up_threshold ? whole + 1 : whole;            // whole + 1 < 2^53: exact
}

}  // namespace

double round_to_places(double value, int places) noexcept {
  if (value == 0 || std::isnan(value)) return value;
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  if (std::isinf(magnitude)) return value;
  const int scale_power = places < 0 ? -places : places;
  if (scale_power > 308) return value;  // 10^places is not a finite double; nothing sensible to do
  const double scale = pow10_nearest(scale_power);

  double scaled;
  if (places > 0) {
    scaled = scale_up(magnitude, scale);
  } else if (places == 0) {
    scaled = magnitude;
  } else {
    scaled = extended::divide(magnitude, scale);
  }
  const double nudged = extended::add(scaled, nudge);
  const double rounded = split_and_decide(nudged);
  double result;
  if (places > 0) {
    result = extended::divide(rounded, scale);
  } else if (places == 0) {
    result = rounded;
  } else {
    result = extended::multiply(rounded, scale);
  }
  return negative ? -result : result;
}

double round_to_six_digits(float x) noexcept {
  using detail::Extended;
  using detail::from_double;
  // log10(2) as the nearest double.
  constexpr double log10_2 = 0.30102999566398119521373889472449302676818988146211;

  // 1. The binary exponent from the stored field, wrapped to 8 bits: zero and subnormals give -127,
  //    an infinity (or NaN) gives 255 - 127 = 128, which wraps to -128.
  const auto field = static_cast<int>((std::bit_cast<std::uint32_t>(x) >> 23) & 0xFF);
  const auto e2 = static_cast<std::int8_t>(static_cast<std::uint8_t>(field - 127));
  // 2. The decimal exponent. The product is exact in extended precision; for the 255 non-zero e2 it
  //    lies at least 0.0042 (e2 = 93: 27.9958) from an integer, so truncating its double is the same.
  int e10 = static_cast<int>(std::trunc(extended::multiply(static_cast<double>(e2), log10_2)));
  // 3.
  Extended p = from_double(pow10_nearest(e10 < 0 ? -e10 : e10));
  // 4.
  const Extended magnitude = from_double(std::fabs(static_cast<double>(x)));
  Extended m = e10 > 0 ? detail::divide(magnitude, p) : detail::multiply(magnitude, p);
  // 5. Bring m to six digits before the point.
  const Extended ten = from_double(10.0);
  const Extended one = from_double(1.0);
  if (detail::less_equal(ten, m)) {
    p = detail::multiply(p, ten);
    ++e10;
    m = detail::multiply(m, from_double(10000.0));
  } else if (detail::less(m, one)) {
    p = detail::multiply(p, ten);
    --e10;
    m = detail::multiply(m, from_double(1000000.0));
  } else {
    m = detail::multiply(m, from_double(100000.0));
  }
  // 6. Only here does m become a double.
  const double i = split_and_decide(detail::to_double(m));
  // 7.
  if (x < 0) p = detail::negate(p);
  // 8.
  const Extended whole = from_double(i);
  const Extended r = e10 > 0 ? detail::multiply(whole, detail::multiply(p, from_double(0.00001)))
                             : detail::divide(whole, detail::multiply(p, from_double(100000.0)));
  return detail::to_double(r);
}

Text normalise_number_text(std::string_view text) {
  const float x = price_from_plain_text(text);
  Text shown = number_to_text(round_to_six_digits(x), 6);
  if (shown == "0") shown.clear();
  return shown;
}

}  // namespace vantelo

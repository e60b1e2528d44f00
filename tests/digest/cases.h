// SPDX-License-Identifier: MIT
// Seeded inputs for the price arithmetic, shared by the differential tests, the fuzzers' replay and the
// cross-architecture digest. Every generator uses integer arithmetic, correctly rounded conversions
// (strtod/strtof) and exact steps (nextafter, ldexp) only, so a seed gives the same inputs on every
// machine: the digest of x86-64 and of AArch64 must be line-for-line comparable. For the same reason
// no expression draws twice where the order of evaluation is unspecified (function arguments, the
// operands of +): compilers for different targets do pick different orders.
//
// The inputs lean towards the places where the arithmetic is delicate: typed prices in every form a
// user or a paste can produce, doubles on and next to the halves that the two-place rounding and the
// 13- and 6-digit texts decide on, and operand pairs whose extended results fall on double midpoints
// or into the subnormal range.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace vantelo::cases {

// xoshiro256** seeded through splitmix64: small, fast and the same everywhere.
class Random {
public:
  explicit Random(std::uint64_t seed) {
    for (auto& s : state_) {
      seed += 0x9E37'79B9'7F4A'7C15u;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9u;
      z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EBu;
      s = z ^ (z >> 31);
    }
  }
  std::uint64_t next() {
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }
  // Uniform in [0, n) (n > 0); the tiny modulo bias does not matter here.
  std::uint64_t below(std::uint64_t n) { return next() % n; }
  int between(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::uint64_t>(hi - lo + 1))); }
  bool chance(int one_in) { return below(static_cast<std::uint64_t>(one_in)) == 0; }

private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::array<std::uint64_t, 4> state_{};
};

inline std::uint64_t bits_of(double d) { return std::bit_cast<std::uint64_t>(d); }
inline std::uint32_t bits_of(float f) { return std::bit_cast<std::uint32_t>(f); }
inline double double_from_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
inline float float_from_bits(std::uint32_t b) { return std::bit_cast<float>(b); }

// The bytes of a text as hex, for messages and digests that must show every byte.
inline std::string hex_bytes(std::string_view text) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out.empty() ? "(empty)" : out;
}

// x moved by `steps` doubles (towards +infinity when positive).
inline double step(double x, int steps) {
  const double towards = steps < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  for (int k = steps < 0 ? -steps : steps; k > 0; --k) x = std::nextafter(x, towards);
  return x;
}

inline std::string decimal_digits(Random& random, int count, bool leading_nonzero) {
  std::string out;
  for (int k = 0; k < count; ++k) {
    const int lo = (k == 0 && leading_nonzero) ? 1 : 0;
    out += static_cast<char>('0' + random.between(lo, 9));
  }
  return out;
}

// The GBK full-width form of a printable ASCII character (A3 A1 .. A3 FE).
inline std::string full_width(char c) {
  return std::string{'\xA3', static_cast<char>(static_cast<unsigned char>(c) + 0x80)};
}

// The exact decimal value of n * 2^e as "<digits>e<exponent>": n * 5^-e * 10^e when e < 0.
inline std::string exact_decimal(std::uint64_t n, int e) {
  std::string digits;  // least significant first
  for (; n != 0; n /= 10) digits += static_cast<char>('0' + n % 10);
  const int factor = e < 0 ? 5 : 2;
  for (int k = e < 0 ? -e : e; k > 0; --k) {
    int carry = 0;
    for (char& d : digits) {
      const int x = (d - '0') * factor + carry;
      d = static_cast<char>('0' + x % 10);
      carry = x / 10;
    }
    if (carry != 0) digits += static_cast<char>('0' + carry);
  }
  return std::string(digits.rbegin(), digits.rend()) + "e" + std::to_string(e < 0 ? e : 0);
}

// A decimal text on or right beside a midpoint between two adjacent floats, in full or cut short, or
// the text of the double next to the midpoint: here the decimal-to-double step decides the float, so
// a double that is one unit off shows.
inline std::string float_midpoint_text(Random& random) {
  float f = 0;
  do {
    f = float_from_bits(static_cast<std::uint32_t>(random.next() & 0x7FFF'FFFFu));
  } while (!std::isfinite(f) || f == std::numeric_limits<float>::max());
  const double next = static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()));
  double midpoint = (static_cast<double>(f) + next) / 2;  // exact: 25 bits
  const int variant = random.between(0, 4);
  if (variant == 3) midpoint = step(midpoint, random.chance(2) ? 1 : -1);
  if (variant == 4) {
    // The midpoint between the float midpoint and the double beside it: an exact tie for the
    // decimal-to-double step, whose answer (and so the float) turns on every one of its digits.
    int e = 0;
    const auto n = static_cast<std::uint64_t>(std::ldexp(std::frexp(midpoint, &e), 53));
    const bool above = random.chance(2);
    std::string text = exact_decimal(above ? 2 * n + 1 : 2 * n - 1, e - 54);
    if (random.chance(3)) {  // cut short (below the tie) or with a late non-zero digit (above it)
      const std::size_t point = text.find('e');
      std::string digits = text.substr(0, point);
      const int exponent = std::stoi(text.substr(point + 1));
      const int cut = random.between(1, static_cast<int>(digits.size()) - 1);
      const int dropped = static_cast<int>(digits.size()) - cut;
      if (random.chance(2)) {
        digits.resize(static_cast<std::size_t>(cut));
        text = digits + "e" + std::to_string(exponent + dropped);
      } else {
        text = digits + "0001e" + std::to_string(exponent - 4);
      }
    }
    return (random.chance(4) ? "-" : "") + text;
  }
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.250e", midpoint);  // every digit of it, and zeros after
  std::string text = buffer;
  const std::size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  const std::string exponent = text.substr(e);
  while (mantissa.back() == '0') mantissa.pop_back();
  if (variant == 1 && mantissa.size() > 20) mantissa.resize(static_cast<std::size_t>(random.between(18, static_cast<int>(mantissa.size()) - 1)));
  if (variant == 2) mantissa += std::string(static_cast<std::size_t>(random.between(0, 30)), '0') + "1";
  return (random.chance(4) ? "-" : "") + mantissa + exponent;
}

// A price as a user types or pastes it: 1 to 15 significant digits, 1e-6 to 1e9, with or without
// sign, point, exponent (e, E, d, D), white space before and junk after; at times in full-width
// GBK forms, at times with many digits or a huge exponent, at times only noise.
inline std::string typed_price(Random& random) {
  static constexpr std::array<std::string_view, 22> junk = {
      "xyz", "%", ",5", "\xA1\xA3" "5", ".", "e", "e+", "E-", "d", "..5", "\xD4\xAA", " 5", "\xB0",
      "\xA3\xAC" "3", "-", "+1", "e5x", "D-", "\t", "\xA1\xA1" "1", "\xA3\xAE" "5", "0x1"};
  static constexpr std::string_view noise_bytes = "0123456789.+-eEdD \t\n,x\xA1\xA3\xAD\xAE\xB0\xB5";
  if (random.chance(40)) {  // noise made of the bytes that matter
    std::string out;
    for (int n = random.between(0, 12); n > 0; --n) out += noise_bytes[random.below(noise_bytes.size())];
    return out;
  }
  if (random.chance(12)) return float_midpoint_text(random);
  if (random.chance(200)) {
    // Hundreds of digits, a few significant ones then a long run of zeros and a late non-zero one:
    // the reading keeps a limited number of digits and must still round as if it kept them all.
    std::string out = random.chance(2) ? "." : "0.";
    if (random.chance(2)) out = decimal_digits(random, random.between(1, 3), true) + ".";
    out += decimal_digits(random, random.between(1, 4), true);
    out += std::string(static_cast<std::size_t>(random.between(700, 900)), '0');
    out += decimal_digits(random, random.between(1, 20), true);
    if (random.chance(3)) out += "e-" + std::to_string(random.between(1, 320));
    return out;
  }
  const int significant = random.chance(30) ? random.between(16, 40) : random.between(1, 15);
  std::string digits = decimal_digits(random, significant, true);
  const int exponent = random.between(-6, 8);  // of the first digit: 1e-6 <= value < 1e9
  std::string number;
  if (random.chance(4)) {
    // Exponent form: the point after a random digit and the exponent made up for it.
    const int point = random.between(1, significant);
    number = digits.substr(0, static_cast<std::size_t>(point));
    if (point < significant || random.chance(3)) number += "." + digits.substr(static_cast<std::size_t>(point));
    static constexpr char letters[] = "eEdD";
    number += letters[random.below(4)];
    const int e = exponent - (point - 1) + (random.chance(20) ? random.between(-400, 400) : 0);
    if (e < 0) {
      number += '-';
    } else if (random.chance(3)) {
      number += '+';
    }
    if (random.chance(8)) number += std::string(static_cast<std::size_t>(random.between(1, 3)), '0');
    number += std::to_string(e < 0 ? -e : e);
  } else if (exponent >= significant - 1) {
    number = digits + std::string(static_cast<std::size_t>(exponent - significant + 1), '0');
    if (random.chance(4)) number += "." + std::string(static_cast<std::size_t>(random.between(0, 3)), '0');
  } else if (exponent >= 0) {
    const auto whole = static_cast<std::size_t>(exponent + 1);
    number = digits.substr(0, whole) + "." + digits.substr(whole);
  } else {
    number = (random.chance(3) ? "." : "0.") + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  if (random.chance(10)) number = std::string(static_cast<std::size_t>(random.between(1, 3)), '0') + number;
  const int sign = random.between(0, 5);
  if (sign == 0) number = "-" + number;
  if (sign == 1) number = "+" + number;
  if (random.chance(5)) number = "0";
  if (random.chance(40)) number = "-0" + std::string(random.chance(2) ? ".00" : "e7");
  if (random.chance(4)) {  // full-width forms, for every character or for some
    const bool all = random.chance(2);
    std::string wide;
    for (const char c : number) wide += (all || random.chance(2)) ? full_width(c) : std::string(1, c);
    number = wide;
  }
  std::string out;
  switch (random.below(8)) {
    case 0: out = " "; break;
    case 1: out = "\t "; break;
    case 2: out = "\xA1\xA1"; break;
    default: break;
  }
  out += number;
  if (random.chance(3)) out += junk[random.below(junk.size())];
  return out;
}

// What a number box can hold: typed characters pass only digits, "-" and "."; pastes anything.
inline std::string box_text(Random& random) {
  if (random.chance(2)) return typed_price(random);
  static constexpr std::string_view typed = "0123456789-.";
  std::string out;
  for (int n = random.between(0, 14); n > 0; --n) out += typed[random.below(typed.size())];
  return out;
}

// A double from its bits: every class (zeros, subnormals, normals, infinities, NaNs).
inline double any_double(Random& random) { return double_from_bits(random.next()); }

// The double nearest to "<digits>e<exponent>".
inline double decimal(const std::string& digits, int exponent) {
  const std::string text = digits + "e" + std::to_string(exponent);
  return std::strtod(text.c_str(), nullptr);
}
// The same with two random digits appended: "<digits>dde<exponent>".
inline double decimal(const std::string& digits, int exponent, Random& random) {
  return decimal(digits + decimal_digits(random, 2, false), exponent);
}

inline double with_random_sign(Random& random, double x) { return random.chance(2) ? -x : x; }

// Doubles on and next to the halves of the two-place rounding (k/200), at every magnitude the ladder
// and the percentage produce, plus the places where the nudge stops working (t near 16384) and where
// the scaled value overflows.
inline double near_two_place_half(Random& random) {
  double x = 0;
  switch (random.below(6)) {
    case 0:
    case 1:
    case 2: {
      const int magnitude = random.between(1, 16);
      std::uint64_t limit = 1;
      for (int k = 0; k < magnitude; ++k) limit *= 10;
      x = static_cast<double>(random.below(limit) | 1) / 200.0;
      break;
    }
    case 3: {
      const std::string digits = decimal_digits(random, random.between(1, 12), true) + "5";
      x = decimal(digits, -random.between(3, 8));
      break;
    }
    case 4: x = random.chance(2) ? 163.84 + static_cast<double>(random.between(-50, 50)) / 200 : 1.7976931348623157e306; break;
    default: x = any_double(random); break;
  }
  return with_random_sign(random, step(x, random.between(-3, 3)));
}

// Doubles on and next to the halves that decide a written text: the 14th (or 7th) digit of the 17
// correctly rounded ones, the 18th digit, the patterns ...4999|5 that only the double rounding carries,
// round numbers and powers of ten, and any bits at all.
inline double near_text_half(Random& random) {
  double x = 0;
  const int exponent = random.chance(8) ? random.between(-330, 310) : random.between(-20, 20);
  switch (random.below(8)) {
    case 0: x = decimal(decimal_digits(random, 13, true) + "5", exponent); break;
    case 1: x = decimal(decimal_digits(random, 13, true) + "4999", exponent, random); break;
    case 2: x = decimal(decimal_digits(random, 17, true) + "5", exponent); break;
    case 3: x = decimal(decimal_digits(random, 6, true) + "5", exponent); break;
    case 4: x = decimal(decimal_digits(random, 6, true) + "4999999999", exponent, random); break;
    case 5: x = decimal("1", random.between(-25, 25)); break;
    case 6: x = static_cast<double>(random.below(100'000'000)) / 100.0; break;
    default: x = any_double(random); break;
  }
  if (!std::isnan(x)) x = with_random_sign(random, step(x, random.between(-2, 2)));
  return x;
}

// A float of any class but NaN, or one near the halves of the six-digit rounding.
inline float six_digit_float(Random& random) {
  if (random.chance(2)) {
    float f = 0;
    do {
      f = float_from_bits(static_cast<std::uint32_t>(random.next()));
    } while (std::isnan(f));
    return f;
  }
  std::string text = decimal_digits(random, 6, true) + "5e";
  text += std::to_string(random.between(-45, 32));
  float f = std::strtof(text.c_str(), nullptr);
  const float towards = random.chance(2) ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  for (int k = random.between(0, 2); k > 0; --k) f = std::nextafter(f, towards);
  return random.chance(2) ? -f : f;
}

// A price as the calculator holds it, from a typed text or from any non-NaN bits.
inline float held_price(Random& random, float (*read)(std::string_view)) {
  if (random.chance(5)) return six_digit_float(random);
  return read(typed_price(random));
}

// Operand pairs for the extended operations: every class, special values, pairs whose results fall
// on double midpoints (far-apart exponents for sums, long products), subnormal and overflowing results.
struct Operands {
  double a;
  double b;
};
inline double special_double(Random& random) {
  static constexpr std::array<std::uint64_t, 16> specials = {
      0x0000'0000'0000'0000u, 0x8000'0000'0000'0000u, 0x7FF0'0000'0000'0000u, 0xFFF0'0000'0000'0000u,
      0xFFF8'0000'0000'0000u, 0x7FF8'0000'0000'0000u, 0x7FF0'0000'0000'0001u, 0xFFF4'0000'0000'1234u,
      0x7FEF'FFFF'FFFF'FFFFu, 0x0010'0000'0000'0000u, 0x0000'0000'0000'0001u, 0x000F'FFFF'FFFF'FFFFu,
      0x3FF0'0000'0000'0000u, 0x4059'0000'0000'0000u, 0xBFF0'0000'0000'0000u, 0x3FF1'9999'9999'999Au};
  return double_from_bits(specials[random.below(specials.size())]);
}
inline double moderate_double(Random& random) {
  const double mantissa = static_cast<double>(random.next() >> 11);  // 53 random bits
  return with_random_sign(random, std::ldexp(mantissa, random.between(-60, 60) - 52));
}
// A product that the extended step rounds onto a double midpoint (and the store then to even), or that
// lies just beside one. With A odd, B = T * A^-1 mod 2^(11+r) makes the low 11+r bits of A * B equal
// T = 2^(10+r) +- 1; when the product has exactly 64 + r bits, those are the bits below the 53rd:
// a half plus or minus one unit beyond the 64th bit.
inline Operands midpoint_product(Random& random) {
  for (;;) {
    const std::uint64_t a = (random.next() >> 11) | (std::uint64_t{1} << 52) | 1;  // odd, 53 bits
    std::uint64_t inverse = a;                               // a * a == 1 mod 8: three bits right
    for (int k = 0; k < 5; ++k) inverse *= 2 - a * inverse;  // Newton: doubles the correct bits
    const int r = random.between(1, 42);
    const std::uint64_t low_mask = (std::uint64_t{1} << (11 + r)) - 1;
    const std::uint64_t half = std::uint64_t{1} << (10 + r);
    const std::uint64_t target = random.chance(2) ? half + 1 : half - 1;
    const std::uint64_t b = (target * inverse) & low_mask;
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    int length = 0;
    for (unsigned __int128 p = product; p != 0; p >>= 1) ++length;
    if (length != 64 + r) continue;
    const int shift = random.between(-120, 20);
    return {with_random_sign(random, std::ldexp(static_cast<double>(a), shift)),
            std::ldexp(static_cast<double>(b), -shift - 60)};
  }
}

// A quotient a / b that lies 1/b beside a double midpoint (in units of half the quotient's ulp), so
// that the extended step rounds it onto the midpoint. With b odd of nb bits and j = nb + 1, the odd
// 54-bit c = +-b^-1 mod 2^j makes b * c = A * 2^j +- 1; then a = A * 2^j has 53 bits and
// a / b = c -+ 1/b, where c is a midpoint.
inline Operands midpoint_quotient(Random& random) {
  const int nb = random.between(13, 52);
  const std::uint64_t b = (random.next() >> (64 - nb)) | (std::uint64_t{1} << (nb - 1)) | 1;
  std::uint64_t inverse = b;
  for (int k = 0; k < 5; ++k) inverse *= 2 - b * inverse;
  const bool below = random.chance(2);
  const int j = nb + 1;
  const std::uint64_t low_mask = (std::uint64_t{1} << j) - 1;
  const std::uint64_t low = (below ? inverse : 0 - inverse) & low_mask;
  const std::uint64_t c = (random.next() & ~low_mask & ((std::uint64_t{1} << 54) - 1)) | (std::uint64_t{1} << 53) | low;
  const unsigned __int128 product = static_cast<unsigned __int128>(b) * c;
  const unsigned __int128 exact = below ? product - 1 : product + 1;
  const auto a = static_cast<std::uint64_t>(exact >> j);
  const int shift = random.between(-200, 200);
  return {with_random_sign(random, std::ldexp(static_cast<double>(a), shift)),
          with_random_sign(random, std::ldexp(static_cast<double>(b), shift - random.between(-40, 40)))};
}

inline Operands extended_operands(Random& random) {
  switch (random.below(11)) {
    case 9: return midpoint_quotient(random);
    case 7: return midpoint_product(random);
    case 8: {  // subnormal operands
      const double a = with_random_sign(random, double_from_bits(random.next() >> 12));
      const double b = random.chance(2) ? with_random_sign(random, double_from_bits(random.next() >> 12))
                                        : moderate_double(random);
      return random.chance(2) ? Operands{a, b} : Operands{b, a};
    }
    case 0: return {any_double(random), any_double(random)};
    case 1: return {special_double(random), random.chance(2) ? special_double(random) : moderate_double(random)};
    case 2: return {moderate_double(random), special_double(random)};
    case 3: {
      // b about 2^-40 to 2^-66 of a: the sum's extended rounding often lands on a double midpoint.
      const double a = moderate_double(random);
      int e = 0;
      std::frexp(a, &e);
      const auto mantissa = static_cast<double>(random.next() >> 11);
      const double b = std::ldexp(mantissa, e - 53 - random.between(40, 66));
      return {a, with_random_sign(random, b)};
    }
    case 4: {  // results in the subnormal range
      const double a = moderate_double(random);
      const double b = moderate_double(random);
      return {std::ldexp(a, -random.between(900, 1060)), std::ldexp(b, -random.between(0, 60))};
    }
    case 5: {  // results that overflow
      const double a = moderate_double(random);
      const double b = moderate_double(random);
      return {std::ldexp(a, random.between(900, 1000)), std::ldexp(b, random.between(0, 60))};
    }
    case 6: {
      // A price times a ladder multiplier or a percentage step: the calculator's own operands.
      static constexpr std::array<double, 5> m = {1.1, 0.94, 1.07, 100.0, 0.99};
      std::string text = decimal_digits(random, random.between(1, 7), true) + "e";
      text += std::to_string(random.between(-6, 3));
      const float price = std::strtof(text.c_str(), nullptr);
      return {price, m[random.below(m.size())]};
    }
    default: return {moderate_double(random), moderate_double(random)};
  }
}

}  // namespace vantelo::cases

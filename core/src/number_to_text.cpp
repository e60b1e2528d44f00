// SPDX-License-Identifier: MIT
// Writing a double with a limited number of significant digits.
//
// First the magnitude is rounded to exactly 17 significant digits (an exact half rounds up); then
// those are cut to the wanted count, the next digit alone deciding (so the text is rounded twice).
// The 17 digits come from integer arithmetic: v = m * 2^e is scaled by 10^k in 128 bits when that
// fits (every price and percentage the window shows does), and by a small bignum otherwise.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "number_text.h"
#include "uint128.h"
#include "vantelo/price.h"

namespace vantelo {
namespace {

using detail::u128;

constexpr std::array<std::uint64_t, 20> pow10_64 = [] {
  std::array<std::uint64_t, 20> table{};
  std::uint64_t p = 1;
  for (auto& entry : table) {
    entry = p;
    p *= 10;
  }
  return table;
}();

constexpr u128 pow10_128(int k) noexcept {
  u128 p = 1;
  for (int i = 0; i < k; ++i) p *= 10;
  return p;
}

constexpr std::array<u128, 39> pow10_128_table = [] {
  std::array<u128, 39> table{};
  for (int k = 0; k < 39; ++k) table[static_cast<std::size_t>(k)] = pow10_128(k);
  return table;
}();

constexpr std::uint64_t digits17_low = pow10_64[16];   // 10^16: the smallest 17-digit number
constexpr std::uint64_t digits17_high = pow10_64[17];  // 10^17

// floor(log10(2^e)) for |e| <= 2620: 315653 / 2^20 is log10(2) rounded up to 20 bits (as in fmt).
constexpr int floor_log10_pow2(int e) noexcept { return (e * 315653) >> 20; }

// Natural numbers up to 1280 bits: enough for 10^340 * 2^54, the largest scaled value a subnormal
// needs (the smallest double, 2^-1074, has X = -324 and so k = 340).
class BigNat {
public:
  explicit BigNat(std::uint64_t value) noexcept {
    words_[0] = static_cast<std::uint32_t>(value);
    words_[1] = static_cast<std::uint32_t>(value >> 32);
  }

  void multiply(std::uint32_t factor) noexcept {
    std::uint64_t carry = 0;
    for (auto& w : words_) {
      const std::uint64_t product = std::uint64_t{w} * factor + carry;
      w = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
  }

  void multiply_pow10(int k) noexcept {
    for (; k >= 9; k -= 9) multiply(1'000'000'000);
    if (k > 0) multiply(static_cast<std::uint32_t>(pow10_64[static_cast<std::size_t>(k)]));
  }

  void shift_left(int bits) noexcept {
    const int word_shift = bits / 32;
    const int bit_shift = bits % 32;
    for (int i = count - 1; i >= 0; --i) {
      const int from = i - word_shift;
      std::uint64_t value = 0;
      if (from >= 0) value = std::uint64_t{words_[index(from)]} << bit_shift;
      if (from - 1 >= 0 && bit_shift != 0) value |= std::uint64_t{words_[index(from - 1)]} >> (32 - bit_shift);
      words_[index(i)] = static_cast<std::uint32_t>(value);
    }
  }

  friend bool operator>=(const BigNat& a, const BigNat& b) noexcept {
    for (int i = count - 1; i >= 0; --i) {
      if (a.words_[index(i)] != b.words_[index(i)]) return a.words_[index(i)] > b.words_[index(i)];
    }
    return true;
  }

  // *this -= other; requires *this >= other.
  void subtract(const BigNat& other) noexcept {
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < words_.size(); ++i) {
      const std::int64_t difference = std::int64_t{words_[i]} - other.words_[i] - borrow;
      borrow = difference < 0 ? 1 : 0;
      words_[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
    }
  }

private:
  static constexpr int count = 40;
  static constexpr std::size_t index(int i) noexcept { return static_cast<std::size_t>(i); }
  std::array<std::uint32_t, count> words_{};
};

struct Scaled {
  std::uint64_t whole;  // floor(v * 10^k)
  bool half_or_more;    // the part cut off is at least 1/2
};

// v * 10^k for v = m * 2^e, when 128 bits hold it; false otherwise.
bool scale_fast(std::uint64_t m, int e, int k, Scaled& out) noexcept {
  if (k >= 0 && k <= 22) {  // m < 2^53 and 10^22 < 2^74: m * 10^k < 2^127
    const u128 n = static_cast<u128>(m) * pow10_128_table[static_cast<std::size_t>(k)];
    if (e >= 0) {
      if (e >= 64 || (n >> (127 - e)) != 0) return false;
      const u128 shifted = n << e;
      if ((shifted >> 64) != 0) return false;
      out = {static_cast<std::uint64_t>(shifted), false};
      return true;
    }
    const int shift = -e;
    if (shift >= 128) return false;
    const u128 whole = n >> shift;
    if ((whole >> 64) != 0) return false;
    const u128 rest = n - (whole << shift);
    out = {static_cast<std::uint64_t>(whole), rest >= (static_cast<u128>(1) << (shift - 1))};
    return true;
  }
  if (k < 0 && k >= -38 && e >= 0 && e <= 74) {  // m * 2^e < 2^127
    const u128 n = static_cast<u128>(m) << e;
    const u128 divisor = pow10_128_table[static_cast<std::size_t>(-k)];
    const u128 whole = n / divisor;
    if ((whole >> 64) != 0) return false;
    const u128 rest = n - whole * divisor;
    out = {static_cast<std::uint64_t>(whole), rest >= divisor - rest};
    return true;
  }
  return false;
}

// The same with big numbers: (m * 2^e * 10^k) as numerator / denominator, quotient below 2^61.
[[gnu::noinline, gnu::cold]] Scaled scale_exact(std::uint64_t m, int e, int k) noexcept {
  BigNat numerator(m);
  BigNat denominator(1);
  if (e >= 0) numerator.shift_left(e); else denominator.shift_left(-e);
  if (k >= 0) numerator.multiply_pow10(k); else denominator.multiply_pow10(-k);
  std::uint64_t whole = 0;
  for (int bit = 60; bit >= 0; --bit) {
    BigNat step = denominator;
    step.shift_left(bit);
    if (numerator >= step) {
      numerator.subtract(step);
      whole |= std::uint64_t{1} << bit;
    }
  }
  numerator.shift_left(1);  // twice the remainder against the denominator
  return {whole, numerator >= denominator};
}

struct Digits17 {
  std::uint64_t digits;  // d1..d17 as an integer in [10^16, 10^17)
  int exponent;          // X: the magnitude is about d1.d2...d17 * 10^X
};

// The magnitude of a finite, non-zero double rounded to 17 significant digits, halves up.
Digits17 seventeen_digits(double value) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto field = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t m = bits & 0x000F'FFFF'FFFF'FFFF;
  int e;
  if (field != 0) {
    m |= std::uint64_t{1} << 52;
    e = field - 1075;
  } else {
    e = -1074;
  }
  const int log2_floor = e + 63 - std::countl_zero(m);
  // 10^X <= v < 10^(X+1), and X is floor(log10 2^log2_floor) or one more.
  int exponent = floor_log10_pow2(log2_floor);
  Scaled scaled{};
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = 16 - exponent;
    if (!scale_fast(m, e, k, scaled)) scaled = scale_exact(m, e, k);
    if (scaled.whole >= digits17_high) {
      ++exponent;
    } else if (scaled.whole < digits17_low) {
      --exponent;
    } else {
      break;
    }
  }
  std::uint64_t digits = scaled.whole + (scaled.half_or_more ? 1 : 0);
  if (digits == digits17_high) {
    digits = digits17_low;
    ++exponent;
  }
  return {digits, exponent};
}

constexpr std::array<char, 200> digit_pairs = [] {
  std::array<char, 200> table{};
  for (std::size_t i = 0; i < 100; ++i) {
    table[2 * i] = static_cast<char>('0' + i / 10);
    table[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return table;
}();

// The count (1 to 17) decimal digits of value, leading zeros included, two at a time.
void write_digits(std::uint64_t value, int count, char* out) noexcept {
  int pos = count;
  while (pos >= 2) {
    const std::size_t pair = static_cast<std::size_t>(value % 100) * 2;
    value /= 100;
    pos -= 2;
    out[pos] = digit_pairs[pair];
    out[pos + 1] = digit_pairs[pair + 1];
  }
  if (pos == 1) out[0] = static_cast<char>('0' + value % 10);
}

// The text of an infinity or a NaN.
std::string_view fixed_text(std::uint64_t bits) noexcept {
  const bool negative = (bits >> 63) != 0;
  if ((bits & 0x000F'FFFF'FFFF'FFFF) == 0) return negative ? "-1.#INF" : "1.#INF";
  if (bits == 0xFFF8'0000'0000'0000) return "-1.#IND";  // the default NaN
  const bool quiet = (bits & 0x0008'0000'0000'0000) != 0;
  if (quiet) return negative ? "-1.#QNAN" : "1.#QNAN";
  return negative ? "-1.#SNAN" : "1.#SNAN";
}

// Cuts 17 digits to n, the (n+1)-th digit alone deciding; a carry out of d1 raises the exponent.
// Written for a constant n so that the divisions become multiplications.
template <int n>
void cut_to(std::uint64_t& digits, int& exponent) noexcept {
  constexpr std::uint64_t next_divisor = pow10_64[static_cast<std::size_t>(16 - n)];
  constexpr std::uint64_t all_nines_plus_one = pow10_64[static_cast<std::size_t>(n)];
  const std::uint64_t next_and_rest = digits / next_divisor;
  digits = next_and_rest / 10;
  if (next_and_rest % 10 >= 5) {
    ++digits;
    if (digits == all_nines_plus_one) {
      digits = pow10_64[static_cast<std::size_t>(n - 1)];
      ++exponent;
    }
  }
}

// cut_to<n> for a run-time n of 1 to 16 (17 keeps every digit).
template <int... below>
void cut_to_any(int n, std::uint64_t& digits, int& exponent, std::integer_sequence<int, below...>) noexcept {
  ((n == below + 1 ? cut_to<below + 1>(digits, exponent) : void()), ...);
}

}  // namespace

namespace detail {

std::size_t write_number_text(double value, int significant_digits, char* out) noexcept {
  if (value == 0) {
    out[0] = '0';
    return 1;
  }
  const auto bits = std::bit_cast<std::uint64_t>(value);
  if (((bits >> 52) & 0x7FF) == 0x7FF) {
    const std::string_view text = fixed_text(bits);
    std::memcpy(out, text.data(), text.size());
    return text.size();
  }

  const int n = significant_digits < 1 ? 1 : (significant_digits > 17 ? 17 : significant_digits);
  auto [digits, exponent] = seventeen_digits(value);
  cut_to_any(n, digits, exponent, std::make_integer_sequence<int, 16>{});

  // Without their trailing zeros (d1 is never zero), then as characters.
  int length = n;
  while (length >= 3 && digits % 100 == 0) {
    digits /= 100;
    length -= 2;
  }
  if (length >= 2 && digits % 10 == 0) {
    digits /= 10;
    --length;
  }
  std::array<char, 17> digit_chars{};
  write_digits(digits, length, digit_chars.data());

  std::size_t pos = 0;
  const auto put = [&](char c) { out[pos++] = c; };
  const auto put_digits = [&](int from, int to) {
    for (int i = from; i < to; ++i) put(digit_chars[static_cast<std::size_t>(i)]);
  };
  if ((bits >> 63) != 0) put('-');
  if (exponent < -4 || exponent >= n) {
    put(digit_chars[0]);
    if (length > 1) {
      put('.');
      put_digits(1, length);
    }
    put('e');
    put(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    put(static_cast<char>('0' + magnitude / 100));
    put(static_cast<char>('0' + magnitude / 10 % 10));
    put(static_cast<char>('0' + magnitude % 10));
  } else if (exponent >= 0) {
    const int whole_digits = exponent + 1;
    for (int i = 0; i < whole_digits; ++i) put(i < length ? digit_chars[static_cast<std::size_t>(i)] : '0');
    if (length > whole_digits) {
      put('.');
      put_digits(whole_digits, length);
    }
  } else {
    put('0');
    put('.');
    for (int i = 0; i < -exponent - 1; ++i) put('0');
    put_digits(0, length);
  }
  return pos;
}

}  // namespace detail

Text number_to_text(double value, int significant_digits) {
  char text[detail::number_text_capacity];
  return Text(text, detail::write_number_text(value, significant_digits, text));
}

Text number_to_text(double value) { return number_to_text(value, 13); }

}  // namespace vantelo

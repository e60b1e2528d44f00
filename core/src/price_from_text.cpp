// SPDX-License-Identifier: MIT
// Reading a typed text as a price. The text is read through a folding cursor (no copy is made), the
// number's digits are gathered into a short decimal "<digits>e<exponent>" and that is converted by
// std::from_chars, which rounds correctly and ignores the locale. Every byte is looked at once, so a
// megabyte of digits costs a megabyte's scan and an 800-digit conversion.
#include <array>
#include <charconv>
#include <limits>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "text_util.h"
#include "vantelo/price.h"

namespace vantelo {
namespace {

// Folded bytes, one at a time. A lead byte (0x80 or above) takes the next byte with it; when the
// text ends right after a lead byte, the lone byte is dropped.
class Cursor {
public:
  Cursor(std::string_view text, bool fold) noexcept : text_(text), fold_(fold) {}

  // The current folded byte, or -1 at the end of the text.
  int peek() const noexcept {
    if (pos_ >= text_.size()) return -1;
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    if (lead < 0x80 || !fold_) return lead;
    if (pos_ + 1 >= text_.size()) return -1;  // lone lead byte at the end: dropped
    const auto trail = static_cast<unsigned char>(text_[pos_ + 1]);
    if (lead == 0xA1) {
      switch (trail) {
        case 0xA1: return ' ';    // ideographic space
        case 0xAB: return '~';    // full-width tilde
        case 0xEE:                // white star
        case 0xEF: return '*';    // black star
        default: break;
      }
    } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      return trail - 0x80;  // the full-width forms of printable ASCII
    }
    return lead;  // an unfolded two-byte character; its lead byte ends any number
  }

  void advance() noexcept {
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    pos_ += (lead >= 0x80 && fold_) ? 2 : 1;
  }

  std::size_t position() const noexcept { return pos_; }
  void rewind(std::size_t pos) noexcept { pos_ = pos; }

private:
  std::string_view text_;
  bool fold_;
  std::size_t pos_ = 0;
};

bool is_digit(int c) noexcept { return c >= '0' && c <= '9'; }
bool is_space(int c) noexcept { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

// Any double is decided by at most 767 significant decimal digits, so 800 kept digits plus one
// stand-in digit for "something non-zero follows" round exactly as the full number does.
constexpr std::size_t kept_digit_limit = 800;
// Exponents beyond this magnitude overflow or underflow in any case.
constexpr std::int64_t exponent_limit = 5200;

double read_double(Cursor& in) noexcept {
  while (is_space(in.peek())) in.advance();
  bool negative = false;
  if (in.peek() == '+' || in.peek() == '-') {
    negative = in.peek() == '-';
    in.advance();
  }

  // The number is int(digits) * 10^exponent; leading zeros are not kept, trailing ones are trimmed.
  std::array<char, kept_digit_limit + 1 + 16> buffer{};
  std::size_t kept = 0;
  bool dropped_non_zero = false;
  std::int64_t exponent = 0;
  bool any_digit = false;

  while (is_digit(in.peek())) {
    const int c = in.peek();
    any_digit = true;
    if (kept == 0 && c == '0') {
      // leading zero: no effect
    } else if (kept < kept_digit_limit) {
      buffer[kept++] = static_cast<char>(c);
    } else {
      ++exponent;
      dropped_non_zero |= c != '0';
    }
    in.advance();
  }
  if (in.peek() == '.') {
    const std::size_t point = in.position();
    in.advance();
    bool fraction_digit = false;
    while (is_digit(in.peek())) {
      const int c = in.peek();
      fraction_digit = true;
      if (kept == 0 && c == '0') {
        --exponent;
      } else if (kept < kept_digit_limit) {
        buffer[kept++] = static_cast<char>(c);
        --exponent;
      } else {
        dropped_non_zero |= c != '0';
      }
      in.advance();
    }
    // "." needs a digit on one side of it; "+." and "." hold no number.
    if (!any_digit && !fraction_digit) in.rewind(point);
    any_digit |= fraction_digit;
  }
  if (!any_digit) return 0.0;

  const int letter = in.peek();
  if (letter == 'e' || letter == 'E' || letter == 'd' || letter == 'D') {
    const std::size_t start = in.position();
    in.advance();
    bool exponent_negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
      exponent_negative = in.peek() == '-';
      in.advance();
    }
    if (is_digit(in.peek())) {
      std::int64_t magnitude = 0;
      while (is_digit(in.peek())) {
        magnitude = magnitude * 10 + (in.peek() - '0');
        if (magnitude > exponent_limit) magnitude = exponent_limit + 1;
        in.advance();
      }
      exponent += exponent_negative ? -magnitude : magnitude;
    } else {
      in.rewind(start);  // "1e" and "1e+" end before the letter
    }
  }

  // The stand-in for dropped non-zero digits goes right after the 800th kept digit, before trailing
  // zeros are trimmed: trimming first would move it up next to the last non-zero kept digit.
  if (dropped_non_zero) {
    buffer[kept++] = '1';
    --exponent;
  }
  while (kept > 0 && buffer[kept - 1] == '0') {
    --kept;
    ++exponent;
  }
  if (kept == 0) return negative ? -0.0 : 0.0;

  // The value lies in [10^(kept-1+exponent), 10^(kept+exponent)).
  const std::int64_t magnitude_order = static_cast<std::int64_t>(kept) + exponent;
  double value;
  if (magnitude_order > 400) {
    value = std::numeric_limits<double>::infinity();
  } else if (magnitude_order < -400) {
    value = 0.0;
  } else {
    char* const end = buffer.data() + buffer.size();
    char* out = buffer.data() + kept;
    *out++ = 'e';
    out = std::to_chars(out, end, exponent).ptr;
    const auto result = std::from_chars(buffer.data(), out, value);
    if (result.ec == std::errc::result_out_of_range) {
      value = magnitude_order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
  }
  return negative ? -value : value;
}

float price_from(std::string_view text, bool fold) noexcept {
  Cursor in(detail::up_to_nul(text), fold);
  // Nearest double, then nearest float: overflow gives an infinity, underflow a zero of the sign.
  return static_cast<float>(read_double(in));
}

}  // namespace

float price_from_text(std::string_view text) noexcept { return price_from(text, true); }

float price_from_plain_text(std::string_view text) noexcept { return price_from(text, false); }

}  // namespace vantelo

// SPDX-License-Identifier: MIT
#include "mpfr_reference.h"

#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vantelo::reference {
namespace {

// An mpfr_t that clears itself.
class Mp {
public:
  explicit Mp(mpfr_prec_t precision) { mpfr_init2(value_, precision); }
  ~Mp() { mpfr_clear(value_); }
  Mp(const Mp&) = delete;
  Mp& operator=(const Mp&) = delete;
  operator mpfr_ptr() { return value_; }
  operator mpfr_srcptr() const { return value_; }

private:
  mpfr_t value_;
};

// Sets MPFR's exponent range for a scope and puts the previous one back.
class ExponentRange {
public:
  ExponentRange(mpfr_exp_t emin, mpfr_exp_t emax) : emin_(mpfr_get_emin()), emax_(mpfr_get_emax()) {
    if (mpfr_set_emin(emin) != 0 || mpfr_set_emax(emax) != 0) throw std::logic_error("exponent range");
  }
  ~ExponentRange() {
    mpfr_set_emin(emin_);
    mpfr_set_emax(emax_);
  }
  ExponentRange(const ExponentRange&) = delete;
  ExponentRange& operator=(const ExponentRange&) = delete;
  // The widest range MPFR has: no rounding step of a double-sized operand can leave it, so the
  // 64-bit step below has, in effect, an unbounded exponent.
  static ExponentRange widest() { return {mpfr_get_emin_min(), mpfr_get_emax_max()}; }

private:
  mpfr_exp_t emin_;
  mpfr_exp_t emax_;
};

constexpr mpfr_prec_t extended_bits = 64;
constexpr mpfr_prec_t double_bits = 53;
constexpr mpfr_prec_t float_bits = 24;
// MPFR writes values as 0.1xxx * 2^e. The largest double is just below 2^1024 (e = 1024); the
// smallest subnormal is 2^-1074 = 0.1 * 2^-1073. For floats: below 2^128 and 2^-149 = 0.1 * 2^-148.
constexpr mpfr_exp_t double_emin = -1073;
constexpr mpfr_exp_t double_emax = 1024;
constexpr mpfr_exp_t float_emin = -148;
constexpr mpfr_exp_t float_emax = 128;

std::uint64_t bits_of(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}
double double_of(std::uint64_t b) {
  double d;
  std::memcpy(&d, &b, sizeof d);
  return d;
}

double default_nan() { return double_of(default_nan_bits); }

// d holds a 53-bit value rounded with ternary t in an unbounded exponent range; bring it into the
// double's range with gradual underflow (one rounding of the unrounded value, not two).
double narrow_to_double(mpfr_ptr d, int t) {
  ExponentRange range(double_emin, double_emax);
  t = mpfr_check_range(d, t, MPFR_RNDN);
  mpfr_subnormalize(d, t, MPFR_RNDN);
  return mpfr_get_d(d, MPFR_RNDN);  // exact: d is a double now
}

// The store of an extended value: round x (any precision) to the nearest double, ties to even.
double store_double(mpfr_srcptr x) {
  if (mpfr_nan_p(x)) return default_nan();
  Mp d(double_bits);
  const int t = mpfr_set(d, x, MPFR_RNDN);
  return narrow_to_double(d, t);
}

float store_float(mpfr_srcptr x) {
  Mp f(float_bits);
  int t = mpfr_set(f, x, MPFR_RNDN);
  ExponentRange range(float_emin, float_emax);
  t = mpfr_check_range(f, t, MPFR_RNDN);
  mpfr_subnormalize(f, t, MPFR_RNDN);
  return mpfr_get_flt(f, MPFR_RNDN);
}

double quieted(double nan) { return double_of(bits_of(nan) | 0x0008'0000'0000'0000u); }

enum class Operation { add, subtract, multiply, divide };

double extended(Operation op, double a, double b) {
  if (std::isnan(a)) return quieted(a);
  if (std::isnan(b)) return quieted(b);
  auto wide = ExponentRange::widest();
  Mp x(double_bits), y(double_bits), r(extended_bits);
  mpfr_set_d(x, a, MPFR_RNDN);
  mpfr_set_d(y, b, MPFR_RNDN);
  switch (op) {
    case Operation::add: mpfr_add(r, x, y, MPFR_RNDN); break;
    case Operation::subtract: mpfr_sub(r, x, y, MPFR_RNDN); break;
    case Operation::multiply: mpfr_mul(r, x, y, MPFR_RNDN); break;
    case Operation::divide: mpfr_div(r, x, y, MPFR_RNDN); break;
  }
  return store_double(r);  // a NaN here is an invalid operation: the default NaN
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The readable number at the start of text as "[-]int.frac e exp" for mpfr_strtofr, or an empty
// string when there is none. Stops at the first NUL.
std::string scan_number(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && is_space(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string whole, fraction;
  while (i < n && is_digit(text[i])) whole += text[i++];
  if (i < n && text[i] == '.') {
    std::size_t j = i + 1;
    while (j < n && is_digit(text[j])) fraction += text[j++];
    if (!whole.empty() || !fraction.empty()) i = j;
  }
  if (whole.empty() && fraction.empty()) return {};
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    bool exponent_negative = false;
    if (j < n && (text[j] == '+' || text[j] == '-')) {
      exponent_negative = text[j] == '-';
      ++j;
    }
    if (j < n && is_digit(text[j])) {
      long magnitude = 0;
      for (; j < n && is_digit(text[j]); ++j) {
        magnitude = magnitude * 10 + (text[j] - '0');
        if (magnitude > 5200) magnitude = 5201;  // saturates: more digits keep it above 5200
      }
      exponent = exponent_negative ? -magnitude : magnitude;
    }
  }
  std::string out = negative ? "-" : "";
  out += whole.empty() ? "0" : whole;
  out += '.';
  out += fraction.empty() ? "0" : fraction;
  out += 'e';
  out += std::to_string(exponent);
  return out;
}

// Full-width folding of a GBK text, up to the first NUL.
std::string fold_full_width(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] == '\0') break;  // a lone lead byte is dropped
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    ++i;
    if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out += '*';
    } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0x80);
    } else {
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

// Adds one to the decimal digit string with carry; returns true when it carried out of the first digit
// (the string is then "1000...").
bool increment(std::string& digits) {
  for (std::size_t k = digits.size(); k-- > 0;) {
    if (digits[k] != '9') {
      ++digits[k];
      return false;
    }
    digits[k] = '0';
  }
  digits.insert(digits.begin(), '1');
  digits.pop_back();
  return true;
}

// Rounds the digit string to `count` digits, half up (the next digit decides: exact halves go up).
void round_half_up(Decimal& d, std::size_t count) {
  const bool up = d.digits.size() > count && d.digits[count] >= '5';
  d.digits.resize(count, '0');
  if (up && increment(d.digits)) ++d.exponent;
}

std::string format(const Decimal& d, int significant_digits, bool negative) {
  std::string out = negative ? "-" : "";
  const int x = d.exponent;
  auto trim = [](std::string s) {
    if (s.find('.') == std::string::npos) return s;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
  };
  if (x < -4 || x >= significant_digits) {
    std::string mantissa = d.digits.substr(0, 1) + "." + d.digits.substr(1);
    std::string exponent = std::to_string(x < 0 ? -x : x);
    while (exponent.size() < 3) exponent.insert(exponent.begin(), '0');
    return out + trim(mantissa) + "e" + (x < 0 ? "-" : "+") + exponent;
  }
  if (x >= 0) {
    const auto whole = static_cast<std::size_t>(x + 1);
    return out + trim(d.digits.substr(0, whole) + "." + d.digits.substr(whole));
  }
  return out + trim("0." + std::string(static_cast<std::size_t>(-x - 1), '0') + d.digits);
}

}  // namespace

double extended_add(double a, double b) { return extended(Operation::add, a, b); }
double extended_subtract(double a, double b) { return extended(Operation::subtract, a, b); }
double extended_multiply(double a, double b) { return extended(Operation::multiply, a, b); }
double extended_divide(double a, double b) { return extended(Operation::divide, a, b); }

double double_from_plain_text(std::string_view text) {
  const std::string number = scan_number(text);
  if (number.empty()) return 0.0;
  auto wide = ExponentRange::widest();
  Mp d(double_bits);
  const int t = mpfr_strtofr(d, number.c_str(), nullptr, 10, MPFR_RNDN);
  return narrow_to_double(d, t);
}

float price_from_plain_text(std::string_view text) {
  auto wide = ExponentRange::widest();
  Mp d(double_bits);
  mpfr_set_d(d, double_from_plain_text(text), MPFR_RNDN);
  return store_float(d);
}

float price_from_text(std::string_view text) { return price_from_plain_text(fold_full_width(text)); }

double round_to_places(double value) {
  if (value == 0.0 || std::isnan(value)) return value;
  const bool negative = std::signbit(value);
  const double a = std::fabs(value);
  if (std::isinf(a)) return value;
  auto wide = ExponentRange::widest();
  // 100 - 2^-57: the largest 64-bit value below 100. Scaling by it instead of 100 leaves every
  // product that is not an exact double midpoint on the same side, and moves an exact midpoint just
  // below itself, so the store takes the double of smaller magnitude.
  Mp scale(extended_bits), x(double_bits), product(extended_bits);
  mpfr_set_ui(scale, 100, MPFR_RNDN);
  mpfr_sub_d(scale, scale, std::ldexp(1.0, -57), MPFR_RNDN);
  mpfr_set_d(x, a, MPFR_RNDN);
  mpfr_mul(product, x, scale, MPFR_RNDN);
  const double t = store_double(product);
  if (std::isinf(t)) return negative ? -t : t;
  Mp nudge_exact(double_bits);
  mpfr_set_str(nudge_exact, "1e-12", 10, MPFR_RNDN);
  const double nudge = mpfr_get_d(nudge_exact, MPFR_RNDN);
  const double u = extended_add(t, nudge);
  const double i = std::trunc(u);
  const double f = u - i;  // exact
  const double r = f >= 0.5 ? i + 1.0 : i;  // exact: a fraction exists only below 2^52
  const double result = extended_divide(r, 100.0);
  return negative ? -result : result;
}

Decimal round_decimal_half_up(double value, int digits) {
  // Rounding half up needs the digits truncated one place further: the digit after the last one kept
  // is 5 or more exactly when the exact remainder is a half or more. MPFR's rounding toward zero
  // gives those digits exactly, whatever follows them.
  auto wide = ExponentRange::widest();
  Mp x(double_bits);
  mpfr_set_d(x, std::fabs(value), MPFR_RNDN);
  const auto n = static_cast<std::size_t>(digits) + 1;
  std::vector<char> buffer(n + 2);
  mpfr_exp_t exponent = 0;
  mpfr_get_str(buffer.data(), &exponent, 10, n, x, MPFR_RNDZ);
  Decimal d{buffer.data(), static_cast<int>(exponent) - 1};
  round_half_up(d, static_cast<std::size_t>(digits));
  return d;
}

std::string number_to_text(double value, int significant_digits) {
  const std::uint64_t bits = bits_of(value);
  const bool negative = (bits >> 63) != 0;
  if (value == 0.0) return "0";
  if (std::isinf(value)) return negative ? "-1.#INF" : "1.#INF";
  if (std::isnan(value)) {
    if (bits == default_nan_bits) return "-1.#IND";
    const bool quiet = (bits & 0x0008'0000'0000'0000u) != 0;
    return std::string(negative ? "-" : "") + (quiet ? "1.#QNAN" : "1.#SNAN");
  }
  Decimal d = round_decimal_half_up(value, 17);
  round_half_up(d, static_cast<std::size_t>(significant_digits));
  return format(d, significant_digits, negative);
}

double round_to_six_digits(float x) {
  auto wide = ExponentRange::widest();
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int field = static_cast<int>((bits >> 23) & 0xFF);
  int e2 = field - 127;
  if (e2 == 128) e2 = -128;  // an 8-bit exponent: the infinity's field wraps

  Mp log10_2(double_bits), two(double_bits);
  mpfr_set_ui(two, 2, MPFR_RNDN);
  mpfr_log10(log10_2, two, MPFR_RNDN);
  Mp product(extended_bits);
  mpfr_mul_si(product, log10_2, e2, MPFR_RNDN);
  mpfr_trunc(product, product);
  long e10 = mpfr_get_si(product, MPFR_RNDZ);

  Mp p(extended_bits), m(extended_bits), magnitude(float_bits);
  {
    Mp power(double_bits);
    mpfr_ui_pow_ui(power, 10, static_cast<unsigned long>(e10 < 0 ? -e10 : e10), MPFR_RNDN);
    mpfr_set(p, power, MPFR_RNDN);
  }
  mpfr_set_flt(magnitude, std::fabs(x), MPFR_RNDN);
  if (e10 > 0) {
    mpfr_div(m, magnitude, p, MPFR_RNDN);
  } else {
    mpfr_mul(m, magnitude, p, MPFR_RNDN);
  }
  if (mpfr_cmp_ui(m, 10) >= 0) {
    mpfr_mul_ui(p, p, 10, MPFR_RNDN);
    ++e10;
    mpfr_mul_ui(m, m, 10000, MPFR_RNDN);
  } else if (mpfr_cmp_ui(m, 1) < 0) {
    mpfr_mul_ui(p, p, 10, MPFR_RNDN);
    --e10;
    mpfr_mul_ui(m, m, 1000000, MPFR_RNDN);
  } else {
    mpfr_mul_ui(m, m, 100000, MPFR_RNDN);
  }
  const double md = store_double(m);
  double i = std::trunc(md);
  const double f = md - i;
  if (f >= 0.5) i += 1.0;
  if (x < 0.0f) mpfr_neg(p, p, MPFR_RNDN);

  Mp factor(extended_bits), r(extended_bits), integer(double_bits);
  mpfr_set_d(integer, i, MPFR_RNDN);
  if (e10 > 0) {
    Mp tenth_of_ten_thousandth(double_bits);  // the double nearest to 0.00001
    mpfr_set_str(tenth_of_ten_thousandth, "0.00001", 10, MPFR_RNDN);
    mpfr_mul(factor, p, tenth_of_ten_thousandth, MPFR_RNDN);
    mpfr_mul(r, integer, factor, MPFR_RNDN);
  } else {
    mpfr_mul_ui(factor, p, 100000, MPFR_RNDN);
    mpfr_div(r, integer, factor, MPFR_RNDN);
  }
  return store_double(r);
}

std::string normalise_number_text(std::string_view text) {
  std::string s = number_to_text(round_to_six_digits(price_from_plain_text(text)), 6);
  return s == "0" ? std::string() : s;
}

std::string ladder_text(float base_price, double multiplier) {
  return " " + number_to_text(round_to_places(extended_multiply(base_price, multiplier)));
}

std::string change_percentage_text(float target_price, float base_price) {
  const double d = extended_subtract(target_price, base_price);
  const double q = extended_divide(d, base_price);
  const double p = extended_multiply(q, 100.0);
  return number_to_text(round_to_places(p)) + " %";
}

}  // namespace vantelo::reference

// SPDX-License-Identifier: MIT
// The calculator's rules for numbers and texts.
//
// What lives here: turning a typed text into a price (a 32-bit float), rounding to two places, writing
// a number back as a text of at most 13 significant digits, the three small text operations, the
// six-digit normalisation that a number box applies when it loses the focus, and the extended
// arithmetic that every sum, difference, product and quotient of the calculator goes through.
//
// Texts are GBK byte strings held in std::string; a missing text and an empty one are the same, and a
// text ends at its first NUL byte (as it would in the window's own storage), so a Text argument with
// an embedded NUL is read up to it. Nothing here keeps state, reads files or touches a window; every
// function is reentrant, and none fails: every input, however malformed, gives a result.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vantelo {

using Text = std::string;

// ---- Extended arithmetic -------------------------------------------------------------------------
// Each operation forms the exact result, rounds it to a 64-bit significand (ties to even, with the
// unbounded exponent range of the x87 80-bit format) and then rounds that to a double (ties to even,
// with gradual underflow and overflow to infinity). The two roundings are visible in results, which is
// why this does not use the compiler's long double: it is 80-bit only on x86.
// Special values: infinities and signed zeros as IEEE 754; every invalid operation gives the default
// NaN (sign bit set, quiet, only the top fraction bit set); a NaN operand propagates (quieted).
namespace extended {
double add(double a, double b) noexcept;
double subtract(double a, double b) noexcept;
double multiply(double a, double b) noexcept;
double divide(double a, double b) noexcept;
}  // namespace extended

// The default NaN: what the calculator's invalid operations produce ("-1.#IND" as a text).
double default_nan() noexcept;

// ---- Conversions -----------------------------------------------------------------------------------

// A typed text as a price. Full-width forms (GBK A3A1..A3FE), the ideographic space and a few symbols
// are folded to ASCII first; then the longest prefix "[ws][sign]digits[.digits][(e|E|d|D)[sign]digits]"
// is read, rounded to the nearest double and then to the nearest float. No number reads as +0.
//   "12.34" -> 12.340000152587890625f    "1d1" -> 10    "12,5" -> 12    "-0" -> -0.0f    "1e39" -> +inf
// A lead byte (0x80 or above) always takes the next byte with it; a lone lead byte at the end is
// dropped. An exponent beyond +-5200 counts as +-5201. The decimal is rounded to the nearest double
// exactly, however many digits it has (an exact tie goes to the even double), so "2.35" is held as
// 2.349999904632568359375f. Linear in the length of the text.
float price_from_text(std::string_view text) noexcept;

// The same without the full-width folding: full-width digits end the number. Used by the number boxes.
float price_from_plain_text(std::string_view text) noexcept;

// Rounds to `places` decimal places, halves away from zero, after a nudge of 1e-12 on the scaled value:
// t = |value| * 10^places to the nearest double (an exact tie to the smaller magnitude), u = t + 1e-12,
// r = trunc(u) + (frac(u) >= 0.5), result = r / 10^places with the value's sign; the sum and the
// quotient go through the extended arithmetic above. Zeros, NaNs and infinities come back unchanged;
// a scaled value beyond the double range gives an infinity.
//   round_to_places(1.005, 2) == 1.01    round_to_places(256.145, 2) == 256.14    -0.001 -> -0.0
// places = 0 rounds to an integer; places < 0 divides by 10^-places first and multiplies back after;
// |places| > 308 returns the value unchanged. Only places = 2 is used by the calculator. For every
// places, a magnitude whose scaled value exceeds the double range gives an infinity of its sign.
double round_to_places(double value, int places) noexcept;

// At most 13 significant digits: 17 correctly rounded digits (half up), then rounded again by the 14th.
// Exponent form below 1e-4 and from 1e13 on, with a signed exponent of at least three digits; no
// trailing zeros; "-" for negative values; both zeros give "0".
//   11 -> "11"   0.00001 -> "1e-005"   12345678901234 -> "1.234567890123e+013"   +inf -> "1.#INF"
//   123456789012.45 -> "123456789012.5" (17 digits end in ...12.45000, then the 5 rounds up)
//   -inf -> "-1.#INF"   default NaN -> "-1.#IND"   other NaNs -> "[-]1.#QNAN" or "[-]1.#SNAN"
Text number_to_text(double value);

// The same with `significant_digits` in place of 13 (13 or 6 in this program; clamped to 1..17): the
// last digit is decided by the next one, and the exponent form is used below 1e-4 and from
// 10^significant_digits.   1234570 -> "1.23457e+006" (6 digits)
Text number_to_text(double value, int significant_digits);

// ---- The number boxes' normalisation ---------------------------------------------------------------

// x rounded to six significant decimal digits, halves away from zero, by the calculator's own
// scaling steps in extended precision: the decimal exponent comes from the float's 8-bit exponent
// field (e2 * log10(2), truncated), x is scaled by the double nearest to 10^|e10| to six digits before
// the point, split, and scaled back by p * 0.00001 or p * 100000. Zero becomes +0, an infinity stays
// an infinity; floats below 1e-38 keep fewer than six digits.
double round_to_six_digits(float x) noexcept;

// What a number box shows after it loses the focus: its text read as a price (without full-width
// folding), rounded to six digits and written with six significant digits; zero becomes the empty text.
//   "10.0" -> "10"   "1234565" -> "1.23457e+006"   "0.00001234" -> "1.234e-005"   "--5" -> ""
Text normalise_number_text(std::string_view text);

// ---- Text operations -------------------------------------------------------------------------------
// Byte for byte.
bool texts_equal(std::string_view a, std::string_view b) noexcept;
// The parts in order as one text.   join_texts({" ", "9"}) == " 9"
Text join_texts(std::initializer_list<std::string_view> parts);
// The first `count` bytes (not characters); empty when count <= 0, the whole text when it is shorter.
Text leading_bytes(std::string_view text, int count);

}  // namespace vantelo

// SPDX-License-Identifier: MIT
// The first eight bytes are a double (any bits), the ninth chooses 13 or 6 digits.
//  - The text equals the MPFR reference's.
//  - Reading the text back as a double and writing that again gives the same text (for normal
//    doubles: a 13- or 6-digit text is at most 1.2e-16 away from the double it reads as, far too
//    little to move its last digit).
//  - The first four bytes as a float (a price) survive the trip through the 13-digit text and
//    price_from_text unchanged: the text is within 5e-13 of the float, far less than half the
//    float's spacing.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "mpfr_reference.h"
#include "vantelo/price.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t bytes[9] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  double value;
  std::memcpy(&value, bytes, sizeof value);
  const int digits = (bytes[8] & 1) != 0 ? 6 : 13;
  using vantelo::fuzz::expect_same;

  const std::string text = vantelo::number_to_text(value, digits);
  expect_same("number_to_text agrees with the reference", input, text, vantelo::reference::number_to_text(value, digits));

  if (std::isnormal(value)) {
    const double back = vantelo::reference::double_from_plain_text(text);
    expect_same("number_to_text of its own text read back is the same text", input,
                vantelo::number_to_text(back, digits), text);
  }

  float price;
  std::memcpy(&price, bytes, sizeof price);
  if (std::isfinite(price)) {
    const float back = vantelo::price_from_text(vantelo::number_to_text(price));
    // Negative zero writes as "0" and comes back positive; everything else comes back exactly.
    expect_same("a price survives its 13-digit text", input, back, price == 0.0f ? 0.0f : price);
  }
  return 0;
}

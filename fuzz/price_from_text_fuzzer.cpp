// SPDX-License-Identifier: MIT
// Any byte string read as a price, with and without the full-width folding, must give the float the
// MPFR reference gives, bit for bit.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "mpfr_reference.h"
#include "vantelo/price.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using vantelo::fuzz::expect_same;
  expect_same("price_from_text agrees with the reference", text, vantelo::price_from_text(text),
              vantelo::reference::price_from_text(text));
  expect_same("price_from_plain_text agrees with the reference", text, vantelo::price_from_plain_text(text),
              vantelo::reference::price_from_plain_text(text));
  return 0;
}

// SPDX-License-Identifier: MIT
// What a number box shows after losing the focus, for any text it may hold:
//  - equals the MPFR reference's text;
//  - is stable: normalising it again changes nothing, so a box that loses the focus twice does not
//    change twice. The exception is an infinity, whose text "1.#INF" reads as 1 by design.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "mpfr_reference.h"
#include "vantelo/price.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using vantelo::fuzz::expect_same;
  const std::string once = vantelo::normalise_number_text(text);
  expect_same("normalise_number_text agrees with the reference", text, once,
              vantelo::reference::normalise_number_text(text));
  if (once.find('#') == std::string::npos) {
    expect_same("normalising a normalised text changes nothing", text, vantelo::normalise_number_text(once), once);
  }
  return 0;
}

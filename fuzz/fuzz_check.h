// SPDX-License-Identifier: MIT
// What the fuzz targets share: a failed property prints the input and both sides, then aborts, so
// libFuzzer saves the input and the replay test fails.
#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace vantelo::fuzz {

inline std::string hex_bytes(std::string_view text) {
  std::string out;
  char byte[4];
  for (const char c : text) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c));
    out += byte;
  }
  return out;
}

[[noreturn]] inline void fail(const char* property, std::string_view input, std::string_view got,
                              std::string_view expected) {
  std::fprintf(stderr, "property failed: %s\n  input:    [%s]\n  got:      \"%.*s\" [%s]\n  expected: \"%.*s\" [%s]\n",
               property, hex_bytes(input).c_str(), static_cast<int>(got.size()), got.data(), hex_bytes(got).c_str(),
               static_cast<int>(expected.size()), expected.data(), hex_bytes(expected).c_str());
  std::abort();
}

inline void expect_same(const char* property, std::string_view input, std::string_view got, std::string_view expected) {
  if (got != expected) fail(property, input, got, expected);
}

inline std::string bits_text(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "0x%08" PRIx32 " %.9g", b, static_cast<double>(f));
  return buffer;
}

inline void expect_same(const char* property, std::string_view input, float got, float expected) {
  if (std::memcmp(&got, &expected, sizeof got) != 0) fail(property, input, bits_text(got), bits_text(expected));
}

}  // namespace vantelo::fuzz

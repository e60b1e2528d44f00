// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace vantelo::detail {

// Room for any number text: "-0.0000" and 17 digits, or "-d." and 16 digits and "e-324".
inline constexpr std::size_t number_text_capacity = 32;

// Writes number_to_text(value, significant_digits) into out (number_text_capacity bytes, no NUL) and
// returns its length. The ladder and the percentage build their texts around it without copies.
std::size_t write_number_text(double value, int significant_digits, char* out) noexcept;

}  // namespace vantelo::detail

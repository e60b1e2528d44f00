// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace vantelo::detail {

// A Text ends at its first NUL byte, as it would in the window's own storage.
inline std::string_view up_to_nul(std::string_view text) noexcept {
  const auto nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

}  // namespace vantelo::detail

// SPDX-License-Identifier: MIT

#include <cstddef>

#include "text_util.h"
#include "vantelo/price.h"

namespace vantelo {

bool texts_equal(std::string_view a, std::string_view b) noexcept {
  return detail::up_to_nul(a) == detail::up_to_nul(b);
}

Text join_texts(std::initializer_list<std::string_view> parts) {
  Text joined;
  for (const auto part : parts) joined.append(detail::up_to_nul(part));
  return joined;
}

Text leading_bytes(std::string_view text, int count) {
  if (count <= 0) return {};
  const auto whole = detail::up_to_nul(text);
  return Text(whole.substr(0, static_cast<std::size_t>(count)));
}

}  // namespace vantelo

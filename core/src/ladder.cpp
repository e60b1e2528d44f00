// SPDX-License-Identifier: MIT
#include "vantelo/ladder.h"

#include <cstddef>

#include "number_text.h"
#include "vantelo/price.h"

namespace vantelo {
namespace {

constexpr int price_places = 2;
constexpr double percent = 100.0;
constexpr std::string_view ladder_prefix = " ";
constexpr std::string_view percent_suffix = " %";

}  // namespace

// The texts are join_texts of the parts; built here in one buffer, as the ladder is rewritten on
// every keystroke.
Text ladder_text(float base_price, double multiplier) {
  const double product = extended::multiply(static_cast<double>(base_price), multiplier);
  char text[ladder_prefix.size() + detail::number_text_capacity];
  ladder_prefix.copy(text, ladder_prefix.size());
  const std::size_t length =
      detail::write_number_text(round_to_places(product, price_places), 13, text + ladder_prefix.size());
  return Text(text, ladder_prefix.size() + length);
}

Text change_percentage_text(float target_price, float base_price) {
  const double base = static_cast<double>(base_price);
  const double difference = extended::subtract(static_cast<double>(target_price), base);
  const double ratio = extended::divide(difference, base);
  const double change = extended::multiply(ratio, percent);
  char text[detail::number_text_capacity + percent_suffix.size()];
  const std::size_t length = detail::write_number_text(round_to_places(change, price_places), 13, text);
  percent_suffix.copy(text + length, percent_suffix.size());
  return Text(text, length + percent_suffix.size());
}

void PriceCalculator::recompute_ladder() {
  const Text base_text = boxes_.read_text(base_price_box);
  if (!texts_equal(base_text, "")) held_base_price_ = price_from_text(base_text);
  for (const LadderRow& row : ladder_rows) {
    // The held price is read for each row: the writes report text changes, and nothing a report
    // runs may leave the rows computed from different prices unnoticed.
    boxes_.write_text(row.box, ladder_text(held_base_price_, row.multiplier));
  }
}

void PriceCalculator::reload_base_price() {
  held_base_price_ = price_from_text(boxes_.read_text(base_price_box));
}

void PriceCalculator::compute_change_percentage() {
  const float target = price_from_text(boxes_.read_text(target_price_box));
  boxes_.write_text(change_box, change_percentage_text(target, held_base_price_));
}

void PriceCalculator::refresh_change_percentage() {
  if (texts_equal(boxes_.read_text(target_price_box), "")) {
    boxes_.write_text(change_box, "");
    return;
  }
  compute_change_percentage();
}

}  // namespace vantelo

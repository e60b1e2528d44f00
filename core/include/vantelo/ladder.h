// SPDX-License-Identifier: MIT
// The price ladder and the target's change percentage.
//
// The calculator holds one base price (a float, +0 at start). From it, recompute_ladder writes twenty
// texts, one per ladder box, each " " followed by the price rounded to two places; the change
// percentage of the target price against it goes into the change box. These computations see the
// window only through EditBoxes, so the window implements it and tests use an in-memory one.
#pragma once

#include <array>
#include <string_view>

#include "vantelo/price.h"

namespace vantelo {

// The edit boxes the computations read and write, named by their control names (UTF-8).
class EditBoxes {
public:
  // The box's text; empty when the box is empty.
  virtual Text read_text(std::string_view box) = 0;
  // Replaces the box's text; the box reports the change before this returns.
  virtual void write_text(std::string_view box, std::string_view text) = 0;

protected:
  ~EditBoxes() = default;
};

inline constexpr std::string_view base_price_box = "股票价格";
inline constexpr std::string_view target_price_box = "目标价";
inline constexpr std::string_view change_box = "涨幅";

struct LadderRow {
  std::string_view box;
  double multiplier;
};

// Limit-up, +9 % .. +1 %, limit-down, -9 % .. -1 %: the order in which the boxes are written.
inline constexpr std::array<LadderRow, 20> ladder_rows{{
    {"涨停", 1.1},  {"涨9", 1.09}, {"涨8", 1.08}, {"涨7", 1.07}, {"涨6", 1.06},
    {"涨5", 1.05},  {"涨4", 1.04}, {"涨3", 1.03}, {"涨2", 1.02}, {"涨1", 1.01},
    {"跌停", 0.9},  {"跌9", 0.91}, {"跌8", 0.92}, {"跌7", 0.93}, {"跌6", 0.94},
    {"跌5", 0.95},  {"跌4", 0.96}, {"跌3", 0.97}, {"跌2", 0.98}, {"跌1", 0.99},
}};

// The text of one ladder row for a base price: " " + number_to_text(round_to_places(base * m, 2)).
Text ladder_text(float base_price, double multiplier);
// The change box's text: number_to_text(round_to_places(((t - b) / b) * 100, 2)) + " %".
Text change_percentage_text(float target_price, float base_price);

class PriceCalculator {
public:
  explicit PriceCalculator(EditBoxes& boxes) noexcept : boxes_(boxes) {}

  // Takes the base text as the held price unless it is empty, then writes the twenty ladder boxes.
  void recompute_ladder();
  // Takes the base text as the held price, whatever it is (empty reads as 0); the ladder stays.
  void reload_base_price();
  // Writes the change of the target (empty reads as 0) against the held price.
  void compute_change_percentage();
  // As compute_change_percentage, but an empty target empties the change box.
  void refresh_change_percentage();

  float held_base_price() const noexcept { return held_base_price_; }

private:
  EditBoxes& boxes_;
  float held_base_price_ = 0.0f;
};

}  // namespace vantelo

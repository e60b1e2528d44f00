// SPDX-License-Identifier: MIT
// The handlers H1 to H8 and the one value they share, the held base price.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/window_description.h"
#include "vantelo/ladder.h"

namespace vantelo::ui {

// Runs `handler` with the event's arguments. Every handler of this program returns none (nullopt).
std::optional<bool> run_handler(Handler handler, std::span<const std::int32_t> args);

// The calculator over the live window's edit boxes; it holds the base price for the whole run.
PriceCalculator& price_calculator();
// Forgets the held base price (back to +0), as at the start of a run. For tests that build a window
// more than once in one process.
void reset_held_base_price();

}  // namespace vantelo::ui

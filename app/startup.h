// SPDX-License-Identifier: MIT
// The program's start-up: from the process start to the running event loop, in its fixed order.
#pragma once

#include <cstdint>
#include <optional>

namespace vantelo::ui {
class CalculatorWindow;
}

namespace vantelo::app {

// Lets a test look in on a real start-up; the program itself passes none.
struct StartupProbe {
  // Runs once the window is shown and focused, just before the event loop.
  void (*before_event_loop)(ui::CalculatorWindow& window) = nullptr;
};

// The program entry: start-up, the event loop, the end. Does not return; the process ends with 0
// when the window is closed, or -1 after a fatal error.
[[noreturn]] void program_entry(const StartupProbe& probe = {});

// Resets the x87 unit (control word 0x037F: 64-bit significand, round to nearest, all exceptions
// masked; register stack emptied). Nothing to do on CPUs without it.
void reset_floating_point_unit() noexcept;
// The x87 control word, or nullopt on CPUs without one.
std::optional<std::uint16_t> x87_control_word() noexcept;

}  // namespace vantelo::app

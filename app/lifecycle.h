// SPDX-License-Identifier: MIT
// The program's life: the event suspension, the end procedures and the two ways of ending.
#pragma once

#include <string_view>

namespace vantelo {

// The event suspension: while raised (counter above zero) every event is dropped.
void raise_event_suspension() noexcept;
void lower_event_suspension() noexcept;
bool events_suspended() noexcept;

// Appends `procedure` to the end procedures unless it is already there.
void register_end_procedure(void (*procedure)());

// Normal end: suspends events for good, runs the end procedures once in order, ends the process.
[[noreturn]] void end_program(int exit_code);

// Fatal end: suspends events for good, shows `message` (UTF-8) in a modal error box owned by no
// window, discards the end procedures and ends the process with exit code -1.
[[noreturn]] void fatal_error(std::string_view message);

}  // namespace vantelo

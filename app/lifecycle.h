// SPDX-License-Identifier: MIT
// The program's life: the event suspension, the end procedures and the two ways of ending.
#pragma once

#include <string_view>

namespace vantelo {

// The main thread: recorded once at start; the end is carried out there.
void record_main_thread() noexcept;
bool on_main_thread() noexcept;

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

// Makes running out of storage a fatal error that names the number of bytes asked for.
void install_out_of_storage_handler() noexcept;

}  // namespace vantelo

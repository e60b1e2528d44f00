// SPDX-License-Identifier: MIT
// Event delivery: Qt's notifications become the calculator's events, and events reach their handlers.
//
// An event is raised on the one UI thread at the moment its occurrence is processed; the handler bound
// to (source, event code) in the window description runs to completion before processing goes on.
// Events nest (a handler's text write raises Text changed inside it); there is no queue of our own.
// While the event suspension is raised every event is dropped before the lookup.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

#include "ui/window_description.h"

namespace vantelo::ui {

class CalculatorWindow;

// Raises an event of `source` (a control number, or the window's own number) with up to three
// arguments. Returns the handler's result: nullopt when no handler ran or it returned none.
std::optional<bool> raise_event(std::uint32_t source, std::int32_t event_code,
                                std::initializer_list<std::int32_t> args = {});

// Connects the built window's notifications (text changes, focus, left-button presses and releases
// over controls, typed characters of the number boxes) to events. Start-up calls it once, after
// building and while events are still suspended.
void connect_event_delivery(CalculatorWindow& window);

// What an observer of the delivery sees: every event raised, in order, and every handler it ran.
struct ObservedEvent {
  enum class Step : std::uint8_t {
    dropped,           // raised while the event suspension was up; nothing was looked up
    raised,            // raised; `handler` is the bound handler about to run, if any
    handler_finished,  // the bound handler has returned (events it raised come before this)
  };
  Step step;
  std::uint32_t source;
  std::int32_t event_code;
  std::array<std::int32_t, 3> args{};
  std::size_t arg_count = 0;
  std::optional<Handler> handler;
};
// Installs the observer (an empty function removes it). Tests and measurements use it; the program
// runs without one.
void set_event_observer(std::function<void(const ObservedEvent&)> observer);

}  // namespace vantelo::ui

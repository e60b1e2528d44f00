// SPDX-License-Identifier: MIT
// Event delivery: Qt's notifications become the calculator's events, and events reach their handlers.
//
// An event is raised on the one UI thread at the moment its occurrence is processed; the handler bound
// to (source, event code) in the window description runs to completion before processing goes on.
// Events nest (a handler's text write raises Text changed inside it); there is no queue of our own.
// While the event suspension is raised every event is dropped before the lookup.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

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

}  // namespace vantelo::ui

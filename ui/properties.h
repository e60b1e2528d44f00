// SPDX-License-Identifier: MIT
// The handlers see and change the window only through these two operations.
//
// A property is addressed by the window (its template number), the control (its number; the window's
// own number for the window's properties) and the property. Tags live for the whole run, apart from
// any window; every other property needs the live window, and touching one without it is fatal.
#pragma once

#include <cstdint>
#include <string_view>

#include "vantelo/price.h"

namespace vantelo::ui {

enum class Property : std::uint8_t {
  caption,                   // the window's title, the button's caption (Text)
  tag,                       // any control or the window (Text)
  always_on_top,             // the window (0 or 1)
  text,                      // an edit box (Text)
  selection_start,           // an edit box, in GBK bytes (integer)
  selected_character_count,  // an edit box, in GBK bytes (integer)
};

// Text-valued properties: caption, tag, text. A copy; empty when the value is empty.
Text read_text_property(std::uint32_t window, std::uint32_t control, Property property);
// Integer-valued properties: always on top (0 or 1), selection start, selected character count.
std::int32_t read_integer_property(std::uint32_t window, std::uint32_t control, Property property);

void write_property(std::uint32_t window, std::uint32_t control, Property property, std::string_view text);
void write_property(std::uint32_t window, std::uint32_t control, Property property, std::int32_t value);

// Puts every tag back to its designed value, as at the start of a run (tests build many windows).
void reset_tags();

// Takes the live window's stored caption and always-on-top flag from the description. Connecting the
// event delivery to a newly built window calls it.
void take_designed_window_properties();

}  // namespace vantelo::ui

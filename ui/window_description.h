// SPDX-License-Identifier: MIT
// The window description: every designed value of the calculator's window and its 48 controls.
//
// What lives in ui/: this table (window_description.*), building the window from it (build_window.*),
// the labels' own painting (label.*), the window widget with its key, focus and drag handling
// (calculator_window.*), the event delivery that turns Qt's notifications into the calculator's events
// (event_delivery.*), the handlers bound to them (handlers.*), the property operations (properties.*),
// the edit box texts (edit_texts.*) and the single-precision number boxes (number_box.*).
//
// Data flow: start-up builds the window from the table with events suspended, then raises Created.
// Qt notifications become events (source control number, event code); the binding table below names
// the handler; handlers reach the controls only through read_property/write_property and the texts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vantelo::ui {

enum class ControlKind : std::uint8_t { edit_box, label, button };

// Colours are 0x00BBGGRR words; system_face stands for the platform's dialog face colour.
inline constexpr std::uint32_t system_face = 0xFF000000u;
constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

struct FontDescription {
  int height = 0;  // character height in pixels (em height without internal leading)
  int weight = 400;
  bool italic = false, underline = false, strike_out = false;
  std::string_view face{};  // empty: the platform's default face
};

enum class InputMode : std::uint8_t { none = 0, read_only = 1, single_precision = 9 };
enum class Align : std::uint8_t { left = 0, centre = 1, right = 2 };
enum class VAlign : std::uint8_t { top = 0, centre = 1, bottom = 2 };

// Event codes: 0 and above belong to the source's kind, negative ones are common to all.
namespace event {
inline constexpr std::int32_t created = 0;                // the window
inline constexpr std::int32_t about_to_be_destroyed = 2;  // the window
inline constexpr std::int32_t position_reported = 3;      // the window, once at start; never bound
inline constexpr std::int32_t size_reported = 4;          // the window, once at start; never bound
inline constexpr std::int32_t text_changed = 0;           // an edit box
inline constexpr std::int32_t left_button_pressed = -1;
inline constexpr std::int32_t left_button_released = -2;
inline constexpr std::int32_t got_focus = -7;
inline constexpr std::int32_t lost_focus = -8;
}  // namespace event

enum class Handler : std::uint8_t { h1 = 1, h2, h3, h4, h5, h6, h7, h8 };

struct Binding {
  std::uint32_t source;  // control number (the window's own for window events)
  std::int32_t event;
  Handler handler;
};

struct ControlDescription {
  ControlKind kind;
  std::string_view name;  // UTF-8; also the widget's object name
  std::uint32_t number;
  int left, top, width, height;
  std::string_view text;  // text or caption, UTF-8
  std::uint32_t text_colour;
  std::uint32_t background_colour;
  FontDescription font;
  bool visible = true;
  bool disabled = false;
  bool tab_stop = true;
  int tab_order = 0;
  std::string_view tag{};  // UTF-8
  // Edit box
  int border_style = 0;  // 0 none, 1 sunken edge
  Align align = Align::left;
  bool hide_selection = true;
  InputMode input_mode = InputMode::none;
  // Label
  int text_effect = 0;
  VAlign valign = VAlign::centre;
  bool word_wrap = false;
  // Accessibility: an edit box is named by the caption of the label that names it (its trailing
  // colon dropped); a control without such a label carries its accessible name here.
  std::string_view labelled_by{};      // name of the naming label
  std::string_view accessible_name{};  // UTF-8; used when labelled_by is empty
};

struct WindowDescription {
  std::uint32_t number;
  std::uint32_t template_number;
  std::string_view caption;  // UTF-8
  std::string_view tag;
  int outer_width, outer_height;
  int stored_left, stored_top;
  std::uint32_t background_colour;
  bool enter_moves_focus, esc_closes, f1_help, drag_to_move, always_on_top;
};

// The designed window, its controls in list order (position 1 first) and the event bindings.
const WindowDescription& window_description() noexcept;
std::span<const ControlDescription> control_descriptions() noexcept;
std::span<const Binding> bindings() noexcept;

// Lookups; nullptr when nothing has that number or name.
const ControlDescription* find_control(std::uint32_t number) noexcept;
const ControlDescription* find_control(std::string_view name) noexcept;

}  // namespace vantelo::ui

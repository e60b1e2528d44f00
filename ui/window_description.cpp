// SPDX-License-Identifier: MIT
#include "ui/window_description.h"

#include <algorithm>

namespace vantelo::ui {
namespace {

// Defaults by kind; the table below states only what differs from them.
constexpr FontDescription edit_font{.height = 12, .weight = 700};
constexpr FontDescription label_font{.height = 16, .weight = 700};
constexpr FontDescription button_font{.height = 12, .weight = 700};

constexpr std::uint32_t white = rgb(255, 255, 255);
constexpr std::uint32_t teal = rgb(0, 128, 128);
constexpr std::uint32_t red = rgb(255, 0, 0);
constexpr std::uint32_t pink = rgb(255, 168, 255);    // rises of 10 % to 6 %
constexpr std::uint32_t yellow = rgb(216, 216, 0);    // rises of 5 % to 1 %
constexpr std::uint32_t blue = rgb(0, 136, 255);      // falls of 10 % to 6 %
constexpr std::uint32_t green = rgb(0, 224, 128);     // falls of 5 % to 1 %

constexpr ControlDescription edit(std::string_view name, std::uint32_t number, int left, int top, int width,
                                  int height, std::uint32_t background, std::string_view labelled_by) {
  return ControlDescription{.kind = ControlKind::edit_box,
                            .name = name,
                            .number = number,
                            .left = left,
                            .top = top,
                            .width = width,
                            .height = height,
                            .text = {},
                            .text_colour = rgb(0, 0, 0),
                            .background_colour = background,
                            .font = edit_font,
                            .tab_stop = true,
                            .input_mode = InputMode::read_only,
                            .labelled_by = labelled_by};
}

// An editable single-precision number box.
constexpr ControlDescription number_box(ControlDescription c) {
  c.input_mode = InputMode::single_precision;
  return c;
}

// The two boxes the user types prices into: sunken, white, selection kept visible when unfocused.
constexpr ControlDescription price_box(ControlDescription c) {
  c = number_box(c);
  c.border_style = 1;
  c.hide_selection = false;
  return c;
}

constexpr ControlDescription label(std::string_view name, std::uint32_t number, int left, int top, int width,
                                   int height, std::string_view caption, std::uint32_t colour = rgb(0, 0, 0)) {
  return ControlDescription{.kind = ControlKind::label,
                            .name = name,
                            .number = number,
                            .left = left,
                            .top = top,
                            .width = width,
                            .height = height,
                            .text = caption,
                            .text_colour = colour,
                            .background_colour = system_face,
                            .font = label_font,
                            .tab_stop = false};
}

constexpr ControlDescription with_text(ControlDescription c, std::string_view text) {
  c.text = text;
  return c;
}
constexpr ControlDescription with_font(ControlDescription c, int height, int weight) {
  c.font.height = height;
  c.font.weight = weight;
  return c;
}
constexpr ControlDescription with_effect(ControlDescription c, int effect) {
  c.text_effect = effect;
  return c;
}
constexpr ControlDescription aligned(ControlDescription c, Align align) {
  c.align = align;
  return c;
}

constexpr ControlDescription toggle_button() {
  return ControlDescription{.kind = ControlKind::button,
                            .name = "按钮1",
                            .number = 369164448,
                            .left = 0,
                            .top = 0,
                            .width = 30,
                            .height = 30,
                            .text = "顶",
                            .text_colour = rgb(0, 0, 0),
                            .background_colour = system_face,
                            .font = button_font,
                            .tab_stop = true,
                            .tag = "都不敢",
                            .align = Align::centre,
                            .accessible_name = "总在最前"};
}

constexpr WindowDescription the_window{.number = 100728832,
                                       .template_number = 1375797249,
                                       .caption = "V1.0(",
                                       .tag = "Vesk",
                                       .outer_width = 267,
                                       .outer_height = 468,
                                       .stored_left = 50,
                                       .stored_top = 50,
                                       .background_colour = system_face,
                                       .enter_moves_focus = true,
                                       .esc_closes = true,
                                       .f1_help = false,
                                       .drag_to_move = true,
                                       .always_on_top = false};

// List order: position 1 is on top of the stacking order and last in the focus order.
constexpr std::array<ControlDescription, 48> the_controls{{
    price_box(edit("目标价", 369164383, 82, 64, 75, 24, white, "标签23")),
    toggle_button(),
    aligned(with_font(label("标签24", 369164386, 182, 40, 56, 24, "涨跌幅", teal), 16, 400), Align::right),
    aligned(with_font(edit("涨幅", 369164385, 183, 64, 56, 24, rgb(128, 224, 0), "标签24"), 16, 400),
            Align::centre),
    with_font(with_effect(label("标签23", 369164384, 23, 63, 64, 24, "目标价：", teal), 2), 14, 700),
    edit("跌1", 369164363, 189, 410, 64, 24, green, "标签21"),
    label("标签21", 369164364, 135, 410, 48, 24, "-1 %："),
    edit("涨1", 369164365, 57, 410, 64, 24, yellow, "标签22"),
    label("标签22", 369164366, 3, 410, 48, 24, "+1 %：", red),
    edit("跌2", 369164355, 189, 373, 64, 24, green, "标签17"),
    label("标签17", 369164356, 135, 379, 48, 24, "-2 %："),
    edit("涨2", 369164357, 57, 373, 64, 24, yellow, "标签18"),
    label("标签18", 369164358, 3, 379, 48, 24, "+2 %：", red),
    edit("跌3", 369164359, 189, 339, 64, 24, green, "标签19"),
    label("标签19", 369164360, 135, 344, 48, 24, "-3 %:"),
    edit("涨3", 369164361, 57, 339, 64, 24, yellow, "标签20"),
    label("标签20", 369164362, 3, 344, 48, 24, "+3 %：", red),
    edit("跌4", 369164343, 189, 305, 64, 24, green, "标签11"),
    label("标签11", 369164344, 135, 307, 48, 24, "-4 %："),
    edit("涨4", 369164345, 57, 305, 64, 24, yellow, "标签12"),
    label("标签12", 369164346, 3, 307, 48, 24, "+4 %：", red),
    edit("跌5", 369164347, 189, 271, 64, 24, green, "标签13"),
    label("标签13", 369164348, 135, 272, 48, 24, "-5 %:"),
    edit("涨5", 369164349, 57, 271, 64, 24, yellow, "标签14"),
    label("标签14", 369164350, 3, 272, 48, 24, "+5 %：", red),
    edit("跌6", 369164351, 189, 237, 64, 24, blue, "标签15"),
    label("标签15", 369164352, 135, 240, 48, 24, "-6 %："),
    edit("涨6", 369164353, 57, 237, 64, 24, pink, "标签16"),
    label("标签16", 369164354, 3, 240, 48, 24, "+6 %：", red),
    edit("跌7", 369164335, 189, 203, 64, 24, blue, "标签7"),
    label("标签7", 369164336, 135, 203, 48, 24, "-7 %："),
    edit("涨7", 369164337, 57, 203, 64, 24, pink, "标签8"),
    label("标签8", 369164338, 3, 203, 48, 24, "+7 %：", red),
    edit("跌8", 369164339, 189, 169, 64, 24, blue, "标签9"),
    label("标签9", 369164340, 135, 168, 48, 24, "-8 %:"),
    edit("涨8", 369164341, 57, 169, 64, 24, pink, "标签10"),
    label("标签10", 369164342, 3, 168, 48, 24, "+8 %：", red),
    edit("跌9", 369164328, 189, 135, 64, 24, blue, "标签5"),
    label("标签5", 369164329, 135, 136, 48, 24, "-9 %："),
    edit("涨9", 369164330, 57, 135, 64, 24, pink, "标签6"),
    label("标签6", 369164331, 3, 136, 48, 24, "+9 %：", red),
    number_box(edit("跌停", 369164321, 189, 101, 64, 24, blue, "标签4")),
    label("标签4", 369164322, 135, 101, 48, 24, "跌停价："),
    edit("涨停", 369164312, 57, 101, 64, 24, pink, "标签3"),
    label("标签3", 369164311, 3, 101, 48, 24, "涨停价：", red),
    with_text(price_box(edit("股票价格", 369164309, 82, 36, 75, 24, white, "标签2")), "10.0"),
    with_effect(label("标签2", 369164308, 23, 36, 64, 24, "基准价：", teal), 1),
    with_font(label("标签1", 369164303, 64, 2, 168, 24, "Vantelo"), 19, 700),
}};

constexpr std::uint32_t window_number = the_window.number;

constexpr std::array<Binding, 8> the_bindings{{
    {window_number, event::created, Handler::h1},
    {window_number, event::about_to_be_destroyed, Handler::h2},
    {369164309, event::got_focus, Handler::h3},      // 股票价格
    {369164309, event::text_changed, Handler::h4},   // 股票价格
    {369164309, event::lost_focus, Handler::h5},     // 股票价格
    {369164309, event::left_button_released, Handler::h6},  // 股票价格
    {369164383, event::text_changed, Handler::h7},   // 目标价
    {369164448, event::left_button_pressed, Handler::h8},   // 按钮1
}};

// The table is checked where it stands: unique names and numbers, labels that exist, bindings whose
// sources exist.
constexpr bool names_and_numbers_unique() {
  for (std::size_t i = 0; i < the_controls.size(); ++i) {
    if (the_controls[i].number == window_number) return false;
    for (std::size_t j = i + 1; j < the_controls.size(); ++j) {
      if (the_controls[i].name == the_controls[j].name || the_controls[i].number == the_controls[j].number)
        return false;
    }
  }
  return true;
}
static_assert(names_and_numbers_unique());

constexpr bool is_label(std::string_view name) {
  return std::any_of(the_controls.begin(), the_controls.end(),
                     [&](const ControlDescription& c) { return c.kind == ControlKind::label && c.name == name; });
}
constexpr bool every_control_named() {
  return std::all_of(the_controls.begin(), the_controls.end(), [](const ControlDescription& c) {
    if (c.kind == ControlKind::label) return true;
    return c.labelled_by.empty() ? !c.accessible_name.empty() : is_label(c.labelled_by);
  });
}
static_assert(every_control_named());

constexpr bool bindings_have_sources() {
  return std::all_of(the_bindings.begin(), the_bindings.end(), [](const Binding& b) {
    return b.source == window_number ||
           std::any_of(the_controls.begin(), the_controls.end(),
                       [&](const ControlDescription& c) { return c.number == b.source; });
  });
}
static_assert(bindings_have_sources());

constexpr auto count_kind(ControlKind kind) {
  return std::count_if(the_controls.begin(), the_controls.end(),
                       [&](const ControlDescription& c) { return c.kind == kind; });
}
static_assert(count_kind(ControlKind::edit_box) == 23 && count_kind(ControlKind::label) == 24 &&
              count_kind(ControlKind::button) == 1);

}  // namespace

const WindowDescription& window_description() noexcept { return the_window; }
std::span<const ControlDescription> control_descriptions() noexcept { return the_controls; }
std::span<const Binding> bindings() noexcept { return the_bindings; }

const ControlDescription* find_control(std::uint32_t number) noexcept {
  const auto* it = std::find_if(the_controls.begin(), the_controls.end(),
                                [&](const ControlDescription& c) { return c.number == number; });
  return it == the_controls.end() ? nullptr : &*it;
}

const ControlDescription* find_control(std::string_view name) noexcept {
  const auto* it = std::find_if(the_controls.begin(), the_controls.end(),
                                [&](const ControlDescription& c) { return c.name == name; });
  return it == the_controls.end() ? nullptr : &*it;
}

}  // namespace vantelo::ui

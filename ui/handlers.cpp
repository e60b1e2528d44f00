// SPDX-License-Identifier: MIT
#include "ui/handlers.h"

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>
#include <unordered_map>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/edit_texts.h"
#include "ui/gbk.h"
#include "ui/properties.h"

namespace vantelo::ui {
namespace {

// The computations reach the boxes of whichever window is live at that moment, by name. The boxes
// found are kept for that window: a keystroke looks up twenty-two of them.
class LiveWindowBoxes final : public EditBoxes {
 public:
  Text read_text(std::string_view box) override { return ui::read_text(box_named(box)); }
  void write_text(std::string_view box, std::string_view text) override { ui::write_text(box_named(box), text); }

 private:
  QLineEdit& box_named(std::string_view name) {
    CalculatorWindow* window = CalculatorWindow::live();
    if (window == nullptr) fatal_error("An edit box was used while the calculator's window does not exist.");
    if (found_in_.data() != window) {  // another window, or the first use
      found_in_ = window;
      found_.clear();
    }
    auto found = found_.find(std::string(name));
    if (found == found_.end()) {
      auto* box = qobject_cast<QLineEdit*>(window->control(name));
      if (box == nullptr) fatal_error("The calculator's window has no edit box of that name.");
      found = found_.emplace(std::string(name), box).first;
    }
    return *found->second;
  }

  QPointer<CalculatorWindow> found_in_;
  std::unordered_map<std::string, QLineEdit*> found_;
};

LiveWindowBoxes live_boxes;
std::unique_ptr<PriceCalculator> calculator;

// The program's own texts, in the code page of its texts.
const Text& gbk(const char* utf8) {
  // Only a handful of literals pass through here, each keeping its converted copy.
  static std::unordered_map<const char*, Text> converted;
  auto found = converted.find(utf8);
  if (found == converted.end()) found = converted.emplace(utf8, qstring_to_text(QString::fromUtf8(utf8))).first;
  return found->second;
}

std::uint32_t window_template() { return window_description().template_number; }
std::uint32_t window_number() { return window_description().number; }

std::uint32_t number_of(std::string_view name) {
  const ControlDescription* description = find_control(name);
  if (description == nullptr) fatal_error("The window description has no control of that name.");
  return description->number;
}

void select_whole_base_price() {
  const std::uint32_t base = number_of(base_price_box);
  write_property(window_template(), base, Property::selection_start, 0);
  write_property(window_template(), base, Property::selected_character_count, -1);
}

void h1_created() {
  const Text first_character = leading_bytes(gbk("阿塞拜疆"), 2);
  const Text caption = read_text_property(window_template(), window_number(), Property::caption);
  const Text tag = read_text_property(window_template(), window_number(), Property::tag);
  write_property(window_template(), window_number(), Property::caption,
                 join_texts({caption, first_character, tag, "22)"}));
  write_property(window_template(), window_number(), Property::always_on_top, 1);
  price_calculator().recompute_ladder();
}

[[noreturn]] void h2_about_to_be_destroyed() { end_program(0); }

void h3_base_got_focus() {
  price_calculator().reload_base_price();
  select_whole_base_price();
}

void h8_button_pressed() {
  const std::uint32_t button = number_of("按钮1");
  const Text caption = read_text_property(window_template(), button, Property::caption);
  if (!texts_equal(caption, gbk("顶"))) {
    write_property(window_template(), button, Property::caption, gbk("顶"));
    write_property(window_template(), button, Property::tag, gbk("真好用"));
    write_property(window_template(), window_number(), Property::always_on_top, 1);
  } else {
    write_property(window_template(), button, Property::tag, gbk("空"));
    write_property(window_template(), button, Property::caption, " ");
    write_property(window_template(), window_number(), Property::always_on_top, 0);
  }
}

}  // namespace

PriceCalculator& price_calculator() {
  if (!calculator) calculator = std::make_unique<PriceCalculator>(live_boxes);
  return *calculator;
}

void reset_held_base_price() { calculator.reset(); }

std::optional<bool> run_handler(Handler handler, std::span<const std::int32_t> /*args: none is used*/) {
  switch (handler) {
    case Handler::h1: h1_created(); break;
    case Handler::h2: h2_about_to_be_destroyed();
    case Handler::h3: h3_base_got_focus(); break;
    case Handler::h4: price_calculator().recompute_ladder(); break;
    case Handler::h5: price_calculator().refresh_change_percentage(); break;
    case Handler::h6: select_whole_base_price(); break;
    case Handler::h7: price_calculator().compute_change_percentage(); break;
    case Handler::h8: h8_button_pressed(); break;
  }
  return std::nullopt;
}

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
#include "ui/edit_texts.h"

#include <unordered_map>

#include "ui/calculator_window.h"
#include "ui/event_delivery.h"
#include "ui/gbk.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

struct BoxState {
  Text stored_text;
  bool program_write = false;
  StoredSelection selection;
  std::uint32_t number = 0;  // the box's control number, once looked up
};

// Keyed by the box; an entry goes when its box is destroyed, so a new window starts afresh.
std::unordered_map<const QLineEdit*, BoxState>& states() {
  static std::unordered_map<const QLineEdit*, BoxState> table;
  return table;
}

BoxState& state_of(QLineEdit& box) {
  auto& table = states();
  auto found = table.find(&box);
  if (found != table.end()) return found->second;
  QObject::connect(&box, &QObject::destroyed, [key = &box] { states().erase(key); });
  return table.emplace(&box, BoxState{}).first->second;
}

std::uint32_t number_of(const QLineEdit& box, BoxState& state) {
  if (state.number != 0) return state.number;
  if (const CalculatorWindow* window = CalculatorWindow::live()) {
    if (const ControlDescription* description = window->description_of(&box)) state.number = description->number;
  }
  return state.number;
}

}  // namespace

Text read_text(QLineEdit& box) {
  BoxState& state = state_of(box);
  state.stored_text = qstring_to_text(box.text());
  return state.stored_text;
}

void write_text(QLineEdit& box, std::string_view text) {
  BoxState& state = state_of(box);
  state.stored_text.assign(text);
  const QString displayed = text_to_qstring(state.stored_text);
  state.program_write = true;
  box.setText(displayed);
  state.program_write = false;  // entries stay in place while others are added
  if (const std::uint32_t number = number_of(box, state)) raise_event(number, event::text_changed);
}

bool program_write_mark(const QLineEdit& box) noexcept {
  const auto& table = states();
  const auto found = table.find(&box);
  return found != table.end() && found->second.program_write;
}

StoredSelection& stored_selection(QLineEdit& box) { return state_of(box).selection; }

}  // namespace vantelo::ui

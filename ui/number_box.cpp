// SPDX-License-Identifier: MIT
#include "ui/number_box.h"

#include <algorithm>

#include "ui/edit_texts.h"
#include "ui/gbk.h"
#include "vantelo/price.h"

namespace vantelo::ui {

bool is_number_box(const ControlDescription& description) noexcept {
  return description.kind == ControlKind::edit_box && description.input_mode == InputMode::single_precision;
}

bool drops_typed_characters(const QKeyEvent& key) {
  // With Ctrl (and not AltGr, which some platforms report as Ctrl+Alt) a key is an editing shortcut,
  // whatever text the platform attaches to it.
  const Qt::KeyboardModifiers modifiers = key.modifiers();
  if (modifiers.testAnyFlags(Qt::ControlModifier | Qt::MetaModifier) && !modifiers.testFlag(Qt::AltModifier)) {
    return false;
  }
  const QString typed = key.text();
  return std::any_of(typed.begin(), typed.end(), [](QChar c) {
    const char16_t code = c.unicode();
    // Below 0x20 are Backspace and the editing shortcuts' control characters; 0x7F is what some
    // platforms give for the Delete key, which types nothing.
    if (code < 0x20 || code == 0x7F) return false;
    return !((code >= u'0' && code <= u'9') || code == u'-' || code == u'.');
  });
}

void normalise_number_box(QLineEdit& box) {
  const Text current = read_text(box);
  const Text normalised = normalise_number_text(current);
  if (normalised == current) return;
  const QString before = box.text();
  const int noted_start = gbk_length_of_prefix(before, box.hasSelectedText() ? box.selectionStart() : box.cursorPosition());
  write_text(box, normalised);
  const QString after = box.text();
  box.setCursorPosition(utf16_position_of_gbk_offset(after, std::min(noted_start, static_cast<int>(normalised.size()))));
  box.deselect();
}

}  // namespace vantelo::ui

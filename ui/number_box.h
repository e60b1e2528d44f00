// SPDX-License-Identifier: MIT
// The single-precision number boxes: what typing may put into them, and what leaving them does.
#pragma once

#include <QKeyEvent>
#include <QLineEdit>

#include <cstdint>

#include "ui/window_description.h"

namespace vantelo::ui {

bool is_number_box(const ControlDescription& description) noexcept;

// Whether the box's character filter drops the characters of this key press: any character from
// 0x20 up other than the digits, "-" and ".". Control characters (Backspace, the editing shortcuts)
// and keys that type nothing pass.
bool drops_typed_characters(const QKeyEvent& key);

// The box's text read as a price without full-width folding, rounded to six digits and written back
// with six significant digits (zero as the empty text). When that differs from the text, the text is
// replaced (one Text changed for `box`) and the caret goes back to where the selection started,
// with nothing selected. Runs when the box loses the focus, ahead of its Lost focus event.
void normalise_number_box(QLineEdit& box);

}  // namespace vantelo::ui

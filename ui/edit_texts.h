// SPDX-License-Identifier: MIT
// The text of an edit box as the calculator sees it: a GBK Text, read and written whole.
//
// Every write reports exactly one content change, after the new text is in place, even when the text
// is unchanged. QLineEdit itself signals a program's setText (and stays silent when nothing changed),
// so a write sets the box's program-write mark around setText, the delivery ignores the signals that
// arrive under the mark, and the write then reports its one change itself.
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <string_view>

#include "vantelo/price.h"

namespace vantelo::ui {

// The box's displayed text; it also becomes the box's stored text. Empty when the box is empty.
Text read_text(QLineEdit& box);
// Replaces the displayed text by `text` (copied), then reports one change: the box's Text changed
// event has been raised and handled when this returns.
void write_text(QLineEdit& box, std::string_view text);

// True only while a write is replacing the displayed text of `box`.
bool program_write_mark(const QLineEdit& box) noexcept;

// The box's selection in GBK bytes, as the selection writes keep it (never negative).
struct StoredSelection {
  std::int32_t start = 0;
  std::int32_t count = 0;
};
StoredSelection& stored_selection(QLineEdit& box);

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
// The calculator's texts are GBK byte strings; Qt's widgets hold UTF-16. These convert at the boundary.
//
// ASCII passes through untouched (the ladder and the normalised numbers are ASCII, and they are most of
// the traffic). A character GBK cannot hold becomes "?", and a byte sequence that is not GBK (a stray
// byte, or a lead byte cut off from its trail by leading_bytes) becomes U+FFFD: a text always converts.
#pragma once

#include <QString>

#include <string_view>

#include "vantelo/price.h"

namespace vantelo::ui {

QString text_to_qstring(std::string_view gbk);
Text qstring_to_text(const QString& text);

// Positions: Qt counts UTF-16 units, the calculator counts GBK bytes (a two-byte character counts 2).
// The GBK length of the first `units` UTF-16 units of `text` (clamped to the text).
int gbk_length_of_prefix(const QString& text, int units);
// The UTF-16 position that `bytes` GBK bytes into `text` reach, never splitting a character:
// a position inside a character rounds up to its end. Clamped to [0, text.size()].
int utf16_position_of_gbk_offset(const QString& text, int bytes);

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
// Building the window from its description (the entry point, build_window(), is declared in
// calculator_window.h) and the rules the building applies to each control.
#pragma once

#include <QFont>
#include <QString>

#include "ui/window_description.h"

class QLineEdit;

namespace vantelo::ui {

// The accessible name of a control: an edit box takes the caption of the label that names it with
// its trailing colon (ASCII or full-width) dropped; other controls their own stated name.
QString accessible_name_for(const ControlDescription& description);

// The least height a single-line edit box may have with `font`: the height of "吴" in that font
// plus twice the 3-D edge thickness.
int edit_box_minimum_height(const QFont& font);

// Creates one control of the window from its description, hidden (the window shows it later).
QWidget* create_control(const ControlDescription& description, QWidget* parent);

}  // namespace vantelo::ui

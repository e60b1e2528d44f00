// SPDX-License-Identifier: MIT
// What assistive technology sees of the window beyond Qt's own widgets: the painted labels are read
// as static text naming the box beside them, and the calculator's widget as a window.
#pragma once

namespace vantelo::ui {

// Installs the accessibility interfaces of the window's own widget classes. Idempotent; building the
// window calls it before any interface of its widgets exists.
void install_accessibility();

}  // namespace vantelo::ui

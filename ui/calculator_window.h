// SPDX-License-Identifier: MIT
// The calculator's window: the top-level widget built from the window description.
//
// It owns the 48 controls (QLineEdit edit boxes, the QPushButton, painted Label widgets), knows each
// control's description, moves the focus in the designed order and handles the window-level keys
// (Tab, Shift+Tab, Enter, Esc) and drag-to-move ahead of the controls. Closing it raises About to be
// destroyed through the event delivery.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/window_description.h"

namespace vantelo::ui {

class CalculatorWindow final : public QWidget {
 public:
  CalculatorWindow();
  ~CalculatorWindow() override;
  CalculatorWindow(const CalculatorWindow&) = delete;
  CalculatorWindow& operator=(const CalculatorWindow&) = delete;

  // The live window, or nullptr before it is built and after it is gone.
  static CalculatorWindow* live() noexcept;

  // A control by number or by its UTF-8 name; nullptr if none.
  QWidget* control(std::uint32_t number) const;
  QWidget* control(std::string_view name) const;
  // The description of a control widget; nullptr if `widget` is not one of the controls.
  const ControlDescription* description_of(const QObject* widget) const;

  // All control widgets in list order (position 1 first).
  const std::vector<QWidget*>& controls() const noexcept { return controls_; }

  // The designed focus movement: to the next / previous control in the focus order that can take
  // the focus (visible, enabled, a tab stop), wrapping around.
  void focus_next();
  void focus_previous();
  // The focus-order list: controls with a tab stop, by their designed order.
  std::vector<QWidget*> focus_chain() const;

  // Moves the window so its outer frame has the designed size and is centred on the primary screen.
  // Called again once the window manager has reported the frame extents.
  void place_centred();

  // Used while building: adds a control; called in list order.
  void adopt_control(QWidget* widget, const ControlDescription& description);

  // How many window moves a left-button press has started (on the bare area or on a label).
  int drag_starts() const noexcept { return drag_starts_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  bool handle_window_key(QKeyEvent* key);
  bool start_drag(QMouseEvent* press);
  void correct_frame();
  // Where "next" goes from a control outside the focus order: the first candidate whose list position
  // is not higher than its own; chain.end() when there is none.
  std::vector<QWidget*>::const_iterator next_from_outside(const std::vector<QWidget*>& chain,
                                                          const QWidget* focused) const;

  std::vector<QWidget*> controls_;                     // list order
  std::vector<const ControlDescription*> described_;  // parallel to controls_
  bool frame_corrected_ = false;
  int drag_starts_ = 0;
};

// Builds the window from the description, hidden; its controls created, stacked and shown.
std::unique_ptr<CalculatorWindow> build_window();

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
// A calculator started the way the program starts it, for tests that drive it for a long time:
// built with events suspended, connected, Created, shown and activated with the focus in the base
// price box, then Got focus once more. Also the user's ways in: keys, clicks, pastes, switching away.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <memory>
#include <string_view>

#include "app/lifecycle.h"
#include "app/startup.h"
#include "ui/calculator_window.h"
#include "ui/event_delivery.h"
#include "ui/handlers.h"
#include "ui/properties.h"
#include "ui/window_description.h"

namespace vantelo::test {

class StartedCalculator {
 public:
  // Starts the window; the observer (if any) is installed before Created so it sees the whole life.
  explicit StartedCalculator(std::function<void(const ui::ObservedEvent&)> observer = {}) {
    app::reset_floating_point_unit();
    ui::reset_tags();
    ui::reset_held_base_price();
    ui::set_event_observer(std::move(observer));
    raise_event_suspension();
    window_ = ui::build_window();
    QCoreApplication::processEvents();
    ui::connect_event_delivery(*window_);
    lower_event_suspension();
    const std::uint32_t number = ui::window_description().number;
    ui::raise_event(number, ui::event::created);
    window_->show();
    window_->activateWindow();
    window_->control("股票价格")->setFocus(Qt::ActiveWindowFocusReason);
    started_ = QTest::qWaitForWindowActive(window_.get());
    if (const auto* focused = window_->description_of(QApplication::focusWidget()))
      ui::raise_event(focused->number, ui::event::got_focus);
  }

  ~StartedCalculator() {
    ui::set_event_observer({});
    // The window goes without a close request, so no About to be destroyed ends the test process.
    raise_event_suspension();
    window_.reset();
    other_.reset();
    lower_event_suspension();
  }

  StartedCalculator(const StartedCalculator&) = delete;
  StartedCalculator& operator=(const StartedCalculator&) = delete;

  bool started() const { return started_; }
  ui::CalculatorWindow& window() const { return *window_; }
  QLineEdit* box(std::string_view name) const { return qobject_cast<QLineEdit*>(window_->control(name)); }

  // Where the keyboard goes: the focused control of the window, or the window when none has it.
  QWidget* keyboard_target() const {
    QWidget* focused = QApplication::focusWidget();
    if (focused != nullptr && focused->window() == window_.get()) return focused;
    return window_.get();
  }

  void click(QWidget* widget) const {
    QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window_.get(), widget->rect().center()));
  }

  // Puts `text` on the clipboard and presses Ctrl+V in the focused control.
  void paste(const QString& text) const {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(keyboard_target(), Qt::Key_V, Qt::ControlModifier);
  }

  // Another application's window takes the activation; false if the switch did not happen.
  bool deactivate() {
    if (!other_) {
      other_ = std::make_unique<QWidget>();
      other_->resize(100, 100);
    }
    other_->show();
    other_->activateWindow();
    return QTest::qWaitForWindowActive(other_.get());
  }
  bool reactivate() {
    window_->activateWindow();
    return QTest::qWaitForWindowActive(window_.get());
  }

 private:
  std::unique_ptr<ui::CalculatorWindow> window_;
  std::unique_ptr<QWidget> other_;
  bool started_ = false;
};

}  // namespace vantelo::test

// SPDX-License-Identifier: MIT
#include "ui/event_delivery.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <utility>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/edit_texts.h"
#include "ui/handlers.h"
#include "ui/number_box.h"
#include "ui/properties.h"

namespace vantelo::ui {
namespace {

std::function<void(const ObservedEvent&)>& observer() {
  static std::function<void(const ObservedEvent&)> instance;
  return instance;
}

void observe(ObservedEvent::Step step, std::uint32_t source, std::int32_t code,
             std::span<const std::int32_t> args, std::optional<Handler> handler) {
  auto& notify = observer();
  if (!notify) return;
  ObservedEvent seen{step, source, code, {}, std::min<std::size_t>(args.size(), 3), handler};
  std::copy_n(args.begin(), seen.arg_count, seen.args.begin());
  notify(seen);
}

const Binding* binding_for(std::uint32_t source, std::int32_t code) noexcept {
  for (const Binding& binding : bindings()) {
    if (binding.source == source && binding.event == code) return &binding;
  }
  return nullptr;
}

struct Delivery {
  bool handler_ran = false;
  std::optional<bool> result;
};

Delivery deliver(std::uint32_t source, std::int32_t code, std::span<const std::int32_t> args) {
  if (events_suspended()) {
    observe(ObservedEvent::Step::dropped, source, code, args, std::nullopt);
    return {};
  }
  const Binding* binding = binding_for(source, code);
  const std::optional<Handler> handler = binding ? std::optional(binding->handler) : std::nullopt;
  observe(ObservedEvent::Step::raised, source, code, args, handler);
  if (!handler) return {};
  Delivery delivery{true, run_handler(*handler, args)};
  observe(ObservedEvent::Step::handler_finished, source, code, args, handler);
  return delivery;
}

// The mouse arguments: the position in the control's own area, each coordinate as an unsigned 16-bit
// value (a release outside the box gives a negative position, which wraps), and the key state.
std::array<std::int32_t, 3> mouse_arguments(QPointF position, Qt::KeyboardModifiers modifiers) {
  const QPoint at = position.toPoint();
  const std::int32_t keys = (modifiers.testFlag(Qt::ControlModifier) ? 1 : 0) +
                            (modifiers.testFlag(Qt::ShiftModifier) ? 2 : 0) +
                            (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
  return {static_cast<std::uint16_t>(at.x()), static_cast<std::uint16_t>(at.y()), keys};
}

// The toolkit side of the delivery for one window: turns Qt's notifications into events.
//
// Presses are taken where the window receives them, before Qt gives the focus to the pressed widget:
// a press on the button runs its handler before the focus moves (and before the box that had it is
// normalised and told it lost it). Releases are taken at the control, which holds the mouse after a
// press in it. Focus changes are taken at the controls themselves, before their own processing.
class Bridge final : public QObject {
 public:
  explicit Bridge(CalculatorWindow& window) : QObject(&window), window_(&window), window_watcher_(*this) {
    // Sees what the window receives before it hands it to a control.
    qApp->installEventFilter(&window_watcher_);
  }

  // While the window is the live one: once it is on its way out (its controls going one by one)
  // nothing more is reported.
  // live() lets go of the window first thing in its destructor, so it is tested before the pointer is
  // looked at: reading a QPointer<CalculatorWindow> casts, which is undefined for a window already
  // torn down to its QWidget base (the undefined-behaviour sanitizer stops there).
  bool connected() const {
    return CalculatorWindow::live() != nullptr && !window_.isNull() && CalculatorWindow::live() == window_;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // A window on its way out (its controls going one by one) reports nothing more.
    if (!connected()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        return control_mouse(watched, static_cast<QMouseEvent*>(event));
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        return focus(watched, static_cast<QFocusEvent*>(event));
      case QEvent::KeyPress:
        return typed(watched, static_cast<QKeyEvent*>(event));
      default:
        return false;
    }
  }

 private:
  const ControlDescription* raising_control(QObject* watched) const {
    const ControlDescription* description = window_ ? window_->description_of(watched) : nullptr;
    if (description == nullptr || description->kind == ControlKind::label) return nullptr;
    return description;
  }

  bool window_mouse(QObject* watched, QMouseEvent* mouse) {
    if (!connected() || watched != window_->windowHandle()) return false;
    press_taken_by_window_ = nullptr;
    if (mouse->type() != QEvent::MouseButtonPress || mouse->button() != Qt::LeftButton) return false;
    const QPoint at = mouse->position().toPoint();
    QWidget* target = window_->childAt(at);
    while (target != nullptr && target != window_ && window_->description_of(target) == nullptr) {
      target = target->parentWidget();
    }
    if (target == nullptr || target == window_) return false;
    const ControlDescription* description = raising_control(target);
    if (description == nullptr) return false;
    const QPointF local = target->mapFrom(window_.data(), mouse->position());
    const auto args = mouse_arguments(local, mouse->modifiers());
    const Delivery delivery = deliver(description->number, event::left_button_pressed, args);
    if (!window_ || CalculatorWindow::live() == nullptr) return true;
    if (delivery.result == false) return true;
    press_taken_by_window_ = target;
    return false;
  }

  bool control_mouse(QObject* watched, QMouseEvent* mouse) {
    if (mouse->button() != Qt::LeftButton) return false;
    if (mouse->type() == QEvent::MouseButtonDblClick) return false;
    const ControlDescription* description = raising_control(watched);
    if (description == nullptr) return false;
    const bool press = mouse->type() == QEvent::MouseButtonPress;
    if (press && std::exchange(press_taken_by_window_, nullptr) == watched) return false;
    const auto args = mouse_arguments(mouse->position(), mouse->modifiers());
    const Delivery delivery =
        deliver(description->number, press ? event::left_button_pressed : event::left_button_released, args);
    if (!window_ || CalculatorWindow::live() == nullptr) return true;
    if (delivery.result == false) return true;
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (press || !delivery.handler_ran || box == nullptr) return false;
    // The box ends its mouse selection now, but keeps whatever selection the handler has just made
    // (a release inside the selection would otherwise collapse it to the caret).
    const int start = box->selectionStart();
    const int length = static_cast<int>(box->selectedText().size());
    const int cursor = box->cursorPosition();
    static_cast<QObject*>(box)->event(mouse);
    if (box->selectionStart() != start || box->selectedText().size() != length || box->cursorPosition() != cursor) {
      if (length > 0 && start >= 0) {
        const bool caret_at_start = cursor == start;
        box->setSelection(caret_at_start ? start + length : start, caret_at_start ? -length : length);
      } else {
        box->setCursorPosition(cursor);
      }
    }
    return true;
  }

  bool focus(QObject* watched, QFocusEvent* change) {
    // A popup (a context menu) borrows the focus and gives it back; the box keeps it meanwhile.
    if (change->reason() == Qt::PopupFocusReason) return false;
    const ControlDescription* description = raising_control(watched);
    if (description == nullptr) return false;
    if (change->type() == QEvent::FocusIn) {
      deliver(description->number, event::got_focus, {});
      return false;
    }
    if (auto* box = qobject_cast<QLineEdit*>(watched); box != nullptr && is_number_box(*description)) {
      normalise_number_box(*box);
    }
    deliver(description->number, event::lost_focus, {});
    return false;
  }

  bool typed(QObject* watched, QKeyEvent* key) {
    const ControlDescription* description = raising_control(watched);
    return description != nullptr && is_number_box(*description) && drops_typed_characters(*key);
  }

  // The application-wide filter: it only looks at the mouse events of the window's own QWindow.
  class WindowWatcher final : public QObject {
   public:
    explicit WindowWatcher(Bridge& bridge) : bridge_(bridge) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      const QEvent::Type type = event->type();
      if (!watched->isWindowType()) return false;
      if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
        return false;
      }
      return bridge_.window_mouse(watched, static_cast<QMouseEvent*>(event));
    }

   private:
    Bridge& bridge_;
  };

  QPointer<CalculatorWindow> window_;
  QObject* press_taken_by_window_ = nullptr;
  WindowWatcher window_watcher_;
};

}  // namespace

std::optional<bool> raise_event(std::uint32_t source, std::int32_t event_code,
                                std::initializer_list<std::int32_t> args) {
  return deliver(source, event_code, std::span<const std::int32_t>(args.begin(), args.size())).result;
}

void connect_event_delivery(CalculatorWindow& window) {
  auto* bridge = new Bridge(window);
  for (QWidget* control : window.controls()) {
    const ControlDescription* description = window.description_of(control);
    if (description == nullptr || description->kind == ControlKind::label) continue;
    control->installEventFilter(bridge);
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
      const std::uint32_t number = description->number;
      // Qt's own notification of a program write arrives under the write's mark and is not reported:
      // the write reports its one change itself once the text is in place.
      QObject::connect(box, &QLineEdit::textChanged, bridge, [bridge, box, number] {
        if (bridge->connected() && !program_write_mark(*box)) raise_event(number, event::text_changed);
      });
    }
  }
  take_designed_window_properties();
}

void set_event_observer(std::function<void(const ObservedEvent&)> observer_function) {
  observer() = std::move(observer_function);
}

}  // namespace vantelo::ui

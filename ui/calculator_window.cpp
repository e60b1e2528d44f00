// SPDX-License-Identifier: MIT
#include "ui/calculator_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "ui/event_delivery.h"
#include "ui/label.h"

namespace vantelo::ui {
namespace {

CalculatorWindow* live_window = nullptr;

QString text_of(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

CalculatorWindow::CalculatorWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  const WindowDescription& window = window_description();
  setWindowTitle(text_of(window.caption));
  setFont(QApplication::font());
  QPalette face = palette();
  face.setColor(QPalette::Window, colour_of(window.background_colour));
  setPalette(face);
  setAutoFillBackground(true);
  // Until the window manager reports its frame, the whole outer size goes to the client area.
  setFixedSize(window.outer_width, window.outer_height);
  place_centred();
  live_window = this;
}

CalculatorWindow::~CalculatorWindow() {
  if (live_window == this) live_window = nullptr;
}

CalculatorWindow* CalculatorWindow::live() noexcept { return live_window; }

QWidget* CalculatorWindow::control(std::uint32_t number) const {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (described_[i]->number == number) return controls_[i];
  return nullptr;
}

QWidget* CalculatorWindow::control(std::string_view name) const {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (described_[i]->name == name) return controls_[i];
  return nullptr;
}

const ControlDescription* CalculatorWindow::description_of(const QObject* widget) const {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i] == widget) return described_[i];
  return nullptr;
}

void CalculatorWindow::adopt_control(QWidget* widget, const ControlDescription& description) {
  controls_.push_back(widget);
  described_.push_back(&description);
  widget->installEventFilter(this);
}

std::vector<QWidget*> CalculatorWindow::focus_chain() const {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const QWidget* w = controls_[i];
    if (described_[i]->tab_stop && w->isVisibleTo(this) && w->isEnabled()) positions.push_back(i);
  }
  // Ascending tab order value; equal values follow one another in descending list position.
  std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
    if (described_[a]->tab_order != described_[b]->tab_order)
      return described_[a]->tab_order < described_[b]->tab_order;
    return a > b;
  });
  std::vector<QWidget*> chain;
  chain.reserve(positions.size());
  for (const std::size_t i : positions) chain.push_back(controls_[i]);
  return chain;
}

void CalculatorWindow::focus_next() {
  QWidget* focused = focusWidget();
  const auto chain = focus_chain();
  if (chain.empty() || focused == nullptr) return;
  const auto at = std::find(chain.begin(), chain.end(), focused);
  QWidget* chosen = nullptr;
  if (at != chain.end()) {
    chosen = std::next(at) == chain.end() ? chain.front() : *std::next(at);
  } else {
    if (description_of(focused) == nullptr) return;  // the focus is on no control of the window
    const auto next = next_from_outside(chain, focused);
    chosen = next == chain.end() ? chain.front() : *next;
  }
  if (chosen != focused) chosen->setFocus(Qt::TabFocusReason);
}

void CalculatorWindow::focus_previous() {
  QWidget* focused = focusWidget();
  const auto chain = focus_chain();
  if (chain.empty() || focused == nullptr) return;
  const auto at = std::find(chain.begin(), chain.end(), focused);
  QWidget* chosen = nullptr;
  if (at != chain.end()) {
    chosen = at == chain.begin() ? chain.back() : *std::prev(at);
  } else {
    if (description_of(focused) == nullptr) return;
    // The candidate before the one that "next" would take.
    const auto next = next_from_outside(chain, focused);
    chosen = (next == chain.end() || next == chain.begin()) ? chain.back() : *std::prev(next);
  }
  if (chosen != focused) chosen->setFocus(Qt::BacktabFocusReason);
}

std::vector<QWidget*>::const_iterator CalculatorWindow::next_from_outside(const std::vector<QWidget*>& chain,
                                                                          const QWidget* focused) const {
  const auto list_position = [this](const QWidget* control) {
    return std::find(controls_.begin(), controls_.end(), control) - controls_.begin();
  };
  const auto own_position = list_position(focused);
  return std::find_if(chain.begin(), chain.end(),
                      [&](const QWidget* candidate) { return list_position(candidate) <= own_position; });
}

bool CalculatorWindow::focusNextPrevChild(bool next) {
  // Whatever asks Qt to move the focus gets the designed order.
  if (next) focus_next();
  else focus_previous();
  return true;
}

void CalculatorWindow::place_centred() {
  const WindowDescription& window = window_description();
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  // Integer division truncates toward zero, also for a screen smaller than the window.
  const int left = area.x() + (area.width() - window.outer_width) / 2;
  const int top = area.y() + (area.height() - window.outer_height) / 2;
  // The window manager's frame keeps its size in device pixels when Qt scales the window (for
  // instance QT_SCALE_FACTOR=2), while the client area keeps the design at the scaled size; so the
  // client gives up the frame's device pixels, as many as it would at scale 1.
  QMargins frame;
  if (const QWindow* handle = windowHandle(); handle != nullptr)
    frame = handle->frameMargins() * handle->devicePixelRatio();
  const QSize client(window.outer_width - frame.left() - frame.right(),
                     window.outer_height - frame.top() - frame.bottom());
  if (size() != client) setFixedSize(client);
  move(left, top);  // a top-level window's position is that of its frame
}

void CalculatorWindow::correct_frame() {
  if (frame_corrected_ || !isVisible()) return;
  const QWindow* handle = windowHandle();
  if (handle == nullptr || handle->frameMargins().isNull()) return;
  frame_corrected_ = true;
  const WindowDescription& window = window_description();
  if (frameGeometry().size() != QSize(window.outer_width, window.outer_height)) place_centred();
}

bool CalculatorWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (handle_window_key(static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::UpdateRequest:
      correct_frame();
      break;
    default: break;
  }
  return QWidget::event(event);
}

bool CalculatorWindow::eventFilter(QObject* watched, QEvent* event) {
  const ControlDescription* description = description_of(watched);
  if (description == nullptr) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
      return handle_window_key(static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // A press on a label moves the window; the label itself never sees it.
      if (description->kind == ControlKind::label) return start_drag(static_cast<QMouseEvent*>(event));
      break;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      if (description->kind == ControlKind::label) return true;
      break;
    default: break;
  }
  return false;
}

bool CalculatorWindow::handle_window_key(QKeyEvent* key) {
  // The keypad's Enter carries the keypad modifier; it is still Enter without modifiers.
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
  const WindowDescription& window = window_description();
  switch (key->key()) {
    case Qt::Key_Tab:
      if (modifiers == Qt::NoModifier) {
        focus_next();
        return true;
      }
      if (modifiers == Qt::ShiftModifier) {
        focus_previous();
        return true;
      }
      return false;
    case Qt::Key_Backtab:  // Shift+Tab arrives as Backtab
      if (modifiers == Qt::ShiftModifier || modifiers == Qt::NoModifier) {
        focus_previous();
        return true;
      }
      return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (modifiers != Qt::NoModifier || !window.enter_moves_focus) return false;
      focus_next();
      return true;
    case Qt::Key_Escape:
      if (modifiers != Qt::NoModifier || !window.esc_closes) return false;
      close();  // exactly as the close button
      return true;
    case Qt::Key_F1:
      return !window.f1_help;  // no help: the key does nothing
    default: return false;
  }
}

bool CalculatorWindow::start_drag(QMouseEvent* press) {
  if (press->button() != Qt::LeftButton || !window_description().drag_to_move) return false;
  ++drag_starts_;
  if (QWindow* handle = windowHandle(); handle != nullptr) handle->startSystemMove();
  press->accept();
  return true;
}

void CalculatorWindow::mousePressEvent(QMouseEvent* event) {
  if (!start_drag(event)) QWidget::mousePressEvent(event);
}

void CalculatorWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!start_drag(event)) QWidget::mouseDoubleClickEvent(event);
}

void CalculatorWindow::closeEvent(QCloseEvent* event) {
  // Every close request goes through. The program normally ends inside this event; if nothing
  // ends it, the window closes and the event loop quits.
  raise_event(window_description().number, event::about_to_be_destroyed);
  event->accept();
}

}  // namespace vantelo::ui

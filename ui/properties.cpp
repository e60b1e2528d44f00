// SPDX-License-Identifier: MIT
#include "ui/properties.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

#if __has_include(<xcb/xcb.h>) && __has_include(<QtGui/qguiapplication_platform.h>)
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define VANTELO_HAVE_X11 1
#endif
#endif

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/edit_texts.h"
#include "ui/gbk.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

// Tags last for the whole run, whether or not a window exists: they start as designed and a write
// replaces them.
std::unordered_map<std::uint32_t, Text>& tags() {
  static std::unordered_map<std::uint32_t, Text> table;
  return table;
}

Text designed_tag(std::uint32_t control) {
  if (control == window_description().number) return qstring_to_text(QString::fromUtf8(window_description().tag));
  const ControlDescription* description = find_control(control);
  return description ? qstring_to_text(QString::fromUtf8(description->tag)) : Text{};
}

Text& tag_of(std::uint32_t control) {
  auto& table = tags();
  auto found = table.find(control);
  if (found == table.end()) found = table.emplace(control, designed_tag(control)).first;
  return found->second;
}

// The live window's stored values, taken from the description when the window is connected.
struct StoredWindow {
  Text caption;
  bool always_on_top = false;
  std::unordered_map<std::uint32_t, Text> button_captions;
};

StoredWindow& stored() {
  static StoredWindow values;
  return values;
}

// What a property addresses: the window itself, or one of its controls (with its widget).
struct Target {
  CalculatorWindow* window = nullptr;
  const ControlDescription* control = nullptr;  // nullptr for the window itself
  QWidget* widget = nullptr;
};

void check_window(std::uint32_t window) {
  if (window != window_description().template_number) fatal_error("No window description has that number.");
}

void check_control(std::uint32_t control) {
  if (control != window_description().number && find_control(control) == nullptr) {
    fatal_error("The calculator's window has no control of that number.");
  }
}

Target live_target(std::uint32_t control) {
  CalculatorWindow* window = CalculatorWindow::live();
  if (window == nullptr) fatal_error("A property of the calculator's window was used while the window does not exist.");
  if (control == window_description().number) return {window, nullptr, window};
  const ControlDescription* description = find_control(control);
  QWidget* widget = window->control(control);
  if (description == nullptr || widget == nullptr) fatal_error("The calculator's window has no control of that number.");
  return {window, description, widget};
}

[[noreturn]] void unsupported() { fatal_error("That property does not belong to that control."); }

QLineEdit& edit_box(const Target& target) {
  auto* box = target.control && target.control->kind == ControlKind::edit_box ? qobject_cast<QLineEdit*>(target.widget) : nullptr;
  if (box == nullptr) unsupported();
  return *box;
}

QPushButton& button(const Target& target) {
  auto* pushed = target.control && target.control->kind == ControlKind::button ? qobject_cast<QPushButton*>(target.widget) : nullptr;
  if (pushed == nullptr) unsupported();
  return *pushed;
}

Text& button_caption(const Target& target) {
  auto& captions = stored().button_captions;
  auto found = captions.find(target.control->number);
  if (found == captions.end()) {
    found = captions.emplace(target.control->number, qstring_to_text(QString::fromUtf8(target.control->text))).first;
  }
  return found->second;
}

// Applies the box's stored selection (GBK bytes) to the QLineEdit (UTF-16 positions).
void apply_selection(QLineEdit& box) {
  const StoredSelection& selection = stored_selection(box);
  const QString text = box.text();
  const auto end_bytes = std::min<std::int64_t>(std::int64_t{selection.start} + selection.count,
                                                std::numeric_limits<int>::max());
  const int start = utf16_position_of_gbk_offset(text, selection.start);
  const int end = utf16_position_of_gbk_offset(text, static_cast<int>(end_bytes));
  if (end > start) {
    box.setSelection(start, end - start);
  } else {
    box.setCursorPosition(start);
  }
}

#ifdef VANTELO_HAVE_X11
xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return result;
}

// Moves the window into or out of the window manager's "above" band through _NET_WM_STATE. Qt's own
// way (the stays-on-top window flag) re-creates and hides the window; this keeps the same window in
// place, does not activate it and leaves the focus alone.
bool set_above_on_x11(QWidget& window, bool above) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* connection = x11->connection();
  // A hidden window has its native window created here (once), so that its state is in place when
  // it is mapped; Qt keeps the states it finds there when it maps the window.
  const auto id = static_cast<xcb_window_t>(window.winId());
  static const xcb_atom_t net_wm_state = atom(connection, "_NET_WM_STATE");
  static const xcb_atom_t net_wm_state_above = atom(connection, "_NET_WM_STATE_ABOVE");
  if (net_wm_state == XCB_ATOM_NONE || net_wm_state_above == XCB_ATOM_NONE) return false;

  if (window.isVisible()) {
    // A mapped window's state belongs to the window manager: ask it, as the EWMH says.
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    if (geometry == nullptr) return false;
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = net_wm_state;
    message.data.data32[0] = above ? 1 : 0;  // _NET_WM_STATE_ADD or _NET_WM_STATE_REMOVE
    message.data.data32[1] = net_wm_state_above;
    message.data.data32[2] = 0;
    message.data.data32[3] = 1;  // from a normal application
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  } else {
    // Not mapped yet: the window's own property is ours to set, and the window manager reads it on map.
    std::vector<xcb_atom_t> states;
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, id, net_wm_state, XCB_ATOM_ATOM, 0, 1024);
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr)) {
      if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states.assign(values, values + xcb_get_property_value_length(reply) / 4);
      }
      std::free(reply);
    }
    std::erase(states, net_wm_state_above);
    if (above) states.push_back(net_wm_state_above);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, net_wm_state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
  }
  xcb_flush(connection);
  return true;
}
#endif

void set_always_on_top(CalculatorWindow& window, bool above) {
  stored().always_on_top = above;
#ifdef VANTELO_HAVE_X11
  if (QGuiApplication::platformName() == QLatin1String("xcb")) set_above_on_x11(window, above);
#else
  (void)window;
#endif
  // Other platforms (the offscreen one of the tests among them) keep the stored flag only: changing
  // Qt's stays-on-top flag would hide and re-create the window.
}

}  // namespace

Text read_text_property(std::uint32_t window, std::uint32_t control, Property property) {
  check_window(window);
  check_control(control);
  if (property == Property::tag) return tag_of(control);
  const Target target = live_target(control);
  switch (property) {
    case Property::caption:
      if (target.control == nullptr) return stored().caption;
      button(target);
      return button_caption(target);
    case Property::text:
      return read_text(edit_box(target));
    default:
      unsupported();
  }
}

std::int32_t read_integer_property(std::uint32_t window, std::uint32_t control, Property property) {
  check_window(window);
  check_control(control);
  const Target target = live_target(control);
  switch (property) {
    case Property::always_on_top:
      if (target.control != nullptr) unsupported();
      return stored().always_on_top ? 1 : 0;
    case Property::selection_start:
      return stored_selection(edit_box(target)).start;
    case Property::selected_character_count:
      return stored_selection(edit_box(target)).count;
    default:
      unsupported();
  }
}

void write_property(std::uint32_t window, std::uint32_t control, Property property, std::string_view text) {
  check_window(window);
  check_control(control);
  if (property == Property::tag) {
    tag_of(control).assign(text);
    return;
  }
  const Target target = live_target(control);
  switch (property) {
    case Property::caption:
      if (target.control == nullptr) {
        stored().caption.assign(text);
        // Only the title changes: the frame (title bar, system menu, minimise button) stays as it is,
        // and the window is neither moved nor activated.
        target.window->setWindowTitle(text_to_qstring(text));
      } else {
        QPushButton& pushed = button(target);
        button_caption(target).assign(text);
        pushed.setText(text_to_qstring(text));
      }
      return;
    case Property::text:
      write_text(edit_box(target), text);
      return;
    default:
      unsupported();
  }
}

void write_property(std::uint32_t window, std::uint32_t control, Property property, std::int32_t value) {
  check_window(window);
  check_control(control);
  const Target target = live_target(control);
  switch (property) {
    case Property::always_on_top:
      if (target.control != nullptr) unsupported();
      set_always_on_top(*target.window, value != 0);
      return;
    case Property::selection_start: {
      QLineEdit& box = edit_box(target);
      StoredSelection& selection = stored_selection(box);
      if (value == -1) {
        selection.start = static_cast<std::int32_t>(qstring_to_text(box.text()).size());
        selection.count = 0;
      } else {
        selection.start = std::max(value, 0);
      }
      apply_selection(box);
      return;
    }
    case Property::selected_character_count: {
      QLineEdit& box = edit_box(target);
      StoredSelection& selection = stored_selection(box);
      if (value == -1) {
        selection.start = 0;
        selection.count = static_cast<std::int32_t>(qstring_to_text(box.text()).size());
      } else {
        selection.count = std::max(value, 0);
      }
      apply_selection(box);
      return;
    }
    default:
      unsupported();
  }
}

void reset_tags() { tags().clear(); }

void take_designed_window_properties() {
  StoredWindow& values = stored();
  values.caption = qstring_to_text(QString::fromUtf8(window_description().caption));
  values.always_on_top = window_description().always_on_top;
  values.button_captions.clear();
}

}  // namespace vantelo::ui

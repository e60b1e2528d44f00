// SPDX-License-Identifier: MIT
#include "ui/build_window.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "ui/accessibility.h"
#include "ui/calculator_window.h"
#include "ui/label.h"

// The icons are compiled into the static library; a static library's resources must be registered
// by name, and only outside any namespace.
static void register_icon_resources() { Q_INIT_RESOURCE(icons); }

namespace vantelo::ui {
namespace {

QString text_of(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A single-line edit box. With hide selection off its selection stays visible after it loses the
// focus; QLineEdit on its own drops the selection on every focus loss but a window switch.
class EditBox final : public QLineEdit {
 public:
  EditBox(const ControlDescription& description, QWidget* parent)
      : QLineEdit(parent), keep_selection_(!description.hide_selection) {}

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    const bool caret_at_start = cursorPosition() == start;
    QLineEdit::focusOutEvent(event);
    if (keep_selection_ && start >= 0 && length > 0 && !hasSelectedText()) {
      if (caret_at_start) setSelection(start + length, -length);
      else setSelection(start, length);
    }
  }

 private:
  bool keep_selection_;
};

void apply_edit_colours(QLineEdit& box, const ControlDescription& description) {
  QPalette palette = box.palette();
  const QColor text = colour_of(description.text_colour);
  const QColor background = colour_of(description.background_colour);
  // The designed colours hold in every state: a read-only or disabled box keeps them.
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, background);
    palette.setColor(group, QPalette::Window, background);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::WindowText, text);
  }
  if (description.hide_selection) {
    // While the window is inactive the selection is not shown.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, background);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
  } else {
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
  }
  box.setPalette(palette);
  box.setAutoFillBackground(true);
}

QWidget* create_edit_box(const ControlDescription& description, QWidget* parent) {
  auto* box = new EditBox(description, parent);
  box->setText(text_of(description.text));
  const QFont font = font_of(description.font);
  box->setFont(font);
  int height = description.height;
  const int least = edit_box_minimum_height(font);
  if (height < least) height = least;
  box->setGeometry(description.left, description.top, description.width, height);
  box->setCursorPosition(0);  // selection start 0, nothing selected, caret in view
  box->setFrame(description.border_style != 0);
  box->setAlignment((description.align == Align::centre ? Qt::AlignHCenter
                     : description.align == Align::right ? Qt::AlignRight
                                                         : Qt::AlignLeft) |
                    Qt::AlignVCenter);
  box->setReadOnly(description.input_mode == InputMode::read_only);
  apply_edit_colours(*box, description);
  return box;
}

QWidget* create_button(const ControlDescription& description, QWidget* parent) {
  auto* button = new QPushButton(text_of(description.text), parent);
  button->setFont(font_of(description.font));
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setGeometry(description.left, description.top, description.width, description.height);
  return button;
}

// The window icon in the sizes caption bars, taskbars and switchers use. Every size given here is
// decoded and sent to the window manager before the window maps, so the 256-pixel image (the
// installed icon theme's business) is left out.
QIcon application_icon() {
  register_icon_resources();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128})
    icon.addFile(QStringLiteral(":/icons/vantelo-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

QString accessible_name_for(const ControlDescription& description) {
  if (description.labelled_by.empty()) return text_of(description.accessible_name);
  const ControlDescription* label = find_control(description.labelled_by);
  if (label == nullptr) return {};
  QString name = text_of(label->text).trimmed();
  if (name.endsWith(QChar(u'：')) || name.endsWith(QChar(u':'))) name.chop(1);
  return name.trimmed();
}

int edit_box_minimum_height(const QFont& font) {
  const int edge = QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  // The height of a line of "吴" is the font's own cell height: a fallback face that Qt may borrow
  // for the glyph does not make the box's font any higher.
  return QFontMetrics(font).height() + 2 * edge;
}

QWidget* create_control(const ControlDescription& description, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (description.kind) {
    case ControlKind::edit_box: widget = create_edit_box(description, parent); break;
    case ControlKind::button: widget = create_button(description, parent); break;
    case ControlKind::label:
      widget = new Label(description, parent);
      widget->setGeometry(description.left, description.top, description.width, description.height);
      widget->setAccessibleName(text_of(description.text));
      break;
  }
  widget->setObjectName(text_of(description.name));
  if (description.kind != ControlKind::label) widget->setAccessibleName(accessible_name_for(description));
  widget->setFocusPolicy(description.tab_stop ? Qt::StrongFocus : Qt::NoFocus);
  widget->setEnabled(!description.disabled);
  widget->hide();
  return widget;
}

std::unique_ptr<CalculatorWindow> build_window() {
  install_accessibility();  // before any widget of the window has an accessible interface
  auto window = std::make_unique<CalculatorWindow>();
  window->setWindowIcon(application_icon());

  // Created in reverse list order, so each new control lands on top of the ones before it.
  const auto descriptions = control_descriptions();
  std::vector<QWidget*> created(descriptions.size());
  for (std::size_t i = descriptions.size(); i-- > 0;) created[i] = create_control(descriptions[i], window.get());
  for (std::size_t i = 0; i < descriptions.size(); ++i) window->adopt_control(created[i], descriptions[i]);

  // Stacking order equals list order: position 1 on top, each next one directly beneath.
  for (std::size_t i = 1; i < created.size(); ++i) created[i]->stackUnder(created[i - 1]);

  for (std::size_t i = 0; i < descriptions.size(); ++i)
    if (descriptions[i].visible) created[i]->show();

  // Qt's own focus chain follows the designed order too, for anything that walks it.
  const auto chain = window->focus_chain();
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
  return window;
}

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "ui/calculator_window.h"
#include "ui/label.h"

namespace vantelo::ui {
namespace {

// A label paints its caption itself, so Qt knows it only as a plain widget. Screen readers need it as
// static text, its caption as its name, and the box it names.
class LabelInterface final : public QAccessibleWidget {
 public:
  explicit LabelInterface(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return label().caption();
    return QAccessibleWidget::text(kind);
  }

  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
      QAccessible::Relation match) const override {
    auto found = QAccessibleWidget::relations(match);
    if (!(match & QAccessible::Labelled)) return found;
    const auto* window = CalculatorWindow::live();
    if (window == nullptr) return found;
    for (const ControlDescription& control : control_descriptions()) {
      if (control.labelled_by != label().description().name) continue;
      if (QWidget* named = window->control(control.name))
        if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(named))
          found.append({iface, QAccessible::Labelled});
    }
    return found;
  }

 private:
  const Label& label() const { return *static_cast<const Label*>(widget()); }
};

QAccessibleInterface* window_interfaces(const QString&, QObject* object) {
  // The window's classes carry no meta-object of their own, so they are told apart by type.
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  if (auto* label = dynamic_cast<Label*>(object)) return new LabelInterface(label);
  if (auto* window = dynamic_cast<CalculatorWindow*>(object)) return new QAccessibleWidget(window, QAccessible::Window);
  return nullptr;
}

}  // namespace

void install_accessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(window_interfaces);
    return true;
  }();
  (void)installed;
}

}  // namespace vantelo::ui

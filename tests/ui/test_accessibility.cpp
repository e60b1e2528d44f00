// SPDX-License-Identifier: MIT
// What a screen reader meets in the window: Qt's accessibility tree from the window down, every
// control in it with the role, name, state and value that assistive technology reads, the labels
// telling which box they name, and the ladder's values read back after a base price is typed.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/event_delivery.h"
#include "ui/handlers.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

QString q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Every interface below `root`, depth first, by the object it stands for.
std::map<QObject*, QAccessibleInterface*> accessible_tree(QAccessibleInterface* root) {
  std::map<QObject*, QAccessibleInterface*> found;
  std::vector<QAccessibleInterface*> pending{root};
  while (!pending.empty()) {
    QAccessibleInterface* node = pending.back();
    pending.pop_back();
    for (int i = 0; i < node->childCount(); ++i) {
      QAccessibleInterface* child = node->child(i);
      if (child == nullptr || !child->isValid()) continue;
      EXPECT_EQ(child->parent(), node) << "a child's parent leads back to its parent";
      found.emplace(child->object(), child);
      pending.push_back(child);
    }
  }
  return found;
}

// The name assistive technology announces for each edit box and the button: the caption of the
// label beside the box without its colon (ASCII or full-width), and for the button what it does.
const std::map<std::string, QString>& spoken_names() {
  static const std::map<std::string, QString> names{
      {"股票价格", "基准价"}, {"目标价", "目标价"}, {"涨幅", "涨跌幅"},
      {"涨停", "涨停价"},     {"跌停", "跌停价"},   {"涨9", "+9 %"},
      {"跌9", "-9 %"},        {"涨8", "+8 %"},      {"跌8", "-8 %"},  // -8 % has an ASCII colon
      {"涨7", "+7 %"},        {"跌7", "-7 %"},      {"涨6", "+6 %"},
      {"跌6", "-6 %"},        {"涨5", "+5 %"},      {"跌5", "-5 %"},
      {"涨4", "+4 %"},        {"跌4", "-4 %"},      {"涨3", "+3 %"},
      {"跌3", "-3 %"},        {"涨2", "+2 %"},      {"跌2", "-2 %"},
      {"涨1", "+1 %"},        {"跌1", "-1 %"},      {"按钮1", "总在最前"},
  };
  return names;
}

// The boxes the user types into; every other box only shows what the program writes.
const std::set<std::string> editable_boxes{"股票价格", "目标价", "跌停"};

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_held_base_price();
    raise_event_suspension();
    window_ = build_window();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    // The window goes without a close request, so no About to be destroyed ends the test.
    if (!suspended_) raise_event_suspension();
    window_.reset();
    lower_event_suspension();
  }

  // The rest of the program's start: events flow, Created has filled in the window, it is shown.
  void start() {
    connect_event_delivery(*window_);
    lower_event_suspension();
    suspended_ = false;
    raise_event(window_description().number, event::created);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  QLineEdit* box(std::string_view name) const { return qobject_cast<QLineEdit*>(window_->control(name)); }

  std::unique_ptr<CalculatorWindow> window_;
  bool suspended_ = true;
};

TEST_F(AccessibilityTest, EveryControlIsInTheTreeWithItsRoleAndName) {
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window_.get());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->role(), QAccessible::Window);
  EXPECT_TRUE(root->text(QAccessible::Name).startsWith(QStringLiteral("V1.0")));

  const auto tree = accessible_tree(root);
  int edit_boxes = 0, labels = 0, buttons = 0;
  for (const ControlDescription& control : control_descriptions()) {
    SCOPED_TRACE(std::string(control.name));
    QWidget* widget = window_->control(control.name);
    ASSERT_NE(widget, nullptr);
    const auto at = tree.find(widget);
    ASSERT_NE(at, tree.end()) << "not reachable from the window's accessible interface";
    QAccessibleInterface* node = at->second;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(widget), node);
    switch (control.kind) {
      case ControlKind::edit_box: {
        ++edit_boxes;
        EXPECT_EQ(node->role(), QAccessible::EditableText);
        EXPECT_EQ(node->text(QAccessible::Name), spoken_names().at(std::string(control.name)));
        EXPECT_TRUE(node->state().focusable);
        EXPECT_EQ(node->state().readOnly, !editable_boxes.contains(std::string(control.name)));
        ASSERT_NE(node->textInterface(), nullptr) << "a screen reader reads the box's text through it";
        break;
      }
      case ControlKind::button:
        ++buttons;
        EXPECT_EQ(node->role(), QAccessible::Button);
        EXPECT_EQ(node->text(QAccessible::Name), spoken_names().at(std::string(control.name)));
        EXPECT_TRUE(node->state().focusable);
        ASSERT_NE(node->actionInterface(), nullptr);
        EXPECT_TRUE(node->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        break;
      case ControlKind::label:
        ++labels;
        // A label is read as static text: its caption exactly as shown, colon and all.
        EXPECT_EQ(node->role(), QAccessible::StaticText);
        EXPECT_EQ(node->text(QAccessible::Name), q(control.text));
        EXPECT_FALSE(node->state().focusable);
        break;
    }
  }
  EXPECT_EQ(edit_boxes, 23);
  EXPECT_EQ(labels, 24);
  EXPECT_EQ(buttons, 1);
}

TEST_F(AccessibilityTest, ValuesAreReadAsTheBoxesShowThem) {
  QAccessibleInterface* base = QAccessible::queryAccessibleInterface(box("股票价格"));
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->text(QAccessible::Value), QStringLiteral("10.0"));
  for (const ControlDescription& control : control_descriptions()) {
    if (control.kind != ControlKind::edit_box) continue;
    SCOPED_TRACE(std::string(control.name));
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(box(control.name));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(QAccessible::Value), q(control.text)) << "as built, before any event";
    QAccessibleTextInterface* text = node->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), q(control.text));
  }
}

// A screen reader follows the ladder as the user types: each box's accessible value is the text the
// program has just written there.
TEST_F(AccessibilityTest, TypedBasePriceReadsBackThroughTheLadderBoxes) {
  ASSERT_NO_FATAL_FAILURE(start());
  QLineEdit* base = box("股票价格");
  base->setFocus();
  base->selectAll();
  QTest::keyClicks(base, QStringLiteral("12.34"));

  // 12.34 held as the single 12.340000152587890625; each product rounded to two places.
  const std::vector<std::pair<std::string_view, QString>> expected{
      {"股票价格", "12.34"}, {"涨停", " 13.57"}, {"跌停", " 11.11"}, {"涨5", " 12.96"},
      {"跌5", " 11.72"},     {"涨1", " 12.46"},  {"跌1", " 12.22"},
  };
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(std::string(name));
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(box(name));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(QAccessible::Value), value);
    EXPECT_EQ(node->text(QAccessible::Value), box(name)->text());
  }
  // The names stay put while the values change.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(box("涨停"))->text(QAccessible::Name), QStringLiteral("涨停价"));
}

// Screen readers announce a box together with the label that names it; the label says which box.
TEST_F(AccessibilityTest, LabelsPointAtTheBoxTheyName) {
  const std::vector<std::pair<std::string_view, std::string_view>> label_of{
      {"标签2", "股票价格"}, {"标签23", "目标价"}, {"标签3", "涨停"}, {"标签19", "跌3"}, {"标签21", "跌1"}};
  for (const auto& [label, named] : label_of) {
    SCOPED_TRACE(std::string(label));
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(window_->control(label));
    ASSERT_NE(node, nullptr);
    const auto relations = node->relations(QAccessible::Labelled);
    ASSERT_EQ(relations.size(), 1);
    EXPECT_EQ(relations.front().first->object(), window_->control(named));
  }
  // The title names nothing.
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(window_->control("标签1"))->relations(QAccessible::Labelled).isEmpty());
}

}  // namespace
}  // namespace vantelo::ui

// The application goes before the process's exit: Qt's input devices that typing creates must not
// outlive the globals their destructors use.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  auto application = std::make_unique<QApplication>(argc, argv);
  const int result = RUN_ALL_TESTS();
  application.reset();
  return result;
}

// SPDX-License-Identifier: MIT
// The built window against its description, and the window's own keys, focus movement and drag.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "qt_app.h"
#include "ui/build_window.h"
#include "ui/calculator_window.h"
#include "ui/label.h"

namespace vantelo::ui {
namespace {

QString q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
std::string name_of(const QWidget* widget) { return widget ? widget->objectName().toStdString() : "(none)"; }

// The window as building leaves it, with events suspended as during loading: these tests look at
// the window alone, not at the handlers.
class BuiltWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::test_application();
    raise_event_suspension();
    window = build_window();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    window.reset();
    lower_event_suspension();
  }

  void show_active() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
  }
  QWidget* control(std::string_view name) const {
    QWidget* widget = window->control(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  std::unique_ptr<CalculatorWindow> window;
};

TEST_F(BuiltWindow, EveryControlMatchesItsDescription) {
  const auto descriptions = control_descriptions();
  ASSERT_EQ(descriptions.size(), 48u);
  ASSERT_EQ(window->controls().size(), 48u);
  for (std::size_t i = 0; i < descriptions.size(); ++i) {
    const ControlDescription& d = descriptions[i];
    SCOPED_TRACE(testing::Message() << "position " << i + 1 << " " << d.name);
    QWidget* widget = window->controls()[i];
    EXPECT_EQ(window->control(d.number), widget);
    EXPECT_EQ(window->control(d.name), widget);
    EXPECT_EQ(window->description_of(widget), &d);
    EXPECT_EQ(widget->objectName(), q(d.name));
    EXPECT_EQ(widget->parentWidget(), window.get());
    EXPECT_EQ(widget->geometry(), QRect(d.left, d.top, d.width, d.height));
    EXPECT_TRUE(widget->isVisibleTo(window.get()));
    EXPECT_TRUE(widget->isEnabled());
    EXPECT_EQ(widget->focusPolicy(), d.tab_stop ? Qt::StrongFocus : Qt::NoFocus);
    EXPECT_EQ(widget->font().pixelSize(), d.font.height);
    EXPECT_EQ(widget->font().weight(), d.font.weight);
    EXPECT_FALSE(widget->font().italic() || widget->font().underline() || widget->font().strikeOut());

    switch (d.kind) {
      case ControlKind::edit_box: {
        auto* box = qobject_cast<QLineEdit*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), q(d.text));
        EXPECT_EQ(box->isReadOnly(), d.input_mode == InputMode::read_only);
        EXPECT_EQ(box->hasFrame(), d.border_style == 1);
        EXPECT_EQ(box->alignment() & Qt::AlignHorizontal_Mask,
                  d.align == Align::centre ? Qt::AlignHCenter : Qt::AlignLeft);
        EXPECT_EQ(box->cursorPosition(), 0);
        EXPECT_FALSE(box->hasSelectedText());
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
          EXPECT_EQ(box->palette().color(group, QPalette::Base), colour_of(d.background_colour)) << group;
          EXPECT_EQ(box->palette().color(group, QPalette::Text), colour_of(d.text_colour)) << group;
        }
        EXPECT_FALSE(box->accessibleName().isEmpty());
        EXPECT_FALSE(box->accessibleName().endsWith(u'：') || box->accessibleName().endsWith(u':'));
        break;
      }
      case ControlKind::button: {
        auto* button = qobject_cast<QPushButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), q(d.text));
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
        EXPECT_FALSE(button->accessibleName().isEmpty());
        break;
      }
      case ControlKind::label: {
        auto* label = dynamic_cast<Label*>(widget);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->caption(), q(d.text));
        EXPECT_EQ(label->accessibleName(), q(d.text));
        break;
      }
    }
  }
}

TEST_F(BuiltWindow, WindowHasItsDesignedFrameCaptionAndIcon) {
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::Window));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));  // Created turns that on, not building
  EXPECT_FALSE(flags.testFlag(Qt::Tool));                   // a taskbar button of its own
  EXPECT_EQ(window->parentWidget(), nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("V1.0("));
  EXPECT_FALSE(window->isVisible());
  // Not resizable: the least and the largest size are one.
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  // The icon comes in the sizes the platform asks for, from the program's own resources.
  const QList<QSize> sizes = window->windowIcon().availableSizes();
  for (const int side : {16, 32, 48, 128}) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
}

TEST_F(BuiltWindow, OuterFrameIsCentredOnThePrimaryScreenWithTheDesignedSize) {
  show_active();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect frame = window->frameGeometry();
  EXPECT_EQ(frame.size(), QSize(267, 468));
  EXPECT_EQ(frame.topLeft(), QPoint(screen.x() + (screen.width() - 267) / 2, screen.y() + (screen.height() - 468) / 2));
}

TEST_F(BuiltWindow, StackingOrderIsListOrder) {
  // Qt keeps sibling widgets bottom first.
  std::vector<std::string> bottom_to_top;
  for (QObject* child : window->children())
    if (auto* widget = qobject_cast<QWidget*>(child); widget && window->description_of(widget))
      bottom_to_top.push_back(name_of(widget));
  std::vector<std::string> list_order;
  for (const ControlDescription& d : control_descriptions()) list_order.emplace_back(d.name);
  EXPECT_EQ(std::vector<std::string>(bottom_to_top.rbegin(), bottom_to_top.rend()), list_order);
  // Where they overlap, the price boxes lie above their labels.
  EXPECT_TRUE(window->childAt(84, 70) == control("目标价"));
  EXPECT_TRUE(window->childAt(84, 40) == control("股票价格"));
}

const std::vector<std::string> designed_focus_order = {
    "股票价格", "涨停", "跌停", "涨9", "跌9", "涨8", "跌8", "涨7", "跌7", "涨6", "跌6", "涨5",
    "跌5",      "涨4",  "跌4",  "涨3", "跌3", "涨2", "跌2", "涨1", "跌1", "涨幅", "按钮1", "目标价"};

TEST_F(BuiltWindow, FocusOrderIsTheDesignedOne) {
  std::vector<std::string> chain;
  for (const QWidget* widget : window->focus_chain()) chain.push_back(name_of(widget));
  EXPECT_EQ(chain, designed_focus_order);
  // Qt's own chain agrees, for whatever walks it.
  std::vector<std::string> qt_chain{name_of(control("股票价格"))};
  for (QWidget* at = control("股票价格")->nextInFocusChain(); at != control("股票价格"); at = at->nextInFocusChain())
    if (window->description_of(at) != nullptr && at->focusPolicy() != Qt::NoFocus) qt_chain.push_back(name_of(at));
  EXPECT_EQ(qt_chain, designed_focus_order);
}

TEST_F(BuiltWindow, AccessibleNamesComeFromTheNamingLabels) {
  const std::vector<std::pair<std::string_view, QString>> expected = {
      {"股票价格", "基准价"}, {"目标价", "目标价"}, {"涨幅", "涨跌幅"}, {"涨停", "涨停价"},
      {"跌停", "跌停价"},     {"涨9", "+9 %"},     {"跌3", "-3 %"},     {"跌1", "-1 %"},
      {"按钮1", "总在最前"}};
  for (const auto& [name, accessible] : expected) EXPECT_EQ(control(name)->accessibleName(), accessible) << name;
}

// Tab, Shift+Tab and Enter, each from a given control, and where the focus goes.
struct KeyCase {
  const char* from;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* to;
};

TEST_F(BuiltWindow, WindowKeysMoveTheFocusAheadOfTheControl) {
  show_active();
  const KeyCase cases[] = {
      {"股票价格", Qt::Key_Tab, Qt::NoModifier, "涨停"},
      {"目标价", Qt::Key_Tab, Qt::NoModifier, "股票价格"},       // wraps to the first
      {"股票价格", Qt::Key_Backtab, Qt::ShiftModifier, "目标价"},  // wraps to the last
      {"跌停", Qt::Key_Backtab, Qt::ShiftModifier, "涨停"},
      {"股票价格", Qt::Key_Return, Qt::NoModifier, "涨停"},
      {"涨幅", Qt::Key_Enter, Qt::KeypadModifier, "按钮1"},
      {"按钮1", Qt::Key_Return, Qt::NoModifier, "目标价"},  // not a click: the button is no default
      {"跌1", Qt::Key_F1, Qt::NoModifier, "跌1"},            // no help: nothing happens
      {"跌1", Qt::Key_Tab, Qt::ControlModifier, "跌1"},     // Ctrl+Tab is not the window's
  };
  QSignalSpy clicks(qobject_cast<QPushButton*>(control("按钮1")), &QPushButton::clicked);
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " key " << c.key);
    QWidget* from = control(c.from);
    from->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(from->hasFocus());
    const QString text_before = qobject_cast<QLineEdit*>(from) ? qobject_cast<QLineEdit*>(from)->text() : QString();
    QTest::keyClick(from, c.key, c.modifiers);
    EXPECT_EQ(name_of(QApplication::focusWidget()), c.to);
    if (auto* box = qobject_cast<QLineEdit*>(from)) {
      EXPECT_EQ(box->text(), text_before);  // the box saw nothing
    }
  }
  EXPECT_EQ(clicks.count(), 0);
}

TEST_F(BuiltWindow, TabWalksTheWholeFocusOrderAndBack) {
  show_active();
  control("股票价格")->setFocus(Qt::OtherFocusReason);
  std::vector<std::string> visited;
  for (std::size_t i = 0; i < designed_focus_order.size(); ++i) {
    visited.push_back(name_of(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited, designed_focus_order);
  EXPECT_EQ(name_of(QApplication::focusWidget()), "股票价格");
}

TEST_F(BuiltWindow, FocusOnNoControlMovesNothing) {
  show_active();
  control("涨9")->setFocus(Qt::OtherFocusReason);
  control("涨9")->clearFocus();
  window->focus_next();
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
  window->focus_previous();
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST_F(BuiltWindow, EscClosesTheWindowFromAnyControl) {
  for (const char* from : {"股票价格", "涨9", "按钮1"}) {
    SCOPED_TRACE(from);
    show_active();
    control(from)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(control(from), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
  }
}

TEST_F(BuiltWindow, PriceBoxesKeepTheirSelectionVisibleWhenUnfocused) {
  show_active();
  auto* base = qobject_cast<QLineEdit*>(control("股票价格"));
  auto* limit_up = qobject_cast<QLineEdit*>(control("涨停"));
  limit_up->setText(QStringLiteral(" 11"));
  base->setFocus(Qt::OtherFocusReason);
  base->selectAll();
  QTest::keyClick(base, Qt::Key_Tab);
  ASSERT_TRUE(limit_up->hasFocus());
  EXPECT_EQ(base->selectedText(), QStringLiteral("10.0"));  // kept after losing the focus
  EXPECT_EQ(limit_up->selectedText(), QStringLiteral(" 11"));  // Tab into a box selects its text
  QTest::keyClick(limit_up, Qt::Key_Tab);
  EXPECT_FALSE(limit_up->hasSelectedText());  // hidden selection: gone with the focus
  EXPECT_EQ(base->selectedText(), QStringLiteral("10.0"));
  // Kept where it was also when the caret stood at the start of the selection.
  base->setFocus(Qt::OtherFocusReason);
  base->setSelection(3, -2);
  QTest::keyClick(base, Qt::Key_Tab);
  EXPECT_EQ(base->selectedText(), QStringLiteral("0."));
  EXPECT_EQ(base->cursorPosition(), 1);
}

TEST_F(BuiltWindow, DesignedColoursShowAlsoInReadOnlyBoxes) {
  show_active();
  const QImage image = window->grab().toImage();
  // A point inside each box, clear of its text.
  for (const char* name : {"涨停", "跌停", "涨5", "跌1", "涨幅", "股票价格"}) {
    SCOPED_TRACE(name);
    const ControlDescription* d = find_control(name);
    const QColor seen = image.pixelColor(d->left + d->width - 4, d->top + d->height - 4);
    EXPECT_EQ(seen.rgb(), colour_of(d->background_colour).rgb());
  }
}

TEST_F(BuiltWindow, DragStartsFromLabelsAndTheBareAreaOnly) {
  show_active();
  QWidget* title = control("标签1");
  // The window's filter must come first even with another filter on the label, so that the
  // label never sees the press.
  struct Spy : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::MouseButtonPress) ++presses;
      return false;
    }
  } spy;
  title->installEventFilter(&spy);
  title->installEventFilter(window.get());

  QTest::mousePress(title, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  QTest::mouseRelease(title, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(window->drag_starts(), 1);
  EXPECT_EQ(spy.presses, 0);

  QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(260, 30));  // bare area
  QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(260, 30));
  EXPECT_EQ(window->drag_starts(), 2);

  QTest::mousePress(window.get(), Qt::RightButton, Qt::NoModifier, QPoint(260, 30));
  QTest::mouseClick(control("涨9"), Qt::LeftButton);
  QTest::mouseClick(control("按钮1"), Qt::LeftButton);
  EXPECT_EQ(window->drag_starts(), 2);
  EXPECT_EQ(name_of(QApplication::focusWidget()), "按钮1");  // the button took the press as usual
}

TEST(EditBoxRule, TooLowABoxGrowsToHoldItsText) {
  test::test_application();
  QWidget parent;
  ControlDescription low = *find_control("涨幅");
  low.height = 8;
  QWidget* box = create_control(low, &parent);
  const int least = edit_box_minimum_height(box->font());
  EXPECT_GT(least, 8);
  EXPECT_EQ(box->geometry(), QRect(low.left, low.top, low.width, least));
  // The designed boxes are all high enough for their fonts.
  for (const ControlDescription& d : control_descriptions())
    if (d.kind == ControlKind::edit_box) {
      EXPECT_LE(edit_box_minimum_height(font_of(d.font)), d.height) << d.name;
    }
}

TEST(Fonts, MalformedDescriptionFallsBackToTheDefaultFont) {
  test::test_application();
  EXPECT_EQ(font_of(FontDescription{.height = 0}), QApplication::font());
  EXPECT_EQ(font_of(FontDescription{.height = 12, .weight = 5000}), QApplication::font());
  const QFont made = font_of(FontDescription{.height = 19, .weight = 700});
  EXPECT_EQ(made.pixelSize(), 19);
  EXPECT_EQ(made.weight(), QFont::Bold);
  EXPECT_EQ(made.family(), QApplication::font().family());
}

}  // namespace
}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
// The calculator as a whole on the offscreen platform: a window started as the program starts it,
// driven with keys and clicks, and an event recorder that keeps the ordered log of the events raised
// and the handlers they ran.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "app/startup.h"
#include "ui/calculator_window.h"
#include "ui/edit_texts.h"
#include "ui/event_delivery.h"
#include "ui/gbk.h"
#include "ui/handlers.h"
#include "ui/properties.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

QApplication* application = nullptr;

constexpr std::string_view ladder_names[] = {"涨停", "涨9", "涨8", "涨7", "涨6", "涨5", "涨4", "涨3", "涨2", "涨1",
                                             "跌停", "跌9", "跌8", "跌7", "跌6", "跌5", "跌4", "跌3", "跌2", "跌1"};

bool is_ladder_box(std::string_view name) {
  for (std::string_view ladder : ladder_names)
    if (ladder == name) return true;
  return false;
}

Text gbk(const char* utf8) { return qstring_to_text(QString::fromUtf8(utf8)); }

std::string event_name(std::uint32_t source, std::int32_t code) {
  if (source == window_description().number) {
    switch (code) {
      case event::created: return "Created";
      case event::about_to_be_destroyed: return "About to be destroyed";
      default: break;
    }
  }
  switch (code) {
    case event::text_changed: return "Text changed";
    case event::left_button_pressed: return "Left button pressed";
    case event::left_button_released: return "Left button released";
    case event::got_focus: return "Got focus";
    case event::lost_focus: return "Lost focus";
    default: return "event " + std::to_string(code);
  }
}

std::string source_name(std::uint32_t source) {
  if (source == window_description().number) return "window";
  const ControlDescription* control = find_control(source);
  return control ? std::string(control->name) : std::to_string(source);
}

// One line per event raised ("股票价格 Lost focus H5"), and one when its handler has finished
// ("end H5"). The ladder's twenty Text changed lines are counted, not listed, unless asked for.
struct Recorder {
  struct Line {
    std::string text;
    std::uint32_t source;
    std::int32_t code;
    std::array<std::int32_t, 3> args;
    std::size_t arg_count;
    std::string box_text_then;  // an edit box's displayed text when its event was raised (UTF-8)
    bool window_visible_then = false;
  };
  std::vector<Line> lines;
  int ladder_text_changes = 0;
  int dropped = 0;

  void see(const ObservedEvent& seen) {
    if (seen.step == ObservedEvent::Step::dropped) {
      ++dropped;
      return;
    }
    const std::string handler = seen.handler ? "H" + std::to_string(static_cast<int>(*seen.handler)) : "";
    if (seen.step == ObservedEvent::Step::handler_finished) {
      lines.push_back({"end " + handler, seen.source, seen.event_code, seen.args, seen.arg_count, {}});
      return;
    }
    const std::string source = source_name(seen.source);
    std::string then;
    if (CalculatorWindow* window = CalculatorWindow::live())
      if (auto* box = qobject_cast<QLineEdit*>(window->control(seen.source))) then = box->text().toStdString();
    if (is_ladder_box(source) && seen.event_code == event::text_changed) {
      ++ladder_text_changes;
      ladder_lines.push_back({source, seen.source, seen.event_code, seen.args, seen.arg_count, then});
      return;
    }
    std::string text = source + " " + event_name(seen.source, seen.event_code);
    if (!handler.empty()) text += " " + handler;
    CalculatorWindow* window = CalculatorWindow::live();
    lines.push_back({text, seen.source, seen.event_code, seen.args, seen.arg_count, then, window && window->isVisible()});
  }

  // The log without the handlers' end lines: what was raised, in order.
  std::vector<std::string> raised() const {
    std::vector<std::string> out;
    for (const Line& line : lines)
      if (line.text.rfind("end ", 0) != 0) out.push_back(line.text);
    return out;
  }
  std::vector<std::string> all() const {
    std::vector<std::string> out;
    for (const Line& line : lines) out.push_back(line.text);
    return out;
  }
  void clear() {
    lines.clear();
    ladder_lines.clear();
    ladder_text_changes = 0;
    dropped = 0;
  }

  std::vector<Line> ladder_lines;
};

// A window started the way the program starts it: built with events suspended, connected, Created,
// shown and activated with the focus in the base price box, then Got focus once more.
class Calculator : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_tags();
    reset_held_base_price();
    set_event_observer([this](const ObservedEvent& seen) { recorder.see(seen); });
    raise_event_suspension();
    window = build_window();
    ASSERT_NE(window, nullptr);
    QCoreApplication::processEvents();
    connect_event_delivery(*window);
    lower_event_suspension();
    const std::uint32_t number = window_description().number;
    raise_event(number, event::created);
    window->show();
    window->activateWindow();
    control("股票价格")->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    if (const auto* focused = window->description_of(QApplication::focusWidget()))
      raise_event(focused->number, event::got_focus);
  }

 public:
  void TearDown() override {
    set_event_observer({});
    // The window goes without a close request, so no About to be destroyed ends the test.
    raise_event_suspension();
    window.reset();
    lower_event_suspension();
  }

  QWidget* control(std::string_view name) const { return window->control(name); }
  QLineEdit* box(std::string_view name) const { return qobject_cast<QLineEdit*>(window->control(name)); }
  std::string shown(std::string_view name) const { return box(name)->text().toStdString(); }
  QWindow* handle() const { return window->windowHandle(); }
  QPoint in_window(QWidget* widget, QPoint local) const { return widget->mapTo(window.get(), local); }

 protected:

  void click(QWidget* widget, QPoint local = {}, Qt::KeyboardModifiers keys = {}) {
    if (local.isNull()) local = widget->rect().center();
    QTest::mouseClick(handle(), Qt::LeftButton, keys, in_window(widget, local));
  }

  // Takes the focus away from the window and gives it back, as switching applications does.
  void deactivate() {
    other = std::make_unique<QWidget>();
    other->resize(100, 100);
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.get()));
  }
  void reactivate() {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  Text read(std::string_view name) { return read_text(*box(name)); }
  Text caption_of(std::uint32_t control_number) {
    return read_text_property(window_description().template_number, control_number, Property::caption);
  }

  Recorder recorder;
  std::unique_ptr<CalculatorWindow> window;
  std::unique_ptr<QWidget> other;
};

constexpr std::uint32_t button_number = 369164448;
constexpr std::uint32_t base_number = 369164309;

// ---- Start of life ---------------------------------------------------------------------------------

TEST_F(Calculator, StartOfLifeRunsCreatedWhileHiddenThenGotFocusTwice) {
  EXPECT_THAT(recorder.raised(),
              ElementsAre("window Created H1", "股票价格 Got focus H3", "股票价格 Got focus H3"));
  EXPECT_FALSE(recorder.lines.front().window_visible_then);  // H1 ran while the window was hidden
  EXPECT_EQ(recorder.ladder_text_changes, 20);
  // Nothing was reported while the window was built: "10.0" is the designed text, not a change.
  EXPECT_EQ(recorder.dropped, 0);
  EXPECT_EQ(shown("股票价格"), "10.0");
  EXPECT_TRUE(control("股票价格")->hasFocus());
  EXPECT_EQ(box("股票价格")->selectedText(), "10.0");
  EXPECT_EQ(price_calculator().held_base_price(), 10.0f);
  EXPECT_EQ(shown("涨停"), " 11");
  EXPECT_EQ(shown("涨9"), " 10.9");
  EXPECT_EQ(shown("涨1"), " 10.1");
  EXPECT_EQ(shown("跌停"), " 9");
  EXPECT_EQ(shown("跌1"), " 9.9");
  EXPECT_EQ(shown("目标价"), "");
  EXPECT_EQ(shown("涨幅"), "");
  EXPECT_EQ(window->windowTitle().toStdString(), "V1.0(阿Vesk22)");
  EXPECT_EQ(caption_of(window_description().number), gbk("V1.0(阿Vesk22)"));
  EXPECT_EQ(read_integer_property(window_description().template_number, window_description().number,
                                  Property::always_on_top),
            1);
  EXPECT_EQ(qobject_cast<QPushButton*>(control("按钮1"))->text().toStdString(), "顶");
}

TEST_F(Calculator, LadderWritesReportEachChangeAfterItsTextIsInPlace) {
  // Each box's Text changed was raised with the box already showing its new text, box by box in
  // the order of the ladder.
  ASSERT_EQ(recorder.ladder_lines.size(), 20u);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(recorder.ladder_lines[i].text, ladder_names[i]);
    EXPECT_EQ(recorder.ladder_lines[i].box_text_then, shown(ladder_names[i])) << ladder_names[i];
  }
}

// The program's own start-up, checked just before its event loop; it never returns.
[[noreturn]] void start_and_check() {
  delete application;
  application = nullptr;
  static std::vector<std::string> seen;
  set_event_observer([](const ObservedEvent& event) {
    if (event.step == ObservedEvent::Step::raised && event.handler)
      seen.push_back("H" + std::to_string(static_cast<int>(*event.handler)));
  });
  app::StartupProbe probe;
  probe.before_event_loop = [](CalculatorWindow& started) {
    auto* base = qobject_cast<QLineEdit*>(started.control("股票价格"));
    const bool ok = seen == std::vector<std::string>{"H1", "H3", "H3"} && base->hasFocus() &&
                    base->selectedText() == "10.0" && started.windowTitle() == QString::fromUtf8("V1.0(阿Vesk22)") &&
                    price_calculator().held_base_price() == 10.0f;
    std::fprintf(stderr, "handlers:");
    for (const auto& handler : seen) std::fprintf(stderr, " %s", handler.c_str());
    std::fprintf(stderr, "\n");
    std::_Exit(ok ? 0 : 3);
  };
  app::program_entry(probe);
}

TEST(StartUp, RealStartUpShowsTheDesignedStateBeforeTheEventLoop) {
  EXPECT_EXIT(start_and_check(), ::testing::ExitedWithCode(0), "handlers: H1 H3 H3");
}

// ---- Typing ----------------------------------------------------------------------------------------

TEST_F(Calculator, TypingIntoBasePriceRecomputesTheLadderAfterEveryCharacter) {
  recorder.clear();
  QTest::keyClicks(control("股票价格"), "12.5");
  EXPECT_EQ(shown("股票价格"), "12.5");
  EXPECT_THAT(recorder.all(), ElementsAre("股票价格 Text changed H4", "end H4", "股票价格 Text changed H4", "end H4",
                                          "股票价格 Text changed H4", "end H4", "股票价格 Text changed H4", "end H4"));
  EXPECT_EQ(recorder.ladder_text_changes, 80);
  EXPECT_EQ(shown("涨停"), " 13.75");
  EXPECT_EQ(shown("跌停"), " 11.25");
  EXPECT_EQ(price_calculator().held_base_price(), 12.5f);
}

TEST_F(Calculator, ClickingIntoTargetNormalisesBaseFirstThenShowsChangeAfterEveryCharacter) {
  box("股票价格")->selectAll();
  QTest::keyClicks(control("股票价格"), "12.50");
  recorder.clear();
  click(control("目标价"));
  EXPECT_EQ(shown("股票价格"), "12.5");
  EXPECT_THAT(recorder.raised(), ElementsAre("目标价 Left button pressed", "股票价格 Text changed H4",
                                             "股票价格 Lost focus H5", "涨幅 Text changed", "目标价 Got focus",
                                             "目标价 Left button released"));
  recorder.clear();
  QTest::keyClick(control("目标价"), '1');
  EXPECT_EQ(shown("涨幅"), "-92 %");
  QTest::keyClick(control("目标价"), '3');
  EXPECT_EQ(shown("涨幅"), "4 %");
  EXPECT_THAT(recorder.raised(), ElementsAre("目标价 Text changed H7", "涨幅 Text changed", "目标价 Text changed H7",
                                             "涨幅 Text changed"));
}

// ---- Focus movement --------------------------------------------------------------------------------

struct FocusMove {
  const char* name;
  std::function<void(Calculator&)> move;
};

class FocusMoves : public Calculator, public ::testing::WithParamInterface<FocusMove> {};

TEST_P(FocusMoves, NormaliseThenLostFocusThenGotFocus) {
  recorder.clear();
  GetParam().move(*this);
  EXPECT_EQ(shown("股票价格"), "10");
  EXPECT_THAT(recorder.raised(),
              ElementsAre("股票价格 Text changed H4", "股票价格 Lost focus H5", "涨幅 Text changed", "涨停 Got focus"));
  EXPECT_EQ(recorder.ladder_text_changes, 20);  // H4 rewrote the ladder with the same values
  EXPECT_EQ(shown("涨停"), " 11");
  EXPECT_EQ(shown("涨幅"), "");  // H5: the target is empty
  EXPECT_TRUE(control("涨停")->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FocusMoves,
    ::testing::Values(FocusMove{"Tab", [](Calculator&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }},
                      FocusMove{"Enter", [](Calculator&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }},
                      FocusMove{"KeypadEnter", [](Calculator&) {
                                  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calculator, ShiftTabFromBaseGoesToTargetAfterNormalising) {
  recorder.clear();
  QTest::keyClick(control("股票价格"), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_THAT(recorder.raised(),
              ElementsAre("股票价格 Text changed H4", "股票价格 Lost focus H5", "涨幅 Text changed", "目标价 Got focus"));
  EXPECT_TRUE(control("目标价")->hasFocus());
}

TEST_F(Calculator, DeactivationNormalisesAndReactivationGivesTheFocusBack) {
  recorder.clear();
  deactivate();
  EXPECT_EQ(shown("股票价格"), "10");
  EXPECT_THAT(recorder.raised(), ElementsAre("股票价格 Text changed H4", "股票价格 Lost focus H5", "涨幅 Text changed"));
  recorder.clear();
  reactivate();
  EXPECT_THAT(recorder.raised(), ElementsAre("股票价格 Got focus H3"));
  EXPECT_TRUE(control("股票价格")->hasFocus());
}

TEST_F(Calculator, EmptiedBaseThenRefocusedHoldsZeroAndTargetDividesByIt) {
  box("股票价格")->selectAll();
  QTest::keyClick(control("股票价格"), Qt::Key_Backspace);
  EXPECT_EQ(shown("股票价格"), "");
  EXPECT_EQ(shown("涨停"), " 11");  // an empty text leaves the held price and the ladder as they were
  QTest::keyClick(control("股票价格"), Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);  // back in 股票价格
  ASSERT_TRUE(control("股票价格")->hasFocus());
  EXPECT_EQ(price_calculator().held_base_price(), 0.0f);
  EXPECT_EQ(shown("涨停"), " 11");
  QTest::keyClick(control("股票价格"), Qt::Key_Backtab, Qt::ShiftModifier);
  QTest::keyClicks(control("目标价"), "5");
  EXPECT_EQ(shown("涨幅"), "1.#INF %");
}

// ---- The character filter --------------------------------------------------------------------------

struct Typed {
  const char* name;
  const char* keys;  // UTF-8, typed one character at a time into an empty 目标价
  const char* shown;
};

class CharacterFilter : public Calculator, public ::testing::WithParamInterface<Typed> {};

TEST_P(CharacterFilter, OnlyDigitsMinusAndPointReachTheBox) {
  box("目标价")->setFocus(Qt::OtherFocusReason);
  recorder.clear();
  for (const QChar typed : QString::fromUtf8(GetParam().keys)) {
    // What a keyboard layout or an input method types: the key is unknown to Qt, the text is not.
    QTest::sendKeyEvent(QTest::Click, control("目标价"), typed.unicode() < 0x80 ? Qt::Key(typed.toUpper().unicode()) : Qt::Key_unknown,
                        QString(typed), Qt::NoModifier);
  }
  EXPECT_EQ(shown("目标价"), GetParam().shown);
  // Exactly one Text changed (with H7) per character that got through, none for a dropped one.
  const auto raised = recorder.raised();
  const auto changes = std::count(raised.begin(), raised.end(), "目标价 Text changed H7");
  EXPECT_EQ(changes, static_cast<long>(QString::fromUtf8(GetParam().shown).size()));
}

INSTANTIATE_TEST_SUITE_P(Keys, CharacterFilter,
                         ::testing::Values(Typed{"Letter", "a", ""}, Typed{"Plus", "+", ""}, Typed{"Comma", ",", ""},
                                           Typed{"Space", " ", ""}, Typed{"TwoByteCharacter", "顶", ""},
                                           Typed{"FullWidthDigit", "１", ""}, Typed{"Exponent", "1e5", "15"},
                                           Typed{"PointsAnywhere", "1.2.3", "1.2.3"}, Typed{"Minuses", "--5", "--5"},
                                           Typed{"Mixed", "x1-y.2z", "1-.2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calculator, ControlCharactersAndPastingPassTheFilter) {
  box("目标价")->setFocus(Qt::OtherFocusReason);
  QTest::keyClicks(control("目标价"), "123");
  QTest::keyClick(control("目标价"), Qt::Key_Backspace);
  EXPECT_EQ(shown("目标价"), "12");
  QTest::keyClick(control("目标价"), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(box("目标价")->selectedText(), "12");
  box("目标价")->insert("ab");  // what pasting does: not filtered
  EXPECT_EQ(shown("目标价"), "ab");
}

// ---- Focus-loss normalisation ----------------------------------------------------------------------

struct Normalised {
  const char* text;
  const char* becomes;
};

class Normalisation : public Calculator, public ::testing::WithParamInterface<Normalised> {};

TEST_P(Normalisation, LeavingTheBaseBoxRewritesItOnlyWhenTheTextChanges) {
  box("股票价格")->setText(QString::fromUtf8(GetParam().text));
  recorder.clear();
  QTest::keyClick(control("股票价格"), Qt::Key_Tab);
  EXPECT_EQ(shown("股票价格"), GetParam().becomes);
  std::vector<std::string> expected;
  if (std::string_view(GetParam().text) != GetParam().becomes) expected.push_back("股票价格 Text changed H4");
  expected.push_back("股票价格 Lost focus H5");
  expected.push_back("涨幅 Text changed");  // H5 empties it: the target is empty
  expected.push_back("涨停 Got focus");
  EXPECT_THAT(recorder.raised(), ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Normalisation,
    ::testing::Values(Normalised{"10.0", "10"}, Normalised{"007", "7"}, Normalised{"12.50", "12.5"},
                      Normalised{"5.", "5"}, Normalised{".5", "0.5"}, Normalised{"1.2.3", "1.2"},
                      Normalised{"12.345678", "12.3457"}, Normalised{"1234565", "1.23457e+006"},
                      Normalised{"99999.95", "100000"}, Normalised{"0.00001234", "1.234e-005"}, Normalised{"0", ""},
                      Normalised{"-0", ""}, Normalised{"-", ""}, Normalised{".", ""}, Normalised{"--5", ""},
                      Normalised{"-0.5", "-0.5"}, Normalised{"9.99", "9.99"}, Normalised{"", ""},
                      Normalised{"１２", ""}, Normalised{"1.#INF", "1"}));

TEST_F(Calculator, NormalisationPutsTheCaretBackAtTheNotedStartClamped) {
  QLineEdit* base = box("股票价格");
  base->setText("12.50");
  base->setCursorPosition(5);  // after the last character, which the rewrite removes
  QTest::keyClick(base, Qt::Key_Tab);
  EXPECT_EQ(base->text(), "12.5");
  EXPECT_EQ(base->cursorPosition(), 4);
  EXPECT_FALSE(base->hasSelectedText());

  base->setFocus(Qt::OtherFocusReason);
  base->setText("007");
  base->setSelection(1, 2);
  QTest::keyClick(base, Qt::Key_Tab);
  EXPECT_EQ(base->text(), "7");
  EXPECT_EQ(base->cursorPosition(), 1);
  EXPECT_FALSE(base->hasSelectedText());
}

TEST_F(Calculator, NinesOverflowTheLadderAndNormaliseToOne) {
  box("股票价格")->selectAll();
  QTest::keyClicks(control("股票价格"), QString(39, u'9'));
  for (std::string_view name : ladder_names) EXPECT_EQ(shown(name), " 1.#INF") << name;
  QTest::keyClick(control("股票价格"), Qt::Key_Tab);
  EXPECT_EQ(shown("股票价格"), "1.#INF");
  EXPECT_EQ(shown("涨停"), " 1.1");
}

TEST_F(Calculator, FallLimitBoxIsEditableAndNormalisedWithoutAHandler) {
  box("跌停")->setFocus(Qt::TabFocusReason);
  recorder.clear();
  QTest::keyClick(control("跌停"), Qt::Key_Tab);
  EXPECT_EQ(shown("跌停"), "9");
  EXPECT_THAT(recorder.raised(), ElementsAre("跌停 Lost focus", "涨9 Got focus"));
  // Its Text changed (no handler) came first, with the new text already in place.
  ASSERT_EQ(recorder.ladder_lines.size(), 1u);
  EXPECT_EQ(recorder.ladder_lines[0].text, "跌停");
  EXPECT_EQ(recorder.ladder_lines[0].box_text_then, "9");
}

// ---- The button ------------------------------------------------------------------------------------

TEST_F(Calculator, ButtonPressTogglesBeforeTheFocusMoves) {
  const QPoint place = window->pos();
  recorder.clear();
  click(control("按钮1"), {3, 4}, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_THAT(recorder.raised(), ElementsAre("按钮1 Left button pressed H8", "股票价格 Text changed H4",
                                             "股票价格 Lost focus H5", "涨幅 Text changed", "按钮1 Got focus",
                                             "按钮1 Left button released"));
  const auto& press = recorder.lines.front();
  EXPECT_EQ(press.arg_count, 3u);
  EXPECT_EQ(press.args, (std::array<std::int32_t, 3>{3, 4, 3}));
  const std::uint32_t window_number = window_description().number;
  const std::uint32_t template_number = window_description().template_number;
  EXPECT_EQ(caption_of(button_number), " ");
  EXPECT_EQ(qobject_cast<QPushButton*>(control("按钮1"))->text(), " ");
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), gbk("空"));
  EXPECT_EQ(read_integer_property(template_number, window_number, Property::always_on_top), 0);

  click(control("按钮1"));
  EXPECT_EQ(caption_of(button_number), gbk("顶"));
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), gbk("真好用"));
  EXPECT_EQ(read_integer_property(template_number, window_number, Property::always_on_top), 1);
  EXPECT_EQ(window->pos(), place);
  EXPECT_TRUE(window->isActiveWindow());
}

TEST_F(Calculator, SpaceAndEnterOnTheButtonNeverToggle) {
  control("按钮1")->setFocus(Qt::TabFocusReason);
  recorder.clear();
  QTest::keyClick(control("按钮1"), Qt::Key_Space);
  EXPECT_EQ(caption_of(button_number), gbk("顶"));
  QTest::keyClick(control("按钮1"), Qt::Key_Return);
  EXPECT_EQ(caption_of(button_number), gbk("顶"));
  EXPECT_TRUE(control("目标价")->hasFocus());
}

TEST_F(Calculator, ButtonCaptionOtherThanTopAlwaysSwitchesOn) {
  write_property(window_description().template_number, button_number, Property::caption, "x");
  click(control("按钮1"));
  EXPECT_EQ(caption_of(button_number), gbk("顶"));
  EXPECT_EQ(read_integer_property(window_description().template_number, window_description().number,
                                  Property::always_on_top),
            1);
}

// ---- Selection after mouse releases ----------------------------------------------------------------

struct Clicks {
  const char* name;
  bool from_elsewhere;  // the click also gives the box the focus
  bool double_click;
  bool drag_enabled = false;  // a box whose release inside its selection would collapse it
};

class BaseSelection : public Calculator, public ::testing::WithParamInterface<Clicks> {};

TEST_P(BaseSelection, ReleaseLeavesTheWholeTextSelected) {
  QLineEdit* base = box("股票价格");
  base->setDragEnabled(GetParam().drag_enabled);
  if (GetParam().from_elsewhere) {
    control("目标价")->setFocus(Qt::OtherFocusReason);
  } else if (!GetParam().drag_enabled) {
    base->setCursorPosition(1);
  }  // else the whole text stays selected from the start, and the press lands inside the selection
  const QPoint at(base->width() / 4, base->height() / 2);
  recorder.clear();
  if (GetParam().double_click) {
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, in_window(base, at));
  } else {
    click(base, at);
  }
  EXPECT_TRUE(base->hasFocus());
  EXPECT_EQ(base->selectedText(), base->text());
  EXPECT_EQ(base->text(), GetParam().from_elsewhere ? "10" : "10.0");
  const auto raised = recorder.raised();
  EXPECT_EQ(raised.back(), "股票价格 Left button released H6");
}

INSTANTIATE_TEST_SUITE_P(Mouse, BaseSelection,
                         ::testing::Values(Clicks{"ClickInFocusedBox", false, false},
                                           Clicks{"ClickGivingTheFocus", true, false},
                                           Clicks{"DoubleClick", false, true},
                                           Clicks{"DoubleClickGivingTheFocus", true, true},
                                           Clicks{"ClickInsideTheSelectionOfADragBox", false, false, true},
                                           Clicks{"DoubleClickInADragBox", false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calculator, ReleaseOutsideTheBoxWrapsCoordinatesToSixteenBits) {
  QLineEdit* target = box("目标价");
  recorder.clear();
  QTest::mousePress(handle(), Qt::LeftButton, {}, in_window(target, {5, 5}));
  QTest::mouseRelease(handle(), Qt::LeftButton, Qt::AltModifier, in_window(target, {-3, 30}));
  ASSERT_FALSE(recorder.lines.empty());
  const auto& release = recorder.lines.back();
  EXPECT_EQ(release.text, "目标价 Left button released");
  EXPECT_EQ(release.args, (std::array<std::int32_t, 3>{65533, 30, 4}));
}

// ---- Properties ------------------------------------------------------------------------------------

struct SelectionWrite {
  const char* name;
  const char* text;  // UTF-8 displayed text
  std::vector<std::pair<Property, std::int32_t>> writes;
  std::int32_t stored_start, stored_count;
  const char* selected;  // UTF-8
  int cursor;            // in Qt's positions
};

class SelectionWrites : public Calculator, public ::testing::WithParamInterface<SelectionWrite> {};

TEST_P(SelectionWrites, StoredInBytesAndShownInCharacters) {
  QLineEdit* base = box("股票价格");
  base->setText(QString::fromUtf8(GetParam().text));
  for (const auto& [property, value] : GetParam().writes)
    write_property(window_description().template_number, base_number, property, value);
  EXPECT_EQ(read_integer_property(window_description().template_number, base_number, Property::selection_start),
            GetParam().stored_start);
  EXPECT_EQ(
      read_integer_property(window_description().template_number, base_number, Property::selected_character_count),
      GetParam().stored_count);
  EXPECT_EQ(base->selectedText().toStdString(), GetParam().selected);
  EXPECT_EQ(base->cursorPosition(), GetParam().cursor);
}

constexpr auto start = Property::selection_start;
constexpr auto count = Property::selected_character_count;

INSTANTIATE_TEST_SUITE_P(
    Writes, SelectionWrites,
    ::testing::Values(
        SelectionWrite{"WholeText", "10.0", {{start, 0}, {count, -1}}, 0, 4, "10.0", 4},
        SelectionWrite{"EmptyBox", "", {{start, 0}, {count, -1}}, 0, 0, "", 0},
        SelectionWrite{"WholeTwoByteText", "阿塞b", {{start, 0}, {count, -1}}, 0, 5, "阿塞b", 3},
        SelectionWrite{"NegativeCountIsZero", "10.0", {{start, 1}, {count, -5}}, 1, 0, "", 1},
        SelectionWrite{"NegativeStartIsZero", "10.0", {{count, 2}, {start, -7}}, 0, 2, "10", 2},
        SelectionWrite{"StartMinusOneGoesToTheEnd", "10.0", {{count, 2}, {start, -1}}, 4, 0, "", 4},
        SelectionWrite{"BytesOfTwoByteCharacters", "阿塞b", {{start, 2}, {count, 2}}, 2, 2, "塞", 2},
        SelectionWrite{"BeyondTheEndClamps", "10", {{start, 1}, {count, 99}}, 1, 99, "0", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calculator, CaptionAndTagWritesReadBackExactly) {
  const std::uint32_t template_number = window_description().template_number;
  const std::uint32_t window_number = window_description().number;
  const Text odd = "a\xb0\xa2  b";  // GBK with a two-byte character and double spaces
  write_property(template_number, window_number, Property::caption, odd);
  EXPECT_EQ(caption_of(window_number), odd);
  EXPECT_EQ(window->windowTitle().toStdString(), "a阿  b");
  write_property(template_number, window_number, Property::caption, "");
  EXPECT_EQ(caption_of(window_number), "");
  write_property(template_number, button_number, Property::caption, " ");
  EXPECT_EQ(caption_of(button_number), " ");
  write_property(template_number, button_number, Property::tag, "");
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), "");
  EXPECT_EQ(read_text_property(template_number, window_number, Property::tag), "Vesk");
}

TEST_F(Calculator, TagsOutliveTheWindow) {
  const std::uint32_t template_number = window_description().template_number;
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), gbk("都不敢"));
  write_property(template_number, button_number, Property::tag, "kept");
  window.reset();
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), "kept");
  write_property(template_number, button_number, Property::tag, "again");
  EXPECT_EQ(read_text_property(template_number, button_number, Property::tag), "again");
}

TEST_F(Calculator, AlwaysOnTopNeverActivatesMovesOrTakesTheFocus) {
  const std::uint32_t template_number = window_description().template_number;
  const std::uint32_t window_number = window_description().number;
  deactivate();
  const QPoint place = window->pos();
  recorder.clear();
  for (const std::int32_t value : {1, 1, 0, 7}) {
    write_property(template_number, window_number, Property::always_on_top, value);
    EXPECT_EQ(read_integer_property(template_number, window_number, Property::always_on_top), value != 0 ? 1 : 0);
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(other->isActiveWindow());
  EXPECT_FALSE(window->isActiveWindow());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->pos(), place);
  EXPECT_THAT(recorder.raised(), IsEmpty());
}

TEST(PropertiesWithoutAWindow, AreAFatalErrorExceptTags) {
  const std::uint32_t template_number = window_description().template_number;
  ASSERT_EQ(CalculatorWindow::live(), nullptr);
  EXPECT_EQ(read_text_property(template_number, window_description().number, Property::tag), "Vesk");
  // The child has no QApplication, so the fatal error ends it without waiting on a message box.
  EXPECT_EXIT(
      {
        delete application;
        application = nullptr;
        read_text_property(template_number, window_description().number, Property::caption);
      },
      ::testing::ExitedWithCode(255), "does not exist");
  EXPECT_EXIT(
      {
        delete application;
        application = nullptr;
        write_property(template_number, base_number, Property::selection_start, 0);
      },
      ::testing::ExitedWithCode(255), "does not exist");
  EXPECT_EXIT(
      {
        delete application;
        application = nullptr;
        read_text_property(template_number + 1, window_description().number, Property::tag);
      },
      ::testing::ExitedWithCode(255), "No window description");
}

// ---- Edit box texts --------------------------------------------------------------------------------

struct TextWrite {
  const char* name;
  const char* before;  // UTF-8, already shown
  Text written;        // GBK
  const char* shown;   // UTF-8
};

class TextWrites : public Calculator, public ::testing::WithParamInterface<TextWrite> {};

TEST_P(TextWrites, OneReportPerWriteAndReadBackExactly) {
  QLineEdit* target = box("目标价");
  target->setText(QString::fromUtf8(GetParam().before));
  recorder.clear();
  write_text(*target, GetParam().written);
  EXPECT_EQ(shown("目标价"), GetParam().shown);
  ASSERT_THAT(recorder.raised(), ElementsAre("目标价 Text changed H7", "涨幅 Text changed"));
  EXPECT_EQ(recorder.lines.front().box_text_then, GetParam().shown);  // in place before the report
  EXPECT_EQ(read_text(*target), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Writes, TextWrites,
                         ::testing::Values(TextWrite{"NewText", "", "12", "12"},
                                           TextWrite{"SameTextAgain", "12", "12", "12"},
                                           TextWrite{"EmptyText", "12", "", ""},
                                           TextWrite{"TwoByteCharacters", "", "\xb6\xa5 1", "顶 1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calculator, TextsThatAreNotGbkStillConvert) {
  // A lead byte cut from its trail (what leading_bytes can leave) shows as a replacement character
  // instead of vanishing; a character GBK lacks reads back as "?".
  write_text(*box("涨幅"), "5\xb0");
  EXPECT_EQ(box("涨幅")->text(), QString::fromUtf8("5\xef\xbf\xbd"));
  box("目标价")->setText(QString::fromUtf8("1😀"));
  EXPECT_EQ(read_text(*box("目标价")), "1?");
}

// ---- Delivery --------------------------------------------------------------------------------------

TEST_F(Calculator, SuspendedEventsAreDroppedBeforeTheLookup) {
  recorder.clear();
  raise_event_suspension();
  const auto guard = qScopeGuard([] { lower_event_suspension(); });
  box("股票价格")->setText("55");
  EXPECT_EQ(raise_event(base_number, event::got_focus), std::nullopt);
  EXPECT_THAT(recorder.raised(), IsEmpty());
  EXPECT_EQ(recorder.dropped, 2);
  EXPECT_EQ(shown("涨停"), " 11");
}

TEST_F(Calculator, UnboundEventsAreRaisedAndDoNothing) {
  recorder.clear();
  EXPECT_EQ(raise_event(base_number, event::left_button_pressed, {1, 2, 0}), std::nullopt);
  EXPECT_EQ(raise_event(window_description().number, event::got_focus), std::nullopt);
  EXPECT_THAT(recorder.all(), ElementsAre("股票价格 Left button pressed", "window Got focus"));
}

// ---- Closing ---------------------------------------------------------------------------------------

struct Closing {
  const char* name;
  std::function<void(Calculator&)> request;
};

class Closings : public Calculator, public ::testing::WithParamInterface<Closing> {};

TEST_P(Closings, EndTheProgramWithExitCodeZeroFromTheHandler) {
  EXPECT_EXIT(GetParam().request(*this), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Closings,
    ::testing::Values(
        Closing{"EscInBase", [](Calculator& c) { QTest::keyClick(c.control("股票价格"), Qt::Key_Escape); }},
        Closing{"EscInButton",
                [](Calculator& c) {
                  c.control("按钮1")->setFocus(Qt::TabFocusReason);
                  QTest::keyClick(c.control("按钮1"), Qt::Key_Escape);
                }},
        Closing{"CloseRequest", [](Calculator& c) { c.handle()->close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantelo::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // Each death test runs again from main in a fresh process, so it starts with its own application.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  vantelo::ui::application = new QApplication(argc, argv);
  const int result = RUN_ALL_TESTS();
  delete vantelo::ui::application;
  return result;
}

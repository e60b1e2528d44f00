// SPDX-License-Identifier: MIT
// A long random session: a day's worth of typing, pasting, focus moves, clicks, button presses and
// window switches, drawn from a seeded generator. After every action the calculator must still be
// alive and consistent: the ladder belongs to the base price held at its last recompute, the change
// box to the target and held price at its last write, no handler ran inside another, and the x87
// unit is still in the mode the arithmetic needs.
//
//   VANTELO_SEED=<n>             replays the session of seed n (printed when a check fails)
//   VANTELO_SESSION_ACTIONS=<n>  the number of actions (20000 unless given)
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "started_calculator.h"
#include "ui/gbk.h"
#include "vantelo/ladder.h"

namespace vantelo::ui {
namespace {

std::uint64_t environment_number(const char* name, std::uint64_t fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  return std::strtoull(value, nullptr, 10);
}

std::uint32_t bits_of(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

Text shown_text(const QLineEdit& box) { return qstring_to_text(box.text()); }

std::string printable(const Text& text) {
  std::string out;
  for (const char c : text.substr(0, 60)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    }
  }
  if (text.size() > 60) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

// What the session expects of the window, kept up to date from the event delivery's own report.
class Model {
 public:
  void see(const ObservedEvent& seen, CalculatorWindow* window) {
    if (seen.step == ObservedEvent::Step::dropped) return;
    if (seen.step == ObservedEvent::Step::raised) {
      if (seen.handler) {
        if (!running_.empty() && fault_.empty())
          fault_ = "H" + std::to_string(static_cast<int>(*seen.handler)) + " ran inside H" +
                   std::to_string(static_cast<int>(running_.back()));
        running_.push_back(*seen.handler);
      } else if (seen.event_code == event::text_changed && seen.source == fall_limit_number_ &&
                 (running_.empty() || (running_.back() != Handler::h4 && running_.back() != Handler::h1))) {
        // The user (or the box's own normalisation) changed the editable limit-down box.
        fall_limit_edited_ = true;
      }
      return;
    }
    // A handler has finished.
    if (running_.empty()) {
      if (fault_.empty()) fault_ = "a handler finished that had not started";
      return;
    }
    const Handler finished = running_.back();
    running_.pop_back();
    ++handlers_run_[static_cast<std::size_t>(finished)];
    if (window == nullptr) return;
    // The model keeps its own held base price, from the base box's text as each handler saw it.
    const Text base_text = shown_text(*qobject_cast<QLineEdit*>(window->control(base_price_box)));
    switch (finished) {
      case Handler::h1:
      case Handler::h4:
        // An emptied base box leaves the held price as it was.
        if (!texts_equal(base_text, "")) held_ = price_from_text(base_text);
        for (std::size_t row = 0; row < ladder_rows.size(); ++row)
          ladder_[row] = ladder_text(held_, ladder_rows[row].multiplier);
        ladder_base_ = held_;
        fall_limit_edited_ = false;
        break;
      case Handler::h3:
        held_ = price_from_text(base_text);  // whatever it is: empty reads as 0
        break;
      case Handler::h5:
      case Handler::h7: {
        const Text target_text = shown_text(*qobject_cast<QLineEdit*>(window->control(target_price_box)));
        change_ = finished == Handler::h5 && texts_equal(target_text, "")
                      ? Text()
                      : change_percentage_text(price_from_text(target_text), held_);
        break;
      }
      default:
        break;
    }
    const float held = price_calculator().held_base_price();
    if (bits_of(held) != bits_of(held_) && fault_.empty())
      fault_ = "after H" + std::to_string(static_cast<int>(finished)) + " the calculator holds " +
               std::to_string(held) + ", the base box's text \"" + printable(base_text) + "\" gives " +
               std::to_string(held_);
  }

  // Empty when the window agrees with the model; otherwise what is wrong.
  std::string check(CalculatorWindow* window) {
    if (!fault_.empty()) return std::exchange(fault_, {});
    if (window == nullptr || CalculatorWindow::live() != window) return "the window is gone";
    if (!window->isVisible()) return "the window is no longer shown";
    if (!running_.empty()) return "a handler is still running after the action";
    for (std::size_t row = 0; row < ladder_rows.size(); ++row) {
      if (row == fall_limit_row && fall_limit_edited_) continue;
      const auto* box = qobject_cast<QLineEdit*>(window->control(ladder_rows[row].box));
      const Text shown = shown_text(*box);
      if (shown != ladder_[row])
        return std::string(ladder_rows[row].box) + " shows \"" + printable(shown) + "\", the ladder of " +
               std::to_string(ladder_base_) + " is \"" + printable(ladder_[row]) + "\"";
    }
    const Text change = shown_text(*qobject_cast<QLineEdit*>(window->control(change_box)));
    if (change != change_)
      return "涨幅 shows \"" + printable(change) + "\", the core computes \"" + printable(change_) + "\"";
    if (const auto word = app::x87_control_word(); word && *word != 0x037F) {
      std::ostringstream out;
      out << "the x87 control word is 0x" << std::hex << *word;
      return out.str();
    }
    return {};
  }

  // How often each handler H1..H8 ran: the session must have reached them all.
  const std::array<long, 9>& handlers_run() const { return handlers_run_; }

  void start(CalculatorWindow& window) { fall_limit_number_ = window.description_of(window.control("跌停"))->number; }

 private:
  static constexpr std::size_t fall_limit_row = 10;  // 跌停, the one ladder box the user may edit
  std::vector<Handler> running_;
  std::string fault_;
  std::array<Text, 20> ladder_{};
  float held_ = 0.0f;  // +0 at the start of a run
  float ladder_base_ = 0.0f;  // the held price when the ladder was last written
  Text change_;  // 涨幅 starts empty
  bool fall_limit_edited_ = false;
  std::uint32_t fall_limit_number_ = 0;
  std::array<long, 9> handlers_run_{};
};

// Texts a user pastes from web pages and chat windows.
std::vector<QString> pasted_texts() {
  std::vector<QString> texts = {
      QString::fromUtf8("１２.５"),           // full-width digits
      QString::fromUtf8("１２３４５６７８９０"),
      QString::fromUtf8("股票价格十二元五角"),  // Chinese text
      QString::fromUtf8("涨停价：11.00元"),
      QString::fromUtf8("😀💹📈 12.34 🚀"),   // emoji (outside GBK, surrogate pairs)
      QString::fromUtf8("\xff\xfe" "12\xc3(\xe2\x82" "5\xf0\x9f"),  // broken UTF-8, decoded leniently
      QString(QChar(0xD800)) + "7" + QChar(0xDC00),   // unpaired surrogates
      QString::fromUtf8("ก१٣ℵ\u0378\uFFFD\u200B"),    // scripts and code points GBK lacks
      "12.34", "-5", "0", "-0", "1e39", "-1e39", "99999.95", "0.00001234", "1.2.3", "--5", ".",
      "  7 ", "1\n2", "3\t4", "1.#INF", QString(200, u'9'),
  };
  // Bytes that are not GBK, decoded the lenient way a clipboard of another code page would be.
  QStringDecoder gbk("GBK");
  texts.push_back(gbk.decode(QByteArray("\x81\x30 12\xff\x80\xfe", 8)));
  return texts;
}

QString long_text(std::size_t kind) {
  constexpr int size = 1 << 20;
  switch (kind % 3) {
    case 0: return QString("1234567890").repeated(size / 10);
    case 1: return QString::fromUtf8("价").repeated(size);
    default: return QString::fromUtf8("9😀").repeated(size / 3);
  }
}

class Session {
 public:
  Session(test::StartedCalculator& calculator, std::uint64_t seed, std::size_t actions)
      : calculator_(calculator), random_(seed), pasted_(pasted_texts()) {
    std::uniform_int_distribution<std::size_t> anywhere(0, actions - 1);
    for (int i = 0; i < 3; ++i) long_pastes_.insert(anywhere(random_));
    for (QWidget* control : calculator.window().controls()) controls_.push_back(control);
  }

  // Carries out action `index`; returns what it did, for the failure report.
  std::string act(std::size_t index) {
    if (long_pastes_.count(index) != 0) {
      // Into a box that takes it: one of the three number boxes.
      static constexpr std::string_view number_boxes[] = {"股票价格", "目标价", "跌停"};
      const std::string_view into = number_boxes[pick(std::size(number_boxes))];
      calculator_.click(calculator_.window().control(into));
      calculator_.paste(long_text(index));
      return "click " + std::string(into) + ", paste a 1 MiB text";
    }
    static constexpr int weights[] = {20, 6, 5, 3, 2, 8, 4, 6, 4, 4, 8, 2, 1, 6};
    std::discrete_distribution<int> kind(std::begin(weights), std::end(weights));
    QWidget* target = calculator_.keyboard_target();
    const std::string into = target_name();
    switch (kind(random_)) {
      case 0: {
        const char digit = static_cast<char>('0' + pick(10));
        QTest::keyClick(target, digit);
        return std::string("type '") + digit + "' into " + into;
      }
      case 1: {
        const char sign = pick(2) == 0 ? '-' : '.';
        QTest::keyClick(target, sign);
        return std::string("type '") + sign + "' into " + into;
      }
      case 2: {
        const char letter = static_cast<char>((pick(2) == 0 ? 'a' : 'A') + pick(26));
        QTest::keyClick(target, letter);
        return std::string("type '") + letter + "' into " + into;
      }
      case 3: {
        static constexpr char punctuation[] = ",+e/!@#*%() :;'\"?<>=_";
        const char typed = punctuation[pick(sizeof punctuation - 1)];
        QTest::keyClick(target, typed);
        return std::string("type '") + typed + "' into " + into;
      }
      case 4: {
        // What an input method types: no key Qt knows, only the text.
        static const char* const composed[] = {"１", "顶", "。", "－", "．", "😀"};
        const char* typed = composed[pick(std::size(composed))];
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString::fromUtf8(typed), Qt::NoModifier);
        return std::string("compose '") + typed + "' into " + into;
      }
      case 5: {
        struct Key {
          Qt::Key key;
          Qt::KeyboardModifiers modifiers;
          const char* name;
        };
        static const Key keys[] = {
            {Qt::Key_Backspace, {}, "Backspace"},          {Qt::Key_Delete, {}, "Delete"},
            {Qt::Key_Backspace, {}, "Backspace"},          {Qt::Key_Delete, {}, "Delete"},
            {Qt::Key_Left, {}, "Left"},                    {Qt::Key_Right, {}, "Right"},
            {Qt::Key_Home, {}, "Home"},                    {Qt::Key_End, {}, "End"},
            {Qt::Key_Left, Qt::ShiftModifier, "Shift+Left"}, {Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
            {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},    {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
            {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},    {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
            {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},    {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"},
            {Qt::Key_Insert, {}, "Insert"},                {Qt::Key_Space, {}, "Space"},
            {Qt::Key_F1, {}, "F1"},                        {Qt::Key_Up, {}, "Up"},
        };
        const Key& key = keys[pick(std::size(keys))];
        QTest::keyClick(target, key.key, key.modifiers);
        return std::string(key.name) + " in " + into;
      }
      case 6: {
        const QString& text = pasted_[pick(pasted_.size())];
        calculator_.paste(text);
        return "paste \"" + text.left(40).toStdString() + "\" into " + into;
      }
      case 7:
        QTest::keyClick(target, Qt::Key_Tab);
        return "Tab from " + into;
      case 8:
        QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
        return "Shift+Tab from " + into;
      case 9:
        if (pick(4) == 0) {
          QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
          return "keypad Enter in " + into;
        }
        QTest::keyClick(target, Qt::Key_Return);
        return "Enter in " + into;
      case 10: {
        QWidget* control = controls_[pick(controls_.size())];
        calculator_.click(control);
        return "click " + control->objectName().toStdString();
      }
      case 11:
        calculator_.click(calculator_.window().control("按钮1"));
        return "click 按钮1";
      case 12:
        if (!calculator_.deactivate()) failure_ = "the other window did not become active";
        switched_away_ = true;
        return "switch to another window";
      default: {
        // Most of a day's typing goes into the three boxes that take numbers.
        static constexpr std::string_view number_boxes[] = {"股票价格", "股票价格", "目标价", "目标价", "跌停"};
        const std::string_view name = number_boxes[pick(std::size(number_boxes))];
        calculator_.click(calculator_.window().control(name));
        return "click " + std::string(name);
      }
    }
  }

  // After a switch away, the next step is the switch back (checked on its own in between).
  bool switched_away() const { return switched_away_; }
  // What went wrong in the harness itself during the last action (empty when nothing).
  std::string take_failure() { return std::exchange(failure_, {}); }
  std::string switch_back() {
    switched_away_ = false;
    if (!calculator_.reactivate()) failure_ = "the calculator did not become active again";
    return "switch back to the calculator";
  }

 private:
  std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

  std::string target_name() const {
    const QWidget* target = calculator_.keyboard_target();
    return target == &calculator_.window() ? std::string("the window") : target->objectName().toStdString();
  }

  test::StartedCalculator& calculator_;
  std::mt19937_64 random_;
  std::vector<QString> pasted_;
  std::set<std::size_t> long_pastes_;
  std::vector<QWidget*> controls_;
  bool switched_away_ = false;
  std::string failure_;
};

TEST(RandomSession, EveryActionLeavesTheCalculatorConsistent) {
  const std::uint64_t seed = environment_number("VANTELO_SEED", 20261211);
  const std::size_t actions = environment_number("VANTELO_SESSION_ACTIONS", 20000);
  ASSERT_GT(actions, 0u);

  Model model;
  test::StartedCalculator calculator(
      [&model](const ObservedEvent& seen) { model.see(seen, CalculatorWindow::live()); });
  ASSERT_TRUE(calculator.started()) << "the calculator's window did not become active";
  CalculatorWindow* const window = &calculator.window();
  model.start(*window);
  {
    const std::string fault = model.check(window);
    ASSERT_TRUE(fault.empty()) << "after start-up: " << fault;
  }

  Session session(calculator, seed, actions);
  QElapsedTimer elapsed;
  elapsed.start();
  std::size_t done = 0;
  for (std::size_t index = 0; index < actions; ++index) {
    std::vector<std::string> steps{session.act(index)};
    if (session.switched_away()) {
      if (std::string fault = session.take_failure() + model.check(window); !fault.empty()) {
        FAIL() << "seed " << seed << ", action " << index << " (" << steps.back() << "): " << fault;
      }
      steps.push_back(session.switch_back());
    }
    QCoreApplication::processEvents();
    if (std::string fault = session.take_failure() + model.check(window); !fault.empty()) {
      std::string what;
      for (const std::string& step : steps) what += (what.empty() ? "" : ", then ") + step;
      FAIL() << "seed " << seed << ", action " << index << " (" << what << "): " << fault
             << "\nreplay with VANTELO_SEED=" << seed;
    }
    ++done;
  }
  std::printf("%zu actions with seed %llu in %.1f s\n", done, static_cast<unsigned long long>(seed),
              static_cast<double>(elapsed.elapsed()) / 1000.0);
  ::testing::Test::RecordProperty("actions", static_cast<int>(done));
  EXPECT_EQ(done, actions);
  // A session that never reached a handler would check nothing: every one but H2 (the end) must run.
  for (int handler = 1; handler <= 8; ++handler) {
    std::printf("H%d ran %ld times\n", handler, model.handlers_run()[static_cast<std::size_t>(handler)]);
    if (handler != 2 && actions >= 1000) {
      EXPECT_GT(model.handlers_run()[static_cast<std::size_t>(handler)], 0) << "H" << handler;
    }
  }
}

}  // namespace
}  // namespace vantelo::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}

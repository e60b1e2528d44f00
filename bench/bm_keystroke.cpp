// SPDX-License-Identifier: MIT
// From a key typed into the base price box to the twenty ladder boxes holding their new texts, on
// Qt's offscreen platform; next to it, the floor: twenty bare QLineEdit::setText calls.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <array>
#include <memory>
#include <string_view>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/event_delivery.h"
#include "ui/handlers.h"
#include "vantelo/ladder.h"

namespace {

void ensure_application() {
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vantelo_bench";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  (void)application;
}

// The measured steps, kept out of line so that an instruction-counting profiler (callgrind's
// --toggle-collect) can compare them without the noise of a shared machine.
[[gnu::noinline]] void type_one_key(QLineEdit* base, bool backspace) {
  QTest::keyClick(base, backspace ? Qt::Key_Backspace : Qt::Key_3);
}

[[gnu::noinline]] void set_twenty_texts(const std::array<QLineEdit*, 20>& boxes, const std::array<QString, 20>& texts) {
  for (std::size_t i = 0; i < 20; ++i) boxes[i]->setText(texts[i]);
}

// The window started as the program starts it, with the focus in the base price box.
std::unique_ptr<vantelo::ui::CalculatorWindow> started_window() {
  using namespace vantelo::ui;
  vantelo::raise_event_suspension();
  auto window = build_window();
  QCoreApplication::processEvents();
  connect_event_delivery(*window);
  vantelo::lower_event_suspension();
  raise_event(window_description().number, event::created);
  window->show();
  window->activateWindow();
  window->control("股票价格")->setFocus(Qt::ActiveWindowFocusReason);
  QCoreApplication::processEvents();
  return window;
}

// Each iteration is one key: "3" after "12", then Backspace, so every key changes the base price
// (12 and 123) and every ladder box gets a different text.
void keystroke_to_ladder(benchmark::State& state) {
  ensure_application();
  auto window = started_window();
  auto* base = qobject_cast<QLineEdit*>(window->control("股票价格"));
  auto* limit_up = qobject_cast<QLineEdit*>(window->control("涨停"));
  base->setText("12");
  base->setCursorPosition(2);
  bool typed = false;
  for (auto _ : state) {
    type_one_key(base, typed);
    typed = !typed;
  }
  if (base->text() != (typed ? "123" : "12") || limit_up->text() != (typed ? " 135.3" : " 13.2")) {
    state.SkipWithError("the ladder does not show the typed price");
  }
  state.SetLabel("key -> events -> H4 -> 20 ladder writes");
  // Leaving without a close request: nothing ends the process.
  vantelo::raise_event_suspension();
  window.reset();
  vantelo::lower_event_suspension();
}
BENCHMARK(keystroke_to_ladder);

// The same twenty texts set straight into the ladder boxes of a window built the same way but never
// connected to the event delivery, alternating the same way.
void twenty_bare_set_text(benchmark::State& state) {
  ensure_application();
  vantelo::raise_event_suspension();
  auto window = vantelo::ui::build_window();
  vantelo::lower_event_suspension();
  window->show();
  QCoreApplication::processEvents();
  std::array<QLineEdit*, 20> boxes{};
  std::array<std::array<QString, 20>, 2> texts;
  for (std::size_t i = 0; i < 20; ++i) {
    const vantelo::LadderRow& row = vantelo::ladder_rows[i];
    boxes[i] = qobject_cast<QLineEdit*>(window->control(row.box));
    texts[0][i] = QString::fromStdString(vantelo::ladder_text(123.0f, row.multiplier));
    texts[1][i] = QString::fromStdString(vantelo::ladder_text(12.0f, row.multiplier));
  }
  std::size_t which = 0;
  for (auto _ : state) {
    set_twenty_texts(boxes, texts[which]);
    which ^= 1;
  }
  state.SetLabel("20 x QLineEdit::setText");
}
BENCHMARK(twenty_bare_set_text);

}  // namespace

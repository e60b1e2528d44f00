// SPDX-License-Identifier: MIT
// Runs the program's real start-up and reports what it finds, then ends the program one of the
// ways a test asks for:
//   close    Esc on the focused control (the window closes as by its close button)
//   quit     the event loop is told to quit while no handler ends the program
//   fatal    a fatal error; the message box is inspected and dismissed with its OK button
//   storage  a request for more storage than exists
//   thread   another thread asks for the normal end
// Lines on stdout: "start ..." facts, "box ..." facts about the message box, "end procedure ran".
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/lifecycle.h"
#include "app/startup.h"
#include "ui/calculator_window.h"

namespace {

std::string mode;

void probe_end_procedure() {
  std::printf("end procedure ran on the %s thread\n", vantelo::on_main_thread() ? "main" : "other");
  std::printf("end procedure ran\n");
  std::fflush(stdout);
}

void report(const char* format, const QString& value) {
  std::printf(format, value.toUtf8().constData());
  std::fflush(stdout);
}

// Looks for the message box while it is shown, reports it and presses OK.
void dismiss_message_box() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr) {
    QTimer::singleShot(20, &dismiss_message_box);
    return;
  }
  std::printf("box icon %s\n", box->icon() == QMessageBox::Critical ? "critical" : "other");
  std::printf("box buttons %d\n", static_cast<int>(box->buttons().size()));
  std::printf("box ok %s\n", box->button(QMessageBox::Ok) != nullptr ? "yes" : "no");
  std::printf("box parent %s\n", box->parentWidget() == nullptr ? "none" : "some");
  std::printf("box modal %s\n", box->isModal() ? "yes" : "no");
  report("box text %s\n", box->text());
  std::fflush(stdout);
  box->button(QMessageBox::Ok)->click();
}

void before_event_loop(vantelo::ui::CalculatorWindow& window) {
  // Registered twice, kept once.
  vantelo::register_end_procedure(&probe_end_procedure);
  vantelo::register_end_procedure(&probe_end_procedure);

  const auto control_word = vantelo::app::x87_control_word();
  std::printf("start control word %s\n",
              control_word ? QString::asprintf("0x%04X", *control_word).toUtf8().constData() : "none");
  report("start focus %s\n", QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "(none)");
  report("start title %s\n", window.windowTitle());
  std::printf("start visible %s\n", window.isVisible() ? "yes" : "no");
  std::printf("start frame %d,%d %dx%d\n", window.frameGeometry().x(), window.frameGeometry().y(),
              window.frameGeometry().width(), window.frameGeometry().height());
  std::fflush(stdout);

  if (mode == "close") {
    QTimer::singleShot(0, [] {
      QWidget* target = QApplication::focusWidget();
      if (target == nullptr) target = vantelo::ui::CalculatorWindow::live();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
    });
  } else if (mode == "quit") {
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
  } else if (mode == "fatal") {
    QTimer::singleShot(0, &dismiss_message_box);
    QTimer::singleShot(0, [] { vantelo::fatal_error("试验: the probe asked for a fatal error"); });
  } else if (mode == "thread") {
    QTimer::singleShot(0, [] { std::thread([] { vantelo::end_program(0); }).detach(); });
  } else if (mode == "storage") {
    QTimer::singleShot(0, &dismiss_message_box);
    QTimer::singleShot(0, [] {
      // 2^46 bytes: far beyond what the machine has.
      volatile std::size_t huge = std::size_t{1} << 46;
      char* block = new char[huge];
      std::printf("storage granted %p\n", static_cast<void*>(block));
      std::fflush(stdout);
    });
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) mode = argv[1];
#if defined(__i386__) || defined(__x86_64__)
  // Leave the x87 unit in another mode (53-bit precision) so the reset is seen.
  const std::uint16_t other = 0x027F;
  asm volatile("fldcw %0" : : "m"(other));
#endif
  vantelo::app::program_entry({.before_event_loop = &before_event_loop});
}

// SPDX-License-Identifier: MIT
#include "app/startup.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdlib>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/event_delivery.h"

namespace vantelo::app {
namespace {

void initialise() {}
void program_end_procedure() {}

// The command line is not the program's: Qt gets a fixed one, so options such as -style,
// -platform or -reverse that a user passes change nothing.
int fixed_argc = 1;
char program_name[] = "vantelo";
char* fixed_argv[] = {program_name, nullptr};

// Scaling overrides in the environment would change the window's size; the scale the desktop
// itself sets for its screens (its font DPI) still applies, so a high-density screen shows the
// window at its designed size in the desktop's units.
void ignore_scaling_overrides() {
  for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                           "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_USE_PHYSICAL_DPI"})
    qunsetenv(name);
}

// Waits a little for the window manager to activate the shown window, so that the focus has
// arrived before the event loop starts; gives up quietly, the window then gets it later.
void wait_for_activation(const QPointer<ui::CalculatorWindow>& window) {
  QTimer give_up;  // also wakes the wait below when nothing else arrives
  give_up.setSingleShot(true);
  give_up.start(1000);
  while (window != nullptr && !window->isActiveWindow() && give_up.isActive())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

void reset_floating_point_unit() noexcept {
#if defined(__i386__) || defined(__x86_64__)
  asm volatile("fninit");
#endif
}

std::optional<std::uint16_t> x87_control_word() noexcept {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
#else
  return std::nullopt;
#endif
}

void program_entry(const StartupProbe& probe) {
  install_out_of_storage_handler();
  ignore_scaling_overrides();
  QApplication application(fixed_argc, fixed_argv);
  QApplication::setApplicationName(QStringLiteral("Vantelo"));
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.vantelo.Vantelo"));

  record_main_thread();
  reset_floating_point_unit();
  initialise();
  register_end_procedure(&program_end_procedure);

  // Loading: nothing that happens while the window is built reaches a handler.
  QCoreApplication::processEvents();
  raise_event_suspension();
  std::unique_ptr<ui::CalculatorWindow> built;
  try {
    built = ui::build_window();
  } catch (const std::exception& failure) {
    fatal_error(std::string("The window could not be built: ") + failure.what());
  }
  if (built == nullptr) fatal_error("The window could not be built.");
  QCoreApplication::processEvents();
  ui::connect_event_delivery(*built);
  lower_event_suspension();

  const QPointer<ui::CalculatorWindow> window(built.release());
  const std::uint32_t number = ui::window_description().number;
  if (window != nullptr) ui::raise_event(number, ui::event::created);
  if (window != nullptr) ui::raise_event(number, ui::event::position_reported);
  if (window != nullptr) ui::raise_event(number, ui::event::size_reported);

  if (window != nullptr) {
    window->place_centred();
    window->show();
    window->activateWindow();
    if (QWidget* base_price = window->control("股票价格"); base_price != nullptr) base_price->setFocus(Qt::ActiveWindowFocusReason);
    wait_for_activation(window);
  }
  // Whatever control holds the focus now hears of it once more.
  if (window != nullptr && window->isActiveWindow()) {
    if (const auto* focused = window->description_of(QApplication::focusWidget()); focused != nullptr)
      ui::raise_event(focused->number, ui::event::got_focus);
  }

  if (probe.before_event_loop != nullptr && window != nullptr) probe.before_event_loop(*window);
  const int code = QApplication::exec();
  end_program(code);
}

}  // namespace vantelo::app

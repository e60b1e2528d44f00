// SPDX-License-Identifier: MIT
// The one QApplication of a widget test executable, made on first use. It is never destroyed:
// Qt Test's own devices are torn down at exit before a static application would be, and the
// application's destructor then touches them.
#pragma once

#include <QApplication>

namespace vantelo::test {

inline QApplication& test_application() {
  static int argc = 1;
  static char name[] = "vantelo-ui-test";
  static char* argv[] = {name, nullptr};
  static QApplication* const application = new QApplication(argc, argv);
  return *application;
}

}  // namespace vantelo::test

// SPDX-License-Identifier: MIT
// The one QApplication of a widget test executable, made on first use.
#pragma once

#include <QApplication>

namespace vantelo::test {

inline QApplication& test_application() {
  static int argc = 1;
  static char name[] = "vantelo-ui-test";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  return application;
}

}  // namespace vantelo::test

// SPDX-License-Identifier: MIT
// The program's start and its two ends, watched from outside: each case runs the real start-up in a
// child process (the start probe) and reads its exit code and report.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStringList>

#include "qt_app.h"

namespace {

struct ProbeRun {
  int exit_code = -999;
  QStringList lines;
  QString errors;
  bool count(const QString& line, int times) const { return lines.count(line) == times; }
};

ProbeRun run_probe(const QString& mode) {
  vantelo::test::test_application();
  QProcess child;
  child.setProgram(QStringLiteral(VANTELO_START_PROBE));
  child.setArguments({mode});
  if (mode == QStringLiteral("storage")) {
    // Under the address sanitizer an impossible request must fail the way the C library's does,
    // with a null pointer, rather than stop the child.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":allocator_may_return_null=1"));
    child.setProcessEnvironment(environment);
  }
  child.start();
  ProbeRun run;
  if (!child.waitForFinished(30000)) {
    child.kill();
    child.waitForFinished(5000);
    ADD_FAILURE() << "the probe did not end: " << mode.toStdString();
    return run;
  }
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << mode.toStdString();
  run.exit_code = child.exitCode();
  run.lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  run.errors = QString::fromUtf8(child.readAllStandardError());
  return run;
}

TEST(StartUp, ShowsTheWindowCentredWithTheFocusInTheBasePriceAndTheFloatingPointModeSet) {
  const ProbeRun run = run_probe(QStringLiteral("close"));
  EXPECT_TRUE(run.lines.contains(QStringLiteral("start visible yes"))) << run.lines.join(u'|').toStdString();
  EXPECT_TRUE(run.lines.contains(QStringLiteral("start focus 股票价格"))) << run.lines.join(u'|').toStdString();
#if defined(__i386__) || defined(__x86_64__)
  EXPECT_TRUE(run.lines.contains(QStringLiteral("start control word 0x037F"))) << run.lines.join(u'|').toStdString();
#endif
  // Created ran before the window was shown: the caption is no longer the designed one.
  const auto title = run.lines.filter(QStringLiteral("start title "));
  ASSERT_EQ(title.size(), 1);
  EXPECT_NE(title.front(), QStringLiteral("start title V1.0(")) << title.front().toStdString();
  // The child has the same (frameless) offscreen screen as this process.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QString frame = QStringLiteral("start frame %1,%2 267x468")
                            .arg(screen.x() + (screen.width() - 267) / 2)
                            .arg(screen.y() + (screen.height() - 468) / 2);
  EXPECT_TRUE(run.lines.contains(frame)) << run.lines.join(u'|').toStdString();
}

TEST(Ending, ClosingTheWindowEndsWithZeroAndRunsTheEndProcedureOnce) {
  const ProbeRun run = run_probe(QStringLiteral("close"));
  EXPECT_EQ(run.exit_code, 0) << run.errors.toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("end procedure ran"), 1)) << run.lines.join(u'|').toStdString();
}

TEST(Ending, AnEventLoopThatQuitsEndsWithZeroAndRunsTheEndProcedureOnce) {
  const ProbeRun run = run_probe(QStringLiteral("quit"));
  EXPECT_EQ(run.exit_code, 0) << run.errors.toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("end procedure ran"), 1)) << run.lines.join(u'|').toStdString();
}

TEST(Ending, AnEndAskedForOnAnotherThreadIsCarriedOutOnTheMainThread) {
  const ProbeRun run = run_probe(QStringLiteral("thread"));
  EXPECT_EQ(run.exit_code, 0) << run.errors.toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("end procedure ran"), 1)) << run.lines.join(u'|').toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("end procedure ran on the main thread"), 1)) << run.lines.join(u'|').toStdString();
}

// A fatal error shows a parentless modal box with the error icon and one OK button, then ends with
// -1 (255 to a Linux parent) without running the end procedures.
void expect_fatal_end(const ProbeRun& run, const QString& message_part) {
  const std::string report = run.lines.join(u'|').toStdString();
  EXPECT_EQ(run.exit_code, 255) << run.errors.toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("box icon critical"), 1)) << report;
  EXPECT_TRUE(run.count(QStringLiteral("box buttons 1"), 1)) << report;
  EXPECT_TRUE(run.count(QStringLiteral("box ok yes"), 1)) << report;
  EXPECT_TRUE(run.count(QStringLiteral("box parent none"), 1)) << report;
  EXPECT_TRUE(run.count(QStringLiteral("box modal yes"), 1)) << report;
  const auto text = run.lines.filter(QStringLiteral("box text "));
  ASSERT_EQ(text.size(), 1) << report;
  EXPECT_TRUE(text.front().contains(message_part)) << text.front().toStdString();
  EXPECT_TRUE(run.count(QStringLiteral("end procedure ran"), 0)) << report;
}

TEST(Ending, FatalErrorReportsInAnErrorBoxAndEndsWithMinusOne) {
  expect_fatal_end(run_probe(QStringLiteral("fatal")), QStringLiteral("试验: the probe asked for a fatal error"));
}

TEST(Ending, RunningOutOfStorageNamesTheBytesAskedFor) {
  const ProbeRun run = run_probe(QStringLiteral("storage"));
  expect_fatal_end(run, QStringLiteral("70368744177664"));
  EXPECT_TRUE(run.lines.filter(QStringLiteral("storage granted")).isEmpty());
}

}  // namespace

// SPDX-License-Identifier: MIT
// The window at 200 % scaling keeps its design at twice the size: the same window rendered on the
// offscreen platform at scale 1 and with QT_SCALE_FACTOR=2 (each in its own process, since Qt reads
// the factor once at start), then known pixels compared between the two images: the client area,
// the edges of the coloured edit boxes, the extent of the title's text and the one-pixel offsets of
// the labels' white copies, which must become two device pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/lifecycle.h"
#include "ui/calculator_window.h"
#include "ui/label.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

constexpr const char* render_option = "--render-window-to=";

// Child process: builds the window as start-up does (events suspended), shows it, saves what it
// paints and prints its logical client size and device pixel ratio.
int render_window(const char* png) {
  raise_event_suspension();
  std::unique_ptr<CalculatorWindow> window = build_window();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) return 3;
  const QPixmap shot = window->grab();
  if (!shot.save(QString::fromLocal8Bit(png), "PNG")) return 4;
  std::printf("%d %d %g\n", window->width(), window->height(), shot.devicePixelRatio());
  return 0;
}

struct Rendering {
  QImage image;  // device pixels
  QSize client;  // logical
  double device_pixel_ratio = 0;
};

// Runs this executable once more as a child that renders the window at `scale` (nullopt: no factor).
std::optional<Rendering> render_at(std::optional<int> scale, const QString& png) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING",
                               "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_FONT_DPI", "QT_SCALE_FACTOR_ROUNDING_POLICY"})
    environment.remove(QString::fromLatin1(variable));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  if (scale) environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(*scale));
  QProcess child;
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(render_option) + png});
  if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
    ADD_FAILURE() << "rendering at scale " << scale.value_or(1) << " failed (exit " << child.exitCode()
                  << "): " << child.readAllStandardError().toStdString();
    return std::nullopt;
  }
  Rendering out;
  out.image = QImage(png).convertToFormat(QImage::Format_RGB32);
  int width = 0, height = 0;
  if (std::sscanf(child.readAllStandardOutput().constData(), "%d %d %lf", &width, &height,
                  &out.device_pixel_ratio) != 3 || out.image.isNull()) {
    ADD_FAILURE() << "no rendering at scale " << scale.value_or(1);
    return std::nullopt;
  }
  out.client = QSize(width, height);
  return out;
}

// The bounding box, in device pixels, of the pixels inside `area` for which `ink` holds.
template <typename Ink>
QRect extent(const QImage& image, const QRect& area, Ink ink) {
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (ink(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

// Text of a colour without red (black, teal) on the face: red drops with the glyph's coverage.
bool dark_red(QRgb pixel, int face) { return qRed(pixel) < face / 2; }
// The core of a white copy: every channel well above the face.
bool white_core(QRgb pixel) { return std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) >= 250; }

// The share of the white copy's visible core pixels in `area` whose glyph pixel, `shift` device pixels
// away on each axis, is covered by the caption (effect 1: the caption lies up-left of its white copy,
// shift -d; effect 2: down-right, shift +d). Antialiasing and gamma make thresholds on the edges of
// two differently coloured copies disagree by a pixel; matching the glyph's shape does not.
double white_copy_match(const QImage& image, const QRect& area, int shift) {
  int core = 0, matched = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!white_core(image.pixel(x, y))) continue;
      ++core;
      const QPoint partner(x + shift, y + shift);
      if (area.contains(partner) && qRed(image.pixel(partner)) < 160) ++matched;
    }
  }
  return core == 0 ? 0.0 : static_cast<double>(matched) / core;
}

class HighDpi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory = new QTemporaryDir;
    ASSERT_TRUE(directory->isValid());
    one = render_at(std::nullopt, directory->filePath(QStringLiteral("scale1.png")));
    two = render_at(2, directory->filePath(QStringLiteral("scale2.png")));
  }
  static void TearDownTestSuite() {
    delete directory;
    directory = nullptr;
  }
  void SetUp() override {
    if (!one || !two) GTEST_SKIP() << "no renderings (see the failure above)";
  }

  // A control's designed rectangle, in device pixels of the rendering at `scale`.
  static QRect place(std::string_view name, int scale) {
    const ControlDescription* control = find_control(name);
    EXPECT_NE(control, nullptr) << name;
    if (control == nullptr) return {};
    return QRect(control->left * scale, control->top * scale, control->width * scale, control->height * scale);
  }
  // The part of a label's rectangle that no control stacked above it covers (the base and target
  // price boxes overlap their labels' right ends), in device pixels.
  static QRect visible_area(std::string_view label, int scale) {
    QRect area = place(label, scale);
    const auto controls = control_descriptions();
    for (const ControlDescription& above : controls) {
      if (above.name == label) break;  // list order is stacking order, top first
      const QRect other = place(above.name, scale);
      if (other.intersects(area) && other.left() > area.left()) area.setRight(other.left() - 1);
    }
    return area;
  }
  static int face() { return qRed(one->image.pixel(one->image.width() - 2, one->image.height() - 2)); }

  static inline QTemporaryDir* directory = nullptr;
  static inline std::optional<Rendering> one, two;
};

TEST_F(HighDpi, ClientAreaIsTwiceTheSize) {
  EXPECT_EQ(one->device_pixel_ratio, 1.0);
  EXPECT_EQ(two->device_pixel_ratio, 2.0);
  // The logical client area is the same at both scales; its pixels are twice as many each way.
  EXPECT_EQ(two->client, one->client);
  EXPECT_EQ(one->image.size(), one->client);
  EXPECT_EQ(two->image.size(), one->image.size() * 2);
}

// The ladder boxes are filled with their colours to their edges: each edge lies at twice its place.
TEST_F(HighDpi, EditBoxesKeepTheirPlacesAndSizes) {
  int boxes = 0;
  for (const ControlDescription& control : control_descriptions()) {
    if (control.kind != ControlKind::edit_box || !control.text.empty() || control.border_style != 0) continue;
    SCOPED_TRACE(std::string(control.name));
    ++boxes;
    const QRgb fill = colour_of(control.background_colour).rgb();
    for (int scale : {1, 2}) {
      const QImage& image = (scale == 1 ? one : two)->image;
      const QRect designed = place(control.name, scale);
      const QRect found = extent(image, designed.adjusted(-4, -4, 4, 4), [&](QRgb pixel) { return pixel == fill; });
      EXPECT_EQ(found, designed) << "at scale " << scale;
    }
  }
  EXPECT_EQ(boxes, 21);  // twenty ladder boxes and the change percentage
}

// The captions are drawn with the doubled font: their ink starts at twice its place and is twice as
// wide and high. Hinting may round each edge by a pixel at scale 1, two device pixels at scale 2.
TEST_F(HighDpi, TextIsDrawnAtTheDoubledSize) {
  for (std::string_view name : {"标签1", "标签24", "标签4"}) {
    SCOPED_TRACE(std::string(name));
    const QRect at1 = extent(one->image, visible_area(name, 1), [&](QRgb p) { return dark_red(p, face()); });
    const QRect at2 = extent(two->image, visible_area(name, 2), [&](QRgb p) { return dark_red(p, face()); });
    ASSERT_GT(at1.height(), 6) << "no text found in the label";
    EXPECT_NEAR(at2.left(), 2 * at1.left(), 2);
    EXPECT_NEAR(at2.top(), 2 * at1.top(), 2);
    EXPECT_NEAR(at2.width(), 2 * at1.width(), 4);
    EXPECT_NEAR(at2.height(), 2 * at1.height(), 4);
  }
}

// Effect 1 (标签2) draws a white copy one pixel right and down, then the caption in place; effect 2
// (标签23) the white copy in place and the caption one pixel right and down. One pixel of the design
// is two device pixels at scale 2: the white copy must match the caption's shape at that offset and
// no other.
TEST_F(HighDpi, LabelEffectsMoveByScaledOffsets) {
  struct Case {
    std::string_view label;
    int effect;
  };
  for (const Case& c : {Case{"标签2", 1}, Case{"标签23", 2}}) {
    SCOPED_TRACE(std::string(c.label));
    ASSERT_EQ(find_control(c.label)->text_effect, c.effect);
    for (int scale : {1, 2}) {
      SCOPED_TRACE("scale " + std::to_string(scale));
      const QImage& image = (scale == 1 ? one : two)->image;
      const QRect area = visible_area(c.label, scale);
      const int direction = c.effect == 1 ? -1 : 1;
      int best = 0;
      double best_match = 0;
      for (int offset = 1; offset <= 4; ++offset) {
        const double match = white_copy_match(image, area, direction * offset);
        if (match > best_match) best = offset, best_match = match;
      }
      EXPECT_EQ(best, scale) << "the white copy lies " << best << " device pixels from the caption";
      EXPECT_GT(best_match, 0.99) << "the copies are one glyph image, so the right offset matches all";
    }
  }
}

}  // namespace
}  // namespace vantelo::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  auto application = std::make_unique<QApplication>(argc, argv);
  int result = 0;
  const char* const option = vantelo::ui::render_option;
  if (argc == 2 && std::strncmp(argv[1], option, std::strlen(option)) == 0) {
    result = vantelo::ui::render_window(argv[1] + std::strlen(option));
  } else {
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  application.reset();
  return result;
}

// SPDX-License-Identifier: MIT
// The labels' own painting: fill, caption and the white copies of text effects 1 and 2.
//
// Each effect is checked against two plain renderings of the same label: its caption in white and
// its caption in the text colour, both without effect. Where the white rendering, moved as the
// effect says, is fully white and the coloured rendering is bare background, the effect must show
// pure white; where the coloured one is fully covered, the text colour. A copy moved the wrong way
// or left out fails at those pixels.
#include <gtest/gtest.h>

#include <QImage>

#include "qt_app.h"
#include "ui/label.h"
#include "ui/window_description.h"

namespace vantelo::ui {
namespace {

QImage render(const ControlDescription& description) {
  Label label(description, nullptr);
  label.resize(description.width, description.height);
  return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct EffectCheck {
  int white_pixels = 0;     // pixels that only the white copy explains
  int text_pixels = 0;      // pixels fully covered by the caption
  int wrong_pixels = 0;
};

// `white_shift` and `text_shift` are how far right and down each copy lies from the plain place.
EffectCheck check_effect(const ControlDescription& description, int white_shift, int text_shift) {
  ControlDescription plain = description;
  plain.text_effect = 0;
  ControlDescription white = plain;
  white.text_colour = rgb(255, 255, 255);
  const QImage text_only = render(plain);
  const QImage white_only = render(white);
  const QImage effect = render(description);
  const QRgb background = colour_of(description.background_colour).rgb();
  const QRgb text = colour_of(description.text_colour).rgb();
  const QRgb pure_white = qRgb(255, 255, 255);

  EffectCheck seen;
  for (int y = 2; y < effect.height(); ++y) {
    for (int x = 2; x < effect.width(); ++x) {
      const QRgb w = white_only.pixel(x - white_shift, y - white_shift);
      const QRgb t = text_only.pixel(x - text_shift, y - text_shift);
      const QRgb e = effect.pixel(x, y);
      if (t == text) {
        ++seen.text_pixels;
        if (e != text) ++seen.wrong_pixels;
      } else if (w == pure_white && t == background) {
        ++seen.white_pixels;
        if (e != pure_white) ++seen.wrong_pixels;
      } else if (w == background && t == background && e != background) {
        ++seen.wrong_pixels;
      }
    }
  }
  return seen;
}

TEST(LabelPainting, EffectOneDrawsAWhiteCopyOnePixelRightAndDown) {
  vantelo::test::test_application();
  const ControlDescription& label = *find_control("标签2");  // "基准价：", effect 1
  ASSERT_EQ(label.text_effect, 1);
  const EffectCheck seen = check_effect(label, 1, 0);
  EXPECT_GT(seen.white_pixels, 10);
  EXPECT_GT(seen.text_pixels, 10);
  EXPECT_EQ(seen.wrong_pixels, 0);
  // The same picture is not explained by the other effect's placement.
  EXPECT_GT(check_effect(label, 0, 1).wrong_pixels, 0);
}

TEST(LabelPainting, EffectTwoDrawsTheCaptionOnePixelRightAndDownOfAWhiteCopy) {
  vantelo::test::test_application();
  const ControlDescription& label = *find_control("标签23");  // "目标价：", effect 2
  ASSERT_EQ(label.text_effect, 2);
  const EffectCheck seen = check_effect(label, 0, 1);
  EXPECT_GT(seen.white_pixels, 10);
  EXPECT_GT(seen.text_pixels, 10);
  EXPECT_EQ(seen.wrong_pixels, 0);
  EXPECT_GT(check_effect(label, 1, 0).wrong_pixels, 0);
}

TEST(LabelPainting, PlainLabelsFillTheFaceAndAlignTheirCaption) {
  vantelo::test::test_application();
  // Bounding box of the caption's pixels (anything not the face colour).
  auto ink = [](const ControlDescription& description) {
    const QImage image = render(description);
    const QRgb face = colour_of(description.background_colour).rgb();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) != face) box |= QRect(x, y, 1, 1);
    EXPECT_EQ(image.pixel(0, 0), face);  // the fill
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), face);
    return box;
  };
  ControlDescription narrow = *find_control("标签24");  // "涨跌幅", right-aligned, 56 wide
  narrow.width = 120;
  const QRect right = ink(narrow);
  ASSERT_FALSE(right.isEmpty());
  EXPECT_GE(right.right(), narrow.width - 4);
  EXPECT_GT(right.left(), 40);
  ControlDescription left = narrow;
  left.align = Align::left;
  const QRect at_left = ink(left);
  EXPECT_LE(at_left.left(), 3);
  // Vertically centred, on one line.
  EXPECT_NEAR((at_left.top() + at_left.bottom()) / 2.0, narrow.height / 2.0, 3.0);
  // No white copies without an effect.
  const QImage plain = render(narrow);
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x) ASSERT_NE(plain.pixel(x, y), qRgb(255, 255, 255));
  // An empty caption paints only the face.
  ControlDescription empty = narrow;
  empty.text = {};
  EXPECT_TRUE(ink(empty).isEmpty());
}

}  // namespace
}  // namespace vantelo::ui

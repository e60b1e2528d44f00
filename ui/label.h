// SPDX-License-Identifier: MIT
// A label that paints its whole face itself: fill, then its caption drawn transparently with the
// designed text effect (white offset copies) and alignment.
#pragma once

#include <QWidget>

#include "ui/window_description.h"

namespace vantelo::ui {

class Label final : public QWidget {
 public:
  Label(const ControlDescription& description, QWidget* parent);

  const ControlDescription& description() const noexcept { return *description_; }
  QString caption() const { return caption_; }
  void set_caption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const ControlDescription* description_;
  QString caption_;
};

// Colour word (0x00BBGGRR, or system_face) as a QColor; system_face is looked up at each use.
QColor colour_of(std::uint32_t word);
// The designed font of a control: character height as pixel size, weight and styles over the
// platform's default face.
QFont font_of(const FontDescription& font);

}  // namespace vantelo::ui

// SPDX-License-Identifier: MIT
#include "ui/label.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace vantelo::ui {

QColor colour_of(std::uint32_t word) {
  if (word == system_face) return QApplication::palette().color(QPalette::Active, QPalette::Window);
  return QColor(static_cast<int>(word & 0xFFu), static_cast<int>((word >> 8) & 0xFFu),
                static_cast<int>((word >> 16) & 0xFFu));
}

QFont font_of(const FontDescription& font) {
  // A missing or malformed description keeps the platform's default font.
  QFont made = QApplication::font();
  if (font.height <= 0 || font.weight < 1 || font.weight > 1000) return made;
  if (!font.face.empty()) made.setFamily(QString::fromUtf8(font.face.data(), static_cast<qsizetype>(font.face.size())));
  made.setPixelSize(font.height);
  made.setWeight(static_cast<QFont::Weight>(font.weight));
  made.setItalic(font.italic);
  made.setUnderline(font.underline);
  made.setStrikeOut(font.strike_out);
  return made;
}

Label::Label(const ControlDescription& description, QWidget* parent)
    : QWidget(parent),
      description_(&description),
      caption_(QString::fromUtf8(description.text.data(), static_cast<qsizetype>(description.text.size()))) {
  // The whole face is painted here; the toolkit adds no background and no focus.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setFont(font_of(description.font));
}

void Label::set_caption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void Label::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_of(description_->background_colour));
  if (caption_.isEmpty()) return;
  painter.setFont(font());

  int flags = 0;
  switch (description_->align) {
    case Align::left: flags |= Qt::AlignLeft; break;
    case Align::centre: flags |= Qt::AlignHCenter; break;
    case Align::right: flags |= Qt::AlignRight; break;
  }
  if (description_->word_wrap) {
    flags |= Qt::AlignTop | Qt::TextWordWrap;
  } else {
    flags |= Qt::TextSingleLine;
    switch (description_->valign) {
      case VAlign::top: flags |= Qt::AlignTop; break;
      case VAlign::centre: flags |= Qt::AlignVCenter; break;
      case VAlign::bottom: flags |= Qt::AlignBottom; break;
    }
  }

  QRect place = rect();
  switch (description_->text_effect) {
    case 1:  // a white copy one pixel right and down, the caption at its place
      painter.setPen(Qt::white);
      painter.drawText(place.translated(1, 1), flags, caption_);
      break;
    case 2:  // a white copy at the place, the caption one pixel right and down
      painter.setPen(Qt::white);
      painter.drawText(place, flags, caption_);
      place.translate(1, 1);
      break;
    case 3:  // a black shadow two pixels right and down
      painter.setPen(Qt::black);
      painter.drawText(place.translated(2, 2), flags, caption_);
      break;
    default: break;
  }
  painter.setPen(colour_of(description_->text_colour));
  painter.drawText(place, flags, caption_);
}

}  // namespace vantelo::ui

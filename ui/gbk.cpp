// SPDX-License-Identifier: MIT
#include "ui/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace vantelo::ui {
namespace {

bool is_ascii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool is_ascii(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Whether the GBK bytes end with a lead byte whose trail byte is missing. Such a byte would otherwise
// be swallowed silently by the decoder, as if it waited for more input.
bool ends_in_cut_character(std::string_view bytes) {
  std::size_t i = 0;
  bool cut = false;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x81 && byte <= 0xFE) {
      cut = i + 1 == bytes.size();
      i += 2;
    } else {
      cut = false;
      i += 1;
    }
  }
  return cut;
}

// The converters are made once: opening one is far dearer than converting a short text with it.
QStringDecoder& decoder() {
  static QStringDecoder instance("GBK", QStringConverter::Flag::Stateless);
  return instance;
}

QStringEncoder& encoder() {
  static QStringEncoder instance("GBK", QStringConverter::Flag::Stateless);
  return instance;
}

}  // namespace

QString text_to_qstring(std::string_view gbk) {
  const auto size = static_cast<qsizetype>(gbk.size());
  if (is_ascii(gbk)) return QString::fromLatin1(gbk.data(), size);
  QStringDecoder& decode = decoder();
  decode.resetState();
  QString text = decode.decode(QByteArrayView(gbk.data(), size));
  if (ends_in_cut_character(gbk)) text.append(QChar::ReplacementCharacter);
  return text;
}

Text qstring_to_text(const QString& text) {
  if (is_ascii(text)) {
    const QByteArray latin = text.toLatin1();
    return Text(latin.constData(), static_cast<std::size_t>(latin.size()));
  }
  QStringEncoder& encode = encoder();
  encode.resetState();
  const QByteArray bytes = encode.encode(text);
  Text converted(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  // A high surrogate at the very end has no partner; the encoder keeps it back as if more were to
  // come, and the character would vanish. It is a character GBK lacks, like any other.
  if (text.back().isHighSurrogate()) converted += '?';
  return converted;
}

int gbk_length_of_prefix(const QString& text, int units) {
  units = std::clamp(units, 0, static_cast<int>(text.size()));
  return static_cast<int>(qstring_to_text(text.first(units)).size());
}

int utf16_position_of_gbk_offset(const QString& text, int bytes) {
  if (bytes <= 0) return 0;
  int reached = 0;
  int position = 0;
  const int size = static_cast<int>(text.size());
  while (position < size && reached < bytes) {
    // A surrogate pair is one character: it converts (to "?") as one.
    const int units = text.at(position).isHighSurrogate() && position + 1 < size ? 2 : 1;
    reached += static_cast<int>(qstring_to_text(text.mid(position, units)).size());
    position += units;
  }
  return position;
}

}  // namespace vantelo::ui

#pragma once
// Text measured and outlined by Qt with the labels' font.
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <map>
#include <tuple>

#include "draw/text_shaper.h"

// The family of the labels' font (DejaVu Sans Bold from fonts-dejavu-core), loaded once;
// the default family when the font file is missing.
QString LabelFontFamily();

QFont FontOf(const QString& family, const TextStyle& style);

class QtTextShaper : public TextShaper {
 public:
  explicit QtTextShaper(QString family = LabelFontFamily()) : family_(std::move(family)) {}
  TextExtent Measure(std::string_view text, const TextStyle& style) override;
  TextOutline Outline(std::string_view text, const TextStyle& style, DrawPoint inkTopLeft) override;

 private:
  struct Glyph {
    QPainterPath path;
    QRectF box;
  };
  // A font (family, weight, style) and a glyph of it.
  using GlyphKey = std::tuple<QString, int, int, quint32>;

  // Lays `text` out at the outlines' size and calls `each(glyph, where)` for each glyph.
  template <class Each>
  void ForEachGlyph(std::string_view text, TextWeight weight, const Each& each);

  QString family_;
  std::map<GlyphKey, Glyph> glyphs_;
};

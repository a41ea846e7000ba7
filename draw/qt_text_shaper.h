#pragma once
// Text measured and outlined by Qt with the labels' font.
#include <QFont>
#include <QString>

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
  QString family_;
};

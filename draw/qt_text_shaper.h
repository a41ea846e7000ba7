#pragma once
// Text measured and rendered by Qt with the labels' font, into masks the size of the label.
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
  TextMask Render(std::string_view text, const TextStyle& style, double haloWidth,
                  DrawPoint inkTopLeft) override;

 private:
  QString family_;
};

#include "stationmap/qt_label_measure.h"

#include <QFontMetricsF>
#include <map>
#include <memory>

#include "draw/qt_text_shaper.h"

QuickMeasure QuickLabelMeasure() {
  auto metrics = std::make_shared<std::map<int, QFontMetricsF>>();
  return [metrics](std::string_view text, const TextStyle& style) {
    const int key = style.pixelSize * 2 + (style.weight == TextWeight::Bold ? 1 : 0);
    auto found = metrics->find(key);
    if (found == metrics->end())
      found = metrics->emplace(key, QFontMetricsF(FontOf(LabelFontFamily(), style))).first;
    const QRectF box =
        found->second.tightBoundingRect(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return TextExtent{box.left(), box.top(), box.width(), box.height()};
  };
}

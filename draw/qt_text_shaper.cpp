#include "draw/qt_text_shaper.h"

#include <QFontDatabase>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// Far above a 16384-pixel map's labels; outlines of text any larger would be work for nothing.
constexpr int kLargestPixelSize = 4096;

QPainterPath TextPath(const QString& family, std::string_view text, const TextStyle& style) {
  QPainterPath path;
  path.addText(0, 0, FontOf(family, style),
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  return path;
}

}  // namespace

QString LabelFontFamily() {
  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont(kFontFile);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.front();
  }();
  return family;
}

QFont FontOf(const QString& family, const TextStyle& style) {
  QFont font(family);
  font.setPixelSize(std::clamp(style.pixelSize, 1, kLargestPixelSize));
  font.setBold(style.weight == TextWeight::Bold);
  // The glyphs' own outlines, not fitted to a grid of pixels they are not drawn on.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

TextExtent QtTextShaper::Measure(std::string_view text, const TextStyle& style) {
  const QRectF box = TextPath(family_, text, style).boundingRect();
  return {box.left(), box.top(), box.width(), box.height()};
}

TextOutline QtTextShaper::Outline(std::string_view text, const TextStyle& style, DrawPoint inkTopLeft) {
  QPainterPath path = TextPath(family_, text, style);
  const QRectF box = path.boundingRect();
  path.translate(inkTopLeft.x - box.left(), inkTopLeft.y - box.top());
  TextOutline outline;
  for (const QPolygonF& polygon : path.toSubpathPolygons()) {
    std::vector<DrawPoint>& ring = outline.emplace_back();
    ring.reserve(static_cast<std::size_t>(polygon.size()));
    for (const QPointF& point : polygon) ring.push_back({point.x(), point.y()});
  }
  return outline;
}

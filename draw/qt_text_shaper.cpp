#include "draw/qt_text_shaper.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QTransform>
#include <algorithm>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// Far above a 16384-pixel map's labels; outlines of text any larger would be work for nothing.
constexpr int kLargestPixelSize = 4096;

// Text is laid out at one size and scaled to each, and each glyph's outline is taken from the
// font once: Qt takes outlines through the font's hinting program, which for every glyph of
// every label made the labels cost more than the rest of a map.
constexpr int kOutlinePixels = 2048;

double ScaleOf(const TextStyle& style) {
  return std::clamp(style.pixelSize, 1, kLargestPixelSize) / static_cast<double>(kOutlinePixels);
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

template <class Each>
void QtTextShaper::ForEachGlyph(std::string_view text, TextWeight weight, const Each& each) {
  QTextLayout layout(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                     FontOf(family_, {kOutlinePixels, weight}));
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return;
  // Positions from the line's top, made to stand on the baseline.
  const double baseline = line.ascent();
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype k = 0; k < indexes.size() && k < positions.size(); ++k) {
      const GlyphKey key{font.familyName(), font.weight(), font.style(), indexes[k]};
      auto found = glyphs_.find(key);
      if (found == glyphs_.end()) {
        QPainterPath path = font.pathForGlyph(indexes[k]);
        const QRectF box = path.boundingRect();
        found = glyphs_.emplace(key, Glyph{std::move(path), box}).first;
      }
      each(found->second, QPointF(positions[k].x(), positions[k].y() - baseline));
    }
  }
}

TextExtent QtTextShaper::Measure(std::string_view text, const TextStyle& style) {
  QRectF box;
  ForEachGlyph(text, style.weight, [&](const Glyph& glyph, QPointF at) {
    if (!glyph.box.isNull()) box = box.united(glyph.box.translated(at));
  });
  const double scale = ScaleOf(style);
  return {box.left() * scale, box.top() * scale, box.width() * scale, box.height() * scale};
}

TextOutline QtTextShaper::Outline(std::string_view text, const TextStyle& style, DrawPoint inkTopLeft) {
  QPainterPath path;
  ForEachGlyph(text, style.weight,
               [&](const Glyph& glyph, QPointF at) { path.addPath(glyph.path.translated(at)); });
  const double scale = ScaleOf(style);
  const QRectF box = path.boundingRect();
  // The ink box's corner at `inkTopLeft`, at the style's size.
  const QTransform place(scale, 0, 0, scale, inkTopLeft.x - box.left() * scale,
                         inkTopLeft.y - box.top() * scale);
  TextOutline outline;
  for (const QPolygonF& polygon : path.toSubpathPolygons(place)) {
    std::vector<DrawPoint>& ring = outline.emplace_back();
    ring.reserve(static_cast<std::size_t>(polygon.size()));
    for (const QPointF& point : polygon) ring.push_back({point.x(), point.y()});
  }
  return outline;
}

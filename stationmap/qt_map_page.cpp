#include "stationmap/qt_map_page.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include "draw/qt_text_shaper.h"
#include "draw/qt_vector_painter.h"

namespace {

// Device units per point: a PDF is laid out at 720 units to the inch, an SVG in CSS pixels.
constexpr double kPdfUnitsPerPoint = 10;
constexpr double kSvgUnitsPerPoint = 96.0 / 72;

// Qt's PDF writer keeps only opaque strokes as strokes: a translucent line or halo becomes an
// outline of its own, which for a poster's coasts and borders made pages of tens of megabytes
// and seconds of work. On a PDF page lines and halos are therefore drawn opaque.
DrawList WithOpaqueStrokes(DrawList list) {
  for (DrawItem& item : list.items) {
    if (auto* lines = std::get_if<LineBatch>(&item)) {
      lines->style.colour.a = 255;
      if (lines->style.halo.alpha > 0) lines->style.halo.alpha = 255;
    } else if (auto* labels = std::get_if<LabelBatch>(&item)) {
      if (labels->halo.alpha > 0) labels->halo.alpha = 255;
    }
  }
  return list;
}

void PaintPage(QPainter& painter, const VectorMapPage& page, double unitsPerPoint, bool pdf) {
  const PageLayout& layout = page.layout;
  painter.fillRect(QRectF(0, 0, layout.widthPt * unitsPerPoint, layout.heightPt * unitsPerPoint), Qt::white);
  const QRectF map(layout.mapLeftPt * unitsPerPoint, layout.mapTopPt * unitsPerPoint,
                   layout.mapSidePt * unitsPerPoint, layout.mapSidePt * unitsPerPoint);
  painter.drawImage(map, page.picture);
  const double scale = map.width() / layout.pictureSize;
  const QString family = LabelFontFamily();
  painter.save();
  painter.setClipRect(map);
  painter.translate(map.topLeft());
  if (pdf) {
    PaintVector(painter, WithOpaqueStrokes(page.overlays), family, scale);
  } else {
    PaintVector(painter, page.overlays, family, scale);
  }
  painter.restore();
  if (!page.titleBlock.items.empty()) {
    painter.save();
    // Under the map's left edge, or a gap in from the page's edge when the map fills the page.
    const double inset = layout.mapLeftPt > 0 ? 0 : kTitleGapPt;
    painter.translate(map.left() + inset * unitsPerPoint, (layout.titleTopPt + kTitleGapPt) * unitsPerPoint);
    PaintVector(painter, page.titleBlock, family, scale);
    painter.restore();
  }
}

// Qt gives an SVG's size in millimetres to a thousandth, which viewers round up to a pixel
// more than the map has: it is given in pixels instead.
QByteArray WithSizeInPixels(QByteArray svg, const QSizeF& size) {
  static const QRegularExpression millimetres(R"(<svg width="[0-9.]+mm" height="[0-9.]+mm")");
  const QString head = QString::fromUtf8(svg.left(512));
  const QRegularExpressionMatch match = millimetres.match(head);
  if (!match.hasMatch()) return svg;
  const QString pixels =
      QString("<svg width=\"%1\" height=\"%2\"")
          .arg(QString::number(size.width(), 'f', 3), QString::number(size.height(), 'f', 3));
  return svg.replace(match.capturedStart(), match.capturedLength(), pixels.toUtf8());
}

}  // namespace

bool PaintVectorMap(const VectorMapPage& page, std::string& bytes, std::string& problem) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  const PageLayout& layout = page.layout;
  bool painted = false;
  if (page.kind == MapPictureKind::Pdf) {
    QPdfWriter writer(&buffer);
    writer.setResolution(static_cast<int>(72 * kPdfUnitsPerPoint));
    writer.setPageSize(QPageSize(QSizeF(layout.widthPt, layout.heightPt), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QString::fromStdString(page.title));
    writer.setCreator("skerrowen-map");
    QPainter painter;
    if (painter.begin(&writer)) {
      PaintPage(painter, page, kPdfUnitsPerPoint, true);
      painted = painter.end();
    }
  } else {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    const QSizeF size(layout.widthPt * kSvgUnitsPerPoint, layout.heightPt * kSvgUnitsPerPoint);
    generator.setSize(size.toSize());
    generator.setViewBox(QRectF(QPointF(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(QString::fromStdString(page.title));
    QPainter painter;
    if (painter.begin(&generator)) {
      PaintPage(painter, page, kSvgUnitsPerPoint, false);
      painted = painter.end();
    }
  }
  if (!painted) {
    problem = "the page could not be drawn";
    return false;
  }
  QByteArray data = buffer.data();
  if (page.kind == MapPictureKind::Svg) {
    data = WithSizeInPixels(std::move(data),
                            QSizeF(layout.widthPt * kSvgUnitsPerPoint, layout.heightPt * kSvgUnitsPerPoint));
  }
  bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
  return true;
}

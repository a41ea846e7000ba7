#include "stationmap/qt_overlay_painter.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

QPolygonF Polygon(const std::vector<PixelPoint>& points) {
  QPolygonF polygon;
  polygon.reserve(static_cast<int>(points.size()));
  for (const PixelPoint& p : points) polygon << QPointF(p.x, p.y);
  return polygon;
}

class Marker {
 public:
  Marker(QPainter& painter, double width, double size) : painter_(painter), width_(width), size_(size) {}

  void Lines(const std::vector<std::vector<PixelPoint>>& lines, QColor colour, double width,
             Qt::PenStyle style = Qt::SolidLine) {
    for (const bool halo : {true, false}) {
      QPen pen(halo ? QColor(0, 0, 0, 110) : colour, width_ * (halo ? width + 1.5 : width), style,
               Qt::RoundCap, Qt::RoundJoin);
      painter_.setPen(pen);
      for (const auto& line : lines) painter_.drawPolyline(Polygon(line));
    }
  }

  void Rings(const std::vector<RangeRing>& rings, PixelPoint centre, QColor colour) {
    for (const bool halo : {true, false}) {
      painter_.setPen(QPen(halo ? QColor(0, 0, 0, 110) : colour, width_ * (halo ? 2.7 : 1.2)));
      painter_.setBrush(Qt::NoBrush);
      for (const RangeRing& ring : rings)
        painter_.drawEllipse(QPointF(centre.x, centre.y), ring.radiusPx, ring.radiusPx);
    }
  }

  void Dot(PixelPoint at, QColor colour, double radius) {
    painter_.setPen(QPen(Qt::black, width_));
    painter_.setBrush(colour);
    painter_.drawEllipse(QPointF(at.x, at.y), radius * width_, radius * width_);
  }

  void Label(const MapLabel& label, const QFont& font, QColor colour) {
    if (label.text.empty()) return;
    QPainterPath path;
    path.addText(0, 0, font, QString::fromStdString(label.text));
    const QRectF box = path.boundingRect();
    // Centred on its place, but whole within the picture.
    const double margin = font.pixelSize() / 4.0;
    const double left = std::clamp(label.at.x - box.width() / 2, margin, size_ - margin - box.width());
    const double top = std::clamp(label.at.y - box.height() / 2, margin, size_ - margin - box.height());
    path.translate(left - box.left(), top - box.top());
    painter_.strokePath(
        path, QPen(QColor(0, 0, 0, 230), font.pixelSize() / 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter_.fillPath(path, colour);
  }

 private:
  QPainter& painter_;
  double width_;
  double size_;
};

}  // namespace

double LabelPixels(int size) { return std::max(11.0, size / 48.0); }

QString LabelFontFamily() {
  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont(kFontFile);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.front();
  }();
  return family;
}

void PaintOverlays(QImage& image, bool upsideDown, const OverlayPlan& plan, const QString& fontFamily) {
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  if (upsideDown) {
    painter.translate(0, image.height());
    painter.scale(1, -1);
  }
  const double width = std::max(1.0, plan.size / 600.0);
  QFont font(fontFamily);
  font.setPixelSize(static_cast<int>(LabelPixels(static_cast<int>(plan.size))));
  font.setBold(true);
  Marker marker(painter, width, plan.size);

  const QColor gridColour(190, 215, 255, 170), ringColour(255, 214, 0), spokeColour(255, 255, 255, 210),
      pathColour(255, 70, 70), labelColour(255, 255, 255);
  marker.Lines(plan.grid, gridColour, 0.8);
  marker.Lines(plan.spokes, spokeColour, 1.0);
  marker.Rings(plan.rings, plan.centre, ringColour);
  if (plan.target) {
    marker.Lines(plan.target->longPath, pathColour, 1.4, Qt::DashLine);
    marker.Lines({plan.target->shortPath}, pathColour, 2.2);
    marker.Dot(plan.target->place, pathColour, 3.5);
  }
  if (!plan.rings.empty() || !plan.spokes.empty() || plan.target) marker.Dot(plan.centre, labelColour, 3);
  for (const RangeRing& ring : plan.rings) marker.Label(ring.label, font, ringColour);
  for (const MapLabel& label : plan.spokeLabels) marker.Label(label, font, labelColour);
  if (plan.target) marker.Label(plan.target->label, font, QColor(255, 150, 150));
}

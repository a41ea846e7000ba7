#include "draw/qt_vector_painter.h"

#include <QPainterPath>
#include <cmath>

#include "draw/qt_text_shaper.h"

namespace {

QColor ColourOf(DrawColour colour) { return QColor(colour.r, colour.g, colour.b, colour.a); }

bool Finite(const DrawPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Points that are no numbers break a line, as they do in pixels.
void AddLine(QPainterPath& path, const std::vector<DrawPoint>& points, bool closed) {
  bool drawing = false, broken = false;
  for (const DrawPoint& p : points) {
    if (!Finite(p)) {
      drawing = false;
      broken = true;
    } else if (drawing) {
      path.lineTo(p.x, p.y);
    } else {
      path.moveTo(p.x, p.y);
      drawing = true;
    }
  }
  if (closed && !broken && points.size() > 2) path.closeSubpath();
}

QPen LinePen(QColor colour, double width, const std::vector<double>& dash) {
  QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  if (dash.size() >= 2 && width > 0) {
    // Qt counts dashes in pen widths.
    QList<qreal> pattern;
    for (const double length : dash) pattern << length / width;
    pen.setDashPattern(pattern);
  }
  return pen;
}

class VectorItemPainter {
 public:
  VectorItemPainter(QPainter& painter, const QString& family) : painter_(painter), family_(family) {}

  void operator()(const LineBatch& batch) {
    QPainterPath path;
    for (const Polyline& line : batch.lines) AddLine(path, line.points, line.closed);
    painter_.setBrush(Qt::NoBrush);
    const LineStyle& style = batch.style;
    if (style.halo.alpha > 0 && style.halo.width > 0) {
      painter_.setPen(LinePen(QColor(0, 0, 0, style.halo.alpha), style.halo.width, style.dash));
      painter_.drawPath(path);
    }
    if (style.width > 0) {
      painter_.setPen(LinePen(ColourOf(style.colour), style.width, style.dash));
      painter_.drawPath(path);
    }
  }

  void operator()(const FillBatch& batch) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const auto& ring : batch.rings) AddLine(path, ring, true);
    painter_.fillPath(path, ColourOf(batch.colour));
  }

  void operator()(const DotBatch& batch) {
    const DotStyle& style = batch.style;
    painter_.setBrush(ColourOf(style.fill));
    painter_.setPen(style.outlineWidth > 0 ? QPen(ColourOf(style.outline), style.outlineWidth)
                                           : QPen(Qt::NoPen));
    for (const DrawPoint& centre : batch.centres) {
      if (Finite(centre)) painter_.drawEllipse(QPointF(centre.x, centre.y), style.radius, style.radius);
    }
  }

  void operator()(const LabelBatch& batch) {
    const QFont font = FontOf(family_, batch.text);
    QtTextShaper shaper(family_);
    painter_.setFont(font);
    for (const Label& label : batch.labels) {
      if (label.text.empty() || !Finite(label.at)) continue;
      const TextExtent extent = shaper.Measure(label.text, batch.text);
      const InkBox box = InkBoxOf(label, extent);
      const QPointF origin(box.left - extent.left, box.top - extent.top);
      const QString text = QString::fromStdString(label.text);
      if (batch.halo.alpha > 0 && batch.halo.width > 0) {
        QPainterPath outline;
        outline.addText(origin, font, text);
        painter_.strokePath(outline, QPen(QColor(0, 0, 0, batch.halo.alpha), batch.halo.width, Qt::SolidLine,
                                          Qt::RoundCap, Qt::RoundJoin));
      }
      painter_.setPen(ColourOf(batch.colour));
      painter_.drawText(origin, text);
    }
  }

 private:
  QPainter& painter_;
  const QString& family_;
};

}  // namespace

void PaintVector(QPainter& painter, const DrawList& list, const QString& fontFamily, double scale) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
  VectorItemPainter paint(painter, fontFamily);
  for (const DrawItem& item : list.items) std::visit(paint, item);
  painter.restore();
}

#include "draw/qt_text_shaper.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// Far above a 16384-pixel map's labels; a mask of text any larger would be memory for nothing.
constexpr int kLargestPixelSize = 4096;

QPainterPath TextPath(const QString& family, std::string_view text, const TextStyle& style) {
  QPainterPath path;
  path.addText(0, 0, FontOf(family, style),
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  return path;
}

std::vector<std::uint8_t> Coverage(const QImage& image) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(bytes.data() + static_cast<std::size_t>(y) * image.width(), image.constScanLine(y),
                static_cast<std::size_t>(image.width()));
  }
  return bytes;
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
  return font;
}

TextExtent QtTextShaper::Measure(std::string_view text, const TextStyle& style) {
  const QRectF box = TextPath(family_, text, style).boundingRect();
  return {box.left(), box.top(), box.width(), box.height()};
}

TextMask QtTextShaper::Render(std::string_view text, const TextStyle& style, double haloWidth,
                              DrawPoint inkTopLeft) {
  QPainterPath path = TextPath(family_, text, style);
  const QRectF box = path.boundingRect();
  const int margin = static_cast<int>(std::ceil(haloWidth / 2)) + 1;
  TextMask mask;
  mask.left = static_cast<int>(std::floor(inkTopLeft.x)) - margin;
  mask.top = static_cast<int>(std::floor(inkTopLeft.y)) - margin;
  mask.width = static_cast<int>(std::ceil(inkTopLeft.x + box.width())) + margin - mask.left;
  mask.height = static_cast<int>(std::ceil(inkTopLeft.y + box.height())) + margin - mask.top;
  path.translate(inkTopLeft.x - box.left() - mask.left, inkTopLeft.y - box.top() - mask.top);

  const auto paint = [&](const auto& draw) {
    QImage image(mask.width, mask.height, QImage::Format_Alpha8);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return Coverage(image);
  };
  mask.fill = paint([&](QPainter& painter) { painter.fillPath(path, Qt::white); });
  if (haloWidth > 0) {
    mask.halo = paint([&](QPainter& painter) {
      painter.strokePath(path, QPen(Qt::black, haloWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    });
  }
  return mask;
}

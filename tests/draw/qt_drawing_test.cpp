// The labels' text through Qt: masks that agree with their measure, so labels placed by it
// never overlap; and the vector painter's PDF and SVG, with text a reader can find.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <array>
#include <climits>
#include <memory>

#include "draw/qt_text_shaper.h"
#include "draw/qt_vector_painter.h"

namespace {

// One application for the program's tests, ended before the program's own statics are.
class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<QGuiApplication>(argc_, argv_); }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[10] = "test_draw";
  char* argv_[1] = {name_};
  std::unique_ptr<QGuiApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

// Where a mask has coverage, in picture pixels: left, top, right, bottom (exclusive).
std::array<int, 4> InkOf(const TextMask& mask, const std::vector<std::uint8_t>& coverage) {
  std::array<int, 4> ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (coverage[static_cast<std::size_t>(y) * mask.width + x] == 0) continue;
      ink = {std::min(ink[0], mask.left + x), std::min(ink[1], mask.top + y),
             std::max(ink[2], mask.left + x + 1), std::max(ink[3], mask.top + y + 1)};
    }
  }
  return ink;
}

TEST(QtText, RenderedInkStaysInTheMeasuredBoxSoLabelsSetSideBySideNeverOverlap) {
  QtTextShaper shaper;
  const TextStyle style{23, TextWeight::Bold};
  for (const char* text : {"1000 km", "FN31pr 6236 km", "270\u00b0", "W"}) {
    const TextExtent extent = shaper.Measure(text, style);
    ASSERT_GT(extent.width, 5) << text;
    ASSERT_GT(extent.height, 5) << text;
    for (const DrawPoint at : {DrawPoint{10, 20}, DrawPoint{10.3, 20.7}, DrawPoint{-4.5, 3.25}}) {
      const TextMask mask = shaper.Render(text, style, 4, at);
      const std::array<int, 4> ink = InkOf(mask, mask.fill);
      const std::array<int, 4> halo = InkOf(mask, mask.halo);
      // The box's edges fall inside the ink's outermost pixels.
      EXPECT_GE(at.x, ink[0]) << text;
      EXPECT_LT(at.x, ink[0] + 1) << text;
      EXPECT_GE(at.y, ink[1]) << text;
      EXPECT_LT(at.y, ink[1] + 1) << text;
      EXPECT_LE(at.x + extent.width, ink[2]) << text;
      EXPECT_GT(at.x + extent.width, ink[2] - 1) << text;
      EXPECT_LE(at.y + extent.height, ink[3]) << text;
      EXPECT_GT(at.y + extent.height, ink[3] - 1) << text;
      // The halo reaches about half its width beyond the ink.
      EXPECT_NEAR(halo[0], ink[0] - 2, 1) << text;
      EXPECT_NEAR(halo[3], ink[3] + 2, 1) << text;
    }
  }
}

DrawList Overlay() {
  DrawList list;
  LineBatch lines;
  lines.style = {{255, 214, 0, 255}, 4, {8, 110}, {}};
  lines.lines.push_back({{{20, 100}, {380, 100}}, false});
  list.items.emplace_back(std::move(lines));
  LabelBatch labels{{20, TextWeight::Bold}, {255, 255, 255, 255}, {4, 230}, {}};
  labels.labels.push_back({"FN31pr 6236 km", {200, 50}, LabelAnchor::Centre});
  list.items.emplace_back(std::move(labels));
  return list;
}

TEST(VectorPainter, APdfKeepsTheLabelsAsTextAndTheScaleIsTheCallers) {
  QTemporaryDir folder;
  const QString pdf = folder.filePath("map.pdf");
  {
    QPdfWriter writer(pdf);
    writer.setResolution(72);
    QPainter painter(&writer);
    PaintVector(painter, Overlay(), LabelFontFamily(), 0.5);
  }
  QProcess reader;
  reader.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(reader.waitForFinished(20000)) << "pdftotext (poppler-utils) did not run";
  EXPECT_TRUE(reader.readAllStandardOutput().contains("FN31pr 6236 km"));

  QImage image(200, 200, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    PaintVector(painter, Overlay(), LabelFontFamily(), 0.5);
  }
  EXPECT_EQ(image.pixel(100, 50), qRgb(255, 214, 0));
  EXPECT_EQ(image.pixel(100, 40), qRgb(0, 0, 0));
  if (HasFailure()) {
    QFile::copy(pdf, QString::fromStdString(::testing::TempDir()) + "draw_vector.pdf");
    image.save(QString::fromStdString(::testing::TempDir()) + "draw_vector.png");
  }
}

TEST(VectorPainter, AnSvgHasPathsForLinesAndTextForLabels) {
  QBuffer buffer;
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(400, 200));
  {
    QPainter painter(&generator);
    PaintVector(painter, Overlay(), LabelFontFamily());
  }
  const QByteArray svg = buffer.data();
  EXPECT_TRUE(svg.contains("<path") || svg.contains("<polyline")) << svg.left(2000).toStdString();
  EXPECT_TRUE(svg.contains(">FN31pr 6236 km<")) << svg.left(2000).toStdString();
}

}  // namespace

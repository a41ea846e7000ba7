// The labels' text through Qt: masks that agree with their measure, so labels placed by it
// never overlap; and the vector painter's PDF and SVG, with text a reader can find.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <utility>

#include "draw/qt_text_shaper.h"
#include "draw/qt_vector_painter.h"
#include "draw/raster_painter.h"
#include "tests/draw/canvas.h"

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

// Where the red channel differs from the canvas's ground, in pixels: left, top, right, bottom (exclusive).
std::array<int, 4> InkOf(const TestCanvas& canvas, int ground) {
  std::array<int, 4> ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      if (canvas.Red(x, y) == ground) continue;
      ink = {std::min(ink[0], x), std::min(ink[1], y), std::max(ink[2], x + 1), std::max(ink[3], y + 1)};
    }
  }
  return ink;
}

TEST(QtText, PaintedInkStaysInTheMeasuredBoxSoLabelsSetSideBySideNeverOverlap) {
  QtTextShaper shaper;
  const TextStyle style{23, TextWeight::Bold};
  for (const char* text : {"1000 km", "FN31pr 6236 km", "270\u00b0", "W"}) {
    const TextExtent extent = shaper.Measure(text, style);
    ASSERT_GT(extent.width, 5) << text;
    ASSERT_GT(extent.height, 5) << text;
    for (const DrawPoint at : {DrawPoint{10, 20}, DrawPoint{10.3, 20.7}, DrawPoint{-4.5, 3.25}}) {
      TestCanvas ink(260, 60), halo(260, 60);
      const Label label{text, at, LabelAnchor::TopLeft};
      PaintRaster({{LabelBatch{style, {255, 255, 255, 255}, {}, {label}}}}, ink.Target(), {1, &shaper});
      PaintRaster({{LabelBatch{style, {255, 255, 255, 255}, {4, 255}, {label}}}}, halo.Target(),
                  {1, &shaper});
      const std::array<int, 4> inked = InkOf(ink, 0);
      // The box's edges fall inside the ink's outermost pixels.
      EXPECT_EQ(inked[0], std::max(0, static_cast<int>(std::floor(at.x)))) << text;
      EXPECT_EQ(inked[1], static_cast<int>(std::floor(at.y))) << text;
      EXPECT_EQ(inked[2], static_cast<int>(std::ceil(at.x + extent.width))) << text;
      EXPECT_EQ(inked[3], static_cast<int>(std::ceil(at.y + extent.height))) << text;
      // The halo, black under white ink, reaches about half its width beyond the ink.
      std::array<int, 4> darkened{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
      TestCanvas grey(260, 60, 100);
      PaintRaster({{LabelBatch{style, {255, 255, 255, 255}, {4, 255}, {label}}}}, grey.Target(),
                  {1, &shaper});
      for (int y = 0; y < grey.height; ++y) {
        for (int x = 0; x < grey.width; ++x) {
          if (grey.Red(x, y) >= 100) continue;
          darkened = {std::min(darkened[0], x), std::min(darkened[1], y), std::max(darkened[2], x + 1),
                      std::max(darkened[3], y + 1)};
        }
      }
      EXPECT_NEAR(darkened[1], inked[1] - 2, 1) << text;
      EXPECT_NEAR(darkened[3], inked[3] + 2, 1) << text;
      if (at.x > 0) {
        EXPECT_NEAR(darkened[0], inked[0] - 2, 1) << text;
      }
      ink.KeepIfFailed("label_ink");
      grey.KeepIfFailed("label_halo");
    }
  }
}

// Text is laid out once at one size and scaled, glyph by glyph from outlines kept: its ink
// lands where Qt's own text path at the size puts it, for right-to-left text, a fallback
// font's glyphs and letters met again, and the outline fills the measured box exactly.
TEST(QtText, OutlinesAgreeWithQtsOwnTextAtEverySize) {
  QtTextShaper shaper;
  // A fallback font without a bold face is made bold by Qt at each size, so there only the
  // outline is held to the measure.
  const std::pair<const char*, bool> texts[] = {{"Tel Aviv \u05EA\u05DC \u05D0\u05D1\u05D9\u05D1", true},
                                                {"4X4X 4X", true},
                                                {"270\u00b0 1000 km", true},
                                                {"JA1 \u6771\u4EAC", false}};
  for (const auto& [text, likeQt] : texts) {
    for (const int size : {11, 23, 65}) {
      for (const TextWeight weight : {TextWeight::Bold, TextWeight::Normal}) {
        const TextStyle style{size, weight};
        const TextExtent measured = shaper.Measure(text, style);
        if (likeQt) {
          QPainterPath own;
          own.addText(0, 0, FontOf(LabelFontFamily(), style), QString::fromUtf8(text));
          const QRectF expected = own.boundingRect();
          const double near = std::max(0.3, 0.01 * size);
          EXPECT_NEAR(measured.left, expected.left(), near) << text << " " << size;
          EXPECT_NEAR(measured.top, expected.top(), near) << text << " " << size;
          EXPECT_NEAR(measured.width, expected.width(), 2 * near) << text << " " << size;
          EXPECT_NEAR(measured.height, expected.height(), 2 * near) << text << " " << size;
        }
        double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
        for (const auto& ring : shaper.Outline(text, style, {10.25, 20.5})) {
          for (const DrawPoint& p : ring) {
            left = std::min(left, p.x), top = std::min(top, p.y);
            right = std::max(right, p.x), bottom = std::max(bottom, p.y);
          }
        }
        EXPECT_NEAR(left, 10.25, 0.05) << text;
        EXPECT_NEAR(top, 20.5, 0.05) << text;
        EXPECT_NEAR(right, 10.25 + measured.width, 0.05) << text;
        EXPECT_NEAR(bottom, 20.5 + measured.height, 0.05) << text;
      }
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

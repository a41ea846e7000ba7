// PDF and SVG station maps read back by the viewers' own tools: the page's size (pdfinfo),
// the texts (pdftotext), the one embedded picture and its resolution (pdfimages), the SVG
// well-formed (xmllint) and drawn by librsvg like the PNG of the same map; and the station
// table stored with the map.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "base/uniform_random.h"
#include "draw/qt_text_shaper.h"
#include "render/scratch_folder.h"
#include "stationmap/label_layout.h"
#include "stationmap/map_page.h"
#include "stationmap/overlay_drawing.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/qt_label_measure.h"
#include "stationmap/station_map.h"

namespace {

struct Gui {
  Gui() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int argc = 1;
  char name[5] = "test";
  char* argv[1] = {name};
  QGuiApplication application{argc, argv};
};

// The tool's standard output, or what went wrong.
QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0)
    return "FAILED " + program + ": " + process.readAllStandardError();
  return QString::fromUtf8(process.readAllStandardOutput());
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

StationMapRequest Poster(const ScratchFolder& folder, const std::string& name) {
  StationMapRequest request;
  request.centre = {52.5, 13.4};
  request.radiusKm = 6000;
  request.size = 512;
  request.imagePath = SKERROWEN_EARTH_PICTURE;
  request.outPath = folder.PathOf(name);
  request.ringsKm = 2000;
  return request;
}

TEST(VectorMaps, AnA3PdfHasTheMapOnceAtItsDpiAndEveryTextAsText) {
  Gui gui;
  ScratchFolder folder;
  StationMapRequest request = Poster(folder, "poster.pdf");
  request.page = MapPage::A3;
  request.dpi = 100;
  request.title = "DL1ABC  JO62qm";
  request.beam = MapBeam{45, 60};
  request.greylineFanYear = 2026;
  request.targets = {{{40.7, -74.0}, "K2NY", "", 1}, {{32.1, 34.8}, "4X1TLV", "", 2}};
  request.tablePath = folder.PathOf("poster.csv");
  const StationMapResult result = MakeStationMap(request);
  ASSERT_TRUE(result.ok) << (result.problem ? result.problem->why : "");
  const QString pdf = QString::fromStdString(result.picturePath);
  EXPECT_TRUE(std::filesystem::is_regular_file(result.sidePath));
  EXPECT_NE(ReadWhole(request.tablePath).find("4X1TLV"), std::string::npos);
  ASSERT_EQ(result.stationLines.size(), 2u);

  EXPECT_TRUE(
      RunTool("pdfinfo", {pdf}).contains(QRegularExpression("Page size:\\s+842 x 1191 pts \\(A3\\)")));
  const QString text = RunTool("pdftotext", {pdf, "-"});
  for (const char* expected : {"DL1ABC", "K2NY", "4X1TLV", "Beam 45", "March rise", "2000 km",
                               "Radius 6000 km", "NASA Blue Marble"}) {
    EXPECT_TRUE(text.contains(expected)) << expected;
  }
  // The map is 277 mm wide (the page less its margins) at 100 dots per inch.
  const int pixels = static_cast<int>(std::lround((297 - 20) / 25.4 * 100));
  EXPECT_EQ(result.pictureSize, pixels);
  const QStringList images = RunTool("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(images.size(), 3) << images.join('\n').toStdString();  // two heading lines, one picture
  const QStringList fields = images[2].simplified().split(' ');
  EXPECT_EQ(fields[3].toInt(), pixels);
  EXPECT_EQ(fields[4].toInt(), pixels);
  EXPECT_NEAR(fields[12].toDouble(), 100, 1);
  if (HasFailure()) std::filesystem::copy_file(result.picturePath, ::testing::TempDir() + "poster.pdf");
}

TEST(VectorMaps, AnSvgIsTheSizeOfThePngAndLibrsvgDrawsTheSameMap) {
  Gui gui;
  ScratchFolder folder;
  StationMapRequest request = Poster(folder, "map.svg");
  request.targets = {{{40.7, -74.0}, "K2NY", "", 1}};
  ASSERT_TRUE(MakeStationMap(request).ok);
  // Another stem: "map.png" would take the SVG's side file.
  request.outPath = folder.PathOf("twin.png");
  ASSERT_TRUE(MakeStationMap(request).ok);
  const QString svg = QString::fromStdString(folder.PathOf("map.svg"));
  EXPECT_FALSE(RunTool("xmllint", {"--noout", svg}).startsWith("FAILED"));
  const QString drawn = QString::fromStdString(folder.PathOf("drawn.png"));
  ASSERT_FALSE(RunTool("rsvg-convert", {"-o", drawn, svg}).startsWith("FAILED"));
  const QImage fromSvg = QImage(drawn).convertToFormat(QImage::Format_RGB32);
  const QImage png = QImage(QString::fromStdString(request.outPath)).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(fromSvg.size(), QSize(512, 512));
  EXPECT_EQ(png.size(), QSize(512, 512));
  double difference = 0;
  if (fromSvg.size() != png.size()) difference = 1e9;
  for (int y = 0; y < 512 && difference < 1e9; ++y) {
    for (int x = 0; x < 512 && fromSvg.size() == png.size(); ++x) {
      const QRgb a = fromSvg.pixel(x, y), b = png.pixel(x, y);
      difference +=
          std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    }
  }
  // Antialiasing differs along the lines; the Earth beneath is the same.
  EXPECT_LT(difference / (512.0 * 512 * 3), 4);
  if (HasFailure()) {
    std::filesystem::copy_file(svg.toStdString(), ::testing::TempDir() + "map.svg");
    std::filesystem::copy_file(request.outPath, ::testing::TempDir() + "map.png");
  }
}

TEST(VectorMaps, ARefusedPageLeavesNoFile) {
  Gui gui;
  ScratchFolder folder;
  StationMapRequest request = Poster(folder, "map.svg");
  request.page = MapPage::A4;
  const StationMapResult result = MakeStationMap(request);
  EXPECT_FALSE(result.ok);
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->field, StationMapField::Page) << result.problem->why;
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace

namespace {

// The quick measure only spares work: a crowded log's labels are laid out exactly as when
// every one is measured.
TEST(LabelLayout, TheQuickMeasureLeavesOutNoLabelThatFits) {
  Gui gui;
  QtTextShaper text;
  LabelLayout measured(text, 1200, 4), quick(text, 1200, 4, QuickLabelMeasure());
  UniformRandom random(19);
  int placed = 0;
  for (int k = 0; k < 3000; ++k) {
    const std::string label = (k % 3 ? "X" : "JA") + std::to_string(k * 7919 % 100000) + (k % 5 ? "" : "/P");
    const PixelPoint at{random.Next() * 1200, random.Next() * 1200};
    const TextStyle style{k % 2 ? 12 : 17, k % 7 ? TextWeight::Normal : TextWeight::Bold};
    const auto a = measured.Place(label, at, style, 3, k % 4 == 0);
    const auto b = quick.Place(label, at, style, 3, k % 4 == 0);
    ASSERT_EQ(a.has_value(), b.has_value()) << label;
    if (!a) continue;
    ++placed;
    EXPECT_EQ(a->at.x, b->at.x);
    EXPECT_EQ(a->at.y, b->at.y);
  }
  EXPECT_GT(placed, 300);
}

}  // namespace

namespace {

// Months whose lines nearly coincide still get their labels, moved along the line.
TEST(GreylineFanLabels, NearlyEveryMonthIsLabelledOnAWholeEarthMap) {
  Gui gui;
  StationMapRequest request;
  request.centre = {60.5, 25.0};
  request.radiusKm = 20038;
  request.size = 1200;
  request.greylineFanYear = 2026;
  QtTextShaper text;
  const DrawList list = OverlayDrawList(PlanOverlays(request, LabelPixels(1200) * 1.2), text);
  std::set<std::string> labelled;
  for (const DrawItem& item : list.items) {
    if (const auto* batch = std::get_if<LabelBatch>(&item)) {
      for (const Label& label : batch->labels) labelled.insert(label.text);
    }
  }
  EXPECT_GE(labelled.size(), 21u);
  EXPECT_TRUE(labelled.count("March set") && labelled.count("September set"));
}

}  // namespace

namespace {

// A poster's labels keep a wider gap than a screen map's; a station's label must still clear
// its own dot by it.
TEST(StationLabels, EachLoneStationIsLabelledOnSmallMapsAndPosters) {
  Gui gui;
  QtTextShaper text;
  for (const int size : {400, 3272, 9000}) {
    StationMapRequest request;
    request.centre = {52.5, 13.4};
    request.radiusKm = 20038;
    request.size = size;
    request.targets = {{{41.7, -72.7}, "W1AW Newington", "", 1}, {{-33.9, 151.2}, "VK2 Sydney", "", 2}};
    const DrawList list = OverlayDrawList(PlanOverlays(request, LabelPixels(size) * 1.2), text);
    std::set<std::string> labelled;
    for (const DrawItem& item : list.items) {
      if (const auto* batch = std::get_if<LabelBatch>(&item)) {
        for (const Label& label : batch->labels) labelled.insert(label.text);
      }
    }
    EXPECT_EQ(labelled, (std::set<std::string>{"W1AW Newington", "VK2 Sydney"})) << size;
  }
}

}  // namespace

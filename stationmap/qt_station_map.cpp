#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <numbers>
#include <optional>
#include <vector>

#include "base/memory_policy.h"
#include "base/posix_file_store.h"
#include "draw/qt_text_shaper.h"
#include "draw/raster_painter.h"
#include "geo/map_sampler.h"
#include "geo/sun.h"
#include "geodata/station_table.h"
#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/map_encoding.h"
#include "imagecodec/qt_picture_decoder.h"
#include "mapout/map_files.h"
#include "stationmap/country_data.h"
#include "stationmap/map_file_checks.h"
#include "stationmap/map_picture_file.h"
#include "stationmap/overlay_drawing.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/qt_label_measure.h"
#include "stationmap/qt_map_page.h"
#include "stationmap/station_layers.h"
#include "stationmap/station_map.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double MillisecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// An equirectangular picture as 0xffRRGGBB pixels, or why it cannot be read: only
// the rows a map around `centre` of `radiusKm` needs, at a smaller scale when the picture
// holds far more than `mapSize` pixels can show. `picture` tells which rows; `image` owns them.
std::string LoadEarthPicture(const std::string& path, const DecodedPictureCache& cache, QImage& image,
                             EarthPicture& picture, const GeoPoint& centre, double radiusKm, int mapSize) {
  EarthPictureReader reader(OpenQtPictureDecoder, &cache);
  DecodedPicture decoded;
  if (reader.Open(path)) {
    const PictureRows rows = PictureRowsNeeded(centre, radiusKm, reader.Height());
    const double mapPixelsPerTurn = 2 * std::numbers::pi * kEarthRadiusKm / (2 * radiusKm / mapSize);
    reader.Decode({rows.first, rows.count, mapPixelsPerTurn}, decoded);
  }
  const PictureProblem& problem = reader.Problem();
  const std::string at = Quoted(path);
  const std::string size = std::to_string(problem.width) + " x " + std::to_string(problem.height) + " pixels";
  const std::string detail = problem.detail.empty() ? "" : " (" + problem.detail + ")";
  switch (problem.fault) {
    case PictureFault::None:
      break;
    case PictureFault::Missing:
      return at + " does not exist";
    case PictureFault::Folder:
      return at + " is a folder, not a picture";
    case PictureFault::NotRegularFile:
      return at + " is not a regular file";
    case PictureFault::NoPermission:
      return at + " cannot be read (permission denied)";
    case PictureFault::LinkLoop:
      return at + " cannot be read: its links lead round in a loop";
    case PictureFault::Unreadable:
      return at + " cannot be read" + detail;
    case PictureFault::NotAPicture:
      return at + " is not a picture this program can read";
    case PictureFault::NotTwoToOne:
      return at + " is " + size + "; an Earth picture is twice as wide as high (2:1)";
    case PictureFault::CutShort:
      return at + " cannot be read: the file ends before its picture does";
    case PictureFault::Damaged:
      return at + " cannot be read: its picture data are damaged" + detail;
    case PictureFault::TooLarge:
      return at + " cannot be read: the " + size + " this map needs are too many";
    case PictureFault::OutOfMemory:
      return at + " cannot be read: not enough memory";
  }
  // The picture's memory goes when the last QImage sharing it does.
  auto* keep = new std::shared_ptr<const void>(std::move(decoded.keep));
  image = QImage(
      reinterpret_cast<const uchar*>(decoded.pixels), decoded.width, decoded.rowCount,
      static_cast<qsizetype>(decoded.width) * 4, QImage::Format_RGB32,
      [](void* kept) { delete static_cast<std::shared_ptr<const void>*>(kept); }, keep);
  if (image.isNull()) {
    delete keep;
    return at + " cannot be read: not enough memory";
  }
  picture = {reinterpret_cast<const std::uint32_t*>(image.constBits()), decoded.width, decoded.rowCount,
             decoded.firstRow, decoded.fullHeight};
  return {};
}

// The overlays as the map needs them: a page's plan, or a picture's marks made ready to paint.
struct MapOverlays {
  OverlayPlan plan;
  PreparedDrawing raster;
};

// The labels' font is found and loaded (a few milliseconds of fontconfig) only for a map
// that has labels. Without a GUI application there are no fonts: text then measures nothing
// and is left out, where Qt would end the process.
class LazyTextShaper : public TextShaper {
 public:
  TextExtent Measure(std::string_view text, const TextStyle& style) override {
    QtTextShaper* shaper = Made();
    return shaper != nullptr ? shaper->Measure(text, style) : TextExtent{};
  }
  TextOutline Outline(std::string_view text, const TextStyle& style, DrawPoint inkTopLeft) override {
    QtTextShaper* shaper = Made();
    return shaper != nullptr ? shaper->Outline(text, style, inkTopLeft) : TextOutline{};
  }

 private:
  QtTextShaper* Made() {
    if (!made_ && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) made_.emplace();
    return made_ ? &*made_ : nullptr;
  }
  std::optional<QtTextShaper> made_;
};

// The encoded picture file, or why not. `progress` gets the share done and answers false
// to stop, which `stopped` then tells.
std::string EncodeCompressed(const QImage& image, MapPictureKind kind, std::string& bytes,
                             const std::function<bool(double)>& progress, bool& stopped) {
  const RgbRows rows{image.constBits(), image.bytesPerLine(), image.width(), image.height(), false};
  EncodeOptions options;
  options.progress = progress;
  EncodeProblem problem;
  if (kind == MapPictureKind::Png ? EncodePng(rows, options, bytes, problem)
                                  : EncodeJpeg(rows, options, bytes, problem)) {
    return {};
  }
  stopped = problem.fault == EncodeFault::Cancelled;
  if (problem.fault == EncodeFault::OutOfMemory) return "not enough memory to encode the picture";
  return "the picture could not be encoded: " + problem.detail;
}

constexpr DrawColour kPageTextColour{25, 25, 25, 255};

// The title block's text size on a page, beside the map rather than on it: it keeps to the
// page's own scale, a little smaller than a screen map's labels are to it.
double PageTitlePixels(int pictureSize) { return 0.8 * std::max(11.0, pictureSize / 48.0); }

// Where a PDF or SVG map lies on its page; the title block's share follows from the pixels
// the map gets, which a first layout without it tells closely enough.
PageLayout VectorLayout(const StationMapRequest& request) {
  PageLayout layout = LayOutPage(request, 0);
  if (request.title.empty()) return layout;
  const auto share = [&](const PageLayout& l) {
    return TitleBlockHeight(TitleLines(request).size(), PageTitlePixels(l.pictureSize)) / l.pictureSize +
           2 * kTitleGapPt / l.mapSidePt;
  };
  layout = LayOutPage(request, share(layout));
  return LayOutPage(request, share(layout));
}

}  // namespace

StationMapResult MakeStationMap(const StationMapRequest& request, const StationMapProgress& progress,
                                FileStore* fileStore) {
  GiveLargeBlocksBackToTheSystem();
  PosixFileStore posixFiles;
  FileStore& files = fileStore != nullptr ? *fileStore : posixFiles;
  StationMapResult result;
  // False once the caller asks to stop.
  const auto report = [&](std::string_view phase, double fraction) {
    return !progress || progress(phase, fraction);
  };
  const auto fail = [&](StationMapField field, std::string why) {
    result.problem = StationMapProblem{field, std::move(why)};
    return result;
  };
  const auto stopped = [&] {
    result.stopped = true;
    return result;
  };
  result.problem = CheckStationMapRequest(request);
  if (!result.problem) result.problem = CheckMapFiles(request, files);
  if (result.problem) return result;
  result.picturePath = request.outPath;
  result.sidePath = SideFilePathOf(request.outPath);
  if (request.target) result.targetLine = TargetLine(request.centre, *request.target, request.units);
  result.stationLines = StationLines(request);
  result.fanNotes = GreylineFanNotes(request);
  const MapPictureKind kind = PictureKindOf(request.outPath);
  const bool vector = kind == MapPictureKind::Pdf || kind == MapPictureKind::Svg;
  // A page's map is drawn at the pixels its printed size takes; every other map at its size.
  const PageLayout layout = vector ? VectorLayout(request) : PageLayout{};
  StationMapRequest drawnRequest;
  if (vector) {
    drawnRequest = request;
    drawnRequest.size = layout.pictureSize;
  }
  const StationMapRequest& drawn = vector ? drawnRequest : request;
  result.pictureSize = drawn.size;

  CountryDataLoad countryData = LoadCountryData(request, [&] { return report("Preparing", 0); });
  if (countryData.stopped) return stopped();
  if (countryData.problem) {
    result.problem = std::move(countryData.problem);
    return result;
  }
  result.leftOut = std::move(countryData.leftOut);
  // The overlays need no picture: their geometry is worked out, their labels placed and
  // outlined, and everything sorted into the bands it reaches while the picture is decoded
  // and sampled, so that painting alone comes after.
  std::future<MapOverlays> planning = std::async(
      std::launch::async | std::launch::deferred, [&drawn, vector, data = std::move(countryData.data)] {
        MapOverlays overlays;
        overlays.plan = PlanOverlays(drawn, LabelPixels(drawn.size) * 1.2, data);
        if (vector || overlays.plan.Empty()) return overlays;
        LazyTextShaper text;
        overlays.raster = PrepareRaster(
            OverlayDrawList(std::move(overlays.plan), text, TitlePlace::Corner, QuickLabelMeasure()),
            drawn.size, drawn.size, &text);
        return overlays;
      });

  auto start = SteadyClock::now();
  if (!report("Decoding", 0)) return stopped();
  QImage day, night;
  MapSampling sampling;
  const DecodedPictureCache pictures(
      request.data.cacheFolder.empty() ? std::string() : request.data.cacheFolder + "/pictures", files);
  if (std::string why = LoadEarthPicture(request.imagePath, pictures, day, sampling.day, request.centre,
                                         request.radiusKm, drawn.size);
      !why.empty()) {
    return fail(StationMapField::Image, why);
  }
  if (!request.nightImagePath.empty()) {
    if (std::string why = LoadEarthPicture(request.nightImagePath, pictures, night, sampling.night,
                                           request.centre, request.radiusKm, drawn.size);
        !why.empty()) {
      return fail(StationMapField::NightImage, why);
    }
  }
  result.timings.decode = MillisecondsSince(start);

  start = SteadyClock::now();
  if (!report("Projecting", 0)) return stopped();
  MapCanvas canvas;
  std::string bmpFile;
  QImage image;
  if (kind == MapPictureKind::Bmp) {
    bmpFile = MakeBmpFile(request.size, canvas);
  } else {
    image = QImage(drawn.size, drawn.size, QImage::Format_RGB888);
    if (image.isNull())
      return fail(StationMapField::Size,
                  "no memory for a picture of " + std::to_string(drawn.size) + " pixels");
    canvas = {image.bits(), image.bytesPerLine(), drawn.size, false};
  }
  sampling.centre = request.centre;
  sampling.radiusKm = request.radiusKm;
  sampling.threads = request.threads;
  if (request.unixTime) sampling.subSolar = SubSolarPoint(*request.unixTime);
  if (!SampleMap(sampling, canvas, [&](double fraction) { return report("Projecting", fraction); }))
    return stopped();
  day = QImage();
  night = QImage();
  result.timings.projection = MillisecondsSince(start);

  start = SteadyClock::now();
  MapOverlays overlays = planning.get();
  OverlayPlan& plan = overlays.plan;
  VectorMapPage page;
  if (vector) {
    if (!report("Marking", 0)) return stopped();
    LazyTextShaper text;
    if (!plan.title.empty()) {
      page.titleBlock =
          MakeTitleBlock(plan.title, PageTitlePixels(drawn.size), kPageTextColour, {}, text).list;
    }
    page.overlays = OverlayDrawList(std::move(plan), text, TitlePlace::Page, QuickLabelMeasure());
  } else if (!overlays.raster.Empty()) {
    if (!report("Marking", 0)) return stopped();
    PaintPrepared(overlays.raster, {canvas.top, canvas.stride, canvas.size, canvas.size, canvas.bgr},
                  request.threads);
  }
  result.timings.overlays = MillisecondsSince(start);

  start = SteadyClock::now();
  if (!report("Storing", 0)) return stopped();
  std::string compressed;
  double storedShare = 0;
  if (vector) {
    page.kind = kind;
    page.layout = layout;
    page.picture = std::move(image);
    page.title = request.title;
    std::string problem;
    if (!PaintVectorMap(page, compressed, problem)) return fail(StationMapField::Out, problem);
    page = VectorMapPage();
  } else if (kind != MapPictureKind::Bmp) {
    bool encodingStopped = false;
    if (std::string why = EncodeCompressed(
            image, kind, compressed,
            [&](double fraction) {
              storedShare = fraction;
              return report("Storing", fraction);
            },
            encodingStopped);
        !why.empty()) {
      return encodingStopped ? stopped() : fail(StationMapField::Out, why);
    }
    image = QImage();
  }
  // The picture first, as the window stores its pairs; both are whole and synced before
  // either takes its name.
  const std::string sideText = MapSideFileText(request.centre, request.radiusKm);
  std::vector<WholeFile> pair{{result.picturePath, kind == MapPictureKind::Bmp ? bmpFile : compressed},
                              {result.sidePath, sideText}};
  // The stations' table stands or falls with the map it describes.
  std::string table;
  if (!request.tablePath.empty()) {
    table = StationTableCsv(StationTableRows(request));
    pair.push_back({request.tablePath, table});
    result.tablePath = request.tablePath;
  }
  WriteFailure failure;
  if (!files.WriteWholeFiles(pair, &failure, [&] { return !report("Storing", storedShare); })) {
    if (failure.stopped) return stopped();
    return fail(StationMapField::Out,
                DescribeWriteFailure(pair[std::min(failure.file, pair.size() - 1)].path, failure));
  }
  result.timings.encode = MillisecondsSince(start);
  report("Storing", 1);
  result.ok = true;
  return result;
}

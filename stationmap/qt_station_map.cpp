#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <numbers>
#include <optional>
#include <system_error>

#include "base/posix_file_store.h"
#include "draw/qt_text_shaper.h"
#include "draw/raster_painter.h"
#include "geo/map_sampler.h"
#include "geo/sun.h"
#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/map_encoding.h"
#include "imagecodec/qt_picture_decoder.h"
#include "stationmap/map_picture_file.h"
#include "stationmap/overlay_drawing.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/station_map.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double MillisecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// An equirectangular picture as 0xffRRGGBB pixels, or the problem naming `option`: only
// the rows a map around `centre` of `radiusKm` needs, at a smaller scale when the picture
// holds far more than `mapSize` pixels can show. `picture` tells which rows; `image` owns them.
std::string LoadEarthPicture(const std::string& path, const char* option, QImage& image,
                             EarthPicture& picture, const GeoPoint& centre, double radiusKm, int mapSize) {
  EarthPictureReader reader(OpenQtPictureDecoder);
  DecodedPicture decoded;
  if (reader.Open(path)) {
    const PictureRows rows = PictureRowsNeeded(centre, radiusKm, reader.Height());
    const double mapPixelsPerTurn = 2 * std::numbers::pi * kEarthRadiusKm / (2 * radiusKm / mapSize);
    reader.Decode({rows.first, rows.count, mapPixelsPerTurn}, decoded);
  }
  const PictureProblem& problem = reader.Problem();
  const std::string at = std::string(option) + ": " + Quoted(path);
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
  image = QImage(
      reinterpret_cast<uchar*>(decoded.pixels.get()), decoded.width, decoded.rowCount,
      static_cast<qsizetype>(decoded.width) * 4, QImage::Format_RGB32,
      [](void* pixels) { delete[] static_cast<std::uint32_t*>(pixels); }, decoded.pixels.get());
  if (image.isNull()) return at + " cannot be read: not enough memory";
  decoded.pixels.release();
  picture = {reinterpret_cast<const std::uint32_t*>(image.constBits()), decoded.width, decoded.rowCount,
             decoded.firstRow, decoded.fullHeight};
  return {};
}

std::string CheckOutputFolder(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const QFileInfo info(QString::fromStdString(folder.empty() ? "." : folder.string()));
  const std::string at = "--out: the folder " + Quoted(folder.empty() ? "." : folder.string());
  if (!info.exists()) return at + " does not exist";
  if (!info.isDir()) return at + " is not a folder";
  if (!info.isWritable()) return at + " cannot be written to (permission denied)";
  return {};
}

// The encoded picture file, or the problem. `progress` gets the share done.
std::string EncodeCompressed(const QImage& image, MapPictureKind kind, std::string& bytes,
                             const std::function<void(double)>& progress) {
  const RgbRows rows{image.constBits(), image.bytesPerLine(), image.width(), image.height(), false};
  EncodeOptions options;
  options.progress = [&](double fraction) {
    progress(fraction);
    return true;
  };
  EncodeProblem problem;
  if (kind == MapPictureKind::Png ? EncodePng(rows, options, bytes, problem)
                                  : EncodeJpeg(rows, options, bytes, problem)) {
    return {};
  }
  if (problem.fault == EncodeFault::OutOfMemory) return "--out: not enough memory to encode the picture";
  return "--out: the picture could not be encoded: " + problem.detail;
}

struct SideFileOutcome {
  std::string problem;
  std::optional<std::string> oldText;  // what stood there before
};

SideFileOutcome StoreSideFile(FileStore& files, const std::string& path, const std::string& text) {
  SideFileOutcome outcome;
  if (std::ifstream old(path, std::ios::binary); old) {
    outcome.oldText.emplace(std::istreambuf_iterator<char>(old), std::istreambuf_iterator<char>());
  }
  std::string error;
  if (!files.WriteWhole(path, text, &error))
    outcome.problem = "--out: cannot write " + Quoted(path) + ": " + error;
  return outcome;
}

// When the picture cannot be stored, the side file goes back to what it was: removed when it
// is new, its old text when it stood beside an older picture.
void PutSideFileBack(FileStore& files, const std::string& path, const SideFileOutcome& stored,
                     std::string& problem) {
  std::string ignored;
  if (stored.oldText ? !files.WriteWhole(path, *stored.oldText, &ignored) : !files.Remove(path)) {
    problem += "; " + Quoted(path) + " could not be put back";
  }
}

}  // namespace

StationMapResult MakeStationMap(const StationMapRequest& request, const StationMapProgress& progress,
                                FileStore* fileStore) {
  PosixFileStore posixFiles;
  FileStore& files = fileStore != nullptr ? *fileStore : posixFiles;
  StationMapResult result;
  const auto report = [&](std::string_view phase, double fraction) {
    if (progress) progress(phase, fraction);
  };
  const auto fail = [&](std::string problem) {
    result.problem = std::move(problem);
    return result;
  };
  if (std::string problem = CheckStationMapRequest(request); !problem.empty()) return fail(problem);
  if (std::string problem = CheckOutputFolder(request.outPath); !problem.empty()) return fail(problem);
  result.picturePath = request.outPath;
  result.sidePath = SideFilePathOf(request.outPath);
  if (request.target) result.targetLine = TargetLine(request.centre, *request.target);

  auto start = SteadyClock::now();
  report("Decoding", 0);
  QImage day, night;
  MapSampling sampling;
  if (std::string problem = LoadEarthPicture(request.imagePath, "--image", day, sampling.day, request.centre,
                                             request.radiusKm, request.size);
      !problem.empty()) {
    return fail(problem);
  }
  if (!request.nightImagePath.empty()) {
    if (std::string problem = LoadEarthPicture(request.nightImagePath, "--night-image", night, sampling.night,
                                               request.centre, request.radiusKm, request.size);
        !problem.empty()) {
      return fail(problem);
    }
  }
  result.timings.decode = MillisecondsSince(start);

  start = SteadyClock::now();
  const MapPictureKind kind = PictureKindOf(request.outPath);
  MapCanvas canvas;
  std::string bmpFile;
  QImage image;
  if (kind == MapPictureKind::Bmp) {
    bmpFile = MakeBmpFile(request.size, canvas);
  } else {
    image = QImage(request.size, request.size, QImage::Format_RGB888);
    if (image.isNull())
      return fail("--size: no memory for a picture of " + std::to_string(request.size) + " pixels");
    canvas = {image.bits(), image.bytesPerLine(), request.size, false};
  }
  sampling.centre = request.centre;
  sampling.radiusKm = request.radiusKm;
  sampling.threads = request.threads;
  if (request.unixTime) sampling.subSolar = SubSolarPoint(*request.unixTime);
  // The side file goes first, stored while the map is drawn: it needs only the request. From
  // here on a failure puts it back as it was.
  auto sideFile = std::async(std::launch::async, StoreSideFile, std::ref(files), result.sidePath,
                             MapSideFileText(request.centre, request.radiusKm));
  const auto failStoring = [&](std::string problem) {
    const SideFileOutcome side = sideFile.get();
    if (!side.problem.empty()) return fail(side.problem);
    PutSideFileBack(files, result.sidePath, side, problem);
    return fail(problem);
  };
  report("Projecting", 0);
  SampleMap(sampling, canvas, [&](double fraction) { report("Projecting", fraction); });
  day = QImage();
  night = QImage();
  result.timings.projection = MillisecondsSince(start);

  start = SteadyClock::now();
  const OverlayPlan plan = PlanOverlays(request, LabelPixels(request.size) * 1.2);
  if (!plan.Empty()) {
    report("Marking", 0);
    QtTextShaper text;
    PaintRaster(OverlayDrawList(plan, text),
                {canvas.top, canvas.stride, canvas.size, canvas.size, canvas.bgr}, {request.threads, &text});
  }
  result.timings.overlays = MillisecondsSince(start);

  start = SteadyClock::now();
  report("Storing", 0);
  std::string compressed;
  if (kind != MapPictureKind::Bmp) {
    if (std::string problem =
            EncodeCompressed(image, kind, compressed, [&](double fraction) { report("Storing", fraction); });
        !problem.empty())
      return failStoring(problem);
    image = QImage();
  }
  const SideFileOutcome side = sideFile.get();
  if (!side.problem.empty()) return fail(side.problem);
  if (std::string error;
      !files.WriteWhole(request.outPath, kind == MapPictureKind::Bmp ? bmpFile : compressed, &error)) {
    std::string problem = "--out: cannot write " + Quoted(request.outPath) + ": " + error;
    PutSideFileBack(files, result.sidePath, side, problem);
    return fail(problem);
  }
  result.timings.encode = MillisecondsSince(start);
  report("Storing", 1);
  result.ok = true;
  return result;
}

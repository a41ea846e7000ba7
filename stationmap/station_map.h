#pragma once
// A station map: a true azimuthal equidistant map of any size around a centre, sampled from
// an equirectangular Earth picture, with optional range rings, bearing lines, a grid, the
// grey line, the path to a target, coasts and borders, DXCC prefixes and the Maidenhead grid,
// stored with its side file. The command skerrowen-map
// and the window make their station maps through MakeStationMap.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "geo/distance_unit.h"
#include "geo/geo_point.h"
#include "geo/great_circle.h"
#include "geodata/data_file_problem.h"
#include "geodata/dcw_chart.h"
#include "geodata/dxcc_entities.h"
#include "geodata/station_file.h"

inline constexpr int kMinMapSize = 16;
inline constexpr int kMaxMapSize = 16384;
// The largest radius: the whole Earth, half the circumference rounded up to whole kilometres.
inline constexpr double kMaxMapRadiusKm = 20038;
// More lines of one kind (rings, bearing lines, grid lines) only paint the map over.
inline constexpr int kMaxOverlayLines = 1000;
// A place's text (a target, the station) is drawn as its label; longer texts are refused.
inline constexpr std::size_t kMaxPlaceTextLength = 100;
inline constexpr std::size_t kMaxTitleLength = 200;
inline constexpr double kDefaultBeamWidthDeg = 60;
// The resolution of the Earth picture on a PDF page, dots per inch.
inline constexpr int kDefaultPageDpi = 300;
inline constexpr int kMinPageDpi = 50;
inline constexpr int kMaxPageDpi = 1200;

struct MapTarget {
  GeoPoint place;
  std::string name;  // as the operator gave it: "JO62qm", "40.7,-74"
};

// Where the country data comes from: Debian's files, and the copy of the outlines prepared
// from the chart.
struct CountryDataFiles {
  std::string chartPath = kDcwPath;
  std::string countryFilePath = kCtyDatPath;
  // The user's cache of this program: the outlines' prepared copy, and decoded Earth pictures
  // in pictures/. Empty: the copy is prepared for this map alone and no picture is kept.
  std::string cacheFolder;
  std::string outlinePreparer;  // the preparing program; empty: the one of this program
};

// The antenna's heading: a wedge from the centre `widthDeg` wide, centred on `azimuthDeg`.
struct MapBeam {
  double azimuthDeg = 0;
  double widthDeg = kDefaultBeamWidthDeg;
};

// The paper a PDF map is laid out on, upright; None: the page is the map itself.
enum class MapPage { None, A4, A3, A2, A1, A0, Letter, Tabloid };

struct StationMapRequest {
  GeoPoint centre;
  double radiusKm = 3340;
  int size = 557;
  std::string imagePath;       // equirectangular, 2:1
  std::string nightImagePath;  // optional, with `time`
  std::string outPath;         // .bmp, .png or .jpg; the side file takes the same stem
  double ringsKm = 0;          // 0: no overlay of that kind
  double spokesDeg = 0;
  double gridDeg = 0;
  std::optional<MapTarget> target;
  std::optional<std::int64_t> unixTime;  // the grey line at this UTC time
  int threads = 0;                       // 0: one per core
  bool countries = false;                // coasts and borders
  bool prefixes = false;                 // each DXCC entity's primary prefix at its place
  bool fields = false;                   // Maidenhead fields, and squares on maps of 1500 km or less
  // Of the ring spacing (ringsKm is given in kilometres all the same), the ring labels and
  // the target's distance.
  DistanceUnit units = DistanceUnit::Kilometre;
  CountryDataFiles data;
  // A layer whose data is missing is left out, and told in the result, rather than keeping
  // the map from being made.
  bool leaveOutMissingData = false;
  // Stations of the operator's list or log: each a dot, a label where it has room, and its
  // short path; a line each in the result and a row each in the table.
  std::vector<Station> targets;
  std::string tablePath;  // the stations as CSV, stored with the map; empty: none
  std::optional<MapBeam> beam;
  // The grey line at sunrise and sunset on the 21st of each month of this year.
  std::optional<int> greylineFanYear;
  std::string title;  // empty: no title block
  // For a .pdf map: the paper, and the Earth picture's resolution on it (default
  // kDefaultPageDpi); without paper the picture has the map's size.
  MapPage page = MapPage::None;
  std::optional<int> dpi;
};

// The parts of a request a problem can lie in. Each front end names them in its own words:
// the command line by its options, the window by its settings and its view.
enum class StationMapField {
  Centre,
  Radius,
  Size,
  Image,
  NightImage,
  Out,
  Rings,
  Spokes,
  Grid,
  Target,
  Time,
  Countries,
  Prefixes,
  Fields,
  Units,
  Targets,
  Table,
  Beam,
  GreylineFan,
  Title,
  Page,
  Dpi
};

// What keeps a request from giving a map: the field at fault and why, in words that name no
// option and no setting ("0 is not a radius; give kilometres above 0").
struct StationMapProblem {
  StationMapField field;
  std::string why;
  // A second field the problem is about, which `why` names in the map's words: the Earth
  // picture that the output would replace.
  std::optional<StationMapField> other = std::nullopt;
};

// Milliseconds spent in each phase.
struct StationMapTimings {
  double decode = 0;
  double projection = 0;
  double overlays = 0;
  double encode = 0;  // encoding the picture and storing it with its side file
};

struct StationMapResult {
  bool ok = false;
  bool stopped = false;                      // the caller stopped it; nothing was stored
  std::optional<StationMapProblem> problem;  // when neither ok nor stopped
  std::string picturePath;
  std::string sidePath;
  // "Target JO62qm: 8123.4 km, short path 45.3°, long path 225.3° (31913.2 km)", on the WGS84
  // ellipsoid
  std::string targetLine;
  StationMapTimings timings;
  // With leaveOutMissingData: the layers left out for want of their data, and why.
  std::vector<StationMapProblem> leftOut;
  std::vector<std::string> stationLines;  // a target line for each of `targets`
  std::vector<std::string> fanNotes;      // the months the grey-line fan leaves out, and why
  std::string tablePath;                  // written when asked
  int pictureSize = 0;                    // the Earth picture's side in pixels, as stored
};

// Called with the phase ("Preparing" the country outlines, the first time only, "Decoding",
// "Projecting", "Marking", "Storing") and the share of it
// done, on the thread that called MakeStationMap, several times a second while the work
// goes on. Returning false stops the map: nothing is stored.
using StationMapProgress = std::function<bool(std::string_view phase, double fraction)>;

// The problem with the request's numbers and names, if any. Files are not looked at.
std::optional<StationMapProblem> CheckStationMapRequest(const StationMapRequest& request);

// Whether the map sets any text: labels, a title, a page. Text takes fonts, and fonts a GUI
// application; coasts, borders and the grid alone take neither.
bool StationMapSetsText(const StationMapRequest& request);

// Checks the request and the files it names before anything is drawn, draws the map, and
// stores the picture and then its side file through `files` (default: the POSIX files), both
// written whole before either takes its name; on any failure or stop neither file is left
// new or half-written, and an older pair stays as it was. Needs a QGuiApplication for labels.
StationMapResult MakeStationMap(const StationMapRequest& request, const StationMapProgress& progress = {},
                                FileStore* files = nullptr);

// Whether the target is the centre or its antipode, which every great circle through the
// centre reaches: it has no one path or bearing.
bool TargetOnEveryPath(const GreatCirclePath& path);

// The line printed for a target: the distance and the short and long path bearings from the
// centre along the geodesics of the WGS84 ellipsoid, to a tenth of the unit and of a degree.
std::string TargetLine(const GeoPoint& centre, const MapTarget& target,
                       DistanceUnit units = DistanceUnit::Kilometre);

// Why a layer's data cannot be had, naming the package to install:
// "/usr/share/gmt-dcw/dcw-gmt.nc is missing; install the package gmt-dcw".
std::string DataProblemText(const DataFileProblem& problem);

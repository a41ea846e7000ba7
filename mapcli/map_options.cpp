#include "mapcli/map_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "geo/distance_unit.h"
#include "geo/place_text.h"
#include "geo/utc_time.h"
#include "stationmap/map_page.h"

namespace {

using Field = StationMapField;

std::optional<double> ReadDecimal(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string NotANumber(const std::string& value, const char* what) {
  return "\"" + value + "\" is not " + what;
}

std::string TakeCentre(const PlaceReading& place, const char* option, MapOptions& o) {
  if (!o.centreFrom.empty()) return "the centre is given twice";
  if (!place.place) return place.problem;
  o.request.centre = *place.place;
  o.centreFrom = option;
  return {};
}

// A whole number (`what` says of what) into `number`, or why not; one past an int's range is told as out
// of [low, high], followed by `unit`.
std::string TakeWholeNumber(const std::string& value, const char* what, int low, int high, const char* unit,
                            int& number) {
  int read = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), read);
  if (value.empty() || end != value.data() + value.size() || error == std::errc::invalid_argument)
    return NotANumber(value, what);
  if (error != std::errc())
    return value + " is out of range; give " + std::to_string(low) + " to " + std::to_string(high) + unit;
  number = read;
  return {};
}

std::string TakeSize(const std::string& value, MapOptions& o) {
  return TakeWholeNumber(value, "a whole number of pixels", kMinMapSize, kMaxMapSize, " pixels",
                         o.request.size);
}

// A number above 0 for an overlay's spacing.
std::string TakeSpacing(const std::string& value, const char* what, double& spacing) {
  const auto number = ReadDecimal(value);
  if (!number) return NotANumber(value, what);
  if (*number <= 0) return "give a value above 0, not " + value;
  spacing = *number;
  return {};
}

std::string TakeFileName(const std::string& value, std::string& path) {
  if (value.empty()) return "the file name is empty";
  path = value;
  return {};
}

std::string TakeTime(const std::string& value, MapOptions& o) {
  if (value == "now") {
    o.timeIsNow = true;
    return {};
  }
  const auto time = ReadUtcTime(value);
  if (!time) return "\"" + value + "\" is not \"now\" or a UTC time such as 2026-03-20T12:00:00Z";
  o.request.unixTime = *time;
  return {};
}

// "45" or "45/30": the beam's azimuth and its width, in degrees.
std::string TakeBeam(const std::string& value, MapOptions& o) {
  const std::size_t slash = value.find('/');
  const auto azimuth = ReadDecimal(value.substr(0, slash));
  const auto width =
      slash == std::string::npos ? std::optional(kDefaultBeamWidthDeg) : ReadDecimal(value.substr(slash + 1));
  if (!azimuth || !width) return NotANumber(value, "an azimuth in degrees, with /WIDTH or without");
  o.request.beam = MapBeam{*azimuth, *width};
  return {};
}

std::string TakeDpi(const std::string& value, MapOptions& o) {
  int dpi = 0;
  std::string problem =
      TakeWholeNumber(value, "a whole number of dots per inch", kMinPageDpi, kMaxPageDpi, "", dpi);
  if (problem.empty()) o.request.dpi = dpi;
  return problem;
}

constexpr MapOption kOptions[] = {
    {"--centre", "LAT,LON",
     "decimal degrees, north and east positive: 52.5,13.4 or -33.87,151.21;\n"
     "also 52.5N,13.4E and 33.87S,151.21E",
     Field::Centre,
     [](const std::string& v, MapOptions& o) { return TakeCentre(ReadCoordinates(v), "--centre", o); }},
    {"--locator", "LOC", "Maidenhead locator of 2, 4, 6, 8 or 10 characters; the centre of that square",
     Field::Centre,
     [](const std::string& v, MapOptions& o) { return TakeCentre(ReadLocator(v), "--locator", o); }},
    {"--from-view", "", "the centre and radius the window shows now (the default)", std::nullopt,
     [](const std::string&, MapOptions& o) {
       o.fromView = true;
       return std::string();
     }},
    {"--radius", "KM",
     "from the centre to the middle of each edge (default: the view's, else 3340);\n"
     "20038 shows the whole Earth",
     Field::Radius,
     [](const std::string& v, MapOptions& o) {
       const auto km = ReadDecimal(v);
       if (!km) return NotANumber(v, "a number of kilometres");
       o.request.radiusKm = *km;
       o.radiusFrom = "--radius";
       return std::string();
     }},
    {"--size", "PX", "width = height in pixels, 16 to 16384 (default 557)", Field::Size, TakeSize},
    {"--image", "FILE", "an equirectangular Earth picture (2:1), default the shipped one", Field::Image,
     [](const std::string& v, MapOptions& o) {
       o.imageGiven = true;
       return TakeFileName(v, o.request.imagePath);
     }},
    {"--rings", "DIST", "range rings every DIST (in the --units unit), labelled with their distance",
     Field::Rings,
     [](const std::string& v, MapOptions& o) { return TakeSpacing(v, "a distance", o.request.ringsKm); }},
    {"--spokes", "DEG", "bearing lines from the centre every DEG degrees, labelled at the edge",
     Field::Spokes,
     [](const std::string& v, MapOptions& o) {
       return TakeSpacing(v, "a number of degrees", o.request.spokesDeg);
     }},
    {"--grid", "DEG", "latitude and longitude lines every DEG degrees", Field::Grid,
     [](const std::string& v, MapOptions& o) {
       return TakeSpacing(v, "a number of degrees", o.request.gridDeg);
     }},
    {"--target", "LOC|LAT,LON",
     "the great-circle path to the target, marked and labelled; its distance and\n"
     "bearings printed along the WGS84 geodesic (GeographicLib), to a tenth",
     Field::Target,
     [](const std::string& v, MapOptions& o) {
       const PlaceReading place = ReadPlace(v);
       if (!place.place) return place.problem;
       o.request.target = MapTarget{*place.place, v};
       return std::string();
     }},
    {"--time", "WHEN", "\"now\" or a UTC time (2026-03-20T12:00:00Z): the night side and the grey line",
     Field::Time, TakeTime},
    {"--night-image", "FILE", "a night picture (city lights) for the night side, with --time",
     Field::NightImage,
     [](const std::string& v, MapOptions& o) { return TakeFileName(v, o.request.nightImagePath); }},
    {"--countries", "", "coasts and borders (the gmt-dcw package's Digital Chart of the World)",
     Field::Countries,
     [](const std::string&, MapOptions& o) {
       o.request.countries = true;
       return std::string();
     }},
    {"--prefixes", "", "each DXCC entity's prefix at its place (cty.dat of hamradio-files)", Field::Prefixes,
     [](const std::string&, MapOptions& o) {
       o.request.prefixes = true;
       return std::string();
     }},
    {"--fields", "", "Maidenhead fields; their squares too at a radius of 1500 km or less", Field::Fields,
     [](const std::string&, MapOptions& o) {
       o.request.fields = true;
       return std::string();
     }},
    {"--units", "km|mi|nm",
     "kilometres, statute or nautical miles for --rings, the ring labels and the\n"
     "target's distance (default km); --radius and the side file stay in km",
     Field::Units,
     [](const std::string& v, MapOptions& o) {
       const auto unit = DistanceUnitOf(v);
       if (!unit) return "\"" + v + "\" is not km, mi or nm";
       o.request.units = *unit;
       return std::string();
     }},
    {"--targets", "FILE",
     "stations of a list (LOC or LAT,LON, then a label) or an ADIF log (.adi, .adif):\n"
     "a dot, a label and the short path each, and a Target line each printed",
     Field::Targets, [](const std::string& v, MapOptions& o) { return TakeFileName(v, o.targetsPath); }},
    {"--table", "FILE.csv", "the stations of --targets with distances and bearings, stored with the map",
     Field::Table, [](const std::string& v, MapOptions& o) { return TakeFileName(v, o.request.tablePath); }},
    {"--beam", "AZ[/WIDTH]", "the antenna's heading as a wedge, WIDTH degrees wide (default 60)", Field::Beam,
     TakeBeam},
    {"--greyline-fan", "", "the grey line at sunrise and sunset on the 21st of each month of --time's year",
     Field::GreylineFan,
     [](const std::string&, MapOptions& o) {
       o.greylineFan = true;
       return std::string();
     }},
    {"--title", "TEXT", "a title block: the text, the centre, the radius, the time and the credits",
     Field::Title,
     [](const std::string& v, MapOptions& o) {
       o.request.title = v;
       return std::string();
     }},
    {"--out", "FILE", ".bmp, .png, .jpg, .pdf or .svg; default MAP_<radius>_<long>_<lat>.BMP here",
     Field::Out,
     [](const std::string& v, MapOptions& o) {
       o.outGiven = true;
       return TakeFileName(v, o.request.outPath);
     }},
    {"--page", "PAPER", "for a PDF: A4, A3, A2, A1, A0, letter or tabloid, the title under the map",
     Field::Page,
     [](const std::string& v, MapOptions& o) {
       const auto page = MapPageOf(v);
       if (!page) return "\"" + v + "\" is not A4, A3, A2, A1, A0, letter or tabloid";
       o.request.page = *page;
       return std::string();
     }},
    {"--dpi", "N", "the Earth picture's resolution on a --page, 50 to 1200 (default 300)", Field::Dpi,
     TakeDpi},
    {"--timings", "", "print the time each phase took", std::nullopt,
     [](const std::string&, MapOptions& o) {
       o.timings = true;
       return std::string();
     }},
    {"-h, --help", "", "show this help and exit", std::nullopt,
     [](const std::string&, MapOptions& o) {
       o.help = true;
       return std::string();
     }},
    {"--version", "", "show the version and exit", std::nullopt,
     [](const std::string&, MapOptions& o) {
       o.version = true;
       return std::string();
     }},
};

// The option names of an entry without their dashes: "h", "help".
std::vector<std::string_view> BareNames(const MapOption& option) {
  std::vector<std::string_view> names;
  std::string_view rest = option.names;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(", ");
    std::string_view name = rest.substr(0, comma);
    names.push_back(name.substr(name.find_first_not_of('-')));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
  }
  return names;
}

std::string NameOf(StationMapField field, const MapOptions& options) {
  if (field == Field::Centre) return options.centreFrom;
  if (field == Field::Radius) return options.radiusFrom;
  const auto found = std::find_if(std::begin(kOptions), std::end(kOptions),
                                  [&](const MapOption& option) { return option.field == field; });
  return found == std::end(kOptions) ? std::string() : LongName(*found);
}

}  // namespace

std::span<const MapOption> MapOptionTable() { return kOptions; }

const MapOption* FindMapOption(std::string_view typed) {
  if (typed.size() < 2 || typed[0] != '-') return nullptr;
  typed.remove_prefix(typed[1] == '-' ? 2 : 1);
  typed = typed.substr(0, typed.find('='));
  for (const MapOption& option : kOptions) {
    for (const std::string_view name : BareNames(option)) {
      if (name == typed) return &option;
    }
  }
  return nullptr;
}

std::string LongName(const MapOption& option) {
  const std::string_view names = option.names;
  const std::size_t comma = names.rfind(", ");
  return std::string(comma == std::string_view::npos ? names : names.substr(comma + 2));
}

std::string CheckMapOptionsTogether(const MapOptions& options) {
  if (options.fromView && !options.centreFrom.empty())
    return "--from-view: the centre is given by --centre or --locator already";
  if (!options.request.nightImagePath.empty() && !options.request.unixTime && !options.timeIsNow)
    return "--night-image: shows the night side only with --time";
  return {};
}

std::string MapUsage() {
  constexpr std::size_t kHelpColumn = 23;
  std::string usage =
      "Usage: skerrowen-map [--centre LAT,LON | --locator LOC | --from-view] [options]\n"
      "Writes a station map (azimuthal equidistant, north up) and its .DAT side file.\n";
  for (const MapOption& option : kOptions) {
    std::string head = std::string("  ") + option.names + (*option.valueName ? " " : "") + option.valueName;
    head.resize(std::max(kHelpColumn, head.size() + 1), ' ');
    std::string_view help = option.help;
    for (std::size_t end; (end = help.find('\n')) != std::string_view::npos; help.remove_prefix(end + 1)) {
      usage += head + std::string(help.substr(0, end)) + "\n";
      head.assign(kHelpColumn, ' ');
    }
    usage += head + std::string(help) + "\n";
  }
  return usage;
}

std::string ProblemText(const StationMapProblem& problem, const MapOptions& options) {
  const std::string name = NameOf(problem.field, options);
  std::string text = name.empty() ? problem.why : name + ": " + problem.why;
  if (problem.other) text += " (" + NameOf(*problem.other, options) + ")";
  return text;
}

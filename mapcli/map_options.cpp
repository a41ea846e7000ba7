#include "mapcli/map_options.h"

#include <charconv>
#include <cmath>
#include <set>

#include "geo/place_text.h"
#include "geo/utc_time.h"
#include "stationmap/map_page.h"

const char* const kMapUsage =
    "Usage: skerrowen-map [--centre LAT,LON | --locator LOC | --from-view] [options]\n"
    "Writes a station map (azimuthal equidistant, north up) and its .DAT side file.\n"
    "  --centre LAT,LON     decimal degrees, north and east positive: 52.5,13.4 or -33.87,151.21;\n"
    "                       also 52.5N,13.4E and 33.87S,151.21E\n"
    "  --locator LOC        Maidenhead locator of 2, 4, 6, 8 or 10 characters; the centre of that square\n"
    "  --from-view          the centre and radius the window shows now (the default)\n"
    "  --radius KM          from the centre to the middle of each edge (default: the view's, else 3340);\n"
    "                       20038 shows the whole Earth\n"
    "  --size PX            width = height in pixels, 16 to 16384 (default 557)\n"
    "  --image FILE         an equirectangular Earth picture (2:1), default the shipped one\n"
    "  --rings KM           range rings every KM, labelled with their distance\n"
    "  --spokes DEG         bearing lines from the centre every DEG degrees, labelled at the edge\n"
    "  --grid DEG           latitude and longitude lines every DEG degrees\n"
    "  --target LOC|LAT,LON the great-circle path to the target, marked, labelled and printed\n"
    "  --time WHEN          \"now\" or a UTC time (2026-03-20T12:00:00Z): the night side and the grey line\n"
    "  --night-image FILE   a night picture (city lights) for the night side, with --time\n"
    "  --targets FILE       stations of a list (LOC or LAT,LON, then a label) or an ADIF log (.adi, .adif):\n"
    "                       a dot, a label and the short path each, and a Target line each printed\n"
    "  --table FILE.csv     the stations of --targets with distances and bearings, stored with the map\n"
    "  --beam AZ[/WIDTH]    the antenna's heading as a wedge, WIDTH degrees wide (default 60)\n"
    "  --greyline-fan       the grey line at sunrise and sunset on the 21st of each month of --time's year\n"
    "  --title TEXT         a title block: the text, the centre, the radius, the time and the credits\n"
    "  --out FILE           .bmp, .png, .jpg, .pdf or .svg; default MAP_<radius>_<long>_<lat>.BMP here\n"
    "  --page PAPER         for a PDF: A4, A3, A2, A1, A0, letter or tabloid, the title under the map\n"
    "  --dpi N              the Earth picture's resolution on a --page, 50 to 1200 (default 300)\n"
    "  --timings            print the time each phase took\n"
    "  --help, --version\n";

namespace {

std::optional<double> ReadDecimal(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string NotANumber(const std::string& option, const std::string& value, const char* what) {
  return option + ": \"" + value + "\" is not " + what;
}

// Reads one option that takes a value; the problem, or empty.
std::string ReadValue(const std::string& option, const std::string& value, MapOptions& o) {
  StationMapRequest& r = o.request;
  if (option == "--centre" || option == "--locator") {
    if (o.centreGiven) return option + ": the centre is given twice";
    const PlaceReading place = option == "--centre" ? ReadCoordinates(value) : ReadLocator(value);
    if (!place.place) return option + ": " + place.problem;
    r.centre = *place.place;
    o.centreGiven = true;
    return {};
  }
  if (option == "--target") {
    const PlaceReading place = ReadPlace(value);
    if (!place.place) return option + ": " + place.problem;
    r.target = MapTarget{*place.place, value};
    return {};
  }
  if (option == "--time") {
    if (value == "now") {
      o.timeIsNow = true;
      return {};
    }
    const auto time = ReadUtcTime(value);
    if (!time)
      return option + ": \"" + value + "\" is not \"now\" or a UTC time such as 2026-03-20T12:00:00Z";
    r.unixTime = *time;
    return {};
  }
  if (option == "--image" || option == "--night-image" || option == "--out") {
    if (value.empty()) return option + ": the file name is empty";
    (option == "--image" ? r.imagePath : option == "--out" ? r.outPath : r.nightImagePath) = value;
    o.imageGiven |= option == "--image";
    o.outGiven |= option == "--out";
    return {};
  }
  if (option == "--targets" || option == "--table" || option == "--title") {
    if (value.empty() && option != "--title") return option + ": the file name is empty";
    (option == "--targets" ? o.targetsPath : option == "--table" ? r.tablePath : r.title) = value;
    return {};
  }
  if (option == "--page") {
    const auto page = MapPageOf(value);
    if (!page) return option + ": \"" + value + "\" is not A4, A3, A2, A1, A0, letter or tabloid";
    r.page = *page;
    return {};
  }
  if (option == "--beam") {
    const std::size_t slash = value.find('/');
    const auto azimuth = ReadDecimal(value.substr(0, slash));
    const auto width = slash == std::string::npos ? std::optional(kDefaultBeamWidthDeg)
                                                  : ReadDecimal(value.substr(slash + 1));
    if (!azimuth || !width) return NotANumber(option, value, "an azimuth in degrees, with /WIDTH or without");
    r.beam = MapBeam{*azimuth, *width};
    return {};
  }
  if (option == "--size" || option == "--dpi") {
    int size = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
    if (value.empty() || end != value.data() + value.size() || error == std::errc::invalid_argument) {
      return NotANumber(option, value,
                        option == "--dpi" ? "a whole number of dots per inch" : "a whole number of pixels");
    }
    if (error != std::errc()) {
      return option + ": " + value + " is out of range; give " +
             (option == "--dpi"
                  ? std::to_string(kMinPageDpi) + " to " + std::to_string(kMaxPageDpi) + " dots per inch"
                  : std::to_string(kMinMapSize) + " to " + std::to_string(kMaxMapSize) + " pixels");
    }
    if (option == "--dpi") {
      r.dpi = size;
    } else {
      r.size = size;
    }
    return {};
  }
  const auto number = ReadDecimal(value);
  if (!number)
    return NotANumber(
        option, value,
        option == "--radius" || option == "--rings" ? "a number of kilometres" : "a number of degrees");
  if (option != "--radius" && *number <= 0) return option + ": give a value above 0, not " + value;
  if (option == "--radius") {
    r.radiusKm = *number;
    o.radiusGiven = true;
  } else if (option == "--rings") {
    r.ringsKm = *number;
  } else if (option == "--spokes") {
    r.spokesDeg = *number;
  } else {
    r.gridDeg = *number;
  }
  return {};
}

bool TakesValue(const std::string& option) {
  for (const char* known :
       {"--centre", "--locator", "--radius", "--size", "--image", "--rings", "--spokes", "--grid", "--target",
        "--time", "--night-image", "--out", "--targets", "--table", "--beam", "--title", "--page", "--dpi"}) {
    if (option == known) return true;
  }
  return false;
}

}  // namespace

MapOptionsReading ReadMapOptions(const std::vector<std::string>& arguments) {
  MapOptionsReading reading;
  MapOptions options;
  bool fromView = false;
  std::set<std::string> given;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    std::string option = arguments[k];
    std::optional<std::string> value;
    if (const std::size_t equals = option.find('=');
        option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--version") {
      options.version = true;
    } else if (option == "--timings") {
      options.timings = true;
    } else if (option == "--greyline-fan") {
      options.greylineFan = true;
    } else if (option == "--from-view") {
      fromView = true;
    } else if (TakesValue(option)) {
      if (!value) {
        // A value never starts with "--": that is the next option, and this one's value is missing.
        if (k + 1 >= arguments.size() || arguments[k + 1].rfind("--", 0) == 0) {
          reading.problem = option + ": the value is missing";
          return reading;
        }
        value = arguments[++k];
      }
      // A second value would silently win over the first; the centre says so in its own words.
      if (!given.insert(option).second && option != "--centre" && option != "--locator") {
        reading.problem = option + ": given twice";
        return reading;
      }
      if (std::string problem = ReadValue(option, *value, options); !problem.empty()) {
        reading.problem = problem;
        return reading;
      }
      continue;
    } else {
      reading.problem = "unknown option \"" + arguments[k] + "\" (see --help)";
      return reading;
    }
    if (value) {
      reading.problem = option + " takes no value";
      return reading;
    }
  }
  if (fromView && options.centreGiven) {
    reading.problem = "--from-view: the centre is given by --centre or --locator already";
    return reading;
  }
  if (!options.request.nightImagePath.empty() && !options.request.unixTime && !options.timeIsNow) {
    reading.problem = "--night-image: shows the night side only with --time";
    return reading;
  }
  reading.options = std::move(options);
  return reading;
}

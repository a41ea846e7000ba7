#include "geodata/adif_log.h"

#include <charconv>

#include "geo/place_text.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameCaseless(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (Lower(a[k]) != Lower(b[k])) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A marker's text for a problem: whole when short, else its start, not cutting a character.
std::string Shown(std::string_view marker) {
  constexpr std::size_t kLongest = 40;
  if (marker.size() <= kLongest) return "<" + std::string(marker) + ">";
  std::size_t cut = kLongest;
  while (cut > 0 && (static_cast<unsigned char>(marker[cut]) & 0xC0) == 0x80) --cut;
  return "<" + std::string(marker.substr(0, cut)) + "...";
}

// One data specifier <NAME:LENGTH[:TYPE]>, or a marker <EOR> or <EOH> (no length).
struct Marker {
  std::string_view inside;  // between "<" and ">"
  std::string_view name;
  std::optional<std::size_t> length;
  std::size_t dataStart = 0;  // just past the ">"
};

// Reads the marker at `at` (a "<"), or says why it is none. One pass up to the ">" or the
// next "<", so that stray "<"s cost no more than the text between them.
std::optional<Marker> ReadMarker(std::string_view text, std::size_t at, std::string& why) {
  std::size_t close = at + 1, firstColon = 0, secondColon = 0;
  for (; close < text.size() && text[close] != '>' && text[close] != '<'; ++close) {
    if (text[close] != ':') continue;
    if (firstColon == 0) {
      firstColon = close;
    } else if (secondColon == 0) {
      secondColon = close;
    }
  }
  Marker marker;
  marker.inside = text.substr(at + 1, close - at - 1);
  if (close == text.size() || text[close] != '>') {
    why = Shown(marker.inside) + " is not closed by \">\"";
    return std::nullopt;
  }
  marker.dataStart = close + 1;
  marker.name = text.substr(at + 1, (firstColon ? firstColon : close) - at - 1);
  if (marker.name.empty()) {
    why = Shown(marker.inside) + " has no field name";
    return std::nullopt;
  }
  if (firstColon == 0) return marker;
  const std::string_view digits =
      text.substr(firstColon + 1, (secondColon ? secondColon : close) - firstColon - 1);
  std::size_t length = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    why = Shown(marker.inside) + ": \"" + std::string(digits) + "\" is not a length";
    return std::nullopt;
  }
  if (length > text.size() - marker.dataStart) {
    why = Shown(marker.inside) + ": its " + std::to_string(length) + " bytes run past the end of the log";
    return std::nullopt;
  }
  marker.length = length;
  return marker;
}

// Where the records begin: past <EOH> when the text begins with a header, else at the start.
// A header's text may hold a stray "<"; a text with no <EOH> before its first <EOR> has none.
std::size_t RecordsStart(std::string_view text) {
  if (text.starts_with('<')) return 0;
  std::string why;
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
    const std::optional<Marker> marker = ReadMarker(text, at, why);
    if (!marker) {
      ++at;
    } else if (marker->length) {
      at = marker->dataStart + *marker->length;
    } else if (SameCaseless(marker->name, "eoh")) {
      return marker->dataStart;
    } else if (SameCaseless(marker->name, "eor")) {
      return 0;
    } else {
      at = marker->dataStart;
    }
  }
  return 0;
}

bool HoldsRecordEnd(std::string_view data) {
  for (std::size_t at = data.find('<'); at != std::string_view::npos; at = data.find('<', at + 1)) {
    if (SameCaseless(data.substr(at, 5), "<eor>")) return true;
  }
  return false;
}

// The fields of one record that give its station.
struct Record {
  std::string_view call, grid, gridExtension, lat, lon;
  bool started = false;
};

std::string_view* FieldOf(Record& record, std::string_view name) {
  if (SameCaseless(name, "call")) return &record.call;
  if (SameCaseless(name, "gridsquare")) return &record.grid;
  if (SameCaseless(name, "gridsquare_ext")) return &record.gridExtension;
  if (SameCaseless(name, "lat")) return &record.lat;
  if (SameCaseless(name, "lon")) return &record.lon;
  return nullptr;
}

void AddRecord(const Record& record, int number, StationFile& file) {
  Station station;
  station.source = number;
  std::optional<GeoPoint> place;
  std::string why;
  const std::string_view lat = Trimmed(record.lat), lon = Trimmed(record.lon);
  if (!lat.empty() || !lon.empty()) {
    const auto north = ReadAdifLocation(lat, true);
    const auto east = ReadAdifLocation(lon, false);
    if (north && east) {
      place = GeoPoint{*north, WrapLongitude(*east)};
      station.placeText = std::string(lat) + " " + std::string(lon);
    } else {
      why = "LAT \"" + std::string(lat) + "\" and LON \"" + std::string(lon) +
            "\" are no place (ADIF writes them N052 31.250 and E013 22.500)";
    }
  }
  const std::string_view grid = Trimmed(record.grid), extension = Trimmed(record.gridExtension);
  if (!place && !grid.empty()) {
    std::string locator(grid);
    if (grid.size() == 8 && extension.size() >= 2) locator += extension.substr(0, 2);
    const PlaceReading reading = ReadLocator(locator);
    if (reading.place) {
      place = reading.place;
      station.placeText = locator;
    } else if (why.empty()) {
      why = "GRIDSQUARE " + reading.problem;
    }
  }
  if (!place) {
    if (why.empty()) {
      ++file.withoutPlace;
    } else {
      file.skipped.push_back({number, why});
    }
    return;
  }
  station.place = *place;
  const std::string_view call = Trimmed(record.call);
  station.label = call.empty() ? station.placeText : std::string(call);
  file.stations.push_back(std::move(station));
}

}  // namespace

std::optional<double> ReadAdifLocation(std::string_view text, bool latitude) {
  text = Trimmed(text);
  if (text.empty()) return std::nullopt;
  const char hemisphere = static_cast<char>(Lower(text.front()) - 'a' + 'A');
  const bool positive = hemisphere == (latitude ? 'N' : 'E');
  if (!positive && hemisphere != (latitude ? 'S' : 'W')) return std::nullopt;
  text.remove_prefix(1);
  const std::size_t blank = text.find(' ');
  if (blank == std::string_view::npos || blank == 0 || blank > 3) return std::nullopt;
  int degrees = 0;
  const auto [degreesEnd, degreesError] = std::from_chars(text.data(), text.data() + blank, degrees);
  const std::string_view minutesText = Trimmed(text.substr(blank));
  double minutes = 0;
  const auto [minutesEnd, minutesError] =
      std::from_chars(minutesText.data(), minutesText.data() + minutesText.size(), minutes);
  if (degreesError != std::errc() || degreesEnd != text.data() + blank || minutesError != std::errc() ||
      minutesEnd != minutesText.data() + minutesText.size() || minutesText.empty() ||
      minutesText.front() == '-' || !(minutes < 60)) {
    return std::nullopt;
  }
  const double value = degrees + minutes / 60;
  if (degrees < 0 || value > (latitude ? 90 : 180)) return std::nullopt;
  return positive ? value : -value;
}

StationFile ReadAdifLog(std::string_view text) {
  StationFile file;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Record record;
  int number = 1;
  std::string why;
  for (std::size_t at = text.find('<', RecordsStart(text)); at != std::string_view::npos;
       at = text.find('<', at)) {
    const std::optional<Marker> marker = ReadMarker(text, at, why);
    if (marker && !marker->length) {
      at = marker->dataStart;
      if (SameCaseless(marker->name, "eor")) {
        ++file.entries;
        AddRecord(record, number++, file);
        record = {};
        continue;
      }
      if (SameCaseless(marker->name, "eoh")) {
        record = {};  // what came before was a header: this log's, or one of logs joined end to end
        continue;
      }
      why = Shown(marker->inside) + " has no length";
    }
    if (marker && marker->length) {
      const std::string_view data = text.substr(marker->dataStart, *marker->length);
      std::string_view* field = FieldOf(record, marker->name);
      if (HoldsRecordEnd(data) || (field && data.find('<') != std::string_view::npos)) {
        why = Shown(marker->inside) + ": its length runs into the next field";
      } else {
        record.started = true;
        if (field) *field = data;
        at = marker->dataStart + data.size();
        continue;
      }
    }
    file.broken = StationProblem{number, why};
    file.stations.clear();
    return file;
  }
  if (record.started) {
    ++file.entries;
    file.skipped.push_back({number, "the log ends inside this record, before its <EOR>"});
  }
  return file;
}

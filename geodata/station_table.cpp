#include "geodata/station_table.h"

#include <cmath>

#include "base/number_text.h"

namespace {

std::string CsvText(const std::string& text) {
  if (text.empty()) return text;
  std::string field = text;
  if (std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos) {
    field.insert(0, 1, '\'');
  }
  if (field.find_first_of(",\"\r\n") == std::string::npos && field.front() != ' ' && field.back() != ' ') {
    return field;
  }
  std::string quoted = "\"";
  for (const char c : field) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

// A bearing to a tenth of a degree, 359.96 coming round to 0.0 rather than 360.0.
std::string Bearing(double degrees) {
  const double tenths = std::round(degrees * 10);
  return FormatFixed((tenths >= 3600 ? tenths - 3600 : tenths) / 10, 1);
}

}  // namespace

std::string StationTableCsv(const std::vector<StationTableRow>& rows) {
  std::string csv = "label,locator,latitude,longitude,distance_km,short_path_deg,long_path_deg\r\n";
  for (const StationTableRow& row : rows) {
    csv += CsvText(row.label) + "," + CsvText(row.locator) + "," + FormatFixed(row.place.lat, 5) + "," +
           FormatFixed(row.place.lon, 5) + "," + FormatFixed(row.distanceKm, 1) + "," +
           Bearing(row.shortPathDeg) + "," + Bearing(row.longPathDeg) + "\r\n";
  }
  return csv;
}

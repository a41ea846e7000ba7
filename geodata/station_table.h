#pragma once
// The table of a map's stations as CSV (RFC 4180: a header line, fields separated by ",",
// lines ended by CR LF, a text quoted when it holds a comma, a quote or a line break). Numbers
// carry a "." whatever the locale: latitude and longitude to 5 decimals (about a metre),
// distance in km and bearings in degrees to 1.
#include <string>
#include <vector>

#include "geo/geo_point.h"

struct StationTableRow {
  std::string label;
  std::string locator;
  GeoPoint place;
  double distanceKm = 0;
  double shortPathDeg = 0;
  double longPathDeg = 0;
};

// A label or locator that a spreadsheet would take for a formula (one that begins with "=",
// "+", "-", "@" or a tab) gets a "'" before it, so that opening a log's table runs nothing.
std::string StationTableCsv(const std::vector<StationTableRow>& rows);

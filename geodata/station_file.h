#pragma once
// Stations read from an operator's own file: a station list or an ADIF log. The readers take
// the file's text, which the front end has read after checking that the name is a regular
// file, and report what they could not use as data: the line or record, and why.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/geo_point.h"

struct Station {
  GeoPoint place;
  std::string label;      // the list's label or the log's CALL; the place as given when it has none
  std::string placeText;  // the locator or the coordinates as the file gives them
  int source = 0;         // its line in a list, its record in a log, counted from 1
};

struct StationProblem {
  int source = 0;  // the line of a list or the record of a log, counted from 1
  std::string why;
};

struct StationFile {
  std::vector<Station> stations;
  int entries = 0;                       // lines that name a station, or records of a log
  int withoutPlace = 0;                  // log records that give no place at all: left out
  std::vector<StationProblem> skipped;   // entries whose place cannot be read: left out
  std::optional<StationProblem> broken;  // where the file stopped making sense; then no stations
};

// ".adi" and ".adif" files (in any case) are ADIF logs; every other name a station list.
bool IsAdifLogName(std::string_view fileName);

// The stations of a file of that name, read by the reader its name calls for.
StationFile ReadStationFile(std::string_view fileName, std::string_view text);

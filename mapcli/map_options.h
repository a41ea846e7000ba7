#pragma once
// The command line of skerrowen-map, read into a station map request. Each option is one
// entry of a table: its names, its value's name and its help line, the part of the request it
// gives, and the check of its value.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stationmap/station_map.h"

struct MapOptions {
  StationMapRequest request;
  // What gave the centre and the radius, as problems with them name it: "--centre",
  // "--locator" or "--radius"; empty while nothing has (the window's view is the default).
  std::string centreFrom;
  std::string radiusFrom;
  bool fromView = false;
  bool outGiven = false;
  bool imageGiven = false;
  bool timeIsNow = false;
  bool help = false;
  bool version = false;
  bool timings = false;
  std::string targetsPath;  // --targets: read by main, which words what it leaves out
  bool greylineFan = false;
};

struct MapOption {
  const char* names;                     // "--radius", or "-h, --help"
  const char* valueName;                 // "KM"; empty for an option that takes no value
  const char* help;                      // its lines in the usage, '\n' between them
  std::optional<StationMapField> field;  // the part of the request it gives
  // Takes the value ("" for an option without one) into `options`; returns why the value is
  // refused, or empty.
  std::string (*take)(const std::string& value, MapOptions& options);
};

std::span<const MapOption> MapOptionTable();

// The entry of an option as it is typed ("--out", "-out", "--out=map.png"); null when there
// is none.
const MapOption* FindMapOption(std::string_view typed);

// "--help" of "-h, --help": the name an option goes by in messages.
std::string LongName(const MapOption& option);

// What the options given say together, once each has been taken: the problem, or empty.
std::string CheckMapOptionsTogether(const MapOptions& options);

struct MapOptionsReading {
  std::optional<MapOptions> options;
  std::string problem;  // one line naming the option, when the command line is not usable
};

// `arguments` without the program's name. Help and the version are answered whatever else the
// line holds; otherwise the first problem found is given.
MapOptionsReading ReadMapOptions(const std::vector<std::string>& arguments);

// The usage printed for --help, its option lines made from the table.
std::string MapUsage();

// A problem with the map in the command line's words: the option that gave the part at
// fault, or the stored view.
std::string ProblemText(const StationMapProblem& problem, const MapOptions& options);

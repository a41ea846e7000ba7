// The map maker as a whole process with the country layers: skerrowen-map's own options, and
// --countries, --prefixes, --fields and --units km|mi|nm, for the overlay benchmarks. The
// outlines' copy is kept in the user's cache as the programs keep it.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/posix_file_store.h"
#include "geodata/country_outlines.h"
#include "geodata/outline_preparer.h"
#include "mapcli/map_options.h"

int main(int argc, char** argv) {
  std::vector<std::string> rest;
  bool countries = false, prefixes = false, fields = false;
  std::optional<DistanceUnit> units = DistanceUnit::Kilometre;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--countries") {
      countries = true;
    } else if (argument == "--prefixes") {
      prefixes = true;
    } else if (argument == "--fields") {
      fields = true;
    } else if (argument == "--units" && i + 1 < argc) {
      units = DistanceUnitOf(argv[++i]);
    } else {
      rest.push_back(argument);
    }
  }
  const MapOptionsReading reading = ReadMapOptions(rest);
  if (!reading.options || !units || !reading.options->centreGiven || !reading.options->outGiven ||
      !reading.options->imageGiven) {
    std::fprintf(stderr, "layered_map: %s (--centre, --image and --out are needed)\n",
                 reading.problem.c_str());
    return 2;
  }
  StationMapRequest request = reading.options->request;
  request.countries = countries;
  request.prefixes = prefixes;
  request.fields = fields;
  request.units = *units;
  request.data.outlineCacheFolder = OutlineCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  request.data.outlinePreparer = std::string(SKERROWEN_BINARY_DIR) + "/" + kOutlinePreparerName;
  // Labels need fonts, and fonts a GUI application; lines alone do not.
  std::optional<QGuiApplication> application;
  if (request.ringsKm > 0 || request.spokesDeg > 0 || request.gridDeg > 0 || request.target || prefixes ||
      fields) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application.emplace(argc, argv);
  }
  PosixFileStore files;
  const StationMapResult result = MakeStationMap(request, {}, &files);
  if (!result.ok) {
    std::fprintf(stderr, "layered_map: %s\n", result.problem.c_str());
    return 2;
  }
  std::printf("Wrote %s; overlays %.1f ms\n", result.picturePath.c_str(), result.timings.overlays);
  return 0;
}

#include "stationmap/country_data.h"

#include <filesystem>

#include "geodata/outline_preparer.h"

namespace {

std::string PreparerOf(const CountryDataFiles& files) {
  if (!files.outlinePreparer.empty()) return files.outlinePreparer;
  std::error_code error;
  return OutlinePreparerOf(std::filesystem::read_symlink("/proc/self/exe", error).string());
}

}  // namespace

CountryDataLoad LoadCountryData(const StationMapRequest& request, const std::function<bool()>& keepGoing) {
  CountryDataLoad load;
  // With leaveOutMissingData a layer without its data is told and left out; else the map stops.
  const auto without = [&](StationMapField layer, const DataFileProblem& problem) {
    StationMapProblem told{layer, DataProblemText(problem)};
    if (request.leaveOutMissingData) {
      load.leftOut.push_back(std::move(told));
      return true;
    }
    load.problem = std::move(told);
    return false;
  };
  if (request.prefixes) {
    DxccTable table = ReadDxccEntities(request.data.countryFilePath);
    if (table.problem && !without(StationMapField::Prefixes, *table.problem)) return load;
    load.data.entities = std::move(table.entities);
  }
  if (request.countries) {
    MapOutlineLoad outlines = LoadOutlinesForMap({request.data.chartPath, request.data.cacheFolder},
                                                 {PreparerOf(request.data)}, keepGoing);
    load.prepared = outlines.prepared;
    if (outlines.stopped) {
      load.stopped = true;
      return load;
    }
    if (outlines.load.problem && !without(StationMapField::Countries, *outlines.load.problem)) return load;
    load.data.outlines = std::move(outlines.load.outlines);
  }
  return load;
}

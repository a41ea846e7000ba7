#include "mapcli/target_file.h"

#include "geodata/text_file.h"

namespace {

// A log of a lifetime is a few tens of megabytes at most.
constexpr std::size_t kLargestTargetFile = 256u << 20;

}  // namespace

TargetFileReading ReadTargetFile(const std::string& path) {
  TargetFileReading reading;
  const std::string at = "--targets: \"" + path + "\"";
  const TextFile file = ReadTextFile(path, kLargestTargetFile);
  if (file.problem) {
    const DataFileProblem& problem = *file.problem;
    switch (problem.fault) {
      case DataFileFault::Missing:
        reading.problem = at + " does not exist";
        break;
      case DataFileFault::Malformed:
        reading.problem = at + " is " + problem.detail;
        break;
      default:
        reading.problem = at + " cannot be read (" + problem.detail + ")";
    }
    return reading;
  }
  const bool log = IsAdifLogName(path);
  const char* entry = log ? "record" : "line";
  StationFile stations = ReadStationFile(path, file.text);
  if (stations.broken) {
    reading.problem =
        at + ", " + entry + " " + std::to_string(stations.broken->source) + ": " + stations.broken->why;
    return reading;
  }
  for (const StationProblem& skipped : stations.skipped) {
    reading.notes.push_back(at + ", " + entry + " " + std::to_string(skipped.source) + ": " + skipped.why +
                            "; left out");
  }
  if (stations.withoutPlace > 0) {
    reading.notes.push_back(at + ": " + std::to_string(stations.withoutPlace) + " " + entry +
                            (stations.withoutPlace == 1 ? " gives" : "s give") + " no place; left out");
  }
  if (stations.stations.empty()) {
    reading.problem = at + " names no station this map can place" +
                      (reading.notes.empty() ? std::string() : " (" + reading.notes.front() + ")");
    reading.notes.clear();
    return reading;
  }
  reading.stations = std::move(stations.stations);
  return reading;
}

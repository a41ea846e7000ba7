#include "mapcli/target_file.h"

#include <sys/stat.h>

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
      default: {
        struct stat status {};
        const bool folder = ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        reading.problem = at + (folder ? " is a folder, not a station list or log"
                                       : " cannot be read (" + problem.detail + ")");
      }
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
  // What is left out, each after the file's name.
  std::vector<std::string> leftOut;
  for (const StationProblem& skipped : stations.skipped)
    leftOut.push_back(std::string(entry) + " " + std::to_string(skipped.source) + ": " + skipped.why);
  if (stations.withoutPlace > 0) {
    leftOut.push_back(std::to_string(stations.withoutPlace) + " " + entry +
                      (stations.withoutPlace == 1 ? " gives" : "s give") + " no place");
  }
  if (stations.stations.empty()) {
    reading.problem = at + " names no station this map can place" +
                      (leftOut.empty() ? std::string() : " (" + leftOut.front() + ")");
    return reading;
  }
  for (const std::string& what : leftOut) reading.notes.push_back(at + ", " + what + "; left out");
  reading.stations = std::move(stations.stations);
  return reading;
}

#include "geodata/station_list.h"

#include "geo/place_text.h"

namespace {

// Coordinates may be written with blanks ("52.5 N, 13.4 E"), so the place is the longest
// run of up to this many words at the start of the line that reads as one.
constexpr std::size_t kMostPlaceWords = 5;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where each of the line's first words ends.
std::vector<std::size_t> WordEnds(std::string_view line) {
  std::vector<std::size_t> ends;
  std::size_t at = 0;
  while (at < line.size() && ends.size() < kMostPlaceWords) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) break;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    ends.push_back(at);
  }
  return ends;
}

// Reads one entry's line (trimmed, without its comment) into the file's stations or problems.
void ReadEntry(std::string_view line, int lineNumber, StationFile& file) {
  const std::vector<std::size_t> ends = WordEnds(line);
  // A locator is one word; coordinates are the words up to and just past their comma. The
  // problem worth naming is that of the shortest candidate with the comma, or of the first word.
  PlaceReading named;
  for (std::size_t words = ends.size(); words >= 1; --words) {
    const std::string_view candidate = line.substr(0, ends[words - 1]);
    const bool comma = candidate.find(',') != std::string_view::npos;
    if (words > 1 && !comma) continue;
    PlaceReading reading = ReadPlace(candidate);
    if (reading.place) {
      Station station;
      station.place = *reading.place;
      station.placeText = std::string(candidate);
      station.label = std::string(Trimmed(line.substr(candidate.size())));
      if (station.label.empty()) station.label = station.placeText;
      station.source = lineNumber;
      file.stations.push_back(std::move(station));
      return;
    }
    if (comma || named.problem.empty()) named = std::move(reading);
  }
  file.skipped.push_back({lineNumber, named.problem});
}

}  // namespace

StationFile ReadStationList(std::string_view text) {
  StationFile file;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++lineNumber;
    line = Trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    ++file.entries;
    ReadEntry(line, lineNumber, file);
  }
  return file;
}

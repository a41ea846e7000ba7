#include "geodata/dxcc_entities.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "geodata/text_file.h"

namespace {

// The file is about 330 kB; ten times that is no country file.
constexpr std::size_t kSizeLimit = 4 << 20;

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int LineOf(std::string_view text, std::size_t offset) {
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

std::optional<double> NumberIn(std::string_view field, double low, double high) {
  const std::optional<double> value = ParseNumber(std::string(field));
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

std::optional<int> ZoneIn(std::string_view field, int high) {
  if (field.empty() || field.size() > 2) return std::nullopt;
  int zone = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    zone = zone * 10 + (c - '0');
  }
  if (zone < 1 || zone > high) return std::nullopt;
  return zone;
}

bool IsContinent(std::string_view field) {
  for (const char* c : {"AF", "AN", "AS", "EU", "NA", "OC", "SA"}) {
    if (field == c) return true;
  }
  return false;
}

// The prefixes of an alias list, without the whole callsigns ("=DA0BHV/LGT") and without the
// zone, place and time marks that follow some of them ("VK6(29)[58]").
std::vector<std::string_view> PrefixesOf(std::string_view aliases) {
  std::vector<std::string_view> prefixes;
  while (!aliases.empty()) {
    const std::size_t comma = aliases.find(',');
    std::string_view entry = Trimmed(aliases.substr(0, comma));
    aliases = comma == std::string_view::npos ? std::string_view{} : aliases.substr(comma + 1);
    if (entry.empty() || entry.front() == '=') continue;
    entry = entry.substr(0, entry.find_first_of("([<{~"));
    if (!entry.empty()) prefixes.push_back(entry);
  }
  return prefixes;
}

double WeightOf(std::vector<std::string_view> prefixes) {
  std::sort(prefixes.begin(), prefixes.end());
  prefixes.erase(std::unique(prefixes.begin(), prefixes.end()), prefixes.end());
  double weight = 0;
  for (std::string_view prefix : prefixes) {
    const bool covered = std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view other) {
      return other.size() < prefix.size() && prefix.substr(0, other.size()) == other;
    });
    if (!covered) weight += std::pow(36.0, 2 - static_cast<double>(prefix.size()));
  }
  return weight;
}

DxccTable Malformed(std::string_view text, std::size_t offset, const std::string& what) {
  DxccTable table;
  table.problem = DataFileProblem{DataFileFault::Malformed,
                                  {},
                                  kCtyDatPackage,
                                  "line " + std::to_string(LineOf(text, offset)) + ": " + what};
  return table;
}

}  // namespace

DxccTable ParseCtyDat(std::string_view text) {
  DxccTable table;
  // The eight fields of a record's head, each ended by a colon.
  enum Field { kName, kCq, kItu, kContinent, kLatitude, kLongitude, kOffset, kPrefix, kFields };
  static constexpr const char* kFieldNames[kFields] = {
      "name", "CQ zone", "ITU zone", "continent", "latitude", "longitude", "time offset", "primary prefix"};
  std::size_t at = 0;
  for (;;) {
    while (at < text.size() && Trimmed(text.substr(at, 1)).empty()) ++at;
    if (at == text.size()) break;
    const std::size_t end = text.find(';', at);
    if (end == std::string_view::npos) return Malformed(text, at, "the record has no closing ';'");
    std::string_view fields[kFields];
    std::size_t cursor = at;
    for (int f = 0; f < kFields; ++f) {
      const std::size_t colon = text.find(':', cursor);
      if (colon == std::string_view::npos || colon > end) {
        return Malformed(text, at, std::string("the record ends before its ") + kFieldNames[f]);
      }
      fields[f] = Trimmed(text.substr(cursor, colon - cursor));
      cursor = colon + 1;
    }
    const auto bad = [&](Field f, const char* wanted) {
      return Malformed(
          text, at,
          std::string("the ") + kFieldNames[f] + " \"" + std::string(fields[f]) + "\" is not " + wanted);
    };
    DxccEntity entity;
    entity.name = std::string(fields[kName]);
    if (entity.name.empty()) return bad(kName, "a name");
    const std::optional<int> cq = ZoneIn(fields[kCq], 40);
    if (!cq) return bad(kCq, "a zone from 1 to 40");
    const std::optional<int> itu = ZoneIn(fields[kItu], 90);
    if (!itu) return bad(kItu, "a zone from 1 to 90");
    if (!IsContinent(fields[kContinent])) return bad(kContinent, "AF, AN, AS, EU, NA, OC or SA");
    const std::optional<double> lat = NumberIn(fields[kLatitude], -90, 90);
    if (!lat) return bad(kLatitude, "a number from -90 to 90");
    const std::optional<double> west = NumberIn(fields[kLongitude], -180, 180);
    if (!west) return bad(kLongitude, "a number from -180 to 180");
    const std::optional<double> offset = NumberIn(fields[kOffset], -14, 14);
    if (!offset) return bad(kOffset, "a number of hours from -14 to 14");
    std::string_view prefix = fields[kPrefix];
    if (!prefix.empty() && prefix.front() == '*') {
      entity.dxcc = false;
      prefix.remove_prefix(1);
    }
    if (prefix.empty()) return bad(kPrefix, "a prefix");
    entity.primaryPrefix = std::string(prefix);
    entity.cqZone = *cq;
    entity.ituZone = *itu;
    entity.continent = std::string(fields[kContinent]);
    // The file counts longitudes and time offsets positive west.
    entity.place = {*lat, *west == 0 ? 0 : -*west};
    entity.utcOffsetHours = *offset == 0 ? 0 : -*offset;
    entity.weight = WeightOf(PrefixesOf(text.substr(cursor, end - cursor)));
    table.entities.push_back(std::move(entity));
    at = end + 1;
  }
  if (table.entities.empty()) return Malformed(text, 0, "no entity in the file");
  return table;
}

DxccTable ReadDxccEntities(const std::string& path) {
  TextFile file = ReadTextFile(path, kSizeLimit);
  DxccTable table = file.problem ? DxccTable{{}, std::move(file.problem)} : ParseCtyDat(file.text);
  if (table.problem) {
    table.problem->path = path;
    table.problem->package = kCtyDatPackage;
  }
  return table;
}

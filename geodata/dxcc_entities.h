#pragma once
// The DXCC entities of the country file radio amateurs keep (cty.dat, Debian's package
// hamradio-files): where each is, its primary prefix and zones, and how much of the world's
// callsign space it holds, so that where two labels would touch the one with more operators
// behind it wins.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/geo_point.h"
#include "geodata/data_file_problem.h"

inline constexpr const char* kCtyDatPath = "/usr/share/hamradio-files/cty.dat";
inline constexpr const char* kCtyDatPackage = "hamradio-files";

struct DxccEntity {
  std::string name;           // "Fed. Rep. of Germany"
  std::string primaryPrefix;  // "DL"; some carry a part after a slash that tells entities of one
                              // prefix apart ("3D2/c", Conway Reef)
  bool dxcc = true;           // false for the places on the WAE list only ("*TA1")
  int cqZone = 0;             // 1..40
  int ituZone = 0;            // 1..90
  std::string continent;      // AF, AN, AS, EU, NA, OC or SA
  GeoPoint place;             // east positive, as everywhere else in the system
  double utcOffsetHours = 0;  // local time minus UTC
  // The entity's share of the callsign space, in two-character series: the prefixes it holds
  // that no shorter prefix of its own covers, each worth 36 ^ (2 - length). A one-character
  // series (K, F, G) counts 36, a two-character one (DA ... DR) 1, "UA2" 1/36. A country's
  // islands and outposts, which hold only long prefixes inside its series, weigh little,
  // however many of them the file lists.
  double weight = 0;
};

struct DxccTable {
  std::vector<DxccEntity> entities;  // in the file's order
  std::optional<DataFileProblem> problem;
};

// The entities in the text of a country file. A malformed record leaves the table empty, with
// the line and the field in the problem's detail.
DxccTable ParseCtyDat(std::string_view text);
DxccTable ReadDxccEntities(const std::string& path = kCtyDatPath);

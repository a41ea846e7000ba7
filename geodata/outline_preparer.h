#pragma once
// Country outlines for the map makers: the prepared copy mapped from the cache, and when it is
// missing or stale, prepared first by the program skerrowen-prepare-outlines, so that the
// window and skerrowen-map never load libnetcdf themselves.
#include <chrono>
#include <functional>
#include <string>

#include "geodata/country_outlines.h"

inline constexpr const char* kOutlinePreparerName = "skerrowen-prepare-outlines";

struct OutlinePreparer {
  std::string program;  // the preparing program's path
  // Preparing takes a few seconds; a program still at it after this much is ended and the
  // outlines count as not prepared.
  std::chrono::milliseconds patience{std::chrono::minutes(2)};
};

// The preparing program of the program at `programPath`: beside it (a build tree), else in
// ../lib/skerrowen from its folder (installed). The first place when it is in neither.
std::string OutlinePreparerOf(const std::string& programPath);

struct MapOutlineLoad {
  OutlineLoad load;
  bool prepared = false;  // the preparing program ran
  bool stopped = false;   // `keepGoing` ended the wait: no outlines, no problem
};

// The outlines of the chart: the copy in the cache folder when it is current; else the
// preparing program makes it there (or, when the folder cannot take it, in a temporary folder
// removed again once the copy is mapped) while `keepGoing`, asked several times a second,
// answers true. Answering false ends the program and the wait. A program that cannot be run,
// fails or outlasts its patience leaves the outlines NotPrepared, the reason in the detail.
MapOutlineLoad LoadOutlinesForMap(const OutlineSources& sources, const OutlinePreparer& preparer,
                                  const std::function<bool()>& keepGoing = {});

#pragma once
// The stations of --targets: a station list or an ADIF log read from a regular file, with the
// entries it had to leave out worded for the operator.
#include <string>
#include <vector>

#include "geodata/station_file.h"

struct TargetFileReading {
  std::vector<Station> stations;
  std::string problem;             // one line when nothing can be used: no stations then
  std::vector<std::string> notes;  // entries left out, one line each
};

TargetFileReading ReadTargetFile(const std::string& path);

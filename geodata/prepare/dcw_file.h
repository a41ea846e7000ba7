#pragma once
// The chart read through libnetcdf (see geodata/dcw_chart.h for its form).
//
// The file also holds the states of eight large countries under longer names ("USAK",
// "AUNSW"); the country's own arrays hold its whole outline, so only the two-letter names are
// read.
#include <optional>
#include <string>
#include <vector>

#include "geo/geo_point.h"
#include "geodata/data_file_problem.h"
#include "geodata/dcw_chart.h"

// One country's arrays as the file holds them: raw values, the marks between rings included.
struct DcwCountry {
  std::string code;  // "DE"
  double lonMin = 0, lonScale = 1, latMin = 0, latScale = 1;
  std::vector<std::uint16_t> lon, lat;

  GeoPoint At(std::size_t k) const { return {latMin + lat[k] / latScale, lonMin + lon[k] / lonScale}; }
};

class DcwFile {
 public:
  // Nothing, with the problem, when the file is missing, unreadable or no such chart.
  static std::optional<DcwFile> Open(const std::string& path, DataFileProblem* problem);
  DcwFile(DcwFile&& other) noexcept;
  DcwFile& operator=(DcwFile&&) = delete;
  ~DcwFile();

  // The countries' two-letter codes in the file's order.
  const std::vector<std::string>& Countries() const { return countries_; }
  // Reads one country's arrays whole, values as they are stored: netCDF's fill value of these
  // arrays is 65535 too, and nothing here may take the ring marks for missing data.
  std::optional<DcwCountry> Read(const std::string& code, DataFileProblem* problem) const;

 private:
  DcwFile(int id, std::string path, std::vector<std::string> countries)
      : id_(id), path_(std::move(path)), countries_(std::move(countries)) {}
  int id_ = -1;
  std::string path_;
  std::vector<std::string> countries_;
};

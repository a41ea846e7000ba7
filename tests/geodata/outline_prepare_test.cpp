// The prepared copy of the chart: its full detail the chart's own values, as ncdump reads them;
// its coarser levels within their tolerances; the chart's odd corners kept.
#include <gtest/gtest.h>

#include <cmath>

#include "geodata/chart_tools.h"
#include "geodata/installed_outlines.h"
#include "geodata/sphere_distance.h"

namespace {

std::vector<std::vector<RawPoint>> RingsOf(const std::vector<unsigned>& lon,
                                           const std::vector<unsigned>& lat) {
  std::vector<std::vector<RawPoint>> rings;
  for (std::size_t k = 0; k < lon.size(); ++k) {
    if (lon[k] == 65535) {
      rings.emplace_back();
      continue;
    }
    if (rings.empty()) rings.emplace_back();
    rings.back().push_back({static_cast<std::uint16_t>(lon[k]), static_cast<std::uint16_t>(lat[k])});
  }
  std::erase_if(rings, [](const auto& ring) { return ring.empty(); });
  return rings;
}

// Every country of the chart, every ring, every value, and the numbers that turn them into
// degrees; the states the chart also holds are not countries.
void ExpectCopyEqualsChart(const OutlineImage& image, const std::string& chart) {
  const std::string header = DumpedHeader(chart);
  ASSERT_FALSE(header.empty()) << "ncdump (netcdf-bin) did not answer";
  std::vector<std::string> names;
  for (const OutlineCountry& country : image.Countries()) {
    const std::string code(country.code, 2);
    names.push_back(code + "_lon");
    names.push_back(code + "_lat");
    EXPECT_NEAR(country.lonMin, DumpedAttribute(header, code + "_lon:min"), 1e-6) << code;
    EXPECT_NEAR(country.latMin, DumpedAttribute(header, code + "_lat:min"), 1e-6) << code;
    EXPECT_NEAR(country.lonScale / DumpedAttribute(header, code + "_lon:scale"), 1, 1e-9) << code;
    EXPECT_NEAR(country.latScale / DumpedAttribute(header, code + "_lat:scale"), 1, 1e-9) << code;
  }
  std::size_t variables = 0;
  for (std::size_t at = header.find("\tushort "); at != std::string::npos;
       at = header.find("\tushort ", at + 1)) {
    const std::size_t end = header.find("_lon(", at);
    if (end == at + 10) ++variables;  // "\tushort XX_lon("
  }
  EXPECT_EQ(image.Countries().size(), variables) << "every two-letter code is a country";

  const auto arrays = DumpedArrays(chart, names);
  for (std::size_t c = 0; c < image.Countries().size(); ++c) {
    const OutlineCountry& country = image.Countries()[c];
    const std::string code(country.code, 2);
    const auto lon = arrays.find(code + "_lon"), lat = arrays.find(code + "_lat");
    ASSERT_TRUE(lon != arrays.end() && lat != arrays.end()) << code;
    ASSERT_EQ(lon->second.size(), lat->second.size()) << code;
    const auto rings = RingsOf(lon->second, lat->second);
    ASSERT_EQ(rings.size(), country.ringCount) << code;
    for (std::uint32_t r = 0; r < country.ringCount; ++r) {
      ASSERT_EQ(image.DecodeRing(country.firstRing + r, 0), rings[r]) << code << " ring " << r;
    }
  }
}

TEST(OutlineCopy, FullDetailIsTheInstalledChartValueForValue) {
  REQUIRE_INSTALLED_OUTLINES();
  ExpectCopyEqualsChart(InstalledOutlines().outlines->Image(), kDcwPath);
}

// A level is the full detail with points left out: each one left out lies within the level's
// tolerance of the arc that replaces it. Checked on the rings of countries with fjords, skerries,
// long rivers and the antimeridian.
TEST(OutlineCopy, EveryLevelStaysWithinItsToleranceOfTheFullDetail) {
  REQUIRE_INSTALLED_OUTLINES();
  const OutlineImage& image = InstalledOutlines().outlines->Image();
  std::size_t previousTotal = SIZE_MAX;
  for (int level = 1; level < kOutlineLevels; ++level) {
    std::size_t total = 0;
    for (const OutlineChunk& chunk : image.Chunks()) total += chunk.levels[level].count;
    EXPECT_LT(total, previousTotal) << "level " << level;
    previousTotal = total;
  }
  for (const OutlineCountry& country : image.Countries()) {
    const std::string code(country.code, 2);
    if (code != "NO" && code != "GR" && code != "FJ" && code != "BR" && code != "CH") continue;
    for (std::uint32_t r = country.firstRing; r < country.firstRing + country.ringCount; ++r) {
      const std::vector<RawPoint> full = image.DecodeRing(r, 0);
      for (int level = 1; level < kOutlineLevels; ++level) {
        const double tolerance = kOutlineLevelTolerancesKm[level];
        const std::vector<RawPoint> kept = image.DecodeRing(r, level);
        ASSERT_GE(kept.size(), std::min<std::size_t>(full.size(), 2)) << code;
        EXPECT_EQ(kept.front(), full.front());
        EXPECT_EQ(kept.back(), full.back());
        std::size_t next = 1;  // the kept point the full detail walks towards
        double worst = 0;
        for (std::size_t k = 1; k + 1 < full.size() && next < kept.size(); ++k) {
          const double km =
              KmFromArc(country.At(full[k]), country.At(kept[next - 1]), country.At(kept[next]));
          worst = std::max(worst, km);
          if (full[k] == kept[next] && next + 1 < kept.size()) ++next;
        }
        if (full.size() >= 2) {
          EXPECT_EQ(next, kept.size() - 1) << code << " ring " << r << ": not a subsequence";
        }
        EXPECT_LE(worst, tolerance + 0.001) << code << " ring " << r << " level " << level;
      }
    }
  }
}

constexpr const char* kOddChart = R"(netcdf odd {
dimensions:
	FJ_length = 10 ;
	AQ_length = 4 ;
	USAK_length = 2 ;
variables:
	ushort FJ_lon(FJ_length) ;
		FJ_lon:min = 176.9 ;
		FJ_lon:scale = 8080.5 ;
	ushort FJ_lat(FJ_length) ;
		FJ_lat:min = -21. ;
		FJ_lat:scale = 10000. ;
	ushort AQ_lon(AQ_length) ;
		AQ_lon:min = -180. ;
		AQ_lon:scale = 100. ;
	ushort AQ_lat(AQ_length) ;
		AQ_lat:min = -80. ;
		AQ_lat:scale = 100. ;
	ushort USAK_lon(USAK_length) ;
		USAK_lon:min = 180. ;
		USAK_lon:scale = 100. ;
	ushort USAK_lat(USAK_length) ;
		USAK_lat:min = 60. ;
		USAK_lat:scale = 100. ;
data:
 FJ_lon = 65535, 0, 20000, 30000, 0, 65535, 65535, 65534, 65534, 65000 ;
 FJ_lat = 0, 0, 0, 30000, 0, 7, 0, 65535, 0, 65535 ;
 AQ_lon = 1, 2, 65535, 3 ;
 AQ_lat = 1, 2, 0, 3 ;
 USAK_lon = 65535, 1 ;
 USAK_lat = 0, 1 ;
}
)";

// Longitudes past 180, a latitude of 65535 (a real point netCDF would take for its fill value),
// marks side by side, a first ring without a mark before it and a state.
TEST(OutlineCopy, KeepsTheChartsOddCorners) {
  const auto folder = FreshFolder("odd_chart");
  const std::string chart = (folder / "odd.nc").string();
  ASSERT_TRUE(MakeChart(chart, kOddChart)) << "ncgen (netcdf-bin) could not write the chart";
  PosixFileStore files;
  const OutlineLoad load = LoadCountryOutlines({chart, ""}, files);
  ASSERT_TRUE(load.outlines) << load.problem->detail;
  const OutlineImage& image = load.outlines->Image();
  ExpectCopyEqualsChart(image, chart);
  ASSERT_EQ(image.Countries().size(), 2u);
  const OutlineCountry& fiji = image.Countries()[0];
  ASSERT_EQ(fiji.ringCount, 2u);
  const std::vector<RawPoint> far = image.DecodeRing(fiji.firstRing + 1, 0);
  ASSERT_EQ(far.size(), 3u);
  EXPECT_NEAR(fiji.At(far[0]).lon, 176.9 + 65534 / 8080.5, 1e-9);
  EXPECT_NEAR(fiji.At(far[0]).lat, -21 + 65535 / 10000.0, 1e-9);
  EXPECT_EQ(std::string(image.Countries()[1].code, 2), "AQ");
  EXPECT_EQ(image.Countries()[1].ringCount, 2u);
}

}  // namespace

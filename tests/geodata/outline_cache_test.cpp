// The prepared copy in the user's cache: written once, read while the chart stays as it is,
// made anew when the chart changes or the copy is damaged, and never a reason for a map to
// fail; without the chart there are no outlines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "base/posix_file_store.h"
#include "geodata/chart_tools.h"
#include "geodata/prepare/outline_preparation.h"

namespace {

namespace fs = std::filesystem;

// Two countries: a square of 2 degrees around 50 N 10 E, and an island ring over the
// antimeridian, in the chart's way of longitudes past 180.
std::string ChartText(int squareLatitudeValue) {
  return R"(netcdf small {
dimensions:
	DE_length = 6 ;
	FJ_length = 5 ;
variables:
	ushort DE_lon(DE_length) ;
		DE_lon:min = 9. ;
		DE_lon:scale = 1000. ;
	ushort DE_lat(DE_length) ;
		DE_lat:min = 49. ;
		DE_lat:scale = 1000. ;
	ushort FJ_lon(FJ_length) ;
		FJ_lon:min = 179.5 ;
		FJ_lon:scale = 1000. ;
	ushort FJ_lat(FJ_length) ;
		FJ_lat:min = -17. ;
		FJ_lat:scale = 1000. ;
data:
 DE_lon = 65535, 0, 2000, 2000, 0, 0 ;
 DE_lat = 0, 0, 0, )" +
         std::to_string(squareLatitudeValue) + R"(, 2000, 0 ;
 FJ_lon = 65535, 0, 1000, 500, 0 ;
 FJ_lat = 0, 0, 0, 500, 0 ;
}
)";
}

class OutlineCache : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    chart_ = (folder_ / "chart.nc").string();
    cacheFolder_ = (folder_ / "cache" / "skerrowen").string();
    cache_ = cacheFolder_ + "/" + kOutlineCacheName;
    ASSERT_TRUE(MakeChart(chart_, ChartText(2000))) << "ncgen (netcdf-bin) could not write the chart";
  }

  OutlineLoad Load(const std::string& cacheFolder) {
    return LoadCountryOutlines({chart_, cacheFolder}, files_);
  }
  OutlineLoad Load() { return Load(cacheFolder_); }

  // What a 1000 km map around the square shows, rounded to metres.
  static std::vector<std::vector<std::pair<long, long>>> Shown(const OutlineLoad& load) {
    std::vector<std::vector<std::pair<long, long>>> shown;
    if (!load.outlines) return shown;
    for (const auto& piece : load.outlines->OnMap(AzimuthalEquidistant({50, 10}), 1414, 0.5)) {
      shown.emplace_back();
      for (const PlanePoint& p : piece)
        shown.back().push_back({std::lround(p.x * 1000), std::lround(p.y * 1000)});
    }
    return shown;
  }

  fs::path folder_;
  std::string chart_, cacheFolder_, cache_;
  PosixFileStore files_;
};

TEST_F(OutlineCache, WrittenOnceThenReadThenMadeAnewWhenTheChartChanges) {
  const OutlineLoad first = Load();
  ASSERT_TRUE(first.outlines) << first.problem->detail;
  EXPECT_EQ(first.cache, OutlineCacheUse::Written) << first.cacheDetail;
  ASSERT_TRUE(fs::is_regular_file(cache_));
  ASSERT_EQ(Shown(first).size(), 1u) << "the square, whole; the island is beyond the map";

  const OutlineLoad second = Load();
  EXPECT_EQ(second.cache, OutlineCacheUse::Read) << second.cacheDetail;
  EXPECT_EQ(Shown(second), Shown(first));

  // A chart put in place anew (as a package upgrade does), here with one corner moved.
  fs::remove(chart_);
  ASSERT_TRUE(MakeChart(chart_, ChartText(1500)));
  const OutlineLoad changed = Load();
  EXPECT_EQ(changed.cache, OutlineCacheUse::Written);
  EXPECT_NE(Shown(changed), Shown(first));
  EXPECT_EQ(Load().cache, OutlineCacheUse::Read);

  // Only the time changed: the copy is made anew all the same.
  const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, chart_.c_str(), times, 0), 0);
  EXPECT_EQ(Load().cache, OutlineCacheUse::Written);
}

TEST_F(OutlineCache, ADamagedOrForeignCopyIsMadeAnew) {
  const auto expected = Shown(Load());
  ASSERT_FALSE(expected.empty());
  const auto bytes = [&] {
    std::ifstream in(cache_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  const auto put = [&](const std::string& content) {
    fs::remove(cache_);
    std::ofstream(cache_, std::ios::binary) << content;
  };
  std::string flipped = bytes;
  flipped[120] ^= 0x20;  // inside the tables
  for (const std::string& content :
       {bytes.substr(0, bytes.size() / 2), flipped, std::string("GIF89a"), std::string(), bytes + "more"}) {
    put(content);
    const OutlineLoad load = Load();
    EXPECT_EQ(load.cache, OutlineCacheUse::Written) << content.size() << " bytes";
    EXPECT_FALSE(load.cacheDetail.empty());
    EXPECT_EQ(Shown(load), expected) << content.size() << " bytes";
    EXPECT_EQ(Load().cache, OutlineCacheUse::Read);
  }
}

// Whatever stands at the copy's name, the map gets its outlines; a link is replaced, never
// written through; a named pipe does not hold the reader.
TEST_F(OutlineCache, HostileNamesNeverStopTheMap) {
  const auto expected = Shown(Load(""));
  ASSERT_FALSE(expected.empty());
  fs::create_directories(cacheFolder_);

  // What is not a regular file at the copy's name is never replaced: the chart is read instead.
  ASSERT_EQ(::mkfifo(cache_.c_str(), 0600), 0);
  OutlineLoad load = Load();
  EXPECT_EQ(load.cache, OutlineCacheUse::Skipped);
  EXPECT_NE(load.cacheDetail.find("named pipe"), std::string::npos) << load.cacheDetail;
  EXPECT_EQ(Shown(load), expected);

  const std::string victim = (folder_ / "victim.txt").string();
  std::ofstream(victim) << "keep me\n";
  fs::remove(cache_);
  fs::create_symlink(victim, cache_);
  load = Load();
  EXPECT_EQ(Shown(load), expected);
  EXPECT_EQ(load.cache, OutlineCacheUse::Written) << load.cacheDetail;
  EXPECT_FALSE(fs::is_symlink(cache_));
  std::ifstream kept(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me\n");

  fs::remove(cache_);
  fs::create_directories(cache_);
  load = Load();
  EXPECT_EQ(load.cache, OutlineCacheUse::Skipped);
  EXPECT_FALSE(load.cacheDetail.empty());
  EXPECT_EQ(Shown(load), expected);

  const std::string fileAsFolder = (folder_ / "plain-file").string();
  std::ofstream(fileAsFolder) << "x";
  load = Load(fileAsFolder + "/skerrowen");
  EXPECT_EQ(load.cache, OutlineCacheUse::Skipped);
  EXPECT_FALSE(load.cacheDetail.empty());
  EXPECT_EQ(Shown(load), expected);

  EXPECT_EQ(Load("").cache, OutlineCacheUse::Skipped);
}

TEST_F(OutlineCache, WithoutAUsableChartThereAreNoOutlinesWhateverTheCacheHolds) {
  ASSERT_TRUE(Load().outlines);
  const auto expectProblem = [&](DataFileFault fault, const std::string& detail) {
    const OutlineLoad load = Load();
    EXPECT_FALSE(load.outlines);
    ASSERT_TRUE(load.problem);
    EXPECT_EQ(load.problem->fault, fault);
    EXPECT_EQ(load.problem->path, chart_);
    EXPECT_EQ(load.problem->package, "gmt-dcw");
    if (!detail.empty()) {
      EXPECT_EQ(load.problem->detail, detail);
    }
  };
  fs::remove(chart_);
  expectProblem(DataFileFault::Missing, "");
  fs::create_directories(chart_);
  expectProblem(DataFileFault::Unreadable, "not a regular file");
  fs::remove(chart_);
  ASSERT_EQ(::mkfifo(chart_.c_str(), 0600), 0);
  expectProblem(DataFileFault::Unreadable, "not a regular file");
  fs::remove(chart_);
  std::ofstream(chart_) << "<html>not found</html>\n";
  expectProblem(DataFileFault::Malformed, "");
  fs::remove(chart_);
  ASSERT_TRUE(MakeChart(chart_, "netcdf empty {\ndimensions:\n\tn = 1 ;\nvariables:\n\tint n(n) ;\n}\n"));
  expectProblem(DataFileFault::Malformed, "no country in the file");
  fs::remove(chart_);
  ASSERT_TRUE(
      MakeChart(chart_,
                "netcdf half {\ndimensions:\n\tDE_length = 2 ;\nvariables:\n\tushort DE_lon(DE_length) ;\n"
                "\t\tDE_lon:min = 9. ;\n\t\tDE_lon:scale = 1000. ;\n}\n"));
  expectProblem(DataFileFault::Malformed, "has no variable DE_lat");
}

// Numbers no map would give: no lines, or a metre's tolerance, and an answer at once.
TEST_F(OutlineCache, NonsenseMapsGiveAnAnswerAtOnce) {
  const OutlineLoad load = Load("");
  ASSERT_TRUE(load.outlines);
  const AzimuthalEquidistant map({50, 10});
  for (const double visible : {0.0, -5.0, std::nan("")})
    EXPECT_TRUE(load.outlines->OnMap(map, visible, 1).empty());
  for (const double tolerance : {0.0, -1.0, std::nan("")}) {
    std::size_t points = 0;
    for (const auto& piece : load.outlines->OnMap(map, 1414, tolerance)) points += piece.size();
    EXPECT_GT(points, 4u);
    EXPECT_LT(points, 100000u);
  }
  // Far beyond the whole Earth, and coarser than it: the whole world in a few strokes.
  EXPECT_LE(load.outlines->OnMap(map, 1e9, 1e5).size(), 2u);
}

TEST(OutlineCacheFolder, FollowsTheXdgBaseDirectoryRules) {
  EXPECT_EQ(OutlineCacheFolder("/x/cache", "/home/op"), "/x/cache/skerrowen");
  EXPECT_EQ(OutlineCacheFolder(nullptr, "/home/op"), "/home/op/.cache/skerrowen");
  EXPECT_EQ(OutlineCacheFolder("", "/home/op"), "/home/op/.cache/skerrowen");
  EXPECT_EQ(OutlineCacheFolder("relative/cache", "/home/op"), "/home/op/.cache/skerrowen");
  EXPECT_EQ(OutlineCacheFolder(nullptr, nullptr), "");
  EXPECT_EQ(OutlineCacheFolder("", "relative"), "");
}

}  // namespace

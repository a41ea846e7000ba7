// The map makers' way to the outlines: the copy prepared once by skerrowen-prepare-outlines and
// then only mapped; a temporary copy where the cache takes none; the chart's faults passed on;
// and a preparing program that hangs, fails or is stopped never holding the map.
#include "geodata/outline_preparer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "geodata/chart_tools.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const OutlinePreparer kRealPreparer{std::string(SKERROWEN_BINARY_DIR) + "/" + kOutlinePreparerName};

// One country: a square of a degree around 50.5 N 10.5 E.
constexpr const char* kSquareChart = R"(netcdf square {
dimensions:
	DE_length = 5 ;
variables:
	ushort DE_lon(DE_length) ;
		DE_lon:min = 10. ;
		DE_lon:scale = 1000. ;
	ushort DE_lat(DE_length) ;
		DE_lat:min = 50. ;
		DE_lat:scale = 1000. ;
data:
 DE_lon = 0, 1000, 1000, 0, 0 ;
 DE_lat = 0, 0, 1000, 1000, 0 ;
}
)";

// A stand-in for the preparing program: a shell script.
std::string Script(const fs::path& folder, const std::string& name, const std::string& body) {
  const fs::path path = folder / name;
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(path, fs::perms::owner_all);
  return path.string();
}

class OutlinePreparing : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        FreshFolder(std::string("preparer_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    chart_ = (folder_ / "chart.nc").string();
    ASSERT_TRUE(MakeChart(chart_, kSquareChart)) << "ncgen (netcdf-bin) could not write the chart";
    // Temporary copies go here, where the test can see that none is left behind.
    fs::create_directories(folder_ / "tmp");
    ::setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }
  bool TemporariesLeft() const { return !fs::is_empty(folder_ / "tmp"); }

  fs::path folder_;
  std::string chart_;
};

TEST_F(OutlinePreparing, TheCopyIsPreparedOnceThenOnlyMappedOrKeptNowhereWhenTheCacheTakesNone) {
  const std::string cache = (folder_ / "cache" / "skerrowen").string();
  MapOutlineLoad first = LoadOutlinesForMap({chart_, cache}, kRealPreparer);
  ASSERT_TRUE(first.load.outlines) << (first.load.problem ? first.load.problem->detail : "");
  EXPECT_TRUE(first.prepared);
  EXPECT_EQ(first.load.cache, OutlineCacheUse::Written);
  const auto shown = first.load.outlines->OnMap(AzimuthalEquidistant({50.5, 10.5}), 500, 0.1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_GE(shown[0].size(), 5u);

  const MapOutlineLoad second = LoadOutlinesForMap({chart_, cache}, kRealPreparer);
  EXPECT_FALSE(second.prepared);
  EXPECT_EQ(second.load.cache, OutlineCacheUse::Read);
  ASSERT_TRUE(second.load.outlines);

  // No cache folder, and a "folder" that is a file: the copy is made in a temporary folder,
  // mapped, and the folder removed.
  std::ofstream(folder_ / "a file") << "x";
  for (const std::string& unusable : {std::string(), (folder_ / "a file").string()}) {
    const MapOutlineLoad load = LoadOutlinesForMap({chart_, unusable}, kRealPreparer);
    ASSERT_TRUE(load.load.outlines) << unusable;
    EXPECT_TRUE(load.prepared);
    EXPECT_EQ(load.load.cache, OutlineCacheUse::Skipped);
    EXPECT_EQ(load.load.outlines->OnMap(AzimuthalEquidistant({50.5, 10.5}), 500, 0.1).size(), 1u);
    EXPECT_FALSE(TemporariesLeft()) << unusable;
  }
}

TEST_F(OutlinePreparing, TheChartsFaultsArePassedOnNamingThePackage) {
  const MapOutlineLoad missing = LoadOutlinesForMap({(folder_ / "none.nc").string(), ""}, kRealPreparer);
  ASSERT_TRUE(missing.load.problem);
  EXPECT_EQ(missing.load.problem->fault, DataFileFault::Missing);
  EXPECT_FALSE(missing.prepared);

  const std::string text = (folder_ / "text.nc").string();
  std::ofstream(text) << "no chart";
  const MapOutlineLoad malformed = LoadOutlinesForMap({text, ""}, kRealPreparer);
  ASSERT_TRUE(malformed.load.problem);
  EXPECT_TRUE(malformed.prepared);
  EXPECT_EQ(malformed.load.problem->fault, DataFileFault::Malformed);
  EXPECT_EQ(malformed.load.problem->path, text);
  EXPECT_EQ(malformed.load.problem->package, "gmt-dcw");
  EXPECT_FALSE(malformed.load.problem->detail.empty());
  EXPECT_FALSE(TemporariesLeft());
}

TEST_F(OutlinePreparing, AProgramThatHangsFailsOrIsStoppedNeverHoldsTheMap) {
  const std::string pidFile = (folder_ / "pid").string();
  const std::string hanging = Script(folder_, "hangs", "echo $$ > '" + pidFile + "'\nexec sleep 60");
  const auto ended = [&] {
    std::ifstream in(pidFile);
    pid_t pid = 0;
    return (in >> pid) && ::kill(pid, 0) != 0;
  };

  auto start = std::chrono::steady_clock::now();
  const MapOutlineLoad stopped = LoadOutlinesForMap(
      {chart_, ""}, {hanging}, [&] { return std::chrono::steady_clock::now() - start < milliseconds(300); });
  EXPECT_TRUE(stopped.stopped);
  EXPECT_FALSE(stopped.load.outlines);
  EXPECT_FALSE(stopped.load.problem);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(3000));
  EXPECT_TRUE(ended()) << "the program was left running";

  fs::remove(pidFile);
  const MapOutlineLoad late = LoadOutlinesForMap({chart_, ""}, {hanging, milliseconds(300)});
  ASSERT_TRUE(late.load.problem);
  EXPECT_EQ(late.load.problem->fault, DataFileFault::NotPrepared);
  EXPECT_NE(late.load.problem->detail.find("took longer than 1 s"), std::string::npos)
      << late.load.problem->detail;
  EXPECT_TRUE(ended()) << "the program was left running";

  const struct {
    std::string program;
    std::string detail;
  } failures[] = {
      {Script(folder_, "fails", "exit 7"), "ended with status 7"},
      {Script(folder_, "crashes", "kill -SEGV $$"), "ended on signal 11"},
      {Script(folder_, "cannot-store", "echo 'no room'; exit 3"), "no room"},
      {(folder_ / "not-installed").string(), "cannot be run: No such file or directory"},
  };
  for (const auto& failure : failures) {
    const MapOutlineLoad load = LoadOutlinesForMap({chart_, ""}, {failure.program});
    ASSERT_TRUE(load.load.problem) << failure.program;
    EXPECT_EQ(load.load.problem->fault, DataFileFault::NotPrepared);
    EXPECT_EQ(load.load.problem->path, chart_);
    EXPECT_NE(load.load.problem->detail.find(failure.detail), std::string::npos) << load.load.problem->detail;
  }
  EXPECT_FALSE(TemporariesLeft());
}

}  // namespace

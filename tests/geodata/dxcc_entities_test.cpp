// The DXCC entities of Debian's cty.dat (hamradio-files), and what a damaged or missing file
// gives instead.
#include "geodata/dxcc_entities.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/comma_locale.h"

namespace {

const DxccTable& Installed() {
  static const DxccTable table = ReadDxccEntities();
  return table;
}

const DxccEntity* Find(const DxccTable& table, const std::string& prefix) {
  for (const DxccEntity& entity : table.entities) {
    if (entity.primaryPrefix == prefix) return &entity;
  }
  return nullptr;
}

TEST(DxccEntities, KnownEntitiesStandWhereTheyAreWithLongitudesEastPositive) {
  const DxccTable& table = Installed();
  ASSERT_FALSE(table.problem) << table.problem->detail << " (is hamradio-files installed?)";
  const struct {
    const char* prefix;
    double lat, lon;
    int cq, itu;
    const char* continent;
    double utcOffset;
  } rows[] = {
      {"DL", 51, 10, 14, 28, "EU", 1},     // Germany
      {"K", 37.6, -91.9, 5, 8, "NA", -5},  // the United States, whose W calls are K's
      {"VK", -23.7, 132.3, 30, 59, "OC", 10},  {"JA", 36.4, 138.4, 25, 45, "AS", 9},
      {"ZS", -29.1, 22.6, 38, 57, "AF", 2},    {"KL", 61.4, -148.9, 1, 1, "NA", -8},  // Alaska
      {"3D2", -17.8, 177.9, 32, 56, "OC", 12},
  };
  for (const auto& row : rows) {
    const DxccEntity* entity = Find(table, row.prefix);
    ASSERT_NE(entity, nullptr) << row.prefix;
    EXPECT_NEAR(entity->place.lat, row.lat, 2) << row.prefix;
    EXPECT_NEAR(entity->place.lon, row.lon, 2) << row.prefix;
    EXPECT_EQ(entity->cqZone, row.cq) << row.prefix;
    EXPECT_EQ(entity->ituZone, row.itu) << row.prefix;
    EXPECT_EQ(entity->continent, row.continent) << row.prefix;
    EXPECT_EQ(entity->utcOffsetHours, row.utcOffset) << row.prefix;
    EXPECT_TRUE(entity->dxcc) << row.prefix;
  }
  // About 340 entities count for DXCC; the WAE-only ones are marked, without their star.
  const auto dxcc =
      std::count_if(table.entities.begin(), table.entities.end(), [](const DxccEntity& e) { return e.dxcc; });
  EXPECT_GT(dxcc, 330);
  EXPECT_LT(dxcc, 350);
  const DxccEntity* europeanTurkey = Find(table, "TA1");
  ASSERT_NE(europeanTurkey, nullptr);
  EXPECT_FALSE(europeanTurkey->dxcc);
  EXPECT_EQ(Find(table, "3D2/c")->name, "Conway Reef");
}

TEST(DxccEntities, ACountryOutweighsItsIslandsHoweverManyPrefixesTheyList) {
  const DxccTable& table = Installed();
  ASSERT_FALSE(table.problem);
  const auto weight = [&](const char* prefix) {
    const DxccEntity* entity = Find(table, prefix);
    return entity == nullptr ? -1.0 : entity->weight;
  };
  // Fernando de Noronha lists 58 prefixes (PP0F ... ZZ0ZR), all inside Brazil's series.
  EXPECT_GT(weight("PY"), weight("PY0F"));
  EXPECT_GT(weight("VK"), weight("VK9C"));
  EXPECT_GT(weight("EA"), weight("EA8"));
  EXPECT_GT(weight("K"), weight("KH6"));
  EXPECT_GT(weight("UA"), weight("UA2"));
  EXPECT_GT(weight("DL"), weight("HB0"));
  // Whole series: Germany holds DA ... DR and Y2 ... Y9.
  EXPECT_EQ(weight("DL"), 26);
}

TEST(DxccEntities, ParsesTheFormWhateverTheDesktopsDecimalComma) {
  CommaLocale comma("de_DE");
  if (!comma.Active()) GTEST_SKIP() << "no comma locale";
  const DxccTable table = ParseCtyDat(
      "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.50:    -1.0:  DL:\r\n"
      "    DA,DB(14)[28],DL,=DL0ABC/LH,DL1<51.5/-7.5>,\r\n    DL2;\r\n"
      "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n    IT9;\n");
  ASSERT_FALSE(table.problem) << table.problem->detail;
  ASSERT_EQ(table.entities.size(), 2u);
  EXPECT_EQ(table.entities[0].place.lon, 10.5);
  EXPECT_EQ(table.entities[0].weight, 3);  // DA, DB and DL; DL1 and DL2 lie inside DL
  EXPECT_EQ(table.entities[1].primaryPrefix, "IT9");
  EXPECT_FALSE(table.entities[1].dxcc);
}

TEST(DxccEntities, ADamagedRecordNamesItsLineAndField) {
  const struct {
    const char* text;
    const char* detail;
  } rows[] = {
      {"A:  14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n DL;\n"
       "B:  14:  28:  EU:   5I.00:   -10.00:    -1.0:  DM:\n DM;\n",
       "line 3: the latitude \"5I.00\" is not a number from -90 to 90"},
      {"A:  14:  28:  EU:   51.00:   -190.00:    -1.0:  DL:\n DL;\n",
       "line 1: the longitude \"-190.00\" is not a number from -180 to 180"},
      {"A:  14:  95:  EU:   51.00:   -10.00:    -1.0:  DL:\n DL;\n",
       "line 1: the ITU zone \"95\" is not a zone from 1 to 90"},
      {"A:  14:  28:  XX:   51.00:   -10.00:    -1.0:  DL:\n DL;\n",
       "line 1: the continent \"XX\" is not AF, AN, AS, EU, NA, OC or SA"},
      {"A:  14:  28:  EU:   51.00:   -10.00:    -1.0:\n DL;\n",
       "line 1: the record ends before its primary prefix"},
      {"A:  14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n DL,DA\n",
       "line 1: the record has no closing ';'"},
      {"\n\n", "line 1: no entity in the file"},
  };
  for (const auto& row : rows) {
    const DxccTable table = ParseCtyDat(row.text);
    ASSERT_TRUE(table.problem) << row.text;
    EXPECT_EQ(table.problem->fault, DataFileFault::Malformed);
    EXPECT_EQ(table.problem->detail, row.detail);
    EXPECT_TRUE(table.entities.empty());
  }
}

TEST(DxccEntities, AMissingOrUnreadableFileNamesThePackage) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(testing::TempDir()) / "dxcc_hostile";
  fs::remove_all(folder);
  fs::create_directories(folder / "a folder");
  ASSERT_EQ(::mkfifo((folder / "a pipe").c_str(), 0600), 0);
  std::ofstream(folder / "no country file") << "<html>404</html>\n";
  const struct {
    std::string path;
    DataFileFault fault;
  } rows[] = {
      {(folder / "missing" / "cty.dat").string(), DataFileFault::Missing},
      {(folder / "a folder").string(), DataFileFault::Unreadable},
      {(folder / "a pipe").string(), DataFileFault::Unreadable},
      {(folder / "no country file").string(), DataFileFault::Malformed},
  };
  for (const auto& row : rows) {
    const DxccTable table = ReadDxccEntities(row.path);
    ASSERT_TRUE(table.problem) << row.path;
    EXPECT_EQ(table.problem->fault, row.fault) << row.path;
    EXPECT_EQ(table.problem->path, row.path);
    EXPECT_EQ(table.problem->package, "hamradio-files");
  }
  fs::remove_all(folder);
}

}  // namespace

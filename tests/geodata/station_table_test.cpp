// The stations' table as a spreadsheet or a script reads it.
#include "geodata/station_table.h"

#include <gtest/gtest.h>

#include "support/comma_locale.h"

namespace {

TEST(StationTables, QuotedAsCsvNeedsWithDotsInAnyLocale) {
  const CommaLocale german("de_DE");
  if (!german.Active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  const std::vector<StationTableRow> rows = {
      {"W1AW", "FN31pr", {41.729166667, -72.708333333}, 6226.04, 292.96, 112.96},
      {"DL1ABC, Berlin", "JO62qm", {52.520833, 13.375}, 0.04, 0, 180},
      {"the \"zoo\"", "", {-0.000001, 179.999999}, 20037.5, 359.96, 179.96},
      {"=HYPERLINK(\"x\")", "-JO", {0, 0}, 1, 2, 3},
      {"J\u00fcrgen\nnext line", "jo62", {1, 2}, 3, 4, 5},
  };
  EXPECT_EQ(StationTableCsv(rows),
            "label,locator,latitude,longitude,distance_km,short_path_deg,long_path_deg\r\n"
            "W1AW,FN31pr,41.72917,-72.70833,6226.0,293.0,113.0\r\n"
            "\"DL1ABC, Berlin\",JO62qm,52.52083,13.37500,0.0,0.0,180.0\r\n"
            "\"the \"\"zoo\"\"\",,0.00000,180.00000,20037.5,0.0,180.0\r\n"
            "\"'=HYPERLINK(\"\"x\"\")\",'-JO,0.00000,0.00000,1.0,2.0,3.0\r\n"
            "\"J\u00fcrgen\nnext line\",jo62,1.00000,2.00000,3.0,4.0,5.0\r\n");
  EXPECT_EQ(StationTableCsv({}),
            "label,locator,latitude,longitude,distance_km,short_path_deg,long_path_deg\r\n");
}

}  // namespace

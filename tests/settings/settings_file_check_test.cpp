#include "settings/settings_file_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class SettingsFileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("skerrowen-store-check-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Make(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  fs::path dir;
};

TEST_F(SettingsFileCheckTest, OnlyARegularFileWithinTheLimitOrNoneYetIsUsable) {
  EXPECT_TRUE(CheckSettingsFile((dir / "none.conf").string()).usable);
  EXPECT_TRUE(CheckSettingsFile((dir / "none" / "deeper.conf").string()).usable);
  EXPECT_TRUE(CheckSettingsFile(Make("exact.conf", "0123456789"), 10).usable);
  const SettingsFileCheck large = CheckSettingsFile(Make("large.conf", "0123456789A"), 10);
  EXPECT_FALSE(large.usable);
  EXPECT_EQ(large.problem, "is 11 bytes long, far more than view settings take (at most 10 bytes are read)");

  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  EXPECT_EQ(CheckSettingsFile((dir / "pipe").string()).problem, "is a named pipe, not a regular file");
  EXPECT_EQ(CheckSettingsFile(dir.string()).problem, "is a directory, not a regular file");

  fs::create_symlink("pipe", dir / "to-pipe");
  const SettingsFileCheck toPipe = CheckSettingsFile((dir / "to-pipe").string());
  EXPECT_FALSE(toPipe.usable);
  EXPECT_EQ(toPipe.problem, "is a link to pipe, which is a named pipe, not a regular file");
  fs::create_symlink("/dev/null", dir / "to-null");
  EXPECT_EQ(CheckSettingsFile((dir / "to-null").string()).problem,
            "is a link to /dev/null, which is a character device, not a regular file");
  fs::create_symlink("exact.conf", dir / "to-file");
  EXPECT_TRUE(CheckSettingsFile((dir / "to-file").string(), 10).usable);
  EXPECT_FALSE(CheckSettingsFile((dir / "to-file").string(), 9).usable);
  fs::create_symlink("not-yet.conf", dir / "to-nothing");
  EXPECT_TRUE(CheckSettingsFile((dir / "to-nothing").string()).usable);
}

struct LinesRow {
  const char* name;
  std::string text;
  std::vector<SettingsLine> expected;
};

TEST(SettingsLines, OnlySectionsWithoutBracketAndLinesWithoutEqualsAreNotUnderstood) {
  const std::string longLine(60, 'x');
  const LinesRow rows[] = {
      {"good store", "[Setting]\nRotation=264\nTilt=52\n", {}},
      {"byte-order mark", "\xEF\xBB\xBF[Setting]\nRotation=264\n", {}},
      {"comments and blanks", "; a note\n\n   \t\n[Setting]\nRotation=1;after\n", {}},
      {"section without bracket", "[Setting\nRotation=1\n", {{1, "[Setting", true}}},
      {"line without equals",
       "[Setting]\r\nTilt 40\r\n# hash\r\n",
       {{2, "Tilt 40", false}, {3, "# hash", false}}},
      {"lone carriage returns count", "a=1\rb\r", {{2, "b", false}}},
      {"quoted value spans lines", "a=\"x\ny\"\nz\n", {{3, "z", false}}},
      {"escaped line break continues", "a=x\\\nb\nc\n", {{3, "c", false}}},
      {"quoted equals does not count", "\"a=b\"\n", {{1, "\"a=b\"", false}}},
      {"semicolon ends the line", "abc;d=e\n", {{1, "abc", false}}},
      {"shortened and unprintable",
       "\x01\x02\xC3\xA9" + longLine + "\n",
       {{1, "????" + std::string(36, 'x') + "...", false}}},
  };
  for (const LinesRow& row : rows) {
    const std::vector<SettingsLine> found = LinesNotUnderstood(row.text);
    ASSERT_EQ(found.size(), row.expected.size()) << row.name;
    for (std::size_t k = 0; k < found.size(); ++k) {
      EXPECT_EQ(found[k].number, row.expected[k].number) << row.name;
      EXPECT_EQ(found[k].text, row.expected[k].text) << row.name;
      EXPECT_EQ(found[k].section, row.expected[k].section) << row.name;
    }
  }
}

}  // namespace

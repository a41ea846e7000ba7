// Every kind of bad input, one row each, given to the real skerrowen-map: one clear line
// naming the option and what is wrong, a failing exit status, and no file written or changed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "render/scratch_folder.h"

namespace {

struct Row {
  const char* name;
  std::string arguments;  // {dir} stands for the test's folder
  const char* says;       // a part of the one line
};

const std::string kGood = "--centre 52.5,13.4 --radius 1000 --size 32 ";

const Row kRows[] = {
    {"UnknownOption", kGood + "--colour red", "unknown option \"--colour\""},
    {"MissingValue", kGood + "--out", "--out: the value is missing"},
    {"LatitudeBeyond90", "--centre 90.5,13.4 --radius 1000", "--centre: latitude 90.5 is beyond 90"},
    {"LongitudeBeyond180", "--centre 52.5,190 --radius 1000", "--centre: longitude 190 is beyond 180"},
    {"LocatorOfOddLength", "--locator JO62q --radius 1000",
     "--locator: \"JO62q\": a locator has 2, 4, 6, 8 or 10"},
    {"LocatorLetterOutOfRange", "--locator JZ62 --radius 1000",
     "--locator: \"JZ62\": 'Z' (character 2) is not a field"},
    {"TargetNotAPlace", kGood + "--target JO62qmzz", "--target: \"JO62qmzz\": 'z' (character 7)"},
    {"RadiusZero", "--centre 52.5,13.4 --radius 0 --size 32", "--radius: 0 is not a radius"},
    {"RadiusNegative", "--centre 52.5,13.4 --radius -50 --size 32", "--radius: -50 is not a radius"},
    {"RadiusTooLarge", "--centre 52.5,13.4 --radius 30000 --size 32", "--radius: 30000 km is too large"},
    {"RadiusNotANumber", "--centre 52.5,13.4 --radius far --size 32", "--radius: \"far\" is not a number"},
    {"SizeTooSmall", "--centre 52.5,13.4 --radius 1000 --size 15", "--size: 15 is out of range"},
    {"SizeTooLarge", "--centre 52.5,13.4 --radius 1000 --size 99999999999",
     "--size: 99999999999 is out of range"},
    {"PictureMissing", kGood + "--image {dir}/none.jpg", "--image: \"{dir}/none.jpg\" does not exist"},
    {"PictureUnreadable", kGood + "--image {dir}/cut.png", "--image: \"{dir}/cut.png\" cannot be read"},
    {"PictureNotAnImage", kGood + "--image {dir}/text.jpg", "is not a picture this program can read"},
    {"PictureNot2To1", kGood + "--image {dir}/square.png",
     "is 64 x 64 pixels; an Earth picture is twice as wide"},
    {"FolderMissing", kGood + "--out {dir}/none/map.bmp", "--out: the folder \"{dir}/none\" does not exist"},
    {"FolderUnwritable", kGood + "--out /proc/map.bmp", "--out:"},
    {"OutputIsAFolder", kGood + "--out {dir}/taken.png", "--out: cannot write \"{dir}/taken.png\""},
    {"OutputIsAFolderBesideAnOldSideFile", kGood + "--out {dir}/busy.png",
     "--out: cannot write \"{dir}/busy.png\""},
    {"UnknownSuffix", kGood + "--out {dir}/map.gif", "--out: \"{dir}/map.gif\" has no picture suffix"},
    {"TimeNotATime", kGood + "--time 2026-02-30T12:00:00Z",
     "--time: \"2026-02-30T12:00:00Z\" is not \"now\" or a UTC time"},
    {"NightWithoutTime", kGood + "--night-image {dir}/earth.png",
     "--night-image: shows the night side only with --time"},
    {"ExistingMapLeftWhole", kGood + "--size 0 --out {dir}/old.bmp", "--size: 0 is out of range"},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

std::string Replace(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir);
  return text;
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every entry of the folder with what a file holds.
std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    contents[entry.path().filename().string()] =
        entry.is_regular_file() ? ReadWhole(entry.path()) : "(folder)";
  }
  return contents;
}

class BadInput : public ::testing::TestWithParam<Row> {};

TEST_P(BadInput, OneLineNamingTheFaultAFailureAndNoFile) {
  ScratchFolder folder;
  const std::string dir = folder.Path().string();
  QImage(64, 32, QImage::Format_RGB32).save(QString::fromStdString(folder.PathOf("earth.png")));
  QImage(64, 64, QImage::Format_RGB32).save(QString::fromStdString(folder.PathOf("square.png")));
  const std::string png = ReadWhole(folder.PathOf("earth.png"));
  folder.Write("cut.png", png.substr(0, png.size() / 2));
  folder.Write("text.jpg", "not a picture\n");
  folder.Write("old.bmp", "the old map");
  folder.Write("old.DAT", "the old side file");
  std::filesystem::create_directory(folder.Path() / "taken.png");
  std::filesystem::create_directory(folder.Path() / "busy.png");
  folder.Write("busy.DAT", "the side file of an older busy.png");
  const auto before = Contents(folder.Path());

  std::string arguments = Replace(GetParam().arguments, dir);
  if (arguments.find("--image") == std::string::npos) arguments += " --image " + dir + "/earth.png";
  if (arguments.find("--out") == std::string::npos) arguments += " --out " + dir + "/map.bmp";
  const std::string command = "cd '" + dir + "' && XDG_CONFIG_HOME='" + dir + "' " + SKERROWEN_BINARY_DIR +
                              "/skerrowen-map " + arguments + " >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  const std::string said = ReadWhole(folder.Path() / "stderr.txt");
  EXPECT_EQ(said.rfind("skerrowen-map: ", 0), 0u) << said;
  EXPECT_NE(said.find(Replace(GetParam().says, dir)), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(ReadWhole(folder.Path() / "stdout.txt"), "");
  // Nothing new beside the two captured streams, and everything else as it was.
  auto after = Contents(folder.Path());
  after.erase("stdout.txt");
  after.erase("stderr.txt");
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInput, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// Every kind of bad input, one row each, given to the real skerrowen-map: one clear line
// naming the option and what is wrong, a failing exit status, and no file written or changed.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    {"OutputIsAFolder", kGood + "--out {dir}/taken.png", "--out: \"{dir}/taken.png\" is a folder"},
    {"OutputIsAFolderBesideAnOldSideFile", kGood + "--out {dir}/busy.png",
     "--out: \"{dir}/busy.png\" is a folder"},
    // The old side file is a link to a file only its owner may read: it is neither read nor
    // copied, and stays the link it was.
    {"OutputIsAFolderAndTheSideFileALinkToAProtectedFile", kGood + "--out {dir}/x.png",
     "--out: \"{dir}/x.png\" is a folder"},
    {"SideFileIsAFolder", kGood + "--out {dir}/d.png", "--out: \"{dir}/d.DAT\" is a folder"},
    {"SideFileIsALinkToAnEndlessDevice", kGood + "--out {dir}/z.png",
     "--out: \"{dir}/z.DAT\" is a link to a device"},
    {"SideFileIsANamedPipe", kGood + "--out {dir}/f.png", "--out: \"{dir}/f.DAT\" is a named pipe"},
    {"OutputIsReadOnly", kGood + "--out {dir}/kept.png", "--out: \"{dir}/kept.png\" is read-only"},
    {"OutputIsTheEarthPicture", kGood + "--image {dir}/earth.png --out {dir}/earth.png",
     "--out: \"{dir}/earth.png\" is the Earth picture (--image)"},
    {"SideFileIsTheNightPicture", kGood + "--time now --night-image {dir}/lights.DAT --out {dir}/lights.png",
     "--out: the side file \"{dir}/lights.DAT\" would replace the night picture (--night-image)"},
    {"OutputWouldTakeTheSideFileOfAnotherPicture", kGood + "--out {dir}/station.jpg",
     "--out: \"{dir}/station.png\" would lose its side file \"{dir}/station.DAT\" to \"{dir}/station.jpg\""},
    {"PictureIsALinkLoop", kGood + "--image {dir}/loop.png",
     "--image: \"{dir}/loop.png\" is a loop of symbolic links"},
    {"OutputGivenTwice", kGood + "--out {dir}/a.png --out {dir}/b.png", "--out: given twice"},
    {"RadiusGivenTwice", kGood + "--radius 2000", "--radius: given twice"},
    {"TargetGivenTwice", kGood + "--target JO62 --target FN31", "--target: given twice"},
    {"TargetTooLong", kGood + "--target 52." + std::string(30000, '0') + ",13",
     "--target: the place is 30006 characters long; give at most 100"},
    {"TooManyRings", "--centre 52.5,13.4 --radius 10 --size 32 --rings 0.01",
     "--rings: every 0.01 km would draw 1414 rings on this map; at most 1000 are drawn, so give 0.015 km or "
     "more"},
    {"TooManyBearingLines", kGood + "--spokes 0.3",
     "--spokes: every 0.3 degrees would draw 1200 bearing lines on this map; at most 1000 are drawn, so give "
     "0.36"},
    {"TooManyGridLines", kGood + "--grid 0.5",
     "--grid: every 0.5 degrees would draw 1079 grid lines on this map; at most 1000 are drawn, so give "
     "0.54"},
    // The window keeps this view (Tilt -7777, Distance 20) but makes no map of it.
    {"StoredViewOffTheEarth", "--radius 1000 --size 32",
     "the view stored in \"{dir}/skerrowen/skerrowen.conf\" has Tilt -7777, which puts the centre off the "
     "Earth"},
    {"StoredViewOfRadius0", "--centre 1,1 --size 32",
     "the view stored in \"{dir}/skerrowen/skerrowen.conf\" has Distance 20, which gives a map radius of 0 "
     "km"},
    {"UnknownSuffix", kGood + "--out {dir}/map.gif", "--out: \"{dir}/map.gif\" has no picture suffix"},
    {"TimeNotATime", kGood + "--time 2026-02-30T12:00:00Z",
     "--time: \"2026-02-30T12:00:00Z\" is not \"now\" or a UTC time"},
    {"NightWithoutTime", kGood + "--night-image {dir}/earth.png",
     "--night-image: shows the night side only with --time"},
    {"TargetsMissing", kGood + "--targets {dir}/none.adi", "--targets: \"{dir}/none.adi\" does not exist"},
    {"TargetsAFolder", kGood + "--targets {dir}/taken.png", "--targets: \"{dir}/taken.png\" is a folder"},
    {"TargetsANamedPipe", kGood + "--targets {dir}/f.DAT", "--targets: \"{dir}/f.DAT\" cannot be read"},
    {"TargetsLogLengthBroken", kGood + "--targets {dir}/broken.adi",
     "--targets: \"{dir}/broken.adi\", record 2: <GRIDSQUARE:99>: its 99 bytes run past the end"},
    {"TargetsNoPlace", kGood + "--targets {dir}/nowhere.txt",
     "--targets: \"{dir}/nowhere.txt\" names no station this map can place (line 2: \"nowhere\""},
    {"TableWithoutTargets", kGood + "--table {dir}/t.csv",
     "--table: needs the stations of a list or log (--targets)"},
    {"TableIsTheSideFile", kGood + "--targets {dir}/one.txt --table {dir}/map.DAT",
     "--table: \"{dir}/map.DAT\" is a file this map reads or writes"},
    {"BeamOutOfRange", kGood + "--beam 360", "--beam: the azimuth 360 is out of range"},
    {"BeamWidthZero", kGood + "--beam 10/0", "--beam: the width 0 is out of range"},
    {"BeamNotANumber", kGood + "--beam north", "--beam: \"north\" is not an azimuth"},
    {"PageUnknown", kGood + "--page B5 --out {dir}/m.pdf", "--page: \"B5\" is not A4, A3"},
    {"PageForAnSvg", kGood + "--page A4 --out {dir}/m.svg", "--page: a page is laid out only for a .pdf map"},
    {"DpiOutOfRange", kGood + "--page A4 --dpi 2000 --out {dir}/m.pdf",
     "--dpi: 2000 is out of range; give 50"},
    {"ExistingMapLeftWhole", "--centre 52.5,13.4 --radius 1000 --size 0 --out {dir}/old.bmp",
     "--size: 0 is out of range"},
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

// Every entry of the folder and its sub-folders with what it is: a file's mode and bytes, a
// link's target, the type of anything else. Links are never followed.
void AddContents(const std::filesystem::path& folder, const std::string& prefix,
                 std::map<std::string, std::string>& contents) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    const std::string name = prefix + entry.path().filename().string();
    std::string& what = contents[name];
    if (fs::is_symlink(status)) {
      what = "(link to " + fs::read_symlink(entry.path()).string() + ")";
    } else if (fs::is_regular_file(status)) {
      what = std::to_string(static_cast<int>(status.permissions())) + " " + ReadWhole(entry.path());
    } else {
      what = "(" + std::to_string(static_cast<int>(status.type())) + ")";
      if (fs::is_directory(status)) AddContents(entry.path(), name + "/", contents);
    }
  }
}

std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> contents;
  AddContents(folder, "", contents);
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
  namespace fs = std::filesystem;
  folder.Write("secret", "only for its owner");
  fs::permissions(folder.Path() / "secret", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(folder.Path() / "secret", folder.Path() / "x.DAT");
  fs::create_directory(folder.Path() / "x.png");
  fs::create_directory(folder.Path() / "d.DAT");
  fs::create_symlink("/dev/zero", folder.Path() / "z.DAT");
  ASSERT_EQ(::mkfifo(folder.PathOf("f.DAT").c_str(), 0644), 0);
  folder.Write("kept.png", "a map made read-only");
  fs::permissions(folder.Path() / "kept.png", fs::perms::owner_read | fs::perms::group_read);
  fs::copy_file(folder.Path() / "earth.png", folder.Path() / "lights.DAT");
  folder.Write("station.png", "an older map");
  folder.Write("station.DAT", "its side file");
  fs::create_symlink(folder.Path() / "loop.png", folder.Path() / "loop.png");
  folder.Write("broken.adi",
               "<CALL:6>DL1ABC <GRIDSQUARE:4>JO62 <EOR>\n<CALL:4>K1AB <GRIDSQUARE:99>FN31 <EOR>\n");
  folder.Write("nowhere.txt", "# a list without a place\nnowhere at all\n");
  folder.Write("one.txt", "FN31pr W1AW\n");
  fs::create_directories(folder.Path() / "skerrowen");
  folder.Write("skerrowen/skerrowen.conf", "[Setting]\nTilt=-7777\nDistance=20\n");
  const auto before = Contents(folder.Path());

  std::string arguments = Replace(GetParam().arguments, dir);
  if (arguments.find("--image") == std::string::npos) arguments += " --image " + dir + "/earth.png";
  if (arguments.find("--out") == std::string::npos) arguments += " --out " + dir + "/map.bmp";
  // A run that hangs is stopped, and fails the row.
  const std::string command = "cd '" + dir + "' && XDG_CONFIG_HOME='" + dir + "' timeout 60 " +
                              SKERROWEN_BINARY_DIR + "/skerrowen-map " + arguments +
                              " >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
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

// Files of the working directory as an attacker or a killed run may leave them: planted
// links, stale temporaries, named pipes, and bitmaps that end early.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/bmp_extent.h"
#include "base/posix_file_store.h"
#include "base/regular_file.h"
#include "support/run_length_bmp.h"
#include "ui/qt_services.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("skerrowen-files-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
  PosixFileStore files;
};

TEST_F(Folder, ALinkPlantedAtATemporaryNameNeverReceivesTheBytes) {
  Write(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", dir / "MAP_0300_6_52.BMP.part");
  fs::create_symlink(dir / "victim", dir / "MAP_0300_6_52.DAT.part");
  const mode_t umaskBefore = ::umask(077);
  WriteFailure failure;
  ASSERT_TRUE(files.WriteWholeFiles(
      {{Path("MAP_0300_6_52.DAT"), "side"}, {Path("MAP_0300_6_52.BMP"), "bitmap"}}, &failure))
      << failure.reason;
  ::umask(umaskBefore);
  EXPECT_EQ(Read(dir / "victim"), "precious");
  EXPECT_EQ(Read(dir / "MAP_0300_6_52.BMP"), "bitmap");
  EXPECT_EQ(Read(dir / "MAP_0300_6_52.DAT"), "side");
  EXPECT_TRUE(fs::is_symlink(dir / "MAP_0300_6_52.BMP.part")) << "only regular files are cleared";
  // 0644 less the umask, as a file created in place would have.
  EXPECT_EQ(fs::status(dir / "MAP_0300_6_52.BMP").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(files.WriteWhole(Path("MAP_0300_6_52.BMP"), "again", nullptr));
  EXPECT_EQ(fs::status(dir / "MAP_0300_6_52.BMP").permissions() & fs::perms::all,
            fs::perms(0644 & ~umaskBefore));
}

TEST_F(Folder, TemporariesOfAKilledRunAreClearedWhenTheirMapIsStored) {
  const auto backdate = [&](const std::string& name) {
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
  };
  Write(dir / "victim", "precious");
  Write(dir / "MAP_0300_6_52.BMP.part", "written by an earlier version");
  fs::permissions(dir / "MAP_0300_6_52.BMP.part", fs::perms::owner_read);
  Write(dir / "MAP_0300_6_52.BMP.aB3dE9.part", "killed before its rename");
  backdate("MAP_0300_6_52.BMP.aB3dE9.part");
  Write(dir / "MAP_0300_6_52.DAT.Zz9Zz9.part", "another run, writing now");
  fs::create_symlink(dir / "victim", dir / "MAP_0300_6_52.DAT.Qq1Qq1.part");
  Write(dir / "MAP_0300_6_52.BMP.notours.part", "someone else's");
  backdate("MAP_0300_6_52.BMP.notours.part");
  Write(dir / "MAP_0300_6_5.BMP.xY7xY7.part", "another map's");
  backdate("MAP_0300_6_5.BMP.xY7xY7.part");
  WriteFailure failure;
  ASSERT_TRUE(files.WriteWholeFiles(
      {{Path("MAP_0300_6_52.DAT"), "side"}, {Path("MAP_0300_6_52.BMP"), "bitmap"}}, &failure))
      << failure.reason;
  EXPECT_EQ(Entries(), (std::vector<std::string>{"MAP_0300_6_5.BMP.xY7xY7.part", "MAP_0300_6_52.BMP",
                                                 "MAP_0300_6_52.BMP.notours.part", "MAP_0300_6_52.DAT",
                                                 "MAP_0300_6_52.DAT.Qq1Qq1.part",
                                                 "MAP_0300_6_52.DAT.Zz9Zz9.part", "victim"}));
  EXPECT_EQ(Read(dir / "victim"), "precious");
}

TEST_F(Folder, ASetIsWrittenWholeBeforeAnyFileIsPlacedAndTheFailureNamesItsFile) {
  Write(dir / "a.DAT", "old");
  WriteFailure failure;
  EXPECT_FALSE(files.WriteWholeFiles({{Path("a.DAT"), "new"}, {Path("missing/a.BMP"), "bitmap"}}, &failure));
  EXPECT_EQ(failure.file, 1u);
  EXPECT_EQ(failure.placed, 0u);
  EXPECT_EQ(failure.reason, "No such file or directory");
  EXPECT_EQ(Read(dir / "a.DAT"), "old");

  fs::create_directories(dir / "a.BMP" / "in the way");
  EXPECT_FALSE(files.WriteWholeFiles({{Path("a.DAT"), "new"}, {Path("a.BMP"), "bitmap"}}, &failure));
  EXPECT_EQ(failure.file, 1u);
  EXPECT_EQ(failure.placed, 1u);
  EXPECT_EQ(failure.reason, "Is a directory");
  EXPECT_EQ(Read(dir / "a.DAT"), "new");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.BMP", "a.DAT"})) << "a temporary was left";
}

TEST_F(Folder, PipesAndDevicesAreRefusedWithoutWaiting) {
  const std::string pipe = Path("Brannoch.log");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  std::string error;
  EXPECT_FALSE(files.Append(pipe, "37; 0\r\n", &error));
  EXPECT_EQ(error, kNotARegularFile);
  // With a reader at the other end the open would succeed: the pipe is still no log.
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_FALSE(files.Append(pipe, "37; 0\r\n", &error));
  ::close(reader);
  for (const std::string& path : {pipe, std::string("/dev/null"), dir.string()}) {
    error.clear();
    EXPECT_EQ(OpenRegularFile(path, O_RDONLY, &error), -1) << path;
    EXPECT_EQ(error, kNotARegularFile) << path;
  }
  EXPECT_EQ(OpenRegularFile(Path("missing"), O_RDONLY, &error), -1);
  EXPECT_EQ(error, "No such file or directory");
  Write(dir / "earthmap.bmp", "BM");
  fs::create_symlink(dir / "earthmap.bmp", dir / "linked.bmp");
  const int fd = OpenRegularFile(Path("linked.bmp"), O_RDONLY, &error);
  ASSERT_GE(fd, 0) << error;
  EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  ::close(fd);
}

bool EndsEarly(const std::string& file) {
  std::size_t at = 0;
  auto next = [&]() -> int { return at < file.size() ? static_cast<unsigned char>(file[at++]) : -1; };
  return bmp_extent::EndsBeforeItsPicture(next, file.size());
}

// A run-length file cut anywhere before its last row ends ends early; one that lacks only its
// end-of-bitmap marker holds its whole picture.
TEST(BmpExtent, RunLengthDataIsWalkedToItsLastRow) {
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const std::string whole = RunLengthBmp(bits, 237, 9);
    const std::size_t dataStart = 54 + 4 * (std::size_t{1} << bits);
    EXPECT_FALSE(EndsEarly(whole));
    EXPECT_FALSE(EndsEarly(whole.substr(0, whole.size() - 2)));
    for (std::size_t size = dataStart; size < whole.size() - 2; ++size) {
      ASSERT_TRUE(EndsEarly(whole.substr(0, size))) << size;
    }
    EXPECT_TRUE(EndsEarly(whole.substr(0, 60)));
  }
  std::string moved = RunLengthBmp(8, 10, 9);
  moved.resize(54 + 1024);
  moved += std::string{0, 2, 3, 10};  // a move 10 rows down: past the last row
  EXPECT_FALSE(EndsEarly(moved));
}

TEST(QtPictureFiles, RunLengthEarthPicturesLoadWholeAndCutOnesAreRefused) {
  const fs::path file = fs::temp_directory_path() / ("skerrowen-rle-" + std::to_string(::getpid()) + ".bmp");
  QtPictureFiles pictures;
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const std::string whole = RunLengthBmp(bits, 557, 300);
    Write(file, whole);
    std::string error;
    const auto picture = pictures.Load(file.string(), &error);
    ASSERT_TRUE(picture) << error;
    EXPECT_EQ(picture->width, 557);
    const std::uint32_t grey = bits == 8 ? 1 : 0x11;  // row 1 from the bottom, its first run
    EXPECT_EQ(picture->pixels[298 * 557 + 0], grey * 0x010101u);

    Write(file, whole.substr(0, whole.size() / 2));
    QImage decoded;
    ASSERT_TRUE(QImageReader(QString::fromStdString(file.string())).read(&decoded))
        << "Qt refuses the cut file itself";
    EXPECT_FALSE(pictures.Load(file.string(), &error));
    EXPECT_EQ(error, file.string() + ": the file ends before the picture does");
  }
  fs::remove(file);
}

}  // namespace

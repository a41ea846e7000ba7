// Files of the working directory as an attacker or a killed run may leave them: planted
// links, stale temporaries, named pipes, and bitmaps that end early.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

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

TEST_F(Folder, WhatStandsAtTheNamesIsReplacedOnlyWhenItIsAFileAndNeverRead) {
  Write(dir / "secret", "only for its owner");
  fs::permissions(dir / "secret", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(dir / "secret", dir / "linked.DAT");
  fs::create_symlink(dir / "gone", dir / "dangling.DAT");
  fs::create_directory(dir / "folder.DAT");
  ASSERT_EQ(::mkfifo(Path("pipe.DAT").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "zero.DAT");
  fs::create_symlink(dir / "loop.DAT", dir / "loop.DAT");
  Write(dir / "kept.DAT", "the operator's");
  fs::permissions(dir / "kept.DAT", fs::perms::owner_read | fs::perms::group_read);
  const struct {
    const char* name;
    std::optional<std::string> refusal;
  } rows[] = {{"linked.DAT", std::nullopt},          {"dangling.DAT", std::nullopt},
              {"folder.DAT", "is a folder"},         {"pipe.DAT", "is a named pipe"},
              {"zero.DAT", "is a link to a device"}, {"loop.DAT", "is a loop of symbolic links"},
              {"kept.DAT", "is read-only"}};
  const mode_t umaskBefore = ::umask(027);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(files.CheckTarget(Path(row.name)), row.refusal);
    WriteFailure failure;
    const bool written =
        files.WriteWholeFiles({{Path("map.BMP"), "bitmap"}, {Path(row.name), "side"}}, &failure);
    EXPECT_EQ(written, !row.refusal.has_value());
    if (row.refusal) {
      EXPECT_TRUE(failure.refused);
      EXPECT_EQ(failure.file, 1u);
      EXPECT_EQ(failure.reason, *row.refusal);
    } else {
      // The link itself is replaced; what it pointed to is neither read nor written.
      EXPECT_FALSE(fs::is_symlink(dir / row.name));
      EXPECT_EQ(Read(dir / row.name), "side");
      EXPECT_EQ(fs::status(dir / row.name).permissions(), fs::perms(0640));
    }
  }
  ::umask(umaskBefore);
  EXPECT_EQ(Read(dir / "secret"), "only for its owner");
  EXPECT_EQ(Read(dir / "kept.DAT"), "the operator's");
  for (const std::string& name : Entries()) EXPECT_FALSE(IsOwnTemporaryName(name)) << name;
}

TEST_F(Folder, OnlyTemporariesOfOurPatternLeftByAKilledRunAreCleared) {
  const auto backdate = [&](const std::string& name) {
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
  };
  Write(dir / "victim", "precious");
  Write(dir / ".skerrowen-aB3dE9aB3dE9.part", "killed before its rename");
  backdate(".skerrowen-aB3dE9aB3dE9.part");
  Write(dir / ".skerrowen-Zz9Zz9Zz9Zz9.part", "another run, writing now");
  fs::create_symlink(dir / "victim", dir / ".skerrowen-Qq1Qq1Qq1Qq1.part");
  for (const char* operators : {"u.png.part", "MAP_0300_6_52.BMP.aB3dE9.part", ".skerrowen-notours.part"}) {
    Write(dir / operators, "the operator's own");
    backdate(operators);
  }
  WriteFailure failure;
  ASSERT_TRUE(files.WriteWholeFiles(
      {{Path("MAP_0300_6_52.BMP"), "bitmap"}, {Path("MAP_0300_6_52.DAT"), "side"}}, &failure))
      << failure.reason;
  EXPECT_EQ(Entries(), (std::vector<std::string>{".skerrowen-Qq1Qq1Qq1Qq1.part",
                                                 ".skerrowen-Zz9Zz9Zz9Zz9.part", ".skerrowen-notours.part",
                                                 "MAP_0300_6_52.BMP", "MAP_0300_6_52.BMP.aB3dE9.part",
                                                 "MAP_0300_6_52.DAT", "u.png.part", "victim"}));
  EXPECT_EQ(Read(dir / "victim"), "precious");
}

// A rename that fails (here a name longer than the folder takes) puts the files already
// placed back as they were: the older one under its old identity, a new one taken away.
TEST_F(Folder, AFailedSetLeavesTheOlderFilesAsTheyWereAndNoTemporary) {
  Write(dir / "a.BMP", "old bitmap");
  const auto oldIdentity = fs::status(dir / "a.BMP").permissions();
  struct stat before {};
  ASSERT_EQ(::stat(Path("a.BMP").c_str(), &before), 0);
  const std::string tooLong = Path(std::string(300, 'x') + ".DAT");
  WriteFailure failure;
  EXPECT_FALSE(files.WriteWholeFiles({{Path("a.BMP"), "new bitmap"}, {tooLong, "side"}}, &failure));
  EXPECT_EQ(failure.file, 1u);
  EXPECT_EQ(failure.placed, 0u);
  EXPECT_EQ(failure.reason, "File name too long");
  EXPECT_EQ(Read(dir / "a.BMP"), "old bitmap");
  struct stat after {};
  ASSERT_EQ(::stat(Path("a.BMP").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(fs::status(dir / "a.BMP").permissions(), oldIdentity);

  EXPECT_FALSE(files.WriteWholeFiles({{Path("b.BMP"), "new bitmap"}, {tooLong, "side"}}, &failure));
  EXPECT_FALSE(files.WriteWholeFiles({{Path("c.BMP"), "bitmap"}, {Path("missing/c.DAT"), "side"}}, &failure));
  EXPECT_EQ(failure.reason, "No such file or directory");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.BMP"});
}

TEST_F(Folder, AStopWhileWritingLeavesTheOlderFilesAndNoTemporary) {
  Write(dir / "a.BMP", "old bitmap");
  const std::string big(20 << 20, 'b');  // written in several pieces
  int asked = 0;
  WriteFailure failure;
  EXPECT_FALSE(files.WriteWholeFiles({{Path("a.BMP"), big}, {Path("a.DAT"), "side"}}, &failure,
                                     [&] { return ++asked == 2; }));
  EXPECT_TRUE(failure.stopped);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.BMP"});
  EXPECT_EQ(Read(dir / "a.BMP"), "old bitmap");
}

// Ten writers store their pairs under the same names at once, round after round: each time
// the pair that stands is one writer's whole pair.
TEST_F(Folder, ConcurrentWritersOfOnePairLeaveOneWritersPair) {
  constexpr int kWriters = 10;
  for (int round = 0; round < 60; ++round) {
    std::atomic<int> ready{0};
    std::vector<std::thread> writers;
    for (int k = 0; k < kWriters; ++k) {
      writers.emplace_back([&, k] {
        PosixFileStore own;
        const std::string bitmap = "bitmap " + std::to_string(k), side = "side " + std::to_string(k);
        ready.fetch_add(1);
        while (ready.load() < kWriters) std::this_thread::yield();
        WriteFailure failure;
        EXPECT_TRUE(own.WriteWholeFiles({{Path("m.BMP"), bitmap}, {Path("m.DAT"), side}}, &failure))
            << failure.reason;
      });
    }
    for (std::thread& writer : writers) writer.join();
    const std::string bitmap = Read(dir / "m.BMP");
    ASSERT_EQ(Read(dir / "m.DAT"), "side " + bitmap.substr(7)) << "round " << round;
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"m.BMP", "m.DAT"}));
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

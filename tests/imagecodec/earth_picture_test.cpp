// Earth pictures decoded as Qt decodes them, only the rows and scale a map needs, and every
// name that holds no readable picture refused with its reason, never waiting.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/qt_picture_decoder.h"
#include "render/scratch_folder.h"

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Qt's decode of the file, as the rows the reader gives.
QImage QtRows(const std::string& path) {
  return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// The first row at which the decoded rows differ from Qt's rows `from`.., or -1.
int FirstDifferentRow(const DecodedPicture& picture, const QImage& qt, int from) {
  for (int y = 0; y < picture.rowCount; ++y) {
    const auto* ours = picture.pixels + static_cast<std::size_t>(y) * picture.width;
    if (std::memcmp(ours, qt.constScanLine(from + y), 4 * static_cast<std::size_t>(picture.width)) != 0)
      return y;
  }
  return -1;
}

PictureProblem Refusal(const std::string& path, const PictureNeed& need = {}) {
  EarthPictureReader reader(OpenQtPictureDecoder);
  DecodedPicture picture;
  if (reader.Open(path)) reader.Decode(need, picture);
  return reader.Problem();
}

TEST(EarthPicture, TheShippedPictureDecodesAsQtDecodesItWholeAndInBands) {
  const QImage qt = QtRows(SKERROWEN_EARTH_PICTURE);
  ASSERT_EQ(qt.width(), 2048);
  ScratchFolder folder;
  const std::string png = folder.PathOf("earth.png");
  ASSERT_TRUE(qt.save(QString::fromStdString(png)));
  const std::string bmp = folder.PathOf("earth.bmp");
  ASSERT_TRUE(qt.save(QString::fromStdString(bmp)));
  // Whole; a band in the middle; one at the top; one to the bottom row. A whole-Earth map
  // of few pixels still gets the shipped picture unscaled.
  const PictureNeed needs[] = {{}, {300, 411, 0}, {0, 77, 0}, {1000, 24, 0}, {0, 0, 16}};
  for (const std::string& path : {std::string(SKERROWEN_EARTH_PICTURE), png, bmp}) {
    for (const PictureNeed& need : needs) {
      EarthPictureReader reader(OpenQtPictureDecoder);
      DecodedPicture picture;
      ASSERT_TRUE(reader.Open(path) && reader.Decode(need, picture))
          << path << ": " << reader.Problem().detail;
      EXPECT_EQ(picture.width, 2048);
      EXPECT_EQ(picture.fullHeight, 1024);
      EXPECT_EQ(picture.scaleDenominator, 1);
      EXPECT_EQ(picture.firstRow, need.firstRow);
      EXPECT_EQ(picture.rowCount, need.rowCount > 0 ? need.rowCount : 1024);
      if (FirstDifferentRow(picture, qt, need.firstRow) != -1) {
        const std::string kept =
            ::testing::TempDir() + "decoded_from_row_" + std::to_string(need.firstRow) + ".png";
        QImage(reinterpret_cast<const uchar*>(picture.pixels), picture.width, picture.rowCount,
               QImage::Format_RGB32)
            .save(QString::fromStdString(kept));
        ADD_FAILURE() << path << " from row " << need.firstRow << " differs from Qt's; the rows are in "
                      << kept;
      }
    }
  }
}

TEST(EarthPicture, AFileCutShortIsRefusedWhereverItEndsAndHoweverFewRowsAreNeeded) {
  ScratchFolder folder;
  const std::string jpeg = ReadWhole(SKERROWEN_EARTH_PICTURE);
  const std::string pngPath = folder.PathOf("whole.png");
  ASSERT_TRUE(QtRows(SKERROWEN_EARTH_PICTURE).save(QString::fromStdString(pngPath)));
  const std::string png = ReadWhole(pngPath);
  for (const auto& [name, whole] : {std::pair{"cut.jpg", jpeg}, std::pair{"cut.png", png}}) {
    for (const double share : {0.001, 0.1, 0.5, 0.9}) {
      const std::string path =
          folder.Write(name, whole.substr(0, static_cast<std::size_t>(share * whole.size())));
      EXPECT_EQ(Refusal(path).fault, PictureFault::CutShort) << name << " at " << share;
      // Only the top rows are needed, and they are all there.
      EXPECT_EQ(Refusal(path, {0, 2, 0}).fault, PictureFault::CutShort) << name << " at " << share;
    }
    // Only the last bytes, the file's end marker, missing.
    const std::size_t end = std::string(name).ends_with(".png") ? 12 : 2;
    const std::string path = folder.Write(name, whole.substr(0, whole.size() - end));
    EXPECT_EQ(Refusal(path, {0, 2, 0}).fault, PictureFault::CutShort) << name;
    EXPECT_EQ(Refusal(path).fault, PictureFault::CutShort) << name;
  }
}

TEST(EarthPicture, NamesWithoutAReadablePictureAreRefusedWithTheirReason) {
  ScratchFolder folder;
  const std::string dir = folder.Path().string();
  ASSERT_EQ(::symlink("loop-b", (dir + "/loop-a").c_str()), 0);
  ASSERT_EQ(::symlink("loop-a", (dir + "/loop-b").c_str()), 0);
  folder.Write("text.jpg", "not a picture\n");
  folder.Write("empty.png", "");
  ASSERT_TRUE(QImage(64, 64, QImage::Format_RGB32).save(QString::fromStdString(folder.PathOf("square.png"))));
  ASSERT_TRUE(QImage(90, 30, QImage::Format_RGB32).save(QString::fromStdString(folder.PathOf("wide.bmp"))));
  const struct {
    std::string path;
    PictureFault fault;
  } rows[] = {
      {dir + "/none.jpg", PictureFault::Missing},
      {dir + "/none/earth.jpg", PictureFault::Missing},
      {dir, PictureFault::Folder},
      {dir + "/loop-a", PictureFault::LinkLoop},
      {"/dev/zero", PictureFault::NotRegularFile},
      {dir + "/text.jpg", PictureFault::NotAPicture},
      {dir + "/empty.png", PictureFault::NotAPicture},
      {dir + "/square.png", PictureFault::NotTwoToOne},
      {dir + "/wide.bmp", PictureFault::NotTwoToOne},
  };
  for (const auto& row : rows) EXPECT_EQ(Refusal(row.path).fault, row.fault) << row.path;
  EXPECT_EQ(Refusal(dir + "/square.png").width, 64);
  EXPECT_EQ(Refusal(dir + "/wide.bmp").height, 30);

  const std::string locked = folder.Write("locked.jpg", ReadWhole(SKERROWEN_EARTH_PICTURE));
  ::chmod(locked.c_str(), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(Refusal(locked).fault, PictureFault::NoPermission);
  }
}

TEST(EarthPicture, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
  ScratchFolder folder;
  const std::string fifo = folder.PathOf("earth.jpg");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // In a child, so that a reader stuck on the pipe fails the test instead of hanging it.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(Refusal(fifo).fault == PictureFault::NotRegularFile ? 0 : 1);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      FAIL() << "the reader waited on the named pipe";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(EarthPicture, ANameThatIsNoUtf8IsReadAsGiven) {
  ScratchFolder folder;
  const std::string path = folder.Write("Erde-\xE4\xF6.jpg", ReadWhole(SKERROWEN_EARTH_PICTURE));
  EarthPictureReader reader(OpenQtPictureDecoder);
  DecodedPicture picture;
  EXPECT_TRUE(reader.Open(path) && reader.Decode({}, picture)) << reader.Problem().detail;
}

}  // namespace

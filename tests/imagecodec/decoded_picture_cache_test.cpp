// Earth pictures kept decoded in the cache: the next reader takes the same pixels from it,
// a changed picture is decoded anew, and an entry that is not whole is passed by.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/posix_file_store.h"
#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/qt_picture_decoder.h"
#include "render/scratch_folder.h"

namespace {

struct Decoded {
  bool ok = false;
  DecodedPicture picture;
};

Decoded DecodeRows(const std::string& path, const DecodedPictureCache* cache, const PictureNeed& need) {
  EarthPictureReader reader(OpenQtPictureDecoder, cache);
  Decoded d;
  d.ok = reader.Open(path) && reader.Decode(need, d.picture);
  return d;
}

std::uint32_t PixelAt(const DecodedPicture& p, int x, int fullRow) {
  return p.pixels[static_cast<std::size_t>(fullRow - p.firstRow) * p.width + x];
}

int EntriesIn(const std::string& folder) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.path().extension() == ".pixels";
  return n;
}

TEST(DecodedPictureCache, TheNextMapTakesTheSamePixelsAndAChangedPictureIsDecodedAnew) {
  ScratchFolder folder;
  const std::string picture = folder.PathOf("earth.png");
  QImage qt = QImage(SKERROWEN_EARTH_PICTURE).convertToFormat(QImage::Format_RGB32);
  ASSERT_TRUE(qt.save(QString::fromStdString(picture)));
  PosixFileStore files;
  const std::string cacheFolder = folder.PathOf("cache/skerrowen/pictures");
  const DecodedPictureCache cache(cacheFolder, files);
  const PictureNeed band{300, 200, 0};

  const Decoded plain = DecodeRows(picture, nullptr, band);
  const Decoded first = DecodeRows(picture, &cache, band);
  ASSERT_TRUE(plain.ok && first.ok);
  ASSERT_EQ(EntriesIn(cacheFolder), 1);
  const Decoded second = DecodeRows(picture, &cache, band);
  ASSERT_TRUE(second.ok);
  for (int y = 300; y < 500; y += 7)
    for (int x = 0; x < 2048; x += 13) {
      ASSERT_EQ(PixelAt(first.picture, x, y), PixelAt(plain.picture, x, y)) << x << ", " << y;
      ASSERT_EQ(PixelAt(second.picture, x, y), PixelAt(plain.picture, x, y)) << x << ", " << y;
    }

  // The same file written again with other pixels: the entry no longer matches.
  qt.fill(0xff123456u);
  ASSERT_TRUE(qt.save(QString::fromStdString(picture)));
  const Decoded changed = DecodeRows(picture, &cache, band);
  ASSERT_TRUE(changed.ok);
  EXPECT_EQ(PixelAt(changed.picture, 100, 400), 0xff123456u) << "a stale entry was taken";
  EXPECT_EQ(EntriesIn(cacheFolder), 1) << "a changed picture's entry replaces its old one";
}

TEST(DecodedPictureCache, AnEntryCutShortOrOfAnotherPictureIsPassedByAndAFolderThatTakesNothingKeepsNothing) {
  ScratchFolder folder;
  const std::string picture = folder.PathOf("earth.png");
  QImage qt(256, 128, QImage::Format_RGB32);
  qt.fill(0xff204060u);
  ASSERT_TRUE(qt.save(QString::fromStdString(picture)));
  PosixFileStore files;
  const std::string cacheFolder = folder.PathOf("pictures");
  const DecodedPictureCache cache(cacheFolder, files);
  ASSERT_TRUE(DecodeRows(picture, &cache, {}).ok);
  const auto entry = std::filesystem::directory_iterator(cacheFolder)->path();
  for (const auto size : {std::uintmax_t{100}, std::filesystem::file_size(entry) - 4}) {
    std::filesystem::resize_file(entry, size);
    const Decoded again = DecodeRows(picture, &cache, {});
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(PixelAt(again.picture, 255, 127), 0xff204060u);
  }
  // Another picture's pixels under this one's name, with its header: not this picture.
  {
    std::fstream f(entry, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(8);
    const char other[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    f.write(other, 8);
  }
  EXPECT_EQ(PixelAt(DecodeRows(picture, &cache, {}).picture, 0, 0), 0xff204060u);

  std::filesystem::remove_all(cacheFolder);
  std::ofstream(cacheFolder) << "a file where the folder would be";
  const Decoded uncached = DecodeRows(picture, &cache, {});
  ASSERT_TRUE(uncached.ok);
  EXPECT_EQ(PixelAt(uncached.picture, 3, 3), 0xff204060u);
}

}  // namespace

// Map pictures encoded from rows where they stand, read back by Qt: PNG exactly, JPEG as
// close as Qt's own encoding, files about the size of Qt's, and a stop when asked.
#include "imagecodec/map_encoding.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

// The shipped picture at `width` x `height`: a photograph as a map shows one.
QImage Photograph(int width, int height) {
  return QImage(SKERROWEN_EARTH_PICTURE)
      .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_RGB888);
}

// The picture's rows, top first, or stored bottom-up in blue-green-red order as a BMP
// holds them, in `storage`.
RgbRows RowsOf(const QImage& image, bool bottomUpBgr, std::vector<std::uint8_t>& storage) {
  const int width = image.width(), height = image.height();
  if (!bottomUpBgr) return {image.constBits(), image.bytesPerLine(), width, height, false};
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  storage.assign(rowBytes * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = image.constScanLine(y);
    std::uint8_t* out = storage.data() + rowBytes * (height - 1 - y);
    for (std::size_t i = 0; i < rowBytes; i += 3) {
      out[i] = in[i + 2];
      out[i + 1] = in[i + 1];
      out[i + 2] = in[i];
    }
  }
  return {storage.data() + rowBytes * (height - 1), -static_cast<std::ptrdiff_t>(rowBytes), width, height,
          true};
}

std::string Encoded(bool png, const RgbRows& rows, EncodeOptions options = {}) {
  std::string bytes;
  EncodeProblem problem;
  EXPECT_TRUE(png ? EncodePng(rows, options, bytes, problem) : EncodeJpeg(rows, options, bytes, problem))
      << problem.detail;
  return bytes;
}

std::string QtEncoded(const QImage& image, bool png) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, png ? "png" : "jpeg");
  writer.setQuality(png ? 70 : 92);
  EXPECT_TRUE(writer.write(image));
  return encoded.toStdString();
}

QImage Decoded(const std::string& bytes) {
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))
      .convertToFormat(QImage::Format_RGB888);
}

// Whether both hold the same pixels, row by row.
bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  for (int y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), 3 * static_cast<std::size_t>(a.width())) != 0)
      return false;
  }
  return true;
}

TEST(MapEncoding, PngKeepsEveryPixelOfRowsInEitherOrderAndDirection) {
  // One pixel; a wide strip; a square map; a picture of several pieces, each deflated apart.
  for (const auto& [width, height] :
       {std::pair{1, 1}, std::pair{1001, 3}, std::pair{557, 557}, std::pair{2048, 1024}}) {
    const QImage image = Photograph(width, height);
    for (const bool bottomUpBgr : {false, true}) {
      std::vector<std::uint8_t> storage;
      for (const int threads : {1, 2, 3}) {
        EncodeOptions options;
        options.threads = threads;
        const std::string png = Encoded(true, RowsOf(image, bottomUpBgr, storage), options);
        const bool same = SamePixels(Decoded(png), image);
        if (!same) std::ofstream(::testing::TempDir() + "round_trip.png", std::ios::binary) << png;
        EXPECT_TRUE(same) << width << " x " << height << (bottomUpBgr ? " bottom-up BGR, " : " RGB, ")
                          << threads << " threads";
      }
    }
  }
}

TEST(MapEncoding, PngFilesAreAboutTheSizeOfQtsAndJpegShowsTheSamePicture) {
  for (const int size : {557, 2048}) {
    const QImage image = Photograph(size, size);
    std::vector<std::uint8_t> unused;
    const std::string png = Encoded(true, RowsOf(image, false, unused));
    const std::string qtPng = QtEncoded(image, true);
    std::printf("%d px PNG: %zu bytes, Qt's %zu\n", size, png.size(), qtPng.size());
    EXPECT_LE(png.size(), qtPng.size() * 1.03) << size;

    const QImage jpeg = Decoded(Encoded(false, RowsOf(image, true, unused)));
    const QImage qtJpeg = Decoded(QtEncoded(image, false));
    ASSERT_EQ(jpeg.size(), qtJpeg.size());
    double sum = 0;
    int largest = 0;
    for (int y = 0; y < size; ++y) {
      for (int i = 0; i < 3 * size; ++i) {
        const int difference = std::abs(jpeg.constScanLine(y)[i] - qtJpeg.constScanLine(y)[i]);
        sum += difference;
        largest = std::max(largest, difference);
      }
    }
    const double mean = sum / (3.0 * size * size);
    std::printf("%d px JPEG against Qt's: mean difference %.4f, largest %d\n", size, mean, largest);
    EXPECT_LT(mean, 0.05) << size;
    EXPECT_LE(largest, 2) << size;
  }
}

// One libjpeg encoder's file of the whole picture at quality 92, with a restart marker after
// every row of blocks.
std::string OneEncodersFile(const QImage& image) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  info.restart_in_rows = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string file(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return file;
}

TEST(MapEncoding, JpegStripesJoinIntoTheFileOneEncoderWrites) {
  // Tall enough to be cut into stripes, the last one short; an odd width.
  const QImage image = Photograph(701, 2100);
  std::vector<std::uint8_t> unused;
  const std::string expected = OneEncodersFile(image);
  for (const int threads : {1, 2, 3}) {
    EncodeOptions options;
    options.threads = threads;
    EXPECT_TRUE(Encoded(false, RowsOf(image, false, unused), options) == expected) << threads << " threads";
  }
  EXPECT_TRUE(Encoded(false, RowsOf(image, true, unused)) == expected) << "bottom-up BGR";
}

TEST(MapEncoding, ProgressRisesToTheEndAndAFalseAnswerStops) {
  const QImage image = Photograph(2048, 2048);
  std::vector<std::uint8_t> unused;
  const RgbRows rows = RowsOf(image, false, unused);
  for (const bool png : {true, false}) {
    std::vector<double> shares;
    EncodeOptions options;
    // One thread, so the pieces are not all done before the first answer.
    options.threads = 1;
    options.progress = [&](double share) {
      shares.push_back(share);
      return true;
    };
    Encoded(png, rows, options);
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_EQ(shares.back(), 1.0);

    int calls = 0;
    options.progress = [&](double) { return ++calls < 2; };
    std::string bytes;
    EncodeProblem problem;
    EXPECT_FALSE(png ? EncodePng(rows, options, bytes, problem) : EncodeJpeg(rows, options, bytes, problem));
    EXPECT_EQ(problem.fault, EncodeFault::Cancelled);
    EXPECT_EQ(calls, 2);
  }
}

}  // namespace

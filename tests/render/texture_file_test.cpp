// Textures from picture files: exact texels at the picture's own size, clear refusals.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "render/d3dx/d3dx_texture.h"
#include "render/scratch_folder.h"

namespace {

// 3 x 2, not a power of two, every channel different.
const std::vector<std::uint32_t> kTexels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                            0xFF102030, 0xFFFFFFFF, 0xFF000000};

QImage Picture(const std::vector<std::uint32_t>& texels, int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, texels[static_cast<std::size_t>(y) * width + x]);
  return image;
}

std::string Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format));
  return bytes.toStdString();
}

// An uncompressed 32-bit TGA 2.0, rows from the top (Qt does not write TGA, and reads only
// files with the 2.0 footer).
std::string Tga(const std::vector<std::uint32_t>& texels, int width, int height) {
  std::string bytes(18, '\0');
  bytes[2] = 2;  // true colour
  bytes[12] = static_cast<char>(width);
  bytes[14] = static_cast<char>(height);
  bytes[16] = 32;
  bytes[17] = 0x28;  // 8 alpha bits, top-left origin
  for (std::uint32_t t : texels) {
    for (int shift : {0, 8, 16, 24}) bytes += static_cast<char>((t >> shift) & 0xFF);  // B, G, R, A
  }
  bytes += std::string(8, '\0') + "TRUEVISION-XFILE." + std::string(1, '\0');
  return bytes;
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string BigEndian32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
  return BigEndian32(static_cast<std::uint32_t>(data.size())) + type + data + BigEndian32(Crc32(type + data));
}

// A PNG that declares width x height 8-bit RGB but holds no pixel data.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
  const std::string header =
      BigEndian32(width) + BigEndian32(height) + std::string("\x08\x02\x00\x00\x00", 5);
  const std::string emptyDeflate("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", emptyDeflate) +
         PngChunk("IEND", "");
}

class TextureFileTest : public ::testing::Test {
 protected:
  HRESULT Load(const std::string& path) { return D3DXCreateTextureFromFile(nullptr, path, &texture, &error); }

  void ExpectTexels(const std::vector<std::uint32_t>& expected, int width, int height) {
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, width);
    EXPECT_EQ(texture->height, height);
    EXPECT_EQ(std::vector<std::uint32_t>(texture->texels.begin(), texture->texels.end()), expected);
  }

  ScratchFolder folder;
  std::shared_ptr<Texture> texture;
  std::string error;
};

TEST_F(TextureFileTest, PngKeepsEveryTexelAndItsAlpha) {
  std::vector<std::uint32_t> translucent = kTexels;
  translucent[4] = 0x80FFFFFF;
  translucent[5] = 0x00000000;
  ASSERT_EQ(Load(folder.Write("picture.png", Encoded(Picture(translucent, 3, 2), "PNG"))), D3D_OK) << error;
  ExpectTexels(translucent, 3, 2);
}

TEST_F(TextureFileTest, BmpAndDibAreOpaqueWithExactColours) {
  const std::string bmp = Encoded(Picture(kTexels, 3, 2).convertToFormat(QImage::Format_RGB888), "BMP");
  ASSERT_EQ(Load(folder.Write("picture.bmp", bmp)), D3D_OK) << error;
  ExpectTexels(kTexels, 3, 2);
  texture.reset();
  ASSERT_EQ(Load(folder.Write("picture.dib", bmp)), D3D_OK) << error;
  ExpectTexels(kTexels, 3, 2);
}

TEST_F(TextureFileTest, TgaIsRead) {
  std::vector<std::uint32_t> translucent = kTexels;
  translucent[0] = 0x40FF0000;
  ASSERT_EQ(Load(folder.Write("picture.tga", Tga(translucent, 3, 2))), D3D_OK) << error;
  ExpectTexels(translucent, 3, 2);
}

// JPEG colour pictures are decoded straight into the texture's storage and grey ones through
// a copy; either way every texel must be what Qt's own decoder makes of the file, at an odd
// width so that a wrong row stride shows.
TEST_F(TextureFileTest, JpegTexelsMatchQtsOwnDecodeInColourAndGrey) {
  QImage pattern(37, 19, QImage::Format_RGB32);
  for (int y = 0; y < pattern.height(); ++y)
    for (int x = 0; x < pattern.width(); ++x) pattern.setPixel(x, y, qRgb(x * 7, y * 13, (x * y) % 256));
  for (const QImage& picture : {pattern, pattern.convertToFormat(QImage::Format_Grayscale8)}) {
    const std::string path = folder.Write("picture.jpg", Encoded(picture, "JPG"));
    texture.reset();
    ASSERT_EQ(Load(path), D3D_OK) << error;
    const QImage reference = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(reference.size(), QSize(37, 19));
    std::vector<std::uint32_t> expected;
    for (int y = 0; y < reference.height(); ++y)
      for (int x = 0; x < reference.width(); ++x) expected.push_back(reference.pixel(x, y));
    ExpectTexels(expected, 37, 19);
  }
}

TEST_F(TextureFileTest, JpegKeepsItsSizeAndRoughColours) {
  const QImage grey(16, 8, QImage::Format_RGB32);
  QImage picture = grey;
  picture.fill(QColor(200, 100, 50));
  ASSERT_EQ(Load(folder.Write("picture.jpg", Encoded(picture, "JPG"))), D3D_OK) << error;
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->width, 16);
  EXPECT_EQ(texture->height, 8);
  const std::uint32_t t = texture->texels[0];
  EXPECT_EQ(t >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>((t >> 16) & 0xFF), 200, 4);
  EXPECT_NEAR(static_cast<int>((t >> 8) & 0xFF), 100, 4);
  EXPECT_NEAR(static_cast<int>(t & 0xFF), 50, 4);
}

struct BadPicture {
  const char* name;
  std::string content;  // not written when empty
  const char* reason;
};

class BadPictureTest : public TextureFileTest, public ::testing::WithParamInterface<BadPicture> {};

TEST_P(BadPictureTest, FailsWithTheFileAndTheReasonAndLeavesTheTextureAlone) {
  const BadPicture& bad = GetParam();
  const std::string path =
      bad.content.empty() ? folder.PathOf(bad.name) : folder.Write(bad.name, bad.content);
  EXPECT_TRUE(FAILED(Load(path)));
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
  EXPECT_NE(error.find(bad.reason), std::string::npos) << error;
  EXPECT_EQ(texture, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadPictureTest,
    ::testing::Values(BadPicture{"missing.png", "", "no such file"},
                      BadPicture{"text.png", "this is not a picture at all", "not a picture"},
                      BadPicture{"huge.png", PngHeaderOnly(9000, 9000), "too large"},
                      BadPicture{"tall.png", PngHeaderOnly(4, 16385), "too large"},
                      BadPicture{"no_pixels.png", PngHeaderOnly(64, 64), "cannot be decoded"}),
    [](const auto& info) {
      std::string name = info.param.name;
      return name.substr(0, name.find('.'));
    });

TEST_F(TextureFileTest, AFolderIsNotAPicture) {
  const std::string path = folder.Path().string();
  EXPECT_TRUE(FAILED(Load(path)));
  EXPECT_EQ(error, path + ": not a file");
}

}  // namespace
